// PPD text decoding, opening PPDs, and the options the shipped PPD offers the
// colour and security panes.
#include "platform/ppd.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "files.h"
#include "samples.h"
#include "scratch_dir.h"

namespace platform::ppd {
namespace {

using ::testing::HasSubstr;
using testsupport::ReadText;
using testsupport::SamplePpd;
using testsupport::ScratchDir;
using testsupport::TestPpd;

std::unique_ptr<PpdFile> OpenOrFail(const std::string& path) {
  std::string error;
  auto file = PpdFile::Open(path, &error);
  EXPECT_NE(file, nullptr) << error;
  return file;
}

std::string ChoiceText(ppd_file_t* ppd, const char* keyword, const char* choice) {
  ppd_choice_t* c = FindChoice(FindOption(ppd, keyword), choice);
  if (!c) return "<missing " + std::string(keyword) + " " + choice + ">";
  return Decode(c->text, EncodingForPpd(ppd)).value_or("<undecodable>");
}

TEST(PpdEncodingTest, LanguageEncodingNames) {
  EXPECT_EQ(EncodingForLanguageEncoding("ISOLatin1"), TextEncoding::kISOLatin1);
  EXPECT_EQ(EncodingForLanguageEncoding("WindowsANSI"), TextEncoding::kWindowsLatin1);
  EXPECT_EQ(EncodingForLanguageEncoding("JIS83-RKSJ"), TextEncoding::kShiftJIS);
  EXPECT_EQ(EncodingForLanguageEncoding("UTF-8"), TextEncoding::kUtf8);
  EXPECT_EQ(EncodingForLanguageEncoding("UTF8"), TextEncoding::kUtf8);
  // Names compare exactly; everything else is Mac Roman.
  EXPECT_EQ(EncodingForLanguageEncoding("isolatin1"), TextEncoding::kMacRoman);
  EXPECT_EQ(EncodingForLanguageEncoding("utf-8"), TextEncoding::kMacRoman);
  EXPECT_EQ(EncodingForLanguageEncoding("MacStandard"), TextEncoding::kMacRoman);
  EXPECT_EQ(EncodingForLanguageEncoding("ISOLatin2"), TextEncoding::kMacRoman);
  EXPECT_EQ(EncodingForLanguageEncoding(""), TextEncoding::kMacRoman);
  EXPECT_EQ(EncodingForLanguageEncoding(nullptr), TextEncoding::kMacRoman);
  EXPECT_EQ(EncodingForPpd(nullptr), TextEncoding::kMacRoman);
}

TEST(PpdEncodingTest, ParsedPPDsReportUTF8) {
  // libcups has converted the texts of every parsed PPD to UTF-8, whatever
  // the file declares, and the same must hold for a file that declares nothing.
  for (const char* name : {"VN420P-sjis.ppd", "encoding-windowsansi.ppd", "encoding-none.ppd"}) {
    auto file = OpenOrFail(TestPpd(name));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(EncodingForPpd(file->get()), TextEncoding::kUtf8) << name;
  }
}

TEST(PpdDecodeTest, SingleByteEncodings) {
  EXPECT_EQ(Decode("Caf\xE9", TextEncoding::kISOLatin1), "Caf\u00e9");
  EXPECT_EQ(Decode("\x80", TextEncoding::kISOLatin1), "\u0080");
  EXPECT_EQ(Decode("\x80 5", TextEncoding::kWindowsLatin1), "\u20ac 5");
  EXPECT_EQ(Decode("\x93q\x94", TextEncoding::kWindowsLatin1), "\u201cq\u201d");
  EXPECT_EQ(Decode("\x8E", TextEncoding::kMacRoman), "\u00e9");
  EXPECT_EQ(Decode("\xA5", TextEncoding::kMacRoman), "\u2022");
  // The same byte means different things in each encoding.
  EXPECT_NE(Decode("\xE9", TextEncoding::kMacRoman), Decode("\xE9", TextEncoding::kISOLatin1));
}

TEST(PpdDecodeTest, ShiftJIS) {
  // Full-width katakana, kanji with a 0x5C trail byte, half-width katakana.
  EXPECT_EQ(Decode("\x83\x4A\x83\x89\x81\x5B", TextEncoding::kShiftJIS), "\u30ab\u30e9\u30fc");
  EXPECT_EQ(Decode("\x95\x5C\x8E\xA6", TextEncoding::kShiftJIS), "\u8868\u793a");
  EXPECT_EQ(Decode("\xB6\xD7\xB0", TextEncoding::kShiftJIS), "\uff76\uff97\uff70");
  EXPECT_EQ(Decode("A4 \x97\x70\x8E\x86", TextEncoding::kShiftJIS), "A4 \u7528\u7d19");
}

TEST(PpdDecodeTest, UTF8) {
  EXPECT_EQ(Decode("\xC3\xA9\xE2\x98\x85", TextEncoding::kUtf8), "\u00e9\u2605");
  EXPECT_EQ(Decode("\xF0\x9F\x96\xA8", TextEncoding::kUtf8), "\U0001F5A8");
}

TEST(PpdDecodeTest, InvalidBytesGiveNothing) {
  EXPECT_EQ(Decode("ab\xFF", TextEncoding::kUtf8), std::nullopt);
  EXPECT_EQ(Decode("\xC3", TextEncoding::kUtf8), std::nullopt);          // cut short
  EXPECT_EQ(Decode("\xC0\xAF", TextEncoding::kUtf8), std::nullopt);      // overlong
  EXPECT_EQ(Decode("\xED\xA0\x80", TextEncoding::kUtf8), std::nullopt);  // surrogate
  EXPECT_EQ(Decode("\x81\x20", TextEncoding::kShiftJIS), std::nullopt);  // bad trail byte
  EXPECT_EQ(Decode("\x83", TextEncoding::kShiftJIS), std::nullopt);      // lead byte alone
}

TEST(PpdDecodeTest, EmptyAndEmbeddedNul) {
  EXPECT_EQ(Decode("", TextEncoding::kShiftJIS), "");
  EXPECT_EQ(Decode(std::string_view("a\0b", 3), TextEncoding::kISOLatin1), std::string("a\0b", 3));
}

TEST(PpdFileTest, MissingFileNamesPathAndReason) {
  std::string error;
  const std::string path = "/nonexistent/vn420p/none.ppd";
  EXPECT_EQ(PpdFile::Open(path, &error), nullptr);
  EXPECT_THAT(error, HasSubstr(path));
  EXPECT_THAT(error, HasSubstr("No such file"));
  EXPECT_EQ(PpdFile::Open(path, nullptr), nullptr);
}

TEST(PpdFileTest, GarbageNamesPathLineAndReason) {
  ScratchDir dir("vn-ppd");
  const std::string path = dir.Write("garbage.ppd", "This is not a PPD.\n\x01\x02\x03\n");
  std::string error;
  EXPECT_EQ(PpdFile::Open(path, &error), nullptr);
  // "<path>:<line>: <libcups' reason>"
  EXPECT_EQ(error.rfind(path + ":1: ", 0), 0u) << error;
  EXPECT_GT(error.size(), path.size() + 4) << error;
}

TEST(PpdFileTest, BrokenOptionReportsItsLine) {
  ScratchDir dir("vn-ppd");
  const std::string path =
      dir.Write("broken.ppd",
                "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*OpenUI *HVEdgeType: PickOne\n"
                "*CloseUI: *HVEdgeType\n*UIConstraints: *HVEdgeType\n");
  std::string error;
  EXPECT_EQ(PpdFile::Open(path, &error), nullptr);
  EXPECT_THAT(error, HasSubstr(":5: "));
  EXPECT_THAT(error, HasSubstr("UIConstraints"));
}

TEST(PpdFileTest, OpenMarksDefaults) {
  auto file = OpenOrFail(SamplePpd());
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->path(), SamplePpd());
  ppd_file_t* ppd = file->get();
  EXPECT_TRUE(IsMarked(ppd, "HVQuickColor", "Standard"));
  EXPECT_TRUE(IsMarked(ppd, "PrintModeVN420P", "Normal"));
  for (const char* keyword : {"PageSize", "InputSlot", "HVEconoMode", "HVImageHalftone"}) {
    ppd_choice_t* marked = FindMarkedChoice(ppd, keyword);
    ASSERT_NE(marked, nullptr) << keyword;
    EXPECT_STREQ(marked->choice, FindOption(ppd, keyword)->defchoice) << keyword;
  }
  EXPECT_EQ(Conflicts(ppd), 0);
}

TEST(PpdWrapperTest, NullInNothingOut) {
  auto file = OpenOrFail(SamplePpd());
  ASSERT_NE(file, nullptr);
  ppd_file_t* ppd = file->get();
  EXPECT_EQ(FindOption(nullptr, "HVQuickColor"), nullptr);
  EXPECT_EQ(FindOption(ppd, nullptr), nullptr);
  EXPECT_EQ(FindChoice(nullptr, "Standard"), nullptr);
  EXPECT_EQ(FindChoice(FindOption(ppd, "HVQuickColor"), nullptr), nullptr);
  EXPECT_EQ(FindMarkedChoice(nullptr, "HVQuickColor"), nullptr);
  EXPECT_EQ(FindMarkedChoice(ppd, nullptr), nullptr);
  EXPECT_FALSE(IsMarked(nullptr, "HVQuickColor", "Standard"));
  EXPECT_FALSE(IsMarked(ppd, "HVQuickColor", nullptr));
  EXPECT_EQ(MarkOption(nullptr, "HVQuickColor", "Photo"), 0);
  EXPECT_EQ(MarkOption(ppd, "HVQuickColor", nullptr), 0);
  EXPECT_TRUE(IsMarked(ppd, "HVQuickColor", "Standard"));
  MarkDefaults(nullptr);
  EXPECT_EQ(Conflicts(nullptr), 0);
  EXPECT_EQ(PageSize(nullptr, "A4"), nullptr);
  EXPECT_EQ(FindAttr(nullptr, "ModelName", nullptr), nullptr);
  EXPECT_EQ(FindAttr(ppd, nullptr, nullptr), nullptr);
  EXPECT_EQ(FindOption(ppd, "HVNoSuchOption"), nullptr);
}

TEST(PpdWrapperTest, MarkingReportsConstraints) {
  auto file = OpenOrFail(SamplePpd());
  ASSERT_NE(file, nullptr);
  ppd_file_t* ppd = file->get();
  EXPECT_EQ(MarkOption(ppd, "PrintModeVN420P", "SecurePrint"), 0);
  EXPECT_TRUE(IsMarked(ppd, "PrintModeVN420P", "SecurePrint"));
  EXPECT_FALSE(IsMarked(ppd, "PrintModeVN420P", "Normal"));
  EXPECT_GT(MarkOption(ppd, "HVAuthenticationVN420P", "True"), 0);
  EXPECT_GT(Conflicts(ppd), 0);
  EXPECT_EQ(MarkOption(ppd, "PrintModeVN420P", "Normal"), 0);

  // Duplex needs the duplex unit installed.
  EXPECT_GT(MarkOption(ppd, "Duplex", "DuplexNoTumble"), 0);
  EXPECT_EQ(MarkOption(ppd, "OptionDuplex", "True"), 0);
  // Greyscale output rules out any simulation but "None".
  EXPECT_EQ(MarkOption(ppd, "HVColorAsGray", "True"), 0);
  EXPECT_GT(MarkOption(ppd, "HVSimSource", "SWOP"), 0);
  EXPECT_EQ(MarkOption(ppd, "HVSimSource", "None"), 0);

  MarkDefaults(ppd);
  EXPECT_TRUE(IsMarked(ppd, "Duplex", "None"));
  EXPECT_EQ(Conflicts(ppd), 0);
}

TEST(PpdWrapperTest, PageSizeAndAttributes) {
  auto file = OpenOrFail(SamplePpd());
  ASSERT_NE(file, nullptr);
  ppd_file_t* ppd = file->get();
  ppd_size_t* a4 = PageSize(ppd, "A4");
  ASSERT_NE(a4, nullptr);
  EXPECT_FLOAT_EQ(a4->width, 595);
  EXPECT_FLOAT_EQ(a4->length, 842);
  EXPECT_EQ(PageSize(ppd, "Tabloid"), nullptr);
  ppd_size_t* marked = PageSize(ppd, nullptr);
  ASSERT_NE(marked, nullptr);
  EXPECT_STREQ(marked->name, "Letter");

  ppd_attr_t* model = FindAttr(ppd, "ModelName", nullptr);
  ASSERT_NE(model, nullptr);
  EXPECT_STREQ(model->value, "VN420P");
  EXPECT_STREQ(ppd->manufacturer, "HALVERN");
  EXPECT_STREQ(ppd->lang_version, "English");
}

// The shipped PPD, as the colour panes read it: option keywords, and the item
// positions the preset rules address.
class SamplePPDTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = OpenOrFail(SamplePpd());
    ASSERT_NE(file_, nullptr);
    ppd_ = file_->get();
  }
  ppd_option_t* Option(const char* keyword) {
    ppd_option_t* o = FindOption(ppd_, keyword);
    EXPECT_NE(o, nullptr) << keyword;
    return o;
  }
  int DefaultIndex(ppd_option_t* o) {
    for (int i = 0; i < o->num_choices; ++i)
      if (!std::strcmp(o->choices[i].choice, o->defchoice)) return i;
    return -1;
  }
  std::unique_ptr<PpdFile> file_;
  ppd_file_t* ppd_ = nullptr;
};

