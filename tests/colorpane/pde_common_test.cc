// Control-table operations on hand-made controls.
#include "colorpane/pde_common.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "colorpane/diag_log.h"
#include "platform/log.h"
#include "platform/ui/view.h"
#include "samples.h"

namespace colorpane {
namespace {

namespace ui = platform::ui;
using platform::plist::Value;

std::shared_ptr<ChoiceRows> Rows(const char* option, const char* def, std::vector<std::pair<std::string, std::string>> choices) {
  auto rows = std::make_shared<ChoiceRows>();
  for (auto& [k, t] : choices) rows->push_back({option, def, k, t});
  return rows;
}

class CommonTest : public ::testing::Test {
 protected:
  CommonTest() {
    popup.addItemWithTitle("Automatic");
    popup.addItemWithTitle("Vivid");
    popup.addItemWithTitle("Custom");
    table = {
        {&popup, kCtrlPopUp, "HVQuickColor", nullptr, "Quick Color", "QuickColorPopup", 0,
         Rows("HVQuickColor", "Vivid", {{"Auto", "Automatic"}, {"Vivid", "Vivid"}, {"UserDefined", "Custom"}})},
        {&check, kCtrlCheckBox, "HVEconoMode", "EconoMode", "EconoMode", "EconoModeCheckBox", 0,
         Rows("HVEconoMode", "False", {{"True", "On"}, {"False", "Off"}})},
        {&label, kCtrlLabel, "", "Quick Color:", nullptr, "", 0, {}},
        {&dest, kCtrlPopUp, "HVImageDestinationProfile", nullptr, nullptr, "", kProfileDestination,
         Rows("HVImageDestinationProfile", "Auto", {{"Auto", "Auto"}, {"Printer", "Printer"}})},
        EndRow(),
    };
    dest.addItemWithTitle("Auto");
    dest.addItemWithTitle("Printer");
    dest.addItemWithTitle("Stored profile");  // an appended profile item
    SetPluginBundle(&bundle);
  }
  ~CommonTest() override { SetPluginBundle(nullptr); }
  std::string Ticket(const std::string& key) {
    const Value* v = nullptr;
    return settings.getValue(key, &v) == 0 && v->string() ? *v->string() : "<absent>";
  }

