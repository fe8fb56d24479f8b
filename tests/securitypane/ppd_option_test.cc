// The PPD option model and the ticket writes over it.
#include <gtest/gtest.h>

#include <cstring>

#include "generated_ppd.h"
#include "layers_host.h"
#include "platform/log.h"
#include "samples.h"
#include "securitypane/ppd_ticket.h"
#include "securitypane/ppd_ui_option.h"

namespace securitypane::testing {
namespace {

namespace ppd = platform::ppd;
namespace plist = platform::plist;

using testsupport::SamplePpd, testsupport::TestPpd;

std::unique_ptr<ppd::PpdFile> Open(const std::string& path) {
  std::string error;
  auto file = ppd::PpdFile::Open(path, &error);
  EXPECT_NE(file, nullptr) << error;
  return file;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(PPDUIOptionTest, DisplayTextsInEachEncoding) {
  const struct {
    const char* file;
    const char* option;
    const char* choice;
    const char* alias;
  } cases[] = {
      {"encoding-utf8.ppd", "HVQuickColor", "Photo", "Photo \u00e9clatante \u2605"},
      {"encoding-windowsansi.ppd", "HVQuickColor", "Photo", "Photo \u20ac"},
      {"encoding-macstandard.ppd", "HVQuickColor", "Photo", "Photo \u00e9"},
      {"encoding-none.ppd", "HVQuickColor", "Photo", "Photo \u00e9"},
      {"VN420P-sjis.ppd", "PrintModeVN420P", "SecurePrint",
       "\u30bb\u30ad\u30e5\u30a2\u30d7\u30ea\u30f3\u30c8"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    auto file = Open(TestPpd(c.file));
    ASSERT_NE(file, nullptr);
    auto record = CreatePPDUIOption(file->get(), c.option);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(*PPDUIOptionKeyToAlias(record.get(), c.choice), c.alias);
    EXPECT_EQ(*PPDUIOptionAliasToKey(record.get(), c.alias), c.choice);
    EXPECT_EQ(record->items[0].owner, record.get());
  }
}

TEST(PPDUIOptionTest, ConversionsOnTheSample) {
  auto file = Open(SamplePpd());
  ASSERT_NE(file, nullptr);
  auto record = CreatePPDUIOption(file->get(), "PageSize");
  ASSERT_NE(record, nullptr);
  const PPDUIOption* r = record.get();
  EXPECT_EQ(*PPDUIOptionGetSelfKey(r), "PageSize");
  EXPECT_EQ(*PPDUIOptionGetSelfAlias(r), "Media Size");
  EXPECT_EQ(*PPDUIOptionGetDefaultKey(r), "Letter");
  EXPECT_EQ(*PPDUIOptionGetDefaultAlias(r), "US Letter");
  EXPECT_EQ(r->currentIndex, r->defaultIndex);
  EXPECT_EQ(PPDUIOptionKeyToIndex(r, "letter"), 0);
  EXPECT_EQ(PPDUIOptionKeyToIndex(r, "A4"), 3);
  EXPECT_EQ(PPDUIOptionKeyToIndex(r, "Tabloid"), -1);
  EXPECT_EQ(*PPDUIOptionKeyToAlias(r, "env10"), "Envelope #10");
  EXPECT_EQ(PPDUIOptionKeyToAlias(r, "Tabloid"), nullptr);
  EXPECT_EQ(*PPDUIOptionAliasToKey(r, "us LEGAL"), "Legal");
  EXPECT_EQ(PPDUIOptionAliasToKey(r, "Legal"), nullptr);
  EXPECT_EQ(*PPDUIOptionIndexToKey(r, 4), "A5");
  EXPECT_EQ(*PPDUIOptionIndexToAlias(r, 5), "JIS B5");
  EXPECT_EQ(PPDUIOptionIndexToKey(r, -1), nullptr);
  EXPECT_EQ(PPDUIOptionIndexToKey(r, r->itemCount), nullptr);
  // A missing record answers none.
  EXPECT_EQ(PPDUIOptionKeyToIndex(nullptr, "A4"), -1);
  EXPECT_EQ(PPDUIOptionGetItemCount(nullptr), 0);
  EXPECT_EQ(PPDUIOptionGetDefaultKey(nullptr), nullptr);
  // Sizes and choices correspond by position; A4 is 595 x 842.
  ASSERT_NE(r->items[3].paper, nullptr);
  EXPECT_EQ(r->items[3].paper->width, 595);
  EXPECT_EQ(r->items[3].paper->length, 842);
  const std::string* key = nullptr;
  EXPECT_TRUE(PPDPaperSizeFindAdjustedPMRect(r, {0, 0, 842, 595}, 1, &key));
  EXPECT_EQ(*key, "A4");
  EXPECT_FALSE(PPDPaperSizeFindAdjustedPMRect(r, {0, 0, 595, 842}, 2, &key));

  EXPECT_EQ(PDECustomGetPPDAliasItem("PrintModeVN420P", "secureprint", file->get()), "Secure Print");
  EXPECT_EQ(PDECustomGetPPDAliasItem("PrintModeVN420P", "Draft", file->get()), std::nullopt);
  EXPECT_EQ(PDECustomGetPPDDefaultItem(file->get(), "HVAuthenticationVN420P"), "False");
  EXPECT_EQ(PDECustomGetPPDDefaultItem(file->get(), std::string(41, 'X')), std::nullopt);
  EXPECT_EQ(CreatePPDUIOptionWithCFKey(file->get(), std::string(41, 'P')), nullptr);
  EXPECT_EQ(GetCFStringEncodingFromPPD(nullptr), ppd::TextEncoding::kMacRoman);
}

TEST(PPDUIOptionTest, DefaultAndCurrentIndexRules) {
  GeneratedPpd shape;
  shape.extraLines = {
      "*OpenUI *MediaA/Media A: PickOne",
      "*DefaultMediaA: Missing",
      "*MediaA A4/A4: \"\"",
      "*MediaA A4Small/A4 Small: \"\"",
      "*CloseUI: *MediaA",
      "*OpenUI *MediaB/Media B: PickOne",
      "*DefaultMediaB: A4Small",
      "*MediaB A4Small/A4 Small: \"\"",
      "*MediaB A4/A4: \"\"",
      "*CloseUI: *MediaB",
  };
  ScopedPpdFile file(GeneratePpd(shape));
  auto ppd_file = Open(file.path());
  ASSERT_NE(ppd_file, nullptr);
  ppd_file_t* p = ppd_file->get();
  const struct {
    const char* option;
    const char* mark;  // nullptr: nothing marked
    int defaultIndex, currentIndex;
  } cases[] = {
      {"MediaA", nullptr, 0, 0},  // default not among the choices → 0
      {"MediaA", "A4Small", 0, 1}, {"MediaA", "A4", 0, 0},
      {"MediaB", "A4Small", 0, 1},  // "A4" is a prefix of the marked "A4Small" and comes later
      {"MediaB", "A4", 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.option) + " " + (c.mark ? c.mark : "-"));
    if (c.mark) ppd::MarkOption(p, c.option, c.mark);
    PPDUIOption record;
    EXPECT_TRUE(SetupPPDUIOption(&record, p, c.option));
    EXPECT_EQ(record.defaultIndex, c.defaultIndex);
    EXPECT_EQ(record.currentIndex, c.currentIndex);
    PPDUIOptionTiny tiny;
    EXPECT_TRUE(SetupPPDUIOptionTiny(&tiny, p, c.option));
    EXPECT_EQ(tiny.defaultIndex, c.defaultIndex);
    EXPECT_EQ(tiny.currentIndex, c.currentIndex);
  }
}

TEST(PPDUIOptionTest, PaperOptionsNeedAMarkAndMatchingSizes) {
  std::string text = GeneratePpd({});
  // No default page size: nothing is marked.
  ScopedPpdFile unmarked(Replace(text, "*DefaultPageSize: A4\n", ""));
  auto file = Open(unmarked.path());
  ASSERT_NE(file, nullptr);
  std::vector<std::string> lines;
  auto previous = platform::log::SetSink([&](int, std::string_view line) { lines.emplace_back(line); });
  EXPECT_EQ(CreatePPDUIOption(file->get(), "PageSize"), nullptr);
  platform::log::SetSink(previous);
  EXPECT_EQ(lines, std::vector<std::string>{"keyword:PageSize is NULL"});
  PPDUIOption record;
  EXPECT_FALSE(SetupPPDUIOption(&record, file->get(), "PageSize"));
  EXPECT_EQ(record.itemCount, 2);  // still filled, papers attached
  EXPECT_NE(record.items[0].paper, nullptr);

  // One more size than choices: no paper records at all.
  ScopedPpdFile extra(Replace(text, "*DefaultPaperDimension: A4\n",
                              "*DefaultPaperDimension: A4\n*PaperDimension Odd/Odd: \"100 200\"\n"));
  auto file2 = Open(extra.path());
  ASSERT_NE(file2, nullptr);
  auto sizes = CreatePPDUIOption(file2->get(), "PageSize");
  ASSERT_NE(sizes, nullptr);
  ASSERT_EQ(file2->get()->num_sizes, sizes->itemCount + 1);
  for (const auto& item : sizes->items) EXPECT_EQ(item.paper, nullptr) << item.key;
  EXPECT_FALSE(SetupPPDPageSize(sizes.get(), file2->get()));
}

TEST(PPDUIOptionTest, TinyVariantCutsTextsWithinItsFields) {
  GeneratedPpd shape;
  const std::string long_text(200, 't');
  shape.extraLines = {"*OpenUI *Tiny/" + long_text + ": PickOne", "*DefaultTiny: " + std::string(39, 'k'),
                     "*Tiny " + std::string(39, 'k') + "/" + long_text + ": \"\"", "*CloseUI: *Tiny"};
  ScopedPpdFile file(GeneratePpd(shape));
  auto p = Open(file.path());
  ASSERT_NE(p, nullptr);
  PPDUIOptionTiny tiny;
  ASSERT_TRUE(SetupPPDUIOptionTiny(&tiny, p->get(), "Tiny"));
  EXPECT_EQ(std::strlen(tiny.keyword), 4u);
  EXPECT_LE(std::strlen(tiny.text), kTinyTextCopy);
  EXPECT_EQ(std::strlen(tiny.items[0].keyword), 39u);
  EXPECT_LE(std::strlen(tiny.items[0].text), kTinyTextCopy);
  EXPECT_EQ(tiny.items[0].owner, &tiny);
  ClearPPDUIOptionTiny(&tiny);
  EXPECT_TRUE(tiny.items.empty());
  EXPECT_FALSE(SetupPPDUIOptionTiny(&tiny, p->get(), "Absent"));
}

TEST(PPDUIOptionTest, ConstraintsAndInstalledOptions) {
  auto file = Open(SamplePpd());
  ASSERT_NE(file, nullptr);
  auto constraints = CreatePPDConstraintsArray(file->get());
  ASSERT_TRUE(constraints);
  ASSERT_EQ(constraints->size(), static_cast<size_t>(file->get()->num_consts));
  const plist::Value& first = (*constraints)[0];  // *OptionDuplex False *Duplex
  EXPECT_EQ(*first.find("option1")->string(), "OptionDuplex");
  EXPECT_EQ(*first.find("choice1")->string(), "False");
  EXPECT_EQ(*first.find("option2")->string(), "Duplex");
  EXPECT_EQ(*first.find("choice2")->string(), "");

  auto installed = CreatePPDInstallableOptionDict(file->get());
  ASSERT_TRUE(installed);
  EXPECT_EQ(*installed,
            (plist::Dict{{"OptionDuplex", "False"}, {"OptionTray2", "False"}, {"OptionHardDisk", "True"}}));
  ppd::MarkOption(file->get(), "OptionHardDisk", "False");
  EXPECT_EQ(*CreatePPDInstallableOptionDict(file->get())->at("OptionHardDisk").string(), "False");

  ScopedPpdFile bare(GeneratePpd({}));
  auto without = Open(bare.path());
  EXPECT_EQ(CreatePPDInstallableOptionDict(without->get()), std::nullopt);
  EXPECT_EQ(CreatePPDConstraintsArray(without->get()), std::nullopt);
}

TEST(PPDTicketTest, WritesMarkAndRead) {
  std::string error;
  LayersHost host(SamplePpd(), &error);
  ASSERT_TRUE(host.ok()) << error;
  host.build();
  HVPDESession* s = &host.session;
  ppd_file_t* p = host.ppdFile();
  auto mode = CreatePPDUIOption(p, "PrintModeVN420P");
  ASSERT_NE(mode, nullptr);

  EXPECT_EQ(UpdateTicketWithPPDOption(s, mode.get(), mode->itemCount), platform::paramErr);
  EXPECT_FALSE(HVIsPrintSettingsItem(&host.settings, "PrintModeVN420P"));
  EXPECT_EQ(UpdateTicketWithPPDOption(s, mode.get(), 1), platform::noErr);
  std::string value;
  EXPECT_EQ(PDECustomGetJobTicketPPDDict(s, "PrintModeVN420P", &value), platform::noErr);
  EXPECT_EQ(value, "SecurePrint");
  EXPECT_TRUE(ppd::IsMarked(p, "PrintModeVN420P", "SecurePrint"));

  // A control: its zero-based position becomes the current index, the ticket and the mark.
  PDEControlData* auth = host.data(401);
  host.userAuthenticationCheckBox.setState(1);
  EXPECT_EQ(PDECustomSetJobTicketWithArgument(auth, s), platform::noErr);
  EXPECT_EQ(PDECustomGetJobTicketPPDDict(s, "HVAuthenticationVN420P", &value), platform::noErr);
  EXPECT_EQ(value, "True");
  EXPECT_EQ(auth->ppdInfo->currentIndex, PPDUIOptionKeyToIndex(auth->ppdInfo.get(), "True"));
  EXPECT_TRUE(ppd::IsMarked(p, "HVAuthenticationVN420P", "True"));

  EXPECT_EQ(PDECustomSetJobTicketPPDDict(s, "OptionHardDisk", "False"), platform::noErr);
  EXPECT_TRUE(ppd::IsMarked(p, "OptionHardDisk", "False"));
  EXPECT_EQ(PDECustomGetJobTicketPPDDict(s, "Absent", &value), platform::kStatusMissing);
  host.settings.setValue("Number", plist::Value(7));
  EXPECT_EQ(PDECustomGetJobTicketPPDDict(s, "Number", &value), platform::kStatusMissing);

  int32_t n = 0;
  EXPECT_EQ(PDECustomGetJobTicketSInt32DictPMPrintSettingsRef(s, "Number", &n), platform::noErr);
  EXPECT_EQ(n, 7);
  EXPECT_EQ(PDECustomGetJobTicketSInt32DictPMPrintSettingsRef(s, "PrintModeVN420P", &n),
            platform::kStatusMissing);
  EXPECT_EQ(n, -1);
  EXPECT_EQ(PDECustomGetJobTicketSInt32DictPMPrintSettingsRef(s, "\xff", &n), -10);
  host.format.setOrientation(platform::kPMReverseLandscape);
  EXPECT_EQ(PDECustomGetJobTicketSInt32DictPMPageFormatRef(s, "com.apple.print.PageFormat.PMOrientation", &n),
            platform::noErr);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(PDECustomGetJobTicketSInt32DictPMPageFormatRef(s, "Other", &n), platform::kStatusMissing);
  EXPECT_EQ(n, -1);
}

}  // namespace
}  // namespace securitypane::testing
