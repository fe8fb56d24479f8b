// The file operations: the direct variant on a real folder, and the shared
// gates over a recording variant.
#include <dirent.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "files.h"
#include "profile_lists.h"
#include "profilestore/direct_variant.h"
#include "profilestore/file_variant.h"
#include "profilestore/profile_format.h"
#include "profilestore/profile_store.h"

namespace profilestore {
namespace {

using testsupport::Exists;
using testsupport::NewList;
using testsupport::ProfileRoot;
using testsupport::PutItem;
using testsupport::ReadText;
using testsupport::WriteText;

constexpr uid_t kNobody = 65534;

// Runs `body` in a child that cannot write the preference folder: as root the
// child drops to nobody, otherwise the folder is made read-only first. The
// result is the child's exit status (99 when dropping privileges failed).
int RunWithoutWriteAccess(const std::string& folder, const std::function<int()>& body) {
  chmod(folder.c_str(), 0555);
  pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
      _exit(99);
    _exit(body());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  chmod(folder.c_str(), 0755);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
  }
  return names;
}

class DirectOps : public ::testing::Test {
 protected:
  ProfileRoot root;
};

TEST_F(DirectOps, PathsAreFormedUnderTheInstallationRoot) {
  EXPECT_EQ(root.profile(), root.root() +
                                "/Library/Printers/HALVERN/Preferences/jp.halvern.printers.VN420P/"
                                "alice-VN420P-profile.plist");
  EXPECT_EQ(root.prev(), root.folder() + "alice-VN420P-profile.prev.plist");
  EXPECT_STREQ(HV_PLIST_PROFILE_SPOOL_PATH, (root.folder() + "alice-VN420P-profile.spool.plist").c_str());
  // A long name is kept whole: a cut path would name another file.
  ProfilePaths whole{};
  FormProfilePaths(std::string(400, 'u'), "VN420P", &whole);
  EXPECT_EQ(whole.profile, root.folder() + std::string(400, 'u') + "-VN420P-profile.plist");
}

TEST_F(DirectOps, AdministratorTestLeavesNoFileBehind) {
  EXPECT_EQ(HVPListIsAdminProfile(), 1);
  EXPECT_FALSE(Exists(root.profile()));
  EXPECT_TRUE(FolderEntries(root.folder()).empty());

  WriteText(root.profile(), "kept");
  EXPECT_EQ(HVPListIsAdminProfile(), 1);
  EXPECT_EQ(ReadText(root.profile()), "kept");
}

TEST_F(DirectOps, AdministratorTestAnswers0WhenTheFolderIsNotWritable) {
  int result = RunWithoutWriteAccess(root.folder(), [] { return HVPListIsAdminProfile(); });
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(FolderEntries(root.folder()).empty());

  // Every writing operation is refused behind the failed test.
  int write = RunWithoutWriteAccess(root.folder(), [] {
    auto list = NewList();
    return HVPListWriteProfile_All(list.get(), list.get(), list.get()) == -1 ? 0 : 1;
  });
  EXPECT_EQ(write, 0);
  EXPECT_TRUE(FolderEntries(root.folder()).empty());
}

TEST_F(DirectOps, AdministratorTestWithoutPathsFails) {
  SetProfilePathGlobals(nullptr);
  EXPECT_EQ(HVPListIsAdminProfile(), 0);
  EXPECT_EQ(HVPListExistProfile(), 0);
  auto list = NewList();
  EXPECT_EQ(HVPListWriteProfile_All(list.get(), list.get(), list.get()), -1);
  EXPECT_EQ(HVPListReadProfile_Dict(list.get(), kClassRGB), -1);
}

TEST_F(DirectOps, SaveThenRestoreBringsBackTheSavedContent) {
  WriteText(root.profile(), "saved");
  WriteText(root.prev(), "old backup");
  HVPListSwapProfile(kSwapSave);
  EXPECT_EQ(ReadText(root.prev()), "saved");
  struct stat st {};
  ASSERT_EQ(stat(root.prev().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0664u);

  WriteText(root.profile(), "changed");
  HVPListSwapProfile(kSwapRestore);
  EXPECT_EQ(ReadText(root.profile()), "saved");
  EXPECT_FALSE(Exists(root.prev()));
}

TEST_F(DirectOps, SaveWithoutProfileFileLeavesAnEmptyPreviousCopy) {
  WriteText(root.prev(), "old backup");
  HVPListSwapProfile(kSwapSave);
  ASSERT_TRUE(Exists(root.prev()));
  EXPECT_EQ(ReadText(root.prev()), "");
}

TEST_F(DirectOps, RestoreWithoutPreviousCopyKeepsTheProfileFile) {
  WriteText(root.profile(), "profiles");
  HVPListSwapProfile(kSwapRestore);
  EXPECT_EQ(ReadText(root.profile()), "profiles");
}

TEST_F(DirectOps, DiscardAndUnknownModes) {
  WriteText(root.profile(), "profiles");
  WriteText(root.prev(), "backup");
  HVPListSwapProfile(7);
  EXPECT_EQ(ReadText(root.profile()), "profiles");
  EXPECT_EQ(ReadText(root.prev()), "backup");
  EXPECT_EQ(FolderEntries(root.folder()).size(), 2u);
  HVPListSwapProfile(kSwapDiscard);
  EXPECT_FALSE(Exists(root.prev()));
  EXPECT_EQ(ReadText(root.profile()), "profiles");
}

TEST_F(DirectOps, ExistenceAndRemoval) {
  EXPECT_EQ(HVPListExistProfile(), 0);
  WriteText(root.profile(), "profiles");
  WriteText(root.prev(), "backup");
  EXPECT_EQ(HVPListExistProfile(), 1);

  EXPECT_EQ(HVPListRemove(1), 0);
  EXPECT_EQ(HVPListRemove(4), 0);
  EXPECT_TRUE(Exists(root.profile()));
  EXPECT_TRUE(Exists(root.prev()));

  EXPECT_EQ(HVPListRemove(kRemovePrev), 1);
  EXPECT_FALSE(Exists(root.prev()));
  EXPECT_TRUE(Exists(root.profile()));
  EXPECT_EQ(HVPListRemove(kRemovePrev), 0);
  EXPECT_EQ(HVPListRemove(kRemoveProfile), 1);
  EXPECT_FALSE(Exists(root.profile()));
  EXPECT_EQ(HVPListExistProfile(), 0);
}

TEST_F(DirectOps, WriteReplacesTheFileWholeAndLeavesNoTemporaryFile) {
  WriteText(root.profile(), "old");
  auto list = NewList();
  ASSERT_EQ(HVPListWriteProfile_All(list.get(), list.get(), list.get()), 0);
  EXPECT_EQ(FolderEntries(root.folder()), std::vector<std::string>{"alice-VN420P-profile.plist"});
  EXPECT_NE(ParseProfileBytes(ReadText(root.profile())), nullptr);
  struct stat st {};
  ASSERT_EQ(stat(root.profile().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0664u);
}

TEST_F(DirectOps, FailedWriteLeavesTheTargetAsItWas) {
  // A non-empty folder where the file should be: the rename fails.
  std::string target = root.folder() + "blocked";
  ASSERT_EQ(mkdir(target.c_str(), 0755), 0);
  WriteText(target + "/inside", "data");
  DirectVariant direct;
  EXPECT_FALSE(direct.WriteData("<plist/>", target));
  EXPECT_EQ(ReadText(target + "/inside"), "data");
  EXPECT_EQ(FolderEntries(root.folder()), std::vector<std::string>{"blocked"});
}

// Records what the shared operations ask of their variant.
class RecordingVariant : public FileVariant {
 public:
  explicit RecordingVariant(std::string profile) : profile_(std::move(profile)) {}
  std::string ProfilePath() override { return profile_; }
  std::string PrevPath() override { return profile_ + ".prev"; }
  int IsAdmin(const std::string& path) override {
    calls.push_back("admin " + path);
    return admin;
  }
  void Swap(int mode, const std::string&, const std::string& prev) override {
    calls.push_back("swap " + std::to_string(mode) + " " + prev);
  }
  int Exist(const std::string&) override {
    calls.push_back("exist");
    return 1;
  }
  int Remove(const std::string& path) override {
    calls.push_back("remove " + path);
    return 1;
  }
  bool WriteData(std::string_view bytes, const std::string& path) override {
    calls.push_back("write " + path);
    written = std::string(bytes);
    return true;
  }

  int admin = 1;
  std::vector<std::string> calls;
  std::string written;

 private:
  std::string profile_;
};

class SharedGates : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = SetFileVariant(&fake); }
  void TearDown() override { SetFileVariant(previous_); }

  ProfileRoot root;
  RecordingVariant fake{root.folder() + "bob-VN420P-profile.plist"};

 private:
  FileVariant* previous_ = nullptr;
};

TEST_F(SharedGates, NothingRunsBehindAFailedAdministratorTest) {
  fake.admin = 0;
  auto list = NewList();
  EXPECT_EQ(HVPListWriteProfile_All(list.get(), list.get(), list.get()), -1);
  EXPECT_EQ(
      HVPListWriteProfile_All_Pap(list.get(), list.get(), list.get(), list.get(), list.get(), list.get()),
      -1);
  HVPListSwapProfile(kSwapSave);
  EXPECT_EQ(HVPListExistProfile(), 0);
  EXPECT_EQ(HVPListRemove(kRemoveProfile), 0);
  for (const std::string& call : fake.calls) EXPECT_EQ(call.rfind("admin ", 0), 0u) << call;
  EXPECT_EQ(fake.calls.size(), 5u);
}

TEST_F(SharedGates, EachOperationStartsWithItsOwnAdministratorTest) {
  HVPListSwapProfile(7);
  EXPECT_EQ(HVPListRemove(1), 0);
  EXPECT_EQ(HVPListRemove(kRemovePrev), 1);
  std::string profile = fake.ProfilePath();
  std::vector<std::string> expected = {"admin " + profile, "swap 7 " + profile + ".prev", "admin " + profile,
                                       "admin " + profile, "remove " + profile + ".prev"};
  EXPECT_EQ(fake.calls, expected);
}

TEST_F(SharedGates, WritesAndReadsUseTheVariantsPath) {
  auto dst = NewList();
  PutItem(dst.get(), 0, 4, "CARD.ICC", kLocationCard, 3);
  dst->iNum = 1;
  auto empty = NewList();
  ASSERT_EQ(HVPListWriteProfile_All(empty.get(), empty.get(), dst.get()), 0);
  ASSERT_EQ(fake.calls.back(), "write " + fake.ProfilePath());
  EXPECT_FALSE(Exists(fake.ProfilePath()));

  // Reading needs no privilege: it reads the variant's path directly.
  WriteText(fake.ProfilePath(), fake.written);
  auto read = NewList();
  ASSERT_EQ(HVPListReadProfile_Dict(read.get(), kClassDST), 0);
  EXPECT_STREQ(read->litem[0].FileName, "CARD.ICC");
  EXPECT_EQ(read->litem[0].iLocation, kLocationCard);
}

}  // namespace
}  // namespace profilestore