  platform::Bundle bundle{testsupport::PluginDir() + "/colorpane.plugin", "colorpane"};
  ui::PopUpButton popup, dest;
  ui::Button check{ui::Button::Type::kSwitch};
  ui::TextField label;
  PDEControlTable table;
  platform::PrintSettings settings;
};

TEST_F(CommonTest, ChoiceStringsMapToControlValues) {
  Value t("True"), upper("TRUE"), lower("true"), other("on"), number(int64_t{1});
  EXPECT_EQ(PDECommon::commonGetTicketValueWithSInt32(table[1], "HVEconoMode", &t), 1);
  EXPECT_EQ(PDECommon::commonGetTicketValueWithSInt32(table[1], "HVEconoMode", &upper), 1);
  EXPECT_EQ(PDECommon::commonGetTicketValueWithSInt32(table[1], "HVEconoMode", &lower), 1);
  EXPECT_EQ(PDECommon::commonGetTicketValueWithSInt32(table[1], "HVEconoMode", &other), 0);
  EXPECT_EQ(PDECommon::commonGetTicketValueWithSInt32(table[1], "HVEconoMode", &number), 0);
  EXPECT_EQ(PDECommon::commonGetTicketValueWithSInt32(table[1], "HVEconoMode", nullptr), 0);
  Value vivid("Vivid"), auto_lower("auto");
  EXPECT_EQ(PDECommon::commonGetTicketValueWithSInt32(table[0], "HVQuickColor", &vivid), 1);
  EXPECT_EQ(PDECommon::commonGetTicketValueWithSInt32(table[0], "HVQuickColor", &auto_lower), -1);
  EXPECT_EQ(PDECommon::commonGetTicketValueWithSInt32(table[0], "HVBrightness", &vivid), -1);
  EXPECT_EQ(PDECommon::commonGetTicketValueWithSInt32(table[2], "", &vivid), 0);
}

TEST_F(CommonTest, ControlValuesBothWays) {
  PDECommon::commonSetControlValueWithSInt32(table[0], 2);
  EXPECT_EQ(PDECommon::commonGetControlValueWithSInt32(&table[0]), 2);
  PDECommon::commonSetControlValueWithSInt32(table[0], 3);  // past the end: unchanged
  EXPECT_EQ(popup.indexOfSelectedItem(), 2);
  PDECommon::commonSetControlValueWithSInt32(table[0], -1);
  EXPECT_EQ(popup.indexOfSelectedItem(), -1);
  EXPECT_EQ(PDECommon::commonGetControlValueFromPPDWithNSString(table[0]), std::nullopt);

  PDECommon::commonSetControlValueWithSInt32(table[1], 1);
  EXPECT_EQ(PDECommon::commonGetControlValueFromPPDWithSInt32(table[1]), 0);
  EXPECT_EQ(PDECommon::commonGetControlValueFromPPDWithNSString(table[1]), "On");
  PDECommon::commonSetControlValueWithSInt32(table[1], 0);
  EXPECT_EQ(PDECommon::commonGetControlValueFromPPDWithSInt32(table[1]), 1);
  EXPECT_EQ(PDECommon::commonGetControlValueWithSInt32(nullptr), 0);
  EXPECT_EQ(PDECommon::commonGetControlValueWithSInt32(&table[2]), 0);
}

TEST_F(CommonTest, DefaultsComeFromTheFirstChoiceRow) {
  PDECommon::commonDefaultFromPPDInfo(table.data());
  EXPECT_EQ(popup.indexOfSelectedItem(), 1);
  EXPECT_EQ(check.state(), 0);
  // A default that is not among the choices leaves no item selected.
  table[0].choiceRows = Rows("HVQuickColor", "Missing", {{"Auto", "Automatic"}});
  PDECommon::commonDefaultFromPPDInfo(table.data());
  EXPECT_EQ(popup.indexOfSelectedItem(), -1);
  // No choice rows: default 0.
  table[0].choiceRows.reset();
  EXPECT_EQ(PDECommon::commonGetDefualtValueFromPPDWithSInt32(table[0]), 0);
}

TEST_F(CommonTest, SavingWritesChoicesFlagsAndSkipsRowsWithoutChoices) {
  popup.selectItemAtIndex(2);
  check.setState(1);
  dest.selectItemAtIndex(1);
  PDECommon::commonSyncTicketFromPane(&settings, nullptr, table.data());
  EXPECT_EQ(Ticket("HVQuickColor"), "UserDefined");
  EXPECT_EQ(Ticket("HVEconoMode"), "True");
  EXPECT_EQ(Ticket("HVImageDestinationProfile"), "Printer");
  EXPECT_EQ(Ticket("HVImageDestinationProfileCustom"), "False");
  EXPECT_EQ(Ticket("HVQuickColorCustom"), "<absent>");

  // An appended profile item sets the flag and the option's first choice.
  dest.selectItemAtIndex(2);
  PDECommon::commonSyncTicketFromPane(&settings, nullptr, table.data());
  EXPECT_EQ(Ticket("HVImageDestinationProfileCustom"), "True");
  EXPECT_EQ(Ticket("HVImageDestinationProfile"), "Auto");

  platform::PrintSettings fresh;
  table[0].choiceRows.reset();
  PDECommon::commonSyncTicketFromPane(&fresh, nullptr, table.data());
  const Value* v = nullptr;
  EXPECT_NE(fresh.getValue("HVQuickColor", &v), 0) << "a row without choice rows writes nothing";
  EXPECT_EQ(PDECommon::commonSyncTicketFromPane(nullptr, nullptr, table.data()), 0);
}

TEST_F(CommonTest, CheckBoxWithoutPPDOptionStillTurnsOn) {
  table[1].choiceRows.reset();
  settings.setValue("HVEconoMode", Value("True"));
  PDECommon::commonSyncPaneFromTicket(&settings, nullptr, table.data());
  EXPECT_EQ(check.state(), 1);
  popup.selectItemAtIndex(1);
  table[0].choiceRows.reset();
  settings.setValue("HVQuickColor", Value("Vivid"));
  PDECommon::commonSyncPaneFromTicket(&settings, nullptr, table.data());
  EXPECT_EQ(popup.indexOfSelectedItem(), 1) << "nothing matches: the pop-up stays";
}

TEST_F(CommonTest, SummaryInTableOrderWithFailuresReported) {
  popup.selectItemAtIndex(1);
  check.setState(1);
  platform::plist::Dict dict;
  platform::plist::Array order;
  EXPECT_EQ(PDECommon::commonGetSummaryText(table.data(), &dict, &order), 0);
  ASSERT_EQ(order.size(), 2u);
  EXPECT_EQ(*order[0].string(), "Quick Color");
  EXPECT_EQ(*dict["EconoMode"].string(), "On");
  popup.selectItemAtIndex(-1);
  dict.clear();
  order.clear();
  EXPECT_EQ(PDECommon::commonGetSummaryText(table.data(), &dict, &order), platform::paramErr);
  EXPECT_EQ(order.size(), 1u) << "rows after a failure are still listed";
  EXPECT_EQ(PDECommon::commonGetSummaryTextQuickColor("EconoMode", "x", &dict, &order), 0);
  EXPECT_EQ(order.size(), 2u) << "a repeated name is appended again";
  EXPECT_EQ(*dict["EconoMode"].string(), "x");
}

TEST_F(CommonTest, KeywordListAndJoining) {
  std::vector<std::string> keys;
  EXPECT_EQ(PDECommon::commonAddPPDArray(nullptr, table.data()), platform::paramErr);
  EXPECT_EQ(PDECommon::commonAddPPDArray(&keys, table.data()), 0);
  EXPECT_EQ(keys, (std::vector<std::string>{"HVQuickColor", "HVEconoMode", "HVImageDestinationProfile"}));

  PDEControlTable empty = {EndRow()};
  const PDEControlData* tables[] = {table.data(), empty.data(), table.data()};
  auto joined = PDECommon::commonControlTableCompound(tables, 3);
  ASSERT_EQ(joined->size(), 9u);
  EXPECT_EQ((*joined)[4].control, &popup);
  EXPECT_EQ((*joined)[8].kind, kCtrlEnd);
  EXPECT_EQ((*joined)[0].choiceRows.get(), table[0].choiceRows.get());
}

TEST_F(CommonTest, ConstraintValues) {
  EXPECT_EQ(PDECommon::commonConvertToCSTValue(&table[0], -1), 0);
  EXPECT_EQ(PDECommon::commonConvertToCSTValue(&table[0], 0), 1);
  EXPECT_EQ(PDECommon::commonConvertFromCSTValue(&table[0], 1), 0);
  EXPECT_EQ(PDECommon::commonConvertFromCSTValue(&table[0], 0), 0);
  EXPECT_EQ(PDECommon::commonConvertToCSTValue(&table[1], 1), 1);
  EXPECT_EQ(PDECommon::commonConvertToCSTValue(nullptr, 5), 5);
}

TEST_F(CommonTest, TitlesAreLocalised) {
  PDECommon::commonBuildPDEItem(table.data(), nullptr);
  EXPECT_EQ(label.stringValue(), "Quick Color:");
  EXPECT_EQ(check.title(), "EconoMode");
  EXPECT_EQ(popup.numberOfItems(), 3) << "no PPD: the menu keeps its items";
}

TEST(EncodingTest, PpdLanguageEncodings) {
  using platform::ppd::TextEncoding;
  EXPECT_EQ(PDECommon::commonGetEncodingFromPPD(nullptr), TextEncoding::kMacRoman);
  EXPECT_EQ(PDECommon::DecodePpdText("caf\xE9", TextEncoding::kISOLatin1), "caf\xC3\xA9");
  EXPECT_EQ(PDECommon::DecodePpdText("\x83\x65\x83\x58\x83\x67", TextEncoding::kShiftJIS),
            "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88");
  EXPECT_EQ(PDECommon::DecodePpdText("a\xFF", TextEncoding::kUtf8), "a\xEF\xBF\xBD")
      << "undecodable bytes stay visible";
}

TEST(DiagLogTest, TaggedLinesAndFormats) {
  std::vector<std::string> lines;
  auto previous = platform::log::SetSink([&](int, std::string_view l) { lines.emplace_back(l); });
  ui::PopUpButton popup;
  popup.setObjectName("menu_%s%n");
  _PDEProlog(&popup, "count %d of %@, %s", 3, std::string("items"), "done");
  _PDELog(&popup, "%5.1f%%", 2.25);
  _PDEEpilog(nullptr, "no args %d");
  platform::log::SetSink(previous);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "BEGIN self(" + popup.description() + ") count 3 of items, done");
  EXPECT_EQ(lines[1], "LOG self(" + popup.description() + "):   2.2%");
  EXPECT_EQ(lines[2], "END self((null)) no args %d");

