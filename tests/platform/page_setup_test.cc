// The host's page set-up and the page format's data representation.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/printing_page_setup.h"
#include "samples.h"

namespace platform {
namespace {

using ::testing::HasSubstr;
using testsupport::SamplePpd;

TEST(PageSetupTest, ParsesSizesAndOrientations) {
  const struct {
    const char* text;
    bool ok;
    double w, h;
  } sizes[] = {{"216x360", true, 216, 360}, {"595.5x842", true, 595.5, 842},
               {"0x10", false, 0, 0},       {"-5x10", false, 0, 0},
               {"10x", false, 0, 0},        {"x10", false, 0, 0},
               {"10*20", false, 0, 0},      {"10x20x30", false, 0, 0},
               {"1e9x10", true, 1e9, 10},   {"nanx10", false, 0, 0},
               {"10xinf", false, 0, 0}};  // 1e9 is the PPD's to refuse: see below
  for (const auto& c : sizes) {
    double w = -1, h = -1;
    EXPECT_EQ(ParseCustomSize(c.text, &w, &h), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(std::make_pair(w, h), std::make_pair(c.w, c.h)) << c.text;
    }
  }
  EXPECT_EQ(ParseOrientation("landscape"), kPMLandscape);
  EXPECT_EQ(ParseOrientation("reverse-portrait"), kPMReversePortrait);
  EXPECT_EQ(ParseOrientation("4"), kPMReverseLandscape);
  EXPECT_EQ(ParseOrientation("sideways"), std::nullopt);
  EXPECT_EQ(CustomPaper(216, 360.5).id, "Custom.216x360.5");
  EXPECT_EQ(CustomPaper(1e6, 257953.5).id, "Custom.1000000x257953.5");  // in full, no exponent
}

TEST(PageSetupTest, AppliesToFormatAndSettings) {
  std::string error;
  auto session = PrintSession::FromPpdFile(SamplePpd(), "", &error);
  ASSERT_NE(session, nullptr) << error;
  PageFormat format = session->defaultPageFormat();
  PrintSettings settings;

  PageSetup bad;
  bad.paper = "Tabloid";
  bad.orientation = kPMLandscape;
  EXPECT_FALSE(ApplyPageSetup(*session, bad, &format, &settings, &error));
  EXPECT_THAT(error, HasSubstr("Tabloid"));
  EXPECT_EQ(format.paper().id, "Letter");  // unchanged
  EXPECT_EQ(format.orientation(), kPMPortrait);

  PageSetup setup;
  setup.paper = "A5";
  setup.orientation = kPMReverseLandscape;
  setup.scaleTo = "A4";
  ASSERT_TRUE(ApplyPageSetup(*session, setup, &format, &settings, &error)) << error;
  EXPECT_EQ(format.paper().id, "A5");
  EXPECT_EQ(format.orientation(), kPMReverseLandscape);
  const plist::Value* mapping = nullptr;
  ASSERT_EQ(settings.getValue(kPMPageToPaperMappingTypeKey, &mapping), noErr);
  EXPECT_EQ(*mapping->integer(), kPMScaleToPaperMapping);

  // The settings' representation yields a page format with the destination paper.
  PageFormat destination;
  ASSERT_EQ(PMPageFormatCreateWithDataRepresentation(settings.dataRepresentation(), &destination), noErr);
  EXPECT_EQ(destination.paper().id, "A4");
  EXPECT_EQ(destination.paper().localizedName, "A4");
  EXPECT_EQ(destination.paper().width, 595);
  EXPECT_EQ(PMPageFormatCreateWithDataRepresentation("not a plist", &destination), paramErr);

  setup = {};
  setup.customWidth = 1e9;
  setup.customHeight = 10;
  EXPECT_FALSE(CheckCustomSizes(*session, setup, &error));
  EXPECT_THAT(error, HasSubstr("width 216 to 612, height 360 to 1008 points"));
  setup.customWidth = 300;
  setup.customHeight = 400;
  EXPECT_TRUE(CheckCustomSizes(*session, setup, &error));
  ASSERT_TRUE(ApplyPageSetup(*session, setup, &format, nullptr, &error));
  EXPECT_EQ(format.paper().id, "Custom.300x400");
  EXPECT_EQ(format.unadjustedPaperRect(), (PMRect{0, 0, 300, 400}));  // still reverse landscape
}

TEST(PageSetupTest, PaperDictionariesRefuseWhatIsNotAPaper) {
  const Paper a4{"A4", "A4 sheet", 595, 842, {0, 0, 842, 595}};
  auto back = PaperFromDict(PaperToDict(a4));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->id, "A4");
  EXPECT_EQ(back->localizedName, "A4 sheet");
  EXPECT_EQ(back->height, 842);
  const plist::Value bad[] = {
      plist::Value("A4"),
      plist::Dict{{"PMPaperName", ""}, {"PMPaperWidth", 1.0}, {"PMPaperHeight", 1.0}},
      plist::Dict{{"PMPaperName", "X"}, {"PMPaperWidth", -1.0}, {"PMPaperHeight", 1.0}},
      plist::Dict{{"PMPaperName", "X"}, {"PMPaperWidth", "1"}, {"PMPaperHeight", 1.0}},
  };
  for (const auto& v : bad) EXPECT_EQ(PaperFromDict(v), std::nullopt) << plist::ToXml(v);
}

}  // namespace
}  // namespace platform
