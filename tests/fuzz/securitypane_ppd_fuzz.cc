// Arbitrary PPD text through the Security pane's layers: libcups parses it,
// then the option model, the control tables and the constraint engine run
// on whatever it returns. Input that does not start like a PPD is appended
// to a valid one holding the pane's options, so the fuzzer's lines (options,
// choices, sizes, constraints) reach the engine; in that input every byte
// from 0x80 up stands for a PPD word (keywords of the pane, constraint and
// group lines), which lets short runs reach deep into the parser's results.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "generated_ppd.h"
#include "layers_host.h"
#include "securitypane/paper_query.h"
#include "securitypane/ppd_ui_option.h"

using namespace securitypane;

namespace {

const std::string& PpdPath() {
  static const std::string path = [] {
    std::string p = "/tmp/vn-ppd-fuzz-XXXXXX";
    int fd = mkstemp(p.data());
    if (fd < 0) std::abort();
    close(fd);
    return p;
  }();
  return path;
}

const std::string& Head() {
  static const std::string head = [] {
    testing::GeneratedPpd shape;
    shape.fillerOptions = 4;
    shape.extraConstraints = {"*UIConstraints: *Filler0 A *PrintModeVN420P SecurePrint",
                             "*UIConstraints: *PageSize A4 *HVAuthenticationVN420P"};
    return testing::GeneratePpd(shape);
  }();
  return head;
}

constexpr const char* kWords[] = {
    "*UIConstraints:",
    "*NonUIConstraints:",
    "*PrintModeVN420P",
    "SecurePrint",
    "Normal",
    "*HVAuthenticationVN420P",
    "*HVSectionManagementVN420P",
    "True",
    "False",
    "*Filler0",
    "*Filler1",
    "A",
    "B",
    "*PageSize",
    "*PageRegion",
    "A4",
    "Letter",
    "*OpenUI",
    "*CloseUI:",
    "PickOne",
    "Boolean",
    "PickMany",
    "*OptionHardDisk",
    "*OpenGroup: InstallableOptions",
    "*CloseGroup: InstallableOptions",
    "*DefaultFiller1:",
    "*DefaultPageSize:",
    "*PaperDimension",
    "*ImageableArea",
    "*CustomPageSize True: \"\"",
    "*ParamCustomPageSize Width: 1 points 10 20",
    "*MaxMediaWidth: \"20\"",
    "*LanguageEncoding: JIS83-RKSJ",
    "*LanguageEncoding: WindowsANSI",
    "\"595 842\"",
    "/",
    ":",
    "\n",
    "*KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK",
    "*InputSlot",
    "*Duplex",
};

std::string Expand(std::string_view input) {
  std::string out;
  for (char c : input) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else {
      out += ' ';
      out += kWords[byte % std::size(kWords)];
      out += ' ';
    }
  }
  return out;
}

void Exercise(ppd_file_t* ppd) {
  CreatePPDConstraintsArray(ppd);
  CreatePPDInstallableOptionDict(ppd);
  for (int g = 0; g < ppd->num_groups; ++g) {
    for (int o = 0; o < ppd->groups[g].num_options; ++o) {
      const ppd_option_t& option = ppd->groups[g].options[o];
      PPDUIOption record;
      SetupPPDUIOption(&record, ppd, option.keyword);
      for (int i = -1; i <= record.itemCount; ++i) {
        const std::string* key = PPDUIOptionIndexToKey(&record, i);
        if (key) PPDUIOptionKeyToAlias(&record, *key);
        if (const std::string* alias = PPDUIOptionIndexToAlias(&record, i))
          PPDUIOptionAliasToKey(&record, *alias);
      }
      PPDUIOptionTiny tiny;
      SetupPPDUIOptionTiny(&tiny, ppd, option.keyword);
      PDECustomGetPPDDefaultItem(ppd, option.keyword);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 64 * 1024) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream out(PpdPath(), std::ios::binary | std::ios::trunc);
    if (input.starts_with("*PPD-Adobe"))
      out << input;
    else
      out << Head() << Expand(input);
  }
  std::string error;
  testing::LayersHost host(PpdPath(), &error);
  if (!host.ok()) return 0;
  Exercise(host.ppdFile());
  host.build();
  host.refresh();
  // A user's choices, then refreshes over them.
  for (int i = 0; i < host.waitModePopUp.numberOfItems(); ++i) {
    host.waitModePopUp.selectItemAtIndex(i);
    host.act(&host.waitModePopUp);
  }
  host.userAuthenticationCheckBox.setState(1);
  host.act(&host.userAuthenticationCheckBox);
  int created = 0;
  GetPaperNameByStandardTicketArgument(&created, &host.session);
  return 0;
}