  char buf[64] = {};
  FILE* f = fmemopen(buf, sizeof buf, "w");
  MyLog(f, "%s=%d", "x", 7);
  MyLog(f, "");
  fclose(f);
  EXPECT_STREQ(buf, "x=7");
}

// What snprintf makes of the format and arguments, and what the log makes.
template <class... A>
void ExpectLikePrintf(const char* format, A... args) {
  int n = std::snprintf(nullptr, 0, format, args...);
  std::string want(static_cast<size_t>(n), '\0');
  std::snprintf(want.data(), want.size() + 1, format, args...);
  EXPECT_EQ(diag::Format(format, {diag::MakeArg(args)...}), want) << format;
}

TEST(DiagLogTest, EveryDirectiveAsPrintfWritesIt) {
  const std::string long_text(3000, 'L');
  ExpectLikePrintf("%s|%s", long_text.c_str(), "end");
  ExpectLikePrintf("[%600d]", 5);
  ExpectLikePrintf("[%*d] [%-*d] [%*d]", 8, 42, 6, -3, -5, 7);  // a negative width left-justifies
  ExpectLikePrintf("[%.*s] [%*.*s]", 3, "abcdef", 7, 2, "xyz");
  ExpectLikePrintf("[%*.*f] [%.*e] [%.*g]", 12, 3, 3.14159, -1, 2.5, 4, 1.0 / 3);
  ExpectLikePrintf("%ld %lu %hhd %hx %zu %lld %jd %c %o %#x %+d % d %05.1f %%",
                   -70000L, 70000UL, 300, 0x12345, size_t{9}, -1LL, intmax_t{-2}, 'q', 8, 255, 4, 4, 2.25);
  ExpectLikePrintf("%-10s|%10.4s|%p", "left", "truncate", static_cast<const void*>(nullptr));
  // Through the stream writer nothing is cut either.
  char* buf = nullptr;
  size_t size = 0;
  FILE* f = open_memstream(&buf, &size);
  MyLog(f, "%s%*d", long_text, 700, 1);
  fclose(f);
  EXPECT_EQ(std::string(buf, size), long_text + std::string(699, ' ') + "1");
  free(buf);
}

}  // namespace
}  // namespace colorpane

