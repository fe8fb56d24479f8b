// Saving a queue's defaults: only its lines and its instances' change, every
// other line keeps its bytes, and the Security panel's modes and credentials
// never become defaults.
#include "host/lpoptions.h"

#include <cups/cups.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "files.h"
#include "platform/ppd.h"
#include "samples.h"
#include "scratch_dir.h"

namespace host {
namespace {

using ::testing::HasSubstr;

// Other queues (one absent from this computer), their instances, the
// Default line, a comment, and the VN420P queue carrying a mode saved by an
// earlier version. The last line has no line feed.
constexpr std::string_view kOthers =
    "# kept as written\n"
    "Default Other/draft  sides=two-sided-long-edge\n"
    "Dest Absent HVQuickColor=Muted 'media'=A4\n"
    "Dest Absent/inst copies=3\n";
constexpr std::string_view kQueue =
    "Dest VN420P HVQuickColor=Standard PrintModeVN420P=SecurePrint media=A4\n"
    "dest VN420P/draft HVAuthenticationVN420P=True copies=2";

TEST(LpoptionsTest, OnlyTheQueueLinesChange) {
  const std::string all = std::string(kOthers) + std::string(kQueue);
  struct Case {
    std::string text, destination;
    JobOptions options;
    std::string expected;
  } cases[] = {
      // The queue's line takes the option; its mode goes from both lines.
      {all,
       "VN420P",
       {{"HVQuickColor", "Vivid"}, {"PrintModeVN420P", "SecurePrint"}},
       std::string(kOthers) + "Dest VN420P HVQuickColor=Vivid media=A4\n"
                              "dest VN420P/draft copies=2"},
      // An instance, named in other letter cases, gets its own line changed.
      {all,
       "vn420p/DRAFT",
       {{"HVEdgeType", "Smooth"}, {"jp.halvern.printers.VN420P.secureKey", "00AA"}},
       std::string(kOthers) + "Dest VN420P HVQuickColor=Standard media=A4\n"
                              "dest VN420P/draft copies=2 HVEdgeType=Smooth"},
      // No line for the queue: one is added after the last line.
      {std::string(kOthers.substr(0, kOthers.size() - 1)),
       "VN420P",
       {{"HVQuickColor", "Vivid"}},
       std::string(kOthers) + "Dest VN420P HVQuickColor=Vivid\n"},
      // Only an instance's line: the queue's goes before it, so it inherits.
      {std::string(kOthers) + "Dest VN420P/draft copies=2\n",
       "VN420P",
       {{"HVQuickColor", "Vivid"}},
       std::string(kOthers) + "Dest VN420P HVQuickColor=Vivid\nDest VN420P/draft copies=2\n"},
      // Nothing to change: the bytes stay, even the odd spacing.
      {"Dest VN420P  media=A4 # mine\n", "VN420P", {{"media", "A4"}}, "Dest VN420P  media=A4 # mine\n"},
      // A value with blanks or quotes is quoted as libcups reads it back.
      {"", "VN420P", {{"job-name", "a \"b\" #c"}}, "Dest VN420P job-name=\"a \\\"b\\\" \\#c\"\n"},
      // Only never-default options: nothing to add.
      {"", "VN420P", {{"HVSectionManagementVN420P", "True"}}, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MergeQueueDefaults(c.text, c.destination, c.options), c.expected) << c.destination << "\n"
                                                                                << c.text;
  }
}

// The file is replaced with its mode kept; libcups reads the saved
// defaults back, and the lines of other queues are as they were.
TEST(LpoptionsTest, FileKeepsItsModeAndLibcupsReadsIt) {
  testsupport::ScratchDir dir("vn-lpoptions");
  const std::string path = dir.Write("lpoptions", std::string(kOthers) + std::string(kQueue) + "\n");
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  std::string error;
  ASSERT_TRUE(SaveQueueDefaults(path, "VN420P", {{"HVQuickColor", "Vivid"}, {"job-name", "a b"}}, &error))
      << error;
  const std::string saved = testsupport::ReadText(path);
  EXPECT_TRUE(saved.starts_with(kOthers)) << saved;
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  const std::string line = saved.substr(kOthers.size(), saved.find('\n', kOthers.size()) - kOthers.size());
  cups_option_t* options = nullptr;
  const int n = cupsParseOptions(line.substr(line.find(' ', 5)).c_str(), 0, &options);
  EXPECT_STREQ(cupsGetOption("HVQuickColor", n, options), "Vivid");
  EXPECT_STREQ(cupsGetOption("job-name", n, options), "a b");
  EXPECT_STREQ(cupsGetOption("media", n, options), "A4");
  EXPECT_EQ(cupsGetOption("PrintModeVN420P", n, options), nullptr);
  cupsFreeOptions(n, options);

  // A folder in place of the file: refused, named, nothing written.
  const std::string folder = dir.MakeDir("folder");
  EXPECT_FALSE(SaveQueueDefaults(folder, "VN420P", {{"HVQuickColor", "Vivid"}}, &error));
  EXPECT_THAT(error, HasSubstr(folder));
}

// Only PPD choices of options a panel supports; never the Security panel's
// modes, whatever the PPD offers for them.
TEST(LpoptionsTest, DefaultableOptionsAreChoicesOfSupportedKeys) {
  std::string error;
  auto ppd = platform::ppd::PpdFile::Open(testsupport::SamplePpd(), &error);
  ASSERT_TRUE(ppd) << error;
  JobOptions ticket = {{"HVQuickColor", "Vivid"}, {"HVEdgeType", "secret"},
                       {"UserPass", "secret"},    {"PrintModeVN420P", "SecurePrint"},
                       {"HVBrightness", "Light"}, {"Duplex", "DuplexNoTumble"}};
  JobOptions kept =
      DefaultableOptions(ppd->get(), ticket, {"HVQuickColor", "HVEdgeType", "UserPass", "PrintModeVN420P"});
  EXPECT_EQ(kept, (JobOptions{{"HVQuickColor", "Vivid"}}));
  EXPECT_TRUE(DefaultableOptions(nullptr, ticket, {"HVQuickColor"}).empty());
}

}  // namespace
}  // namespace host