const char* const kAdvancedKeywords[] = {"HVImageRGBSource",
                                         "HVImageRenderIntent",
                                         "HVImageGrayTreatment",
                                         "HVImageDestinationProfile",
                                         "HVImageHalftone",
                                         "HVImageEdgeEnhance",
                                         "HVTextRGBSource",
                                         "HVTextRenderIntent",
                                         "HVTextGrayTreatment",
                                         "HVTextDestinationProfile",
                                         "HVTextHalftone",
                                         "HVTextEdgeEnhance",
                                         "HVGraphicsRGBSource",
                                         "HVGraphicsRenderIntent",
                                         "HVGraphicsGrayTreatment",
                                         "HVGraphicsDestinationProfile",
                                         "HVGraphicsHalftone",
                                         "HVGraphicsEdgeEnhance",
                                         "HVSimSource",
                                         "HVSimRenderIntent",
                                         "HVSimGrayTreatment"};

TEST_F(SamplePPDTest, EveryColourOptionHasTranslatedChoicesAndAValidDefault) {
  std::vector<const char*> keywords = {"HVQuickColor", "HVBrightness", "HVColorAsGray", "HVEconoMode",
                                       "HVEdgeType"};
  keywords.insert(keywords.end(), std::begin(kAdvancedKeywords), std::end(kAdvancedKeywords));
  ASSERT_EQ(keywords.size(), 26u);
  for (const char* keyword : keywords) {
    ppd_option_t* o = Option(keyword);
    if (!o) continue;
    EXPECT_GE(o->num_choices, 2) << keyword;
    EXPECT_GE(DefaultIndex(o), 0) << keyword;
    EXPECT_NE(o->text[0], '\0') << keyword;
    std::set<std::string> texts;
    for (int i = 0; i < o->num_choices; ++i) {
      EXPECT_NE(o->choices[i].text[0], '\0') << keyword << " " << o->choices[i].choice;
      texts.insert(o->choices[i].text);
    }
    // Menus show the texts; two equal titles could not be told apart.
    EXPECT_EQ(texts.size(), static_cast<size_t>(o->num_choices)) << keyword;
  }
}

