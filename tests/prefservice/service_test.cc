// The request methods in-process, on a temporary preference folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "files.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "prefservice/own_files.h"
#include "prefservice/service_xpc.h"
#include "profilestore/direct_variant.h"
#include "profilestore/profile_format.h"
#include "protocol/file_url.h"
#include "temp_root.h"

namespace prefservice {
namespace {
using ::testing::HasSubstr;

using protocol::Method;
using testsupport::ReadText;
using testsupport::WriteText;

constexpr const char* kPlist =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>k</key>"
    "<string>\xE6\x97\xA5\xE6\x9C\xAC</string></dict></plist>\n";

class ServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    login_ = platform::paths::LoginName();
    ASSERT_FALSE(login_.empty());
    profile_ = root_.File(login_);
    prev_ = root_.File(login_, "profile.prev.plist");
    url_ = protocol::FileURLFromPath(profile_);
    previous_sink_ = platform::log::SetSink([this](int, std::string_view line) { log_.emplace_back(line); });
  }
  void TearDown() override { platform::log::SetSink(previous_sink_); }

  std::string Call(Method m, std::string_view request, pid_t dialog = 0) {
    HVmacServiceXPC service(Caller{getuid(), login_, dialog});
    return service.Call(m, request);
  }
  std::string Chunk(std::string_view data, pid_t dialog = 0) {
    return Call(Method::kWriteDataToPlistFile, url_ + ":AddURL:END" + std::string(data), dialog);
  }
  std::string Rename(pid_t dialog = 0) { return Call(Method::kWriteDataToPlistFileRename, url_, dialog); }
  // The staging files of the profile file's writes (at their unguessable names).
  std::vector<std::string> StagingFiles() const {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(root_.folder()))
      if (entry.path().string().rfind(profile_ + ".dummy.", 0) == 0) found.push_back(entry.path().string());
    return found;
  }
  std::string Swap(const std::string& mode) {
    return Call(Method::kSwapProfile, mode + ":ARG_iSwapType" + profile_ + ":ARG_cFooCurrentString" + prev_ +
                                          ":ARG_cFooPrevString");
  }

  testsupport::TempRoot root_;
  std::string login_, profile_, prev_, url_;
  std::vector<std::string> log_;
  platform::log::Sink previous_sink_;
};

TEST_F(ServiceTest, AdministratorTestLeavesNoFileAndKeepsAnExistingOne) {
  EXPECT_EQ(Call(Method::kIsAdminProfile, profile_), "TRUE");
  EXPECT_FALSE(std::filesystem::exists(profile_));
  WriteText(profile_, "content");
  EXPECT_EQ(Call(Method::kIsAdminProfile, profile_), "TRUE");
  EXPECT_EQ(ReadText(profile_), "content");
}

// Two service processes on one folder (each with its own lock): the
// administrator test of one never removes a profile file the other has just
// renamed into place, since it never creates or removes the real name.
TEST_F(ServiceTest, AdministratorTestsNeverRemoveAFreshWrite) {
  pid_t tester = fork();
  if (tester == 0) {
    for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
         std::chrono::steady_clock::now() < until;)
      Call(Method::kIsAdminProfile, profile_);
    _exit(0);
  }
  int lost = 0, written = 0;
  for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2); std::chrono::steady_clock::now() < until;) {
    std::filesystem::remove(profile_);
    if (Call(Method::kWriteDictionaryToPlistFile, url_ + ":AddURL:END" + kPlist) != "TRUE") continue;
    ++written;
    if (!std::filesystem::exists(profile_)) ++lost;
  }
  waitpid(tester, nullptr, 0);
  EXPECT_GT(written, 0);
  EXPECT_EQ(lost, 0);
}

// The walk's merge under an installation root whose paths are longer than
// any fixed buffer: the file written is the caller's own, whole path.
TEST_F(ServiceTest, WalkUnderALongInstallationRoot) {
  std::string deep = root_.base() + "/" + std::string(200, 'r') + "/" + std::string(120, 'q');
  setenv("VN420P_ROOT", deep.c_str(), 1);
  std::string folder = platform::paths::PreferenceFolder();
  std::filesystem::create_directories(folder);
  EXPECT_EQ(Call(Method::kMibWalk, "VN420P:ModelName:END" + login_ + ":USErName:ENDsnmpwalk:arg:"), "iRet=-1");
  std::string written = ReadText(folder + login_ + "-VN420P-profile.plist");
  EXPECT_THAT(written, HasSubstr("</plist>"));
  setenv("VN420P_ROOT", root_.root().c_str(), 1);
}

