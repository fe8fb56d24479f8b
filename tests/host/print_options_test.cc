// The standard print options: page ranges, a destination's defaults read as
// `lp` applies them, the job's options, and the PPD's constraints on the
// options a dialog draws, on the sample PPD.
#include "host/print_options.h"

#include <gtest/gtest.h>

#include "platform/ppd.h"

namespace host {
namespace {

using platform::kPMLandscape;
using platform::kPMPortrait;

std::unique_ptr<platform::ppd::PpdFile> SamplePpd() {
  std::string error;
  auto ppd = platform::ppd::PpdFile::Open(std::string(VN_SOURCE_DIR) + "/resources/ppd/VN420P.ppd", &error);
  EXPECT_TRUE(ppd) << error;
  return ppd;
}

TEST(PageRangesTest, AscendingRangesFromOne) {
  const std::pair<const char*, std::optional<std::string>> rows[] = {
      {"", ""},
      {"  ", ""},
      {" 1-3, 5 ", "1-3,5"},
      {"7-", "7-"},
      {"2-2", "2"},
      {"1,3-4,9-", "1,3-4,9-"},
      {"3-1", std::nullopt},
      {"0", std::nullopt},
      {"1,1", std::nullopt},
      {"5,2", std::nullopt},
      {"1-,3", std::nullopt},
      {"a", std::nullopt},
      {"1--2", std::nullopt},
      {"1,,2", std::nullopt},
      {"-3", std::nullopt},
      {"99999999999", std::nullopt},
  };
  for (const auto& [text, want] : rows) EXPECT_EQ(ParsePageRanges(text), want) << '"' << text << '"';
}

TEST(DestinationDefaultsTest, PpdChoicesAndTheirStandardNames) {
  auto ppd = SamplePpd();
  struct Row {
    Options given;
    Options wanted;
  };
  const Row rows[] = {
      {{{"HVEconoMode", "True"}}, {{"HVEconoMode", "True"}}},
      {{{"sides", "two-sided-long-edge"}}, {{"Duplex", "DuplexNoTumble"}}},
      // The PPD's own keyword wins over the standard attribute, wherever it stands.
      {{{"Duplex", "None"}, {"sides", "two-sided-short-edge"}}, {{"Duplex", "None"}}},
      {{{"media", "na_legal_8.5x14in"}}, {{"PageSize", "Legal"}}},
      {{{"media", "iso_a4_210x297mm,tray-2"}}, {{"PageSize", "A4"}, {"InputSlot", "Tray2"}}},
      {{{"media", "A5"}, {"media-source", "manual"}}, {{"PageSize", "A5"}, {"InputSlot", "Manual"}}},
      {{{"PageSize", "Custom.300x500"}}, {{"PageSize", "Custom.300x500"}}},
      {{{"PageRegion", "Executive"}}, {{"PageSize", "Executive"}}},
      // Below the PPD's custom minimum, unknown sizes, free text, no such choice: nothing.
      {{{"PageSize", "Custom.100x100"}, {"media", "roll_max_36x100in"}}, {}},
      {{{"UserName", "secret"}, {"HVQuickColor", "Bogus"}, {"printer-info", "x"}}, {}},
  };
  for (const auto& row : rows) {
    DestinationDefaults d = ReadDestinationDefaults(ppd->get(), row.given);
    EXPECT_EQ(d.ppdChoices, row.wanted) << row.given.front().first;
    EXPECT_EQ(d.print, PrintOptions{});
  }
}

TEST(DestinationDefaultsTest, StandardOptions) {
  struct Row {
    Options given;
    PrintOptions wanted;
  };
  const Row rows[] = {
      {{{"copies", "3"},
        {"collate", "false"},
        {"page-ranges", "1-2"},
        {"number-up", "4"},
        {"orientation-requested", "4"},
        {"fit-to-page", "true"}},
       {3, false, "1-2", 4, kPMLandscape, true}},
      {{{"landscape", ""}, {"multiple-document-handling", "separate-documents-uncollated-copies"}},
       {1, false, "", 1, kPMLandscape, false}},
      // Values out of range or unreadable leave the defaults.
      {{{"copies", "0"},
        {"number-up", "3"},
        {"orientation-requested", "9"},
        {"page-ranges", "4-2"},
        {"fit-to-page", "maybe"}},
       {}},
  };
  for (const auto& row : rows) EXPECT_EQ(ReadDestinationDefaults(nullptr, row.given).print, row.wanted);
}

TEST(JobOptionsTest, EachOptionAsTheSchedulerNamesIt) {
  auto ppd = SamplePpd();
  PrintOptions print{2, false, "1-3,5", 4, kPMLandscape, true};
  Options job = JobOptionsFor(print, {{"Duplex", "DuplexTumble"}, {"HVEconoMode", "True"}}, "A4", ppd->get());
  const Options wanted = {{"Duplex", "DuplexTumble"},
                          {"HVEconoMode", "True"},
                          {"PageSize", "A4"},
                          {"sides", "two-sided-short-edge"},
                          {"copies", "2"},
                          {"collate", "false"},
                          {"page-ranges", "1-3,5"},
                          {"number-up", "4"},
                          {"orientation-requested", "4"},
                          {"fit-to-page", "true"}};
  EXPECT_EQ(job, wanted);
  // A ticket that names the paper keeps it; without a PPD the paper is "media"
  // and Duplex has no standard meaning to add.
  Options raw = JobOptionsFor(PrintOptions{}, {{"Duplex", "DuplexTumble"}}, "iso_a4_210x297mm", nullptr);
  EXPECT_EQ(raw.at(1), (std::pair<std::string, std::string>{"media", "iso_a4_210x297mm"}));
  for (const auto& [k, v] : raw) EXPECT_NE(k, "sides");
  Options named = JobOptionsFor(PrintOptions{}, {{"PageSize", "Legal"}}, "A4", ppd->get());
  EXPECT_EQ(named.front().second, "Legal");
  EXPECT_EQ(std::count_if(named.begin(), named.end(), [](auto& o) { return o.first == "PageSize"; }), 1);
}

TEST(PpdOptionsTest, ConstraintsOfTheMarkedChoices) {
  struct Row {
    Options ticket;
    std::string paper;
    std::vector<std::string> conflicts;
  };
  const Row rows[] = {
      {{}, "Letter", {}},
      // The duplex unit and tray 2 are not installed by default.
      {{{"Duplex", "DuplexNoTumble"}}, "Letter", {"Duplex Unit", "2-Sided Printing"}},
      {{{"InputSlot", "Tray2"}}, "Letter", {"Tray 2", "Paper Source"}},
      {{{"OptionDuplex", "True"}, {"Duplex", "DuplexNoTumble"}}, "Letter", {}},
      {{{"OptionDuplex", "True"}, {"Duplex", "DuplexNoTumble"}}, "Env10", {"Media Size", "2-Sided Printing"}},
      {{{"OptionDuplex", "True"}, {"Duplex", "DuplexNoTumble"}}, "Custom.300x500", {}},
  };
  for (const auto& row : rows) {
    auto ppd = SamplePpd();
    EXPECT_EQ(MarkJobChoices(ppd->get(), row.ticket, row.paper), row.conflicts) << row.paper;
    auto drawn = ReadPpdOptions(ppd->get(), {"Duplex", "InputSlot"});
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0].keyword, "InputSlot");  // the PPD's order
    const std::string* duplex = nullptr;
    for (const auto& [k, v] : row.ticket)
      if (k == "Duplex") duplex = &v;
    EXPECT_EQ(drawn[1].marked, duplex ? *duplex : "None");
    EXPECT_EQ(drawn[1].conflicted, !row.conflicts.empty() && row.conflicts.back() == "2-Sided Printing");
  }
}