TEST_F(SamplePPDTest, ColorOptionsPane) {
  ppd_option_t* quick = Option("HVQuickColor");
  ASSERT_NE(quick, nullptr);
  ASSERT_GE(quick->num_choices, 4);
  EXPECT_STREQ(quick->choices[3].text, "Custom");
  // The default is one of the presets, so the Advanced button starts disabled.
  EXPECT_LT(DefaultIndex(quick), 3);

  ppd_option_t* brightness = Option("HVBrightness");
  ASSERT_NE(brightness, nullptr);
  EXPECT_GE(brightness->num_choices, 5);

  for (const char* keyword : {"HVColorAsGray", "HVEconoMode"}) {
    ppd_option_t* o = Option(keyword);
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->ui, PPD_UI_BOOLEAN) << keyword;
    ASSERT_EQ(o->num_choices, 2) << keyword;
    EXPECT_STREQ(o->choices[0].choice, "True");
    EXPECT_STREQ(o->choices[1].choice, "False");
    EXPECT_STREQ(o->defchoice, "False");
  }
  ppd_option_t* edge = Option("HVEdgeType");
  ASSERT_NE(edge, nullptr);
  EXPECT_STREQ(edge->choices[0].choice, "Off");
}

TEST_F(SamplePPDTest, AdvancedPanePositions) {
  for (const char* object : {"Image", "Text", "Graphics"}) {
    const std::string hv = std::string("HV") + object;
    ppd_option_t* rgb = Option((hv + "RGBSource").c_str());
    ppd_option_t* dest = Option((hv + "DestinationProfile").c_str());
    ppd_option_t* halftone = Option((hv + "Halftone").c_str());
    ASSERT_TRUE(rgb && dest && halftone);
    ASSERT_GE(rgb->num_choices, 2);
    EXPECT_STREQ(rgb->choices[0].text, "None") << object;
    EXPECT_STREQ(dest->choices[0].text, "Auto") << object;
    EXPECT_GE(halftone->num_choices, 3) << object;
    for (const char* suffix : {"EdgeEnhance", "RenderIntent", "GrayTreatment"}) {
      ppd_option_t* o = Option((hv + suffix).c_str());
      ASSERT_NE(o, nullptr);
      EXPECT_GE(o->num_choices, 2) << hv << suffix;
    }
  }
  ppd_option_t* sim = Option("HVSimSource");
  ASSERT_NE(sim, nullptr);
  EXPECT_STREQ(sim->choices[0].text, "None");
}

