// pdehost at the edges printers' own files reach: integers past the signed
// 64-bit range, custom paper as large as the PPD allows, PPDs without an
// option a panel shows, and what the messages then say.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "bplist_builder.h"
#include "files.h"
#include "pdehost_runner.h"
#include "platform/plist.h"
#include "samples.h"
#include "scratch_dir.h"

namespace {

namespace plist = platform::plist;
using testsupport::ReadText;
using testsupport::RunPdehost;
const std::string kColour = "jp.halvern.pde.VN420P.hvco", kSecurity = "jp.halvern.print.pde.VN420P.Security";

// The sample PPD with every `from` replaced by its `to`, written into `dir`.
std::string SamplePpdWith(const testsupport::ScratchDir& dir, const std::string& name,
                          const std::vector<std::pair<std::string, std::string>>& edits) {
  std::string text = ReadText(testsupport::SamplePpd());
  for (const auto& [from, to] : edits)
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
      text.replace(at, from.size(), to);
  return dir.Write(name, text);
}

TEST(PdehostEdges, IntegersKeepTheirRangeThroughASaveInBothForms) {
  const std::pair<const char*, plist::Value> values[] = {
      {"9223372036854775807", plist::Value(INT64_MAX)},
      {"9223372036854775808", plist::Value::Unsigned(uint64_t{1} << 63)},
      {"18446744073709551615", plist::Value::Unsigned(UINT64_MAX)},
      {"-9223372036854775808", plist::Value(INT64_MIN)}};
  testing_bplist::Builder b;
  std::vector<std::pair<uint32_t, uint32_t>> entries;
  std::string xml = "<plist version=\"1.0\"><dict>";
  for (const auto& [text, v] : values) {
    entries.emplace_back(b.String(text),
                         v.integer() ? b.Integer(*v.integer()) : b.Unsigned(*v.bigUnsigned()));
    xml += std::string("<key>") + text + "</key><integer>" + text + "</integer>";
  }
  testsupport::ScratchDir dir("vn-edges");
  for (const std::string& bytes : {xml + "</dict></plist>", b.Bytes(b.Dict(entries))}) {
    const std::string path = dir.Write("ticket.plist", bytes);
    ASSERT_EQ(RunPdehost({"--settings", path, "set", kColour, "menu_QuickColor", "Vivid"}).status, 0);
    const std::string saved = ReadText(path);
    EXPECT_EQ(saved.starts_with("bplist"), bytes.starts_with("bplist")) << "the file keeps its form";
    const auto parsed = plist::Parse(saved);
    for (const auto& [text, v] : values)
      EXPECT_TRUE(parsed && parsed->find(text) && *parsed->find(text) == v) << text << " in " << saved;
  }
}

TEST(PdehostEdges, CustomSizesWithinThePpdsRangesAndNoneOutside) {
  testsupport::ScratchDir dir("vn-edges");
  const std::string tall =
      SamplePpdWith(dir, "tall.ppd", {{"360 1008", "360 300000"}, {"\"1008\"", "\"300000\""}});
  const std::string none =
      SamplePpdWith(dir, "none.ppd", {{"CustomPageSize", "Gone"}, {"Size: True", "Size: False"}});
  const std::string sample = testsupport::SamplePpd(),
                    tallRange = "width 216 to 612, height 360 to 300000 points";
  const struct {
    std::string ppd, option, size;
    std::string says;  // "" when taken
  } cases[] = {
      {tall, "--custom-size", "612x300000", ""},
      {tall, "--custom-size", "216x360", ""},
      {tall, "page-setup", "300x257953.5", ""},
      {tall, "--custom-size", "300x300000.5",
       "custom size 300x300000.5 is outside the PPD's custom page sizes: " + tallRange},
      {tall, "page-setup", "215.5x360", tallRange},
      {sample, "--paper", "Custom.300x300000", "width 216 to 612, height 360 to 1008 points"},
      {none, "--custom-size", "300x400", "the PPD offers no custom page sizes (custom size 300x400)"},
      {sample, "--custom-size", "1x", "expected WxH in points"},
  };
  for (const auto& c : cases) {
    auto r = c.option == "page-setup" ? RunPdehost({"--ppd", c.ppd, "page-setup", "custom-size", c.size})
                                      : RunPdehost({"--ppd", c.ppd, c.option, c.size, "panels"});
    EXPECT_EQ(r.status, c.says.empty() ? 0 : 2) << c.option << " " << c.size << ": " << r.err;
    EXPECT_TRUE(c.says.empty() ? r.err.empty() : r.err.find(c.says) != std::string::npos) << r.err;
  }
}

TEST(PdehostEdges, SummaryItemsHaveLabelAndValue) {
  testsupport::ScratchDir dir("vn-edges");
  for (const std::string& ppd :
       {testsupport::SamplePpd(), SamplePpdWith(dir, "no.ppd", {{"PrintModeVN420P", "Gone"}})}) {
    auto r = RunPdehost({"--ppd", ppd, "summary", "--json"});
    size_t items = 0, printMode = 0;
    for (const auto& panel : nlohmann::json::parse(r.out))
      for (const auto& item : panel["items"]) {
        EXPECT_TRUE(item["name"] != "" && item["value"] != "") << ppd << ": " << item;
        ++items, printMode += item["name"] == "Print Mode";
      }
    EXPECT_GT(items, 20u);
    EXPECT_EQ(printMode, ppd == testsupport::SamplePpd() ? 1u : 0u) << ppd;
  }
}

TEST(PdehostEdges, MessagesSayWhatHappenedAndChangesPersist) {
  testsupport::ScratchDir dir("vn-edges");
  const std::string mode = "*CloseUI: *PrintModeVN420P", set = "set " + kSecurity + " ";
  const std::string noMode = SamplePpdWith(dir, "no.ppd", {{"PrintModeVN420P", "Gone"}});
  const std::string env10 = SamplePpdWith(
      dir, "env10.ppd", {{mode, mode + "\n*UIConstraints: *PageSize Env10 *PrintModeVN420P SecurePrint"}});
  const struct {
    std::string ppd, script, says;  // says "": nothing on standard error
    std::string nextSays;           // what the next run on the same settings file shows
  } cases[] = {
      {noMode, set + "waitModePopUp 1\n", "waitModePopUp 1: the control is hidden;", ""},
      {env10, set + "--stdin securePasswordEditText\nabc\n",
       "securePasswordEditText (text hidden): the control is disabled;", ""},
      {env10,
       set + "sectionManagementCheckBox on --stdin sectionPasswordEditText\nabc\n" + set +
           "--stdin sectionPasswordEditText\n\n",
       "pdehost: sectionPasswordEditText: the line on standard input was empty; the field is now empty\n",
       "sectionPasswordEditText [securefield] text=\"\""},
      {env10, "PPDOptionKeyValueDidChange HVQuickColor Vivid\n", "", "menu_QuickColor [popup] selected=2"},
      {env10, "page-setup scale-to Env10\n", "", "1: Secure Print (SecurePrint) disabled"},
  };
  for (const auto& c : cases) {
    const std::string settings = dir.File("ticket.plist");
    std::remove(settings.c_str());
    testsupport::PdehostCall call{{"--ppd", c.ppd, "--settings", settings, "--script", "-"}, c.script};
    auto r = RunPdehost(call);
    EXPECT_EQ(r.status, c.nextSays.empty() ? 2 : 0) << c.script << r.err;
    EXPECT_TRUE(c.says.empty() ? r.err.empty() : r.err.find(c.says) != std::string::npos)
        << c.script << r.err;
    if (c.nextSays.empty()) continue;
    call.input = "show " + kColour + "\nshow " + kSecurity + "\n";
    EXPECT_NE(RunPdehost(call).out.find(c.nextSays), std::string::npos)
        << c.script << ": not kept for the next run";
  }
}

}  // namespace