TEST_F(ServiceTest, ExistenceAndRemoval) {
  EXPECT_EQ(Call(Method::kExistProfile, profile_), "FALSE");
  EXPECT_EQ(Call(Method::kRemove, profile_), "FALSE");
  EXPECT_EQ(log_, std::vector<std::string>{}) << "a missing file is an answer, not a failure";
  WriteText(profile_, "x");
  EXPECT_EQ(Call(Method::kExistProfile, profile_), "TRUE");
  EXPECT_EQ(Call(Method::kRemove, profile_), "TRUE");
  EXPECT_FALSE(std::filesystem::exists(profile_));
}

TEST_F(ServiceTest, WholeTextWriteReplacesTheFile) {
  WriteText(profile_, "old");
  EXPECT_EQ(Call(Method::kWriteDictionaryToPlistFile, url_ + ":AddURL:END" + kPlist), "TRUE");
  EXPECT_EQ(ReadText(profile_), kPlist);
  EXPECT_FALSE(std::filesystem::exists(profile_ + ".tmp"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root_.folder()), {}), 1)
      << "a temporary file was left";
  // Only the profile file itself: its previous copy and spool file are never written whole.
  for (const std::string& other : {prev_, root_.File(login_, "profile.spool.plist")}) {
    WriteText(other, "kept");
    log_.clear();
    EXPECT_EQ(
        Call(Method::kWriteDictionaryToPlistFile, protocol::FileURLFromPath(other) + ":AddURL:END" + kPlist),
        "FALSE")
        << other;
    EXPECT_EQ(ReadText(other), "kept");
    EXPECT_FALSE(log_.empty()) << "the refusal is logged";
  }
}