TEST_F(SamplePPDTest, AdvancedDefaultsMatchTheDefaultPreset) {
  // Restoring PPD defaults must show what Quick Color index 0 implies.
  const int kPresetZero[21] = {1, 0, 1, 0, 1, 0, 1, 1, 1, 0, 2, 1, 1, 1, 1, 0, 1, 1, 0, 0, 0};
  ASSERT_EQ(DefaultIndex(Option("HVQuickColor")), 0);
  for (int i = 0; i < 21; ++i) {
    ppd_option_t* o = Option(kAdvancedKeywords[i]);
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(DefaultIndex(o), kPresetZero[i]) << kAdvancedKeywords[i];
  }
}

TEST_F(SamplePPDTest, SecurityOptions) {
  ppd_option_t* mode = Option("PrintModeVN420P");
  ASSERT_NE(mode, nullptr);
  ASSERT_GE(mode->num_choices, 2);
  EXPECT_STREQ(mode->choices[1].choice, "SecurePrint");
  EXPECT_NE(std::strcmp(mode->defchoice, "SecurePrint"), 0);
  for (const char* keyword : {"HVAuthenticationVN420P", "HVSectionManagementVN420P"}) {
    ppd_option_t* o = Option(keyword);
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->ui, PPD_UI_BOOLEAN);
    EXPECT_NE(FindChoice(o, "True"), nullptr);
    EXPECT_STREQ(o->defchoice, "False");
  }
}