TEST(PpdOptionsTest, UnownedOptionsLeaveInstallablesAndStandardOnesOut) {
  auto ppd = SamplePpd();
  std::vector<std::string> colour;
  for (const char* k : {"HVQuickColor", "HVBrightness", "HVColorAsGray", "HVEconoMode", "HVEdgeType"})
    colour.push_back(k);
  std::vector<std::string> other = UnownedPpdOptions(ppd->get(), colour);
  for (const char* k :
       {"PrintModeVN420P", "HVAuthenticationVN420P", "HVSectionManagementVN420P", "HVImageHalftone"})
    EXPECT_NE(std::find(other.begin(), other.end(), k), other.end()) << k;
  for (const char* k : {"OptionDuplex", "PageSize", "PageRegion", "Duplex", "InputSlot", "HVQuickColor"})
    EXPECT_EQ(std::find(other.begin(), other.end(), k), other.end()) << k;
  EXPECT_TRUE(UnownedPpdOptions(nullptr, {}).empty());
}

TEST(CustomLimitsTest, ThePpdsParameterRanges) {
  auto ppd = SamplePpd();
  auto limits = CustomLimits(ppd->get());
  ASSERT_TRUE(limits);
  EXPECT_EQ(limits->minWidth, 216);
  EXPECT_EQ(limits->maxWidth, 612);
  EXPECT_EQ(limits->minHeight, 360);
  EXPECT_EQ(limits->maxHeight, 1008);
  EXPECT_FALSE(CustomLimits(nullptr));
}

}  // namespace
}  // namespace host