// Every file the service creates, whatever the process's umask: the owner
// alone may write it (0644), so no group member can append to it or link it.
TEST_F(ServiceTest, FilesTheServiceCreatesAreWritableByTheOwnerOnly) {
  const std::vector<std::pair<const char*, std::function<void()>>> ways = {
      {"whole write", [&] { Call(Method::kWriteDictionaryToPlistFile, url_ + ":AddURL:END" + kPlist); }},
      {"chunks and rename", [&] { Chunk(kPlist), Rename(); }},
      {"staging file", [&] { Chunk(kPlist); }},
      {"swap save", [&] { WriteText(profile_, kPlist), Swap("2"); }},
      {"swap save without a profile file", [&] { Swap("2"); }},
  };
  for (mode_t mask : {mode_t{0}, mode_t{002}, mode_t{077}}) {
    for (const auto& [what, make] : ways) {
      std::filesystem::remove_all(root_.folder());
      std::filesystem::create_directories(root_.folder());
      mode_t old = umask(mask);
      make();
      umask(old);
      size_t files = 0;
      for (const auto& entry : std::filesystem::directory_iterator(root_.folder())) {
        if (entry.path() == profile_ && std::string(what).rfind("swap", 0) == 0) continue;  // the test's own
        struct stat st {};
        ASSERT_EQ(lstat(entry.path().c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0644u) << what << ", umask " << mask << ": " << entry.path();
        ++files;
      }
      EXPECT_EQ(files, 1u) << what;
    }
  }
}

TEST_F(ServiceTest, ChunksThenRenameReplaceTheProfileFile) {
  std::string text = kPlist;
  WriteText(profile_, "old");
  EXPECT_EQ(Chunk(text.substr(0, 40)), "TRUE");
  EXPECT_EQ(ReadText(profile_), "old");  // unchanged until the rename
  EXPECT_EQ(Chunk(text.substr(40)), "TRUE");
  EXPECT_EQ(Rename(), "TRUE");
  EXPECT_EQ(ReadText(profile_), text);
  EXPECT_FALSE(std::filesystem::exists(profile_ + ".dummy"));
}

TEST_F(ServiceTest, RenameRefusesAStagingFileThatIsNoCompletePropertyList) {
  // "A" then "B" collect as "AB", which is no property list: the profile file stays.
  WriteText(profile_, "old");
  EXPECT_EQ(Chunk("A"), "TRUE");
  EXPECT_EQ(Chunk("B"), "TRUE");
  ASSERT_EQ(StagingFiles().size(), 1u);
  EXPECT_EQ(ReadText(StagingFiles()[0]), "AB");
  EXPECT_EQ(Rename(), "FALSE");
  EXPECT_TRUE(StagingFiles().empty()) << "a staging file that can never become valid stays";
  EXPECT_EQ(ReadText(profile_), "old");
  // A cut-off document is refused as well.
  std::string text = kPlist;
  EXPECT_EQ(Chunk(text.substr(0, text.size() - 10)), "TRUE");
  EXPECT_EQ(Rename(), "FALSE");
  EXPECT_EQ(ReadText(profile_), "old");
}

TEST_F(ServiceTest, RenameRefusesAStagingFileNestedPastTheProfileBound) {
  WriteText(profile_, "old");
  // Values nested `depth` deep: the profile dictionary, then arrays inside it.
  for (int depth : {profilestore::kMaxElementDepth - 1, profilestore::kMaxElementDepth, 30000}) {
    std::string deep = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>k</key>";
    for (int i = 1; i < depth; ++i) deep += "<array>";
    for (int i = 1; i < depth; ++i) deep += "</array>";
    EXPECT_EQ(Chunk(deep + "</dict></plist>"), "TRUE");
    EXPECT_EQ(Rename(), depth < profilestore::kMaxElementDepth ? "TRUE" : "FALSE") << depth;
  }
}

TEST_F(ServiceTest, RenameWithoutStagingFileFailsAndKeepsTheProfile) {
  WriteText(profile_, "old");
  EXPECT_EQ(Rename(), "FALSE");
  EXPECT_EQ(ReadText(profile_), "old");
}

TEST_F(ServiceTest, LeftoverStagingFileNeverPrecedesTheNextWrite) {
  std::string text = kPlist;
  EXPECT_EQ(Chunk(text.substr(0, 30)), "TRUE");  // a write broken off here
  EXPECT_EQ(Chunk(text.substr(0, 50)), "TRUE");  // the next write starts over
  EXPECT_EQ(Chunk(text.substr(50)), "TRUE");
  EXPECT_EQ(Rename(), "TRUE");
  EXPECT_EQ(ReadText(profile_), text);
}

TEST_F(ServiceTest, OversizedStagingIsRefused) {
  std::string big(kMaxStagingBytes / 2 + 1, 'x');
  EXPECT_EQ(Chunk(big), "TRUE");
  EXPECT_EQ(Chunk(big), "FALSE");
}

TEST_F(ServiceTest, NonUTF8ChunkIsRefused) { EXPECT_EQ(Chunk("bad\xC3"), "FALSE"); }

TEST_F(ServiceTest, SwapSaveRestoreAndDiscard) {
  WriteText(profile_, "saved");
  EXPECT_EQ(Swap("2"), "TRUE");
  EXPECT_EQ(ReadText(prev_), "saved");
  WriteText(profile_, "changed");
  EXPECT_EQ(Swap("0"), "TRUE");
  EXPECT_EQ(ReadText(profile_), "saved");
  EXPECT_FALSE(std::filesystem::exists(prev_));
  // Restore without a previous copy keeps the profile file.
  EXPECT_EQ(Swap("0"), "TRUE");
  EXPECT_EQ(ReadText(profile_), "saved");
  EXPECT_EQ(Swap("2"), "TRUE");
  EXPECT_EQ(Swap("1"), "TRUE");
  EXPECT_FALSE(std::filesystem::exists(prev_));
  // Unknown mode: nothing changes.
  EXPECT_EQ(Swap("7"), "TRUE");
  EXPECT_EQ(ReadText(profile_), "saved");
  EXPECT_FALSE(std::filesystem::exists(prev_));
}

TEST_F(ServiceTest, SwapSaveThatCannotCopyKeepsTheOldPreviousCopy) {
  WriteText(prev_, "old backup");
  WriteText(profile_, "current");
  std::filesystem::create_hard_link(profile_, root_.base() + "/second-link");  // refused as a source
  EXPECT_EQ(Swap("2"), "TRUE");
  EXPECT_EQ(ReadText(prev_), "old backup");
}

// Interleaved chunk writes of two dialogs (1 and 2): the staging file is
// never one dialog's chunks after the other's, and a rename answered TRUE
// puts that dialog's whole document in place.
TEST_F(ServiceTest, ChunkWritesOfTwoDialogsStayApart) {
  std::string a = kPlist, b = std::string(kPlist).replace(a.find("k</key>"), 1, "z");
  const size_t cut = 50;
  struct Step {
    pid_t dialog;
    std::string chunk;  // empty: the rename
    const char* reply;
  };
  const std::vector<std::vector<Step>> orders = {
      // B takes the staging file over; A's next chunk is refused, B completes.
      {{1, a.substr(0, cut), "TRUE"}, {2, b.substr(0, cut), "TRUE"}, {1, a.substr(cut), "FALSE"},
       {2, b.substr(cut), "TRUE"}, {1, "", "FALSE"}, {2, "", "TRUE"}},
      // A's rename while B's write is in progress is refused.
      {{1, a.substr(0, cut), "TRUE"}, {1, a.substr(cut), "TRUE"}, {2, b.substr(0, cut), "TRUE"},
       {1, "", "FALSE"}, {2, b.substr(cut), "TRUE"}, {2, "", "TRUE"}},
      // A later chunk of a dialog whose write was never started here is not glued on.
      {{1, a.substr(0, cut), "TRUE"}, {2, b.substr(cut), "FALSE"}, {1, a.substr(cut), "TRUE"}, {1, "", "TRUE"}},
  };
  for (size_t o = 0; o < orders.size(); ++o) {
    std::filesystem::remove(profile_);
    std::string expected;
    for (const Step& step : orders[o]) {
      std::string reply = step.chunk.empty() ? Rename(step.dialog) : Chunk(step.chunk, step.dialog);
      EXPECT_EQ(reply, step.reply) << "order " << o;
      if (step.chunk.empty() && reply == "TRUE") expected = step.dialog == 1 ? a : b;
    }
    EXPECT_EQ(ReadText(profile_), expected) << "order " << o;
  }
}

TEST(CompleteProfileDocument, OneDocumentWithADictionaryRootAndNothingAfter) {
  const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  const std::string doc = head + "<plist version=\"1.0\"><dict><key>RGB</key><dict/></dict></plist>";
  for (const std::string& ok : {doc, doc + "\n", doc + "\n  \n", std::string("<plist><dict/></plist>")}) {
    std::string bytes = ok;
    EXPECT_TRUE(IsCompleteProfileDocument(bytes)) << ok;
  }
  for (const std::string& bad : {
           std::string(), doc.substr(0, doc.size() - 3), doc + "trailing", doc + "<dict/>", doc + doc,
           doc + "<!-- x --><plist><dict/></plist>", head + "<plist><array/></plist>",
           head + "<plist><string>x</string></plist>", head + "<plist><dict/><dict/></plist>",
           head + "<plist>text<dict/></plist>", head + "<dict/>", head + "<plist/>"}) {
    std::string bytes = bad;
    EXPECT_FALSE(IsCompleteProfileDocument(bytes)) << bad;
  }
}

TEST_F(ServiceTest, SwapSaveWithoutProfileLeavesAnEmptyPreviousCopy) {
  WriteText(prev_, "old copy");
  EXPECT_EQ(Swap("2"), "TRUE");
  ASSERT_TRUE(std::filesystem::exists(prev_));
  EXPECT_EQ(ReadText(prev_), "");
}

TEST_F(ServiceTest, SwapWithNullModeRestores) {
  WriteText(profile_, "now");
  WriteText(prev_, "before");
  EXPECT_EQ(Swap("NULL"), "TRUE");
  EXPECT_EQ(ReadText(profile_), "before");
}

// Paths outside the caller's own files are refused and change nothing.
TEST_F(ServiceTest, PathsOutsideTheCallersFilesAreRefused) {
  std::string outside = root_.base() + "/outside.plist";
  WriteText(outside, "keep");
  std::string other = root_.File("someoneelse");
  WriteText(other, "theirs");
  const std::vector<std::string> bad = {
      outside,
      other,
      root_.folder() + "../" + login_ + "-VN420P-profile.plist",
      root_.folder() + "sub/" + login_ + "-VN420P-profile.plist",
      root_.folder() + login_ + "-x-VN420P-profile.plist",  // a model with '-' could be another login's file
      root_.folder() + login_ + "-VN420P-profile.plist.dummy",
      root_.folder() + "x" + login_ + "-VN420P-profile.plist",
      "relative/" + login_ + "-VN420P-profile.plist",
      std::string(profile_) + std::string(1, '\0') + "x",
  };
  for (const std::string& path : bad) {
    SCOPED_TRACE(path);
    EXPECT_EQ(Call(Method::kIsAdminProfile, path), "FALSE");
    EXPECT_EQ(Call(Method::kExistProfile, path), "FALSE");
    EXPECT_EQ(Call(Method::kRemove, path), "FALSE");
    std::string url = protocol::FileURLFromPath(path);
    EXPECT_EQ(Call(Method::kWriteDictionaryToPlistFile, url + ":AddURL:END" + kPlist), "FALSE");
    EXPECT_EQ(Call(Method::kWriteDataToPlistFile, url + ":AddURL:END" + kPlist), "FALSE");
    EXPECT_EQ(Call(Method::kWriteDataToPlistFileRename, url), "FALSE");
    EXPECT_EQ(Call(Method::kSwapProfile, "2:ARG_iSwapType" + path + ":ARG_cFooCurrentString" + path +
                                             ":ARG_cFooPrevString"),
              "TRUE");
  }
  EXPECT_EQ(ReadText(outside), "keep");
  EXPECT_EQ(ReadText(other), "theirs");
  EXPECT_FALSE(log_.empty());  // refusals are logged
}

TEST_F(ServiceTest, SymlinkAtTheProfilePathIsRefused) {
  std::string outside = root_.base() + "/target.plist";
  WriteText(outside, "keep");
  std::filesystem::create_symlink(outside, profile_);
  std::filesystem::create_symlink(outside, prev_);
  // Each refusal is logged with the step, the whole path and the system's reason.
  const std::string cause = "openat " + profile_ + ": " + std::strerror(ELOOP);
  for (Method m : {Method::kIsAdminProfile, Method::kExistProfile}) {
    log_.clear();
    EXPECT_EQ(Call(m, profile_), "FALSE");
    EXPECT_EQ(log_, std::vector<std::string>{"prefservice: " + std::string(protocol::MethodName(m)) + ": " +
                                             cause});
  }
  log_.clear();
  EXPECT_EQ(Call(Method::kRemove, profile_), "FALSE");
  EXPECT_EQ(log_, std::vector<std::string>{"prefservice: hvPListRemove_XPC: " + profile_ +
                                           ": not a regular file of this user with one link"});
  EXPECT_EQ(Call(Method::kWriteDictionaryToPlistFile, url_ + ":AddURL:END" + kPlist), "FALSE");
  EXPECT_EQ(Chunk(kPlist), "TRUE");  // the staging file is a name of its own
  EXPECT_EQ(Rename(), "FALSE");
  EXPECT_EQ(Swap("0"), "TRUE");
  EXPECT_EQ(Swap("2"), "TRUE");
  EXPECT_EQ(ReadText(outside), "keep");
  EXPECT_TRUE(std::filesystem::is_symlink(profile_));
}

// A link at the staging file's fixed name of earlier versions is neither
// followed nor in the way: staging files have unguessable names now.
TEST_F(ServiceTest, SymlinkAtTheStagingPathIsRefused) {
  std::string outside = root_.base() + "/staging-target";
  WriteText(outside, "keep");
  std::filesystem::create_symlink(outside, profile_ + ".dummy");
  EXPECT_EQ(Chunk("more"), "TRUE");
  EXPECT_EQ(Chunk(kPlist), "TRUE");
  EXPECT_EQ(Rename(), "TRUE");
  EXPECT_EQ(ReadText(outside), "keep");
  EXPECT_EQ(ReadText(profile_), kPlist);
  EXPECT_TRUE(std::filesystem::is_symlink(profile_ + ".dummy"));
}

TEST_F(ServiceTest, HardLinkAndFolderAtTheProfilePathAreRefused) {
  std::string outside = root_.base() + "/linked.plist";
  WriteText(outside, "keep");
  std::filesystem::create_hard_link(outside, profile_);
  EXPECT_EQ(Call(Method::kIsAdminProfile, profile_), "FALSE");
  EXPECT_EQ(Call(Method::kWriteDictionaryToPlistFile, url_ + ":AddURL:END" + kPlist), "FALSE");
  EXPECT_EQ(Call(Method::kRemove, profile_), "FALSE");
  EXPECT_EQ(ReadText(outside), "keep");
  std::filesystem::remove(profile_);
  std::filesystem::create_directory(profile_);
  EXPECT_EQ(Call(Method::kExistProfile, profile_), "FALSE");
  EXPECT_EQ(Call(Method::kRemove, profile_), "FALSE");
  EXPECT_TRUE(std::filesystem::is_directory(profile_));
}

class WalkTest : public ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    previous_ = SetWalkFunction([this](int argc, char** argv) {
      ++calls_;
      argc_ = argc;
      args_.assign(argv, argv + argc);
      after_ = argv[argc];
      path_ = profilestore::HV_PLIST_PROFILE_PATH ? profilestore::HV_PLIST_PROFILE_PATH : "";
      spool_ = profilestore::HV_PLIST_PROFILE_SPOOL_PATH ? profilestore::HV_PLIST_PROFILE_SPOOL_PATH : "";
      return 7;
    });
  }
  void TearDown() override {
    SetWalkFunction(previous_);
    ServiceTest::TearDown();
  }
  WalkFunction previous_;
  int calls_ = 0, argc_ = -1;
  std::vector<std::string> args_;
  const char* after_ = "unset";
  std::string path_, spool_;
};