namespace colorpane {
namespace {

struct EncodedPpd {
  const char* file;
  const char* photoText;  // UTF-8
};

class ChoiceRowEncodingTest : public ::testing::TestWithParam<EncodedPpd> {};

TEST_P(ChoiceRowEncodingTest, ChoiceTextsArriveAsUTF8) {
  std::string error;
  auto ppd = platform::ppd::PpdFile::Open(testsupport::TestPpd(GetParam().file), &error);
  ASSERT_TRUE(ppd) << error;
  std::shared_ptr<ChoiceRows> rows;
  ASSERT_EQ(PDECommon::commonGetPPDArrayForUIOption(ppd->get(), "HVQuickColor", &rows), 0);
  ASSERT_GE(rows->size(), 2u);
  EXPECT_EQ((*rows)[1], (ChoiceRow{"HVQuickColor", "Standard", "Photo", GetParam().photoText}));
  EXPECT_EQ(PDECommon::commonGetPPDArrayForUIOption(ppd->get(), "HVNoSuchOption", &rows), platform::kPPDOptionNotFound);
  EXPECT_EQ(rows, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Encodings, ChoiceRowEncodingTest,
                         ::testing::Values(EncodedPpd{"encoding-macstandard.ppd", "Photo \xC3\xA9"},
                                           EncodedPpd{"encoding-none.ppd", "Photo \xC3\xA9"},
                                           EncodedPpd{"encoding-utf8.ppd",
                                                      "Photo \xC3\xA9"
                                                      "clatante \xE2\x98\x85"},
                                           EncodedPpd{"encoding-windowsansi.ppd", "Photo \xE2\x82\xAC"}));

}  // namespace
}  // namespace colorpane