TEST_F(SamplePPDTest, PaperSizesCorrespondToPageSizeChoices) {
  ppd_option_t* page = Option("PageSize");
  ASSERT_NE(page, nullptr);
  // Paper records are matched to choices by position.
  ASSERT_EQ(ppd_->num_sizes, page->num_choices);
  for (int i = 0; i < ppd_->num_sizes; ++i) {
    EXPECT_STREQ(ppd_->sizes[i].name, page->choices[i].choice);
    // libcups adds a "Custom" size and choice for the custom page size.
    if (!std::strcmp(ppd_->sizes[i].name, "Custom")) continue;
    EXPECT_GT(ppd_->sizes[i].right, ppd_->sizes[i].left);
    EXPECT_GT(ppd_->sizes[i].top, ppd_->sizes[i].bottom);
  }
  for (const char* name : {"Letter", "A4", "Legal", "A5", "B5", "Executive"})
    EXPECT_NE(PageSize(ppd_, name), nullptr) << name;
  ppd_option_t* region = Option("PageRegion");
  ASSERT_NE(region, nullptr);
  EXPECT_EQ(region->num_choices, page->num_choices);

  EXPECT_TRUE(ppd_->variable_sizes);
  EXPECT_FLOAT_EQ(ppd_->custom_min[0], 216);
  EXPECT_FLOAT_EQ(ppd_->custom_min[1], 360);
  EXPECT_FLOAT_EQ(ppd_->custom_max[0], 612);
  EXPECT_FLOAT_EQ(ppd_->custom_max[1], 1008);
  for (float margin : ppd_->custom_margins) EXPECT_FLOAT_EQ(margin, 12);
  EXPECT_NE(Option("InputSlot"), nullptr);
}

