// The service as another local user attacks it: entries planted at the
// caller's names in a shared world-writable folder (by "nobody"), before and
// while requests and walks run. Each request runs in a child with an alarm,
// so a request that hangs fails the test instead of stopping it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <functional>

#include "prefservice/service_xpc.h"
#include "profilestore/profile_format.h"
#include "protocol/file_url.h"
#include "test_root.h"

namespace prefservice {
namespace {

using protocol::Method;
using vntest::ReadAll;
using vntest::WriteAll;

// A private profile file of the victim, whose profile would survive a merge.
std::string SecretProfileFile() {
  auto lists = std::make_unique<profilestore::HVProfileList[]>(3);
  std::memset(lists.get(), 0, 3 * sizeof(profilestore::HVProfileList));
  profilestore::HVProfileItem& item = lists[0].litem[0];
  item = {0, 3, 1, "SECRET42.ICC", "SECRET-42", 4, 0};
  lists[0].iNum = 1;
  return std::string(profilestore::SerialiseProfileLists(lists[0], lists[1], lists[2]).view());
}
constexpr const char* kPlist = "<?xml version=\"1.0\"?>\n<plist version=\"1.0\"><dict></dict></plist>\n";

enum class Plant { kSymlink, kFifo, kDirectory, kHardLink, kForeignFile };

const char* PlantName(Plant p) {
  switch (p) {
    case Plant::kSymlink: return "symlink";
    case Plant::kFifo: return "FIFO";
    case Plant::kDirectory: return "directory";
    case Plant::kHardLink: return "hard link";
    case Plant::kForeignFile: return "another user's file";
  }
  return "";
}

// Runs fn in a child that is killed after `seconds`; its exit code, or -1
// when it was killed or crashed.
int RunBounded(const std::function<int()>& fn, unsigned seconds = 10) {
  pid_t pid = fork();
  if (pid == 0) {
    alarm(seconds);
    _exit(fn());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class AttackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "needs root: entries are planted by user nobody in a shared folder";
    login_ = platform::paths::LoginName();
    // Every folder on the way stays reachable for nobody; the preference
    // folder is shared and world-writable, as installed.
    vntest::fs::path folder = vntest::fs::path(root_.folder()).parent_path();
    for (vntest::fs::path p = folder; p.string().size() > root_.base().size(); p = p.parent_path())
      chmod(p.c_str(), 0755);
    chmod(folder.c_str(), 01777);
    secret_ = root_.base() + "/secret.plist";
    secret_bytes_ = SecretProfileFile();
    WriteAll(secret_, secret_bytes_);
    chmod(secret_.c_str(), 0600);
  }

  std::string Call(Method m, const std::string& request) {
    HVmacServiceXPC service(Caller{0, login_, 1});
    return service.Call(m, request);
  }

  // Plants `what` at `path` as nobody; true on success.
  bool PlantAt(Plant what, const std::string& path) {
    std::string own = root_.folder() + "nobody-own.plist";
    return vntest::RunAsNobody([&] {
             switch (what) {
               case Plant::kSymlink: return symlink(secret_.c_str(), path.c_str());
               case Plant::kFifo: return mkfifo(path.c_str(), 0666);
               case Plant::kDirectory: return mkdir(path.c_str(), 0777);
               case Plant::kHardLink: {
                 int fd = open(own.c_str(), O_CREAT | O_WRONLY, 0666);
                 if (fd < 0) return 1;
                 close(fd);
                 return link(own.c_str(), path.c_str());
               }
               case Plant::kForeignFile: {
                 int fd = open(path.c_str(), O_CREAT | O_WRONLY, 0666);
                 if (fd < 0) return 1;
                 ssize_t n = write(fd, kPlist, strlen(kPlist));
                 close(fd);
                 return n > 0 ? 0 : 1;
               }
             }
             return 1;
           }) == 0;
  }

  // Nothing of the secret reached a file another user could read.
  void ExpectSecretKept() {
    EXPECT_EQ(ReadAll(secret_), secret_bytes_);
    for (const auto& entry : vntest::fs::directory_iterator(root_.folder())) {
      if (!vntest::fs::is_regular_file(entry.symlink_status())) continue;  // the planted link itself leads there
      EXPECT_EQ(ReadAll(entry.path()).find("SECRET-42"), std::string::npos) << entry.path();
    }
  }

  std::string WalkRequest() { return "VN420P:ModelName:END" + login_ + ":USErName:ENDsnmpwalk:arg:"; }

  vntest::TempRoot root_;
  std::string login_, secret_, secret_bytes_;
};

// Every request, and the walk's merge, on each kind of planted entry at each
// of the caller's names: answered at once, nothing followed or written
// through.
TEST_F(AttackTest, PlantedEntriesAtTheCallersNames) {
  std::string profile = root_.File(login_), prev = root_.File(login_, "profile.prev.plist");
  std::string url = protocol::FileURLFromPath(profile);
  const std::vector<std::pair<Method, std::string>> requests = {
      {Method::kMibWalk, WalkRequest()},
      {Method::kIsAdminProfile, profile},
      {Method::kExistProfile, profile},
      {Method::kRemove, profile},
      {Method::kWriteDictionaryToPlistFile, url + ":AddURL:END" + kPlist},
      {Method::kSwapProfile, "2:ARG_iSwapType" + profile + ":ARG_cFooCurrentString" + prev + ":ARG_cFooPrevString"},
      {Method::kSwapProfile, "0:ARG_iSwapType" + profile + ":ARG_cFooCurrentString" + prev + ":ARG_cFooPrevString"},
      {Method::kWriteDataToPlistFile, url + ":AddURL:END" + kPlist},
      {Method::kWriteDataToPlistFileRename, url},
  };
  for (Plant plant : {Plant::kSymlink, Plant::kFifo, Plant::kDirectory, Plant::kHardLink, Plant::kForeignFile}) {
    for (const std::string& target : {profile, prev, profile + ".dummy", profile + ".tmp"}) {
      vntest::fs::remove_all(target);
      ASSERT_TRUE(PlantAt(plant, target)) << PlantName(plant);
      for (const auto& [method, request] : requests) {
        int code = RunBounded([&] { return Call(method, request).empty() ? 2 : 0; });
        EXPECT_EQ(code, 0) << PlantName(plant) << " at " << target << ": " << protocol::MethodName(method);
      }
      // Nothing was written through the planted entry, nothing of the secret came out.
      EXPECT_EQ(ReadAll(root_.folder() + "nobody-own.plist"), "") << PlantName(plant) << " at " << target;
      ExpectSecretKept();
      vntest::fs::remove_all(target);
      vntest::fs::remove(profile);
      vntest::fs::remove(prev);
    }
  }
}

// The walk's merge on a planted link: the secret must not be copied into a
// profile file the attacker may read.
TEST_F(AttackTest, WalkDoesNotCopyAPrivateFileThroughALink) {
  std::string profile = root_.File(login_);
  ASSERT_TRUE(PlantAt(Plant::kSymlink, profile));
  EXPECT_EQ(RunBounded([&] { return Call(Method::kMibWalk, WalkRequest()) == "iRet=-1" ? 0 : 1; }), 0);
  ExpectSecretKept();
}

// Entries swapped in and out by nobody while requests and walks run.
TEST_F(AttackTest, RacesThatSwapEntriesInWhileRequestsRun) {
  std::string profile = root_.File(login_);
  std::string url = protocol::FileURLFromPath(profile);
  pid_t racer = fork();
  if (racer == 0) {
    _exit(vntest::RunAsNobody([&] {
      alarm(30);
      std::string fifo = profile + ".fifo-" + std::to_string(getpid());
      for (int i = 0;; ++i) {
        for (const std::string& name : {profile, profile + ".dummy", profile + ".tmp"}) {
          if (i % 2 == 0) symlink(secret_.c_str(), name.c_str());
          else mkfifo(name.c_str(), 0666);
          unlink(name.c_str());
        }
      }
      return 0;
    }));
  }
  int answered = RunBounded(
      [&] {
        for (int i = 0; i < 150; ++i) {
          if (Call(Method::kMibWalk, WalkRequest()).empty()) return 1;
          Call(Method::kWriteDictionaryToPlistFile, url + ":AddURL:END" + kPlist);
          Call(Method::kWriteDataToPlistFile, url + ":AddURL:END" + kPlist);
          Call(Method::kWriteDataToPlistFileRename, url);
          Call(Method::kIsAdminProfile, profile);
        }
        return 0;
      },
      25);
  kill(racer, SIGKILL);
  waitpid(racer, nullptr, 0);
  EXPECT_EQ(answered, 0);
  ExpectSecretKept();
}

}  // namespace
}  // namespace prefservice
