// Print-system access: the session record, accessors, the model dictionary,
// the paper queries and the model preference file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "env.h"
#include "generated_ppd.h"
#include "layers_host.h"
#include "platform/printing_page_setup.h"
#include "samples.h"
#include "scratch_dir.h"
#include "securitypane/paper_query.h"
#include "securitypane/ticket_model.h"

namespace securitypane::testing {
namespace {

namespace fs = std::filesystem;
namespace plist = platform::plist;
using platform::kPMLandscape, platform::kPMPortrait;
using testsupport::SamplePpd, testsupport::ScopedEnv, testsupport::ScratchDir;

class CountingHost : public LayersHost {
 public:
  using LayersHost::LayersHost;
  platform::PrintSession* printSession() override {
    ++sessionCalls;
    return LayersHost::printSession();
  }
  int sessionCalls = 0;
};

TEST(PDECoreTest, SessionIsCachedAndContextFilled) {
  std::string error;
  CountingHost host(SamplePpd(), &error);
  ASSERT_TRUE(host.ok()) << error;
  PDECoreContext core;
  HVPDESession s{nullptr, &host, &core, nullptr};
  EXPECT_EQ(HVGetPMPrintSession(&s), host.LayersHost::printSession());
  EXPECT_EQ(HVGetPMPrintSession(&s), host.LayersHost::printSession());
  EXPECT_EQ(host.sessionCalls, 1);
  EXPECT_EQ(HVGetPMPrintSession(nullptr), nullptr);

  EXPECT_EQ(PDECoreOnInitialize(&s), platform::noErr);
  EXPECT_EQ(*PDECoreGetPPDProductNameArgument(&s), "VN420P");
  EXPECT_EQ(*PDECoreGetPrintQueueNameArgument(&s), "VN420P");
  EXPECT_EQ(PDECoreGetPPDPapers(&s)->selfKey, "PageSize");
  EXPECT_EQ(PDECoreGetContextArgument(&s), &core);

  platform::PrintSettings* settings = nullptr;
  EXPECT_EQ(HVGetPrintSettings(&s, &settings), platform::noErr);
  EXPECT_EQ(settings, &host.settings);
  EXPECT_EQ(HVGetPrintSettings(nullptr, &settings), platform::kStatusMissing);
  EXPECT_EQ(HVGetPageFormat(&s, nullptr), platform::kStatusMissing);
}

TEST(PDECoreTest, TypedSettingsReads) {
  platform::PrintSettings settings;
  settings.setValue("s", "text");
  settings.setValue("b", plist::Value(true));
  settings.setValue("n", plist::Value(42));
  const std::string* str = nullptr;
  int flag = -5;
  int32_t n = 0;
  EXPECT_EQ(HVPrintSettingsGetString(&settings, "s", &str), platform::noErr);
  EXPECT_EQ(*str, "text");
  EXPECT_EQ(HVPrintSettingsGetString(&settings, "n", &str), platform::kStatusMissing);
  EXPECT_EQ(str, nullptr);
  EXPECT_EQ(HVPrintSettingsGetString(&settings, "absent", &str), platform::kPMKeyNotFound);
  EXPECT_EQ(HVPrintSettingsGetBoolean(&settings, "b", &flag), platform::noErr);
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(HVPrintSettingsGetBoolean(&settings, "s", &flag), platform::kStatusMissing);
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(HVPrintSettingsGetSInt32(&settings, "n", &n), platform::noErr);
  EXPECT_EQ(n, 42);
  EXPECT_EQ(HVPrintSettingsGetSInt32(&settings, "b", &n), platform::kStatusMissing);
  EXPECT_TRUE(HVIsPrintSettingsItem(&settings, "s"));
  EXPECT_FALSE(HVIsPrintSettingsItem(&settings, "absent"));
}

TEST(PDECoreTest, OrientationKeyOnly) {
  const struct {
    platform::PMOrientation orientation;
    int32_t value;
  } cases[] = {{kPMPortrait, 1},
               {kPMLandscape, 2},
               {platform::kPMReversePortrait, 4},
               {platform::kPMReverseLandscape, 3}};
  for (const auto& c : cases) {
    platform::PageFormat format({}, c.orientation);
    int32_t out = 0;
    EXPECT_EQ(HVPageFormatGetSInt32(&format, "com.apple.print.PageFormat.PMOrientation", &out),
              platform::noErr);
    EXPECT_EQ(out, c.value);
    EXPECT_EQ(HVPageFormatGetSInt32(&format, "com.apple.print.PageFormat.PMScaling", &out),
              platform::kStatusMissing);
    EXPECT_EQ(out, -1);
  }
}

TEST(PDECoreTest, ModelDictionaryAndTicketCopies) {
  std::string error;
  LayersHost host(SamplePpd(), &error);
  ASSERT_TRUE(host.ok()) << error;
  host.build();
  auto model = PDECoreGetModelDictionary(&host.session);
  ASSERT_TRUE(model);
  EXPECT_TRUE(model->empty());
  EXPECT_EQ(host.settings.entries().at("VN420P"), plist::Value(plist::Dict{{"VN420P", plist::Dict{}}}));

  host.record("jp.halvern.printers.VN420P.userName")->value = "alice";
  ticketWritePrintSettings(&host.table, &host.settings, &host.session);
  EXPECT_EQ(*PDECoreGetModelDictionary(&host.session)->at("jp.halvern.printers.VN420P.userName").string(),
            "alice");
  host.record("jp.halvern.printers.VN420P.userName")->value = "bob";
  ticketGetPrintSettings(&host.table, &host.settings, &host.session);
  EXPECT_EQ(*host.record("jp.halvern.printers.VN420P.userName")->value, "alice");
  ticketCopyToRoot(&host.settings, &host.session);
  EXPECT_EQ(*host.settings.entries().at("jp.halvern.printers.VN420P.userName").string(), "alice");

  // Without a queue name nothing is answered, and nothing breaks.
  host.core.printQueueName.clear();
  EXPECT_EQ(PDECoreGetModelDictionary(&host.session), std::nullopt);
  host.settings.setValue("VN420P", "not a dictionary");
  EXPECT_EQ(ticketGetModelDictionary(&host.settings, &host.session), std::nullopt);
}

// Paper cases on the sample PPD (custom sizes 216..612 x 360..1008 points).
TEST(PaperQueryTest, PaperForTheDocument) {
  platform::PageSetup none;
  const struct {
    const char* name;
    const char* paper;
    std::optional<std::pair<double, double>> custom;
    platform::PMOrientation orientation;
    const char* scaleTo;
    const char* expected;
  } cases[] = {
      {"A4 portrait", "A4", {}, kPMPortrait, "", "A4"},
      {"A4 landscape", "A4", {}, kPMLandscape, "", "A4"},
      {"Legal reverse landscape", "Legal", {}, platform::kPMReverseLandscape, "", "Legal"},
      {"custom on the minimum", nullptr, {{216, 360}}, kPMPortrait, "", "Custom.216x360"},
      {"custom on the maximum height, landscape",
       nullptr,
       {{600, 1008}},
       kPMLandscape,
       "",
       "Custom.600x1008"},
      {"custom just outside", nullptr, {{215.5, 360}}, kPMPortrait, "", "Letter"},
      {"custom just outside the height", nullptr, {{300, 1008.5}}, kPMPortrait, "", "Letter"},
      {"custom equal to A4", nullptr, {{595, 842}}, kPMPortrait, "", "A4"},
      {"scale to A5", "A4", {}, kPMPortrait, "A5", "A5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string error;
    LayersHost host(SamplePpd(), &error);
    ASSERT_TRUE(host.ok()) << error;
    platform::PageSetup setup;
    if (c.paper) setup.paper = c.paper;
    if (c.custom) std::tie(setup.customWidth, setup.customHeight) = *c.custom;
    setup.orientation = c.orientation;
    setup.scaleTo = c.scaleTo;
    ASSERT_TRUE(platform::ApplyPageSetup(*host.printSession(), setup, &host.format, &host.settings, &error))
        << error;
    host.build();
    int created = 0;
    EXPECT_EQ(GetPaperNameByStandardTicketArgument(&created, &host.session), c.expected);
    EXPECT_EQ(IsDocumentUseFitToPage(&host.session), c.scaleTo[0] != 0);
  }
}

TEST(PaperQueryTest, DuplicateSizeFirstWinsAndDestinationNames) {
  std::string text = GeneratePpd({});
  text.replace(text.find("*CloseUI: *PageSize"), 0, "*PageSize A4Twin/A4 Twin: \"\"\n");
  text.replace(text.find("*DefaultPaperDimension"), 0, "*PaperDimension A4Twin/A4 Twin: \"595 842\"\n");
  ScopedPpdFile file(text);
  std::string error;
  LayersHost host(file.path(), &error);
  ASSERT_TRUE(host.ok()) << error;
  host.format.setPaper(*host.printSession()->paperForName("A4Twin"));
  host.build();
  int created = 0;
  EXPECT_EQ(GetPaperNameByStandardTicketArgument(&created, &host.session), "A4");

  // Scale-to with a destination paper no PageSize choice displays as.
  platform::Paper odd{"Odd", "Odd Paper", 100, 200, {}};
  host.settings.setValue(platform::kPMPageToPaperMappingTypeKey, plist::Value(2));
  host.settings.setValue(platform::kPMPageFormatPaperKey, platform::PaperToDict(odd));
  EXPECT_EQ(GetPaperNameByStandardTicketArgument(&created, &host.session), "Odd Paper");
  std::string name;
  EXPECT_EQ(GetDestinationPaperName(&host.session, &name), platform::noErr);
  EXPECT_EQ(name, "Odd Paper");
  host.settings.setValue(platform::kPMPageFormatPaperKey, plist::Value());
  EXPECT_EQ(GetDestinationPaperName(&host.session, &name), platform::kNoPaperName);
  // The destination cannot be had: the document's answer stands.
  EXPECT_EQ(GetPaperNameByStandardTicketArgument(&created, &host.session), "A4");
}

TEST(PaperQueryTest, CustomPaperNames) {
  ScratchDir dir("vn-pdecore");
  ScopedEnv config("XDG_CONFIG_HOME", dir.path());
  std::string out;
  int created = 0;
  EXPECT_EQ(GetCustomPaperNameFromPlist("Paper1", &out, &created), platform::noErr);  // no file
  EXPECT_EQ(out, "Paper1");
  EXPECT_EQ(created, 0);
  dir.Write(
      "com.apple.print.custompapers.plist",
      plist::ToXml(plist::Dict{{"Paper1", plist::Dict{{"name", "Postcard"}}}, {"Paper2", plist::Dict{}}}));
  EXPECT_EQ(GetCustomPaperNameFromPlist("Paper1", &out, &created), platform::noErr);
  EXPECT_EQ(out, "Postcard");
  EXPECT_EQ(created, 1);
  created = 0;
  EXPECT_EQ(GetCustomPaperNameFromPlist("Paper2", &out, &created), platform::noErr);
  EXPECT_EQ(out, "Paper2");
  EXPECT_EQ(created, 0);
}

TEST(ModelPreferenceTest, WritableTestLeavesNoFileAndSetGet) {
  ScratchDir root("vn-pdecore");
  ScopedEnv env("VN420P_ROOT", root.path());
  const std::string folder = root.File("Library/Preferences");
  EXPECT_FALSE(HVPropertyIsWritable());  // no folder
  EXPECT_FALSE(HVPropertySetString("k", "v"));
  fs::create_directories(folder);
  EXPECT_TRUE(HVPropertyIsWritable());
  EXPECT_FALSE(fs::exists(folder + "/jp.halvern.printers.VN420P.plist"));
  EXPECT_TRUE(HVPropertySetString("Model", "VN420P"));
  EXPECT_TRUE(HVPropertySetString("Other", "x"));
  std::string value;
  EXPECT_TRUE(HVPropertyGetString("Model", &value));
  EXPECT_EQ(value, "VN420P");
  EXPECT_FALSE(HVPropertyGetString("Absent", &value));
  EXPECT_TRUE(HVPropertyIsWritable());
  EXPECT_TRUE(fs::exists(folder + "/jp.halvern.printers.VN420P.plist"));  // an existing file stays
  if (geteuid() != 0) {                                                   // root may write anything
    chmod(folder.c_str(), 0555);
    fs::remove(folder + "/jp.halvern.printers.VN420P.plist");
    EXPECT_FALSE(HVPropertyIsWritable());
    chmod(folder.c_str(), 0755);
  }
}

}  // namespace
}  // namespace securitypane::testing