TEST_F(SamplePPDTest, InstallableOptionsGroup) {
  ppd_group_t* group = nullptr;
  for (int i = 0; i < ppd_->num_groups; ++i)
    if (!std::strcmp(ppd_->groups[i].name, "InstallableOptions")) group = &ppd_->groups[i];
  ASSERT_NE(group, nullptr);
  ASSERT_GE(group->num_options, 1);
  for (int i = 0; i < group->num_options; ++i) {
    EXPECT_EQ(group->options[i].ui, PPD_UI_BOOLEAN) << group->options[i].keyword;
    // Add-on hardware is absent by default, except the hard disk that secure print needs.
    EXPECT_STREQ(group->options[i].defchoice, std::strcmp(group->options[i].keyword, "OptionHardDisk") ? "False" : "True")
        << group->options[i].keyword;
  }
}

TEST_F(SamplePPDTest, ConstraintsNameRealOptionsAndChoices) {
  ASSERT_GT(ppd_->num_consts, 0);
  bool secure_vs_auth = false;
  for (int i = 0; i < ppd_->num_consts; ++i) {
    const ppd_const_t& c = ppd_->consts[i];
    ppd_option_t* o1 = FindOption(ppd_, c.option1);
    ppd_option_t* o2 = FindOption(ppd_, c.option2);
    ASSERT_NE(o1, nullptr) << c.option1;
    ASSERT_NE(o2, nullptr) << c.option2;
    if (c.choice1[0]) {
      EXPECT_NE(FindChoice(o1, c.choice1), nullptr) << c.option1 << " " << c.choice1;
    }
    if (c.choice2[0]) {
      EXPECT_NE(FindChoice(o2, c.choice2), nullptr) << c.option2 << " " << c.choice2;
    }
    secure_vs_auth |= !std::strcmp(c.option1, "PrintModeVN420P") && !std::strcmp(c.choice1, "SecurePrint") &&
                      !std::strcmp(c.option2, "HVAuthenticationVN420P");
  }
  EXPECT_TRUE(secure_vs_auth);
}

TEST(SampleConformanceTest, CupsTestPPDPasses) {
  if (std::system("command -v cupstestppd >/dev/null 2>&1") != 0) GTEST_SKIP() << "cupstestppd not installed";
  const std::string cmd = "cupstestppd -q '" + SamplePpd() + "'";
  int rc = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(rc));
  EXPECT_EQ(WEXITSTATUS(rc), 0) << "run: cupstestppd -v " << SamplePpd();
}