TEST_F(WalkTest, WalkGetsElementsAndTheUsersPaths) {
  std::string reply = Call(Method::kMibWalk, "VN420P:ModelName:END" + login_ + ":USErName:ENDsnmpwalk:arg:-Os:arg:");
  EXPECT_EQ(reply, "iRet=7");
  EXPECT_EQ(argc_, 2);
  EXPECT_EQ(args_, (std::vector<std::string>{"snmpwalk", "-Os"}));
  EXPECT_EQ(after_, nullptr);  // the vector is cleared behind the elements
  EXPECT_EQ(path_, root_.folder() + login_ + "-VN420P-profile.plist");
  EXPECT_EQ(spool_, root_.folder() + login_ + "-VN420P-profile.spool.plist");
  EXPECT_NE(std::find(log_.begin(), log_.end(), "xpc - mibwalk_XPC - iRet=7"), log_.end());
}

TEST_F(WalkTest, WalkWithoutElementsRunsWithCountZero) {
  EXPECT_EQ(Call(Method::kMibWalk, "VN420P:ModelName:END" + login_ + ":USErName:END"), "iRet=7");
  EXPECT_EQ(argc_, 0);
}

// n walk elements: n pieces and the empty one after the last marker.
std::string Elements(int n) {
  std::string elements;
  for (int i = 0; i < n; ++i) elements += "x:arg:";
  return elements;
}

TEST_F(WalkTest, WalksThatCannotBeTrustedAreRefused) {
  for (const std::string& request : {
           std::string("VN420P:ModelName:ENDsomeoneelse:USErName:END"),
           "../x:ModelName:END" + login_ + ":USErName:END",
           "VN420P:ModelName:END" + login_ + ":USErName:END" + Elements(600),
           // The vector has room for 512 entries, the last of them the end mark.
           "VN420P:ModelName:END" + login_ + ":USErName:END" + Elements(512),
           std::string("VN420P no markers"),
       }) {
    EXPECT_EQ(Call(Method::kMibWalk, request), "iRet=1");
  }
  EXPECT_EQ(calls_, 0);
  EXPECT_EQ(Call(Method::kMibWalk, "VN420P:ModelName:END" + login_ + ":USErName:END" + Elements(511)),
            "iRet=7");
  EXPECT_EQ(argc_, 511);
  EXPECT_EQ(after_, nullptr);
}

}  // namespace
}  // namespace prefservice