TEST(ShiftJISPPDTest, TextsDecodeToJapanese) {
  auto file = OpenOrFail(TestPpd("VN420P-sjis.ppd"));
  ASSERT_NE(file, nullptr);
  ppd_file_t* ppd = file->get();
  EXPECT_STREQ(ppd->lang_version, "Japanese");
  EXPECT_EQ(FindOption(ppd, "HVBrightness"), nullptr);

  ppd_option_t* quick = FindOption(ppd, "HVQuickColor");
  ASSERT_NE(quick, nullptr);
  EXPECT_EQ(Decode(quick->text, EncodingForPpd(ppd)), "\u30af\u30a4\u30c3\u30af\u30ab\u30e9\u30fc");
  ASSERT_EQ(quick->num_choices, 4);
  EXPECT_EQ(ChoiceText(ppd, "HVQuickColor", "Standard"), "\u6a19\u6e96");
  EXPECT_EQ(ChoiceText(ppd, "HVQuickColor", "UserDefined"), "\u30ab\u30b9\u30bf\u30e0");
  EXPECT_EQ(ChoiceText(ppd, "HVColorAsGray", "True"), "\u30aa\u30f3");
  EXPECT_EQ(ChoiceText(ppd, "PrintModeVN420P", "SecurePrint"),
            "\u30bb\u30ad\u30e5\u30a2\u30d7\u30ea\u30f3\u30c8");
  EXPECT_EQ(ChoiceText(ppd, "PageSize", "Letter"), "\u30ec\u30bf\u30fc");
  // A kanji whose second byte is a backslash, and half-width katakana.
  EXPECT_EQ(Decode(FindOption(ppd, "HVColorAsGray")->text, EncodingForPpd(ppd)),
            "\u30b0\u30ec\u30fc\u30b9\u30b1\u30fc\u30eb\u8868\u793a");
  EXPECT_EQ(Decode(FindOption(ppd, "HVEconoMode")->text, EncodingForPpd(ppd)),
            "\uff74\uff7a\uff89\uff90\uff70\uff93\uff70\uff84\uff9e");
  ASSERT_NE(FindOption(ppd, "HVImageHalftone"), nullptr);
  EXPECT_EQ(FindOption(ppd, "HVImageHalftone")->num_choices, 2);
}

TEST(ShiftJISPPDTest, FileBytesAreShiftJIS) {
  // The file itself holds Shift-JIS, which libcups converted above.
  const std::string bytes = ReadText(TestPpd("VN420P-sjis.ppd"));
  const std::string standard = "\x95\x57\x8F\x80";  // 標準
  size_t at = bytes.find("*HVQuickColor Standard/");
  ASSERT_NE(at, std::string::npos);
  std::string_view text(bytes.data() + at + 23, standard.size());
  EXPECT_EQ(text, standard);
  EXPECT_EQ(Decode(text, TextEncoding::kShiftJIS), "\u6a19\u6e96");
  EXPECT_EQ(Decode(text, TextEncoding::kUtf8), std::nullopt);
}

TEST(EncodingPPDTest, EachDeclaredEncodingDecodes) {
  const struct {
    const char* file;
    const char* photo;
  } cases[] = {
      {"encoding-utf8.ppd", "Photo \u00e9clatante \u2605"},
      {"encoding-windowsansi.ppd", "Photo \u20ac"},
      {"encoding-macstandard.ppd", "Photo \u00e9"},
      {"encoding-none.ppd", "Photo \u00e9"},
  };
  for (const auto& c : cases) {
    auto file = OpenOrFail(TestPpd(c.file));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(ChoiceText(file->get(), "HVQuickColor", "Photo"), c.photo) << c.file;
  }
}

TEST(EncodingPPDTest, InvalidUTF8TranslationIsUntranslatable) {
  // libcups passes the bytes of a UTF-8 PPD through unchecked.
  std::string bytes = ReadText(TestPpd("encoding-utf8.ppd"));
  size_t at = bytes.find("Photo/Photo ");
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at + 12, 2, "\xFF\xFE");
  ScratchDir dir("vn-ppd");
  auto file = OpenOrFail(dir.Write("bad-utf8.ppd", bytes));
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(ChoiceText(file->get(), "HVQuickColor", "Photo"), "<undecodable>");
  EXPECT_EQ(ChoiceText(file->get(), "HVQuickColor", "Standard"), "Standard");
}

}  // namespace
}  // namespace platform::ppd
