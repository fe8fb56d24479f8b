// The service as another local user attacks it: entries planted at the
// caller's names in a shared world-writable folder, before and while requests
// and walks run. Neither side is root (root passes every permission check and
// would hide a fault): the victim's service runs as "daemon", the attacker as
// "nobody", each in a forked child; a victim's request runs under an alarm,
// so one that hangs fails the test instead of stopping it.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "files.h"
#include "loopback_listener.h"
#include "prefservice/service_xpc.h"
#include "profilestore/profile_format.h"
#include "protocol/file_url.h"
#include "temp_root.h"

namespace prefservice {
namespace {
using protocol::Method;
using ::testing::HasSubstr, ::testing::Not;
using testsupport::ReadText, testsupport::WriteText;

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
  static constexpr const char* kNames[] = {"symlink", "FIFO", "directory", "hard link",
                                           "another user's file"};
  return kNames[static_cast<int>(p)];
}

constexpr const char* kVictim = "daemon";
constexpr const char* kAttacker = "nobody";
// Set by SIGTERM in the racing attacker: it stops after removing what it planted.
volatile sig_atomic_t g_stop_racing = 0;

class AttackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to run the victim and the attacker as two other users";
    gid_t gid;
    uid_t attacker;
    ASSERT_TRUE(testsupport::UserIds(kVictim, &victim_, &gid) &&
                testsupport::UserIds(kAttacker, &attacker, &gid));
    ASSERT_NE(victim_, attacker);
    root_.ShareFolder();
    secret_ = root_.base() + "/secret.plist";
    secret_bytes_ = SecretProfileFile();
    WriteText(secret_, secret_bytes_);
    chmod(secret_.c_str(), 0600);
    chown(secret_.c_str(), victim_, static_cast<gid_t>(-1));
  }

  // Runs fn as the victim, killed after `seconds`: its exit code, or -1 when
  // it hung or crashed.
  int AsVictim(const std::function<int()>& fn, unsigned seconds = 10) {
    return testsupport::RunAs(kVictim, fn, seconds);
  }

  // The victim's own service answering one request (inside AsVictim only).
  std::string Call(Method m, const std::string& request) {
    HVmacServiceXPC service(Caller{victim_, kVictim, 1});
    return service.Call(m, request);
  }

  // Plants `what` at `path` as the attacker; true on success.
  bool PlantAt(Plant what, const std::string& path) {
    std::string own = root_.folder() + "nobody-own.plist";
    return testsupport::RunAs(kAttacker, [&] {
             switch (what) {
               case Plant::kSymlink:
                 return symlink(secret_.c_str(), path.c_str());
               case Plant::kFifo:
                 return mkfifo(path.c_str(), 0666);
               case Plant::kDirectory:
                 return mkdir(path.c_str(), 0777);
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
    EXPECT_EQ(ReadText(secret_), secret_bytes_);
    for (const auto& entry : std::filesystem::directory_iterator(root_.folder())) {
      if (!std::filesystem::is_regular_file(entry.symlink_status()))
        continue;  // the planted link itself leads there
      EXPECT_THAT(ReadText(entry.path()), Not(HasSubstr("SECRET-42"))) << entry.path();
    }
  }

  std::string WalkRequest() {
    return std::string("VN420P:ModelName:END") + kVictim + ":USErName:ENDsnmpwalk:arg:";
  }

  testsupport::TempRoot root_;
  uid_t victim_ = 0;
  std::string secret_, secret_bytes_;
};

// Every request, and the walk's merge, on each kind of planted entry at each
// of the caller's names: answered at once, nothing followed or written
// through. Once the entry is gone the victim's write goes through, so the
// refusals are the planted entry's doing, not a folder the victim cannot use.
TEST_F(AttackTest, PlantedEntriesAtTheCallersNames) {
  std::string profile = root_.File(kVictim), prev = root_.File(kVictim, "profile.prev.plist");
  std::string spool = root_.File(kVictim, "profile.spool.plist");
  std::string url = protocol::FileURLFromPath(profile);
  const std::vector<std::pair<Method, std::string>> requests = {
      {Method::kMibWalk, WalkRequest()},
      {Method::kIsAdminProfile, profile},
      {Method::kExistProfile, profile},
      {Method::kExistProfile, spool},
      {Method::kRemove, profile},
      {Method::kRemove, spool},
      {Method::kWriteDictionaryToPlistFile, url + ":AddURL:END" + kPlist},
      {Method::kSwapProfile,
       "2:ARG_iSwapType" + profile + ":ARG_cFooCurrentString" + prev + ":ARG_cFooPrevString"},
      {Method::kSwapProfile,
       "0:ARG_iSwapType" + profile + ":ARG_cFooCurrentString" + prev + ":ARG_cFooPrevString"},
      {Method::kWriteDataToPlistFile, url + ":AddURL:END" + kPlist},
      {Method::kWriteDataToPlistFileRename, url},
  };
  for (Plant plant :
       {Plant::kSymlink, Plant::kFifo, Plant::kDirectory, Plant::kHardLink, Plant::kForeignFile}) {
    for (const std::string& target : {profile, prev, spool, profile + ".dummy", profile + ".tmp"}) {
      std::filesystem::remove_all(target);
      ASSERT_TRUE(PlantAt(plant, target)) << PlantName(plant);
      for (const auto& [method, request] : requests) {
        int code = AsVictim([&] { return Call(method, request).empty() ? 2 : 0; });
        EXPECT_EQ(code, 0) << PlantName(plant) << " at " << target << ": " << protocol::MethodName(method);
      }
      // Nothing was written through the planted entry, nothing of the secret came out.
      EXPECT_EQ(ReadText(root_.folder() + "nobody-own.plist"), "") << PlantName(plant) << " at " << target;
      ExpectSecretKept();
      std::filesystem::remove_all(target);
      std::filesystem::remove(profile);
      std::filesystem::remove(prev);
      EXPECT_EQ(AsVictim([&] { return Call(requests[6].first, requests[6].second) == "TRUE" ? 0 : 1; }), 0)
          << "the victim's write after " << PlantName(plant) << " at " << target;
      struct stat st {};
      EXPECT_TRUE(lstat(profile.c_str(), &st) == 0 && st.st_uid == victim_);
      std::filesystem::remove(profile);
    }
  }
}

// Entries planted at every fixed name earlier versions made again for each
// write (temporary, staging and probe files): the victim's writes, chunked
// or whole, its backup and its administrator test all go through while they
// stand, and its files are writable by the victim alone.
TEST_F(AttackTest, EntriesAtTheNamesEarlierVersionsUsedDoNotBlockWrites) {
  std::string profile = root_.File(kVictim), prev = root_.File(kVictim, "profile.prev.plist");
  std::string url = protocol::FileURLFromPath(profile);
  const std::vector<std::string> names = {profile + ".tmp", prev + ".tmp", profile + ".dummy",
                                          profile + ".dummy.tmp", profile + ".admin.1.1"};
  for (Plant plant : {Plant::kForeignFile, Plant::kSymlink, Plant::kDirectory}) {
    for (const std::string& name : names)
      ASSERT_TRUE(PlantAt(plant, name)) << PlantName(plant) << " at " << name;
    EXPECT_EQ(AsVictim([&] {
                int failed = 0;
                failed += Call(Method::kIsAdminProfile, profile) != "TRUE";
                failed += Call(Method::kWriteDictionaryToPlistFile, url + ":AddURL:END" + kPlist) != "TRUE";
                failed += Call(Method::kWriteDataToPlistFile, url + ":AddURL:END" + kPlist) != "TRUE";
                failed += Call(Method::kWriteDataToPlistFileRename, url) != "TRUE";
                Call(Method::kSwapProfile,
                     "2:ARG_iSwapType" + profile + ":ARG_cFooCurrentString" + prev + ":ARG_cFooPrevString");
                return failed;
              }),
              0)
        << PlantName(plant);
    for (const std::string& file : {profile, prev}) {
      struct stat st {};
      ASSERT_EQ(lstat(file.c_str(), &st), 0) << PlantName(plant) << ": " << file;
      EXPECT_EQ(ReadText(file), kPlist);
      EXPECT_EQ(st.st_uid, victim_);
      EXPECT_EQ(st.st_mode & 0022, 0u) << file << " is writable by others";
    }
    ExpectSecretKept();
    for (const std::string& name : names) std::filesystem::remove_all(name);
    std::filesystem::remove(profile);
    std::filesystem::remove(prev);
  }
}

// The walk's merge on a planted link: the secret must not be copied into a
// profile file the attacker may read.
TEST_F(AttackTest, WalkDoesNotCopyAPrivateFileThroughALink) {
  std::string profile = root_.File(kVictim);
  ASSERT_TRUE(PlantAt(Plant::kSymlink, profile));
  EXPECT_EQ(AsVictim([&] { return Call(Method::kMibWalk, WalkRequest()) == "iRet=-1" ? 0 : 1; }), 0);
  ExpectSecretKept();
}

// Walk options beyond what discovery needs never reach the library through
// the service: each answers the parse-error status, and nothing is written
// where the options pointed (a folder the victim may write).
TEST_F(AttackTest, WalkOptionsBeyondWhatDiscoveryNeedsAreRefused) {
  std::string log = root_.folder() + "walk.log";
  // A listener at every place the library's other transports would reach
  // for "<transport>:<port>"; none of them may hear anything.
  using testsupport::LoopbackListener;
  LoopbackListener tcp(LoopbackListener::kTcp4);
  ASSERT_TRUE(tcp.valid());
  const std::string port = std::to_string(tcp.port());
  LoopbackListener udp(LoopbackListener::kUdp4, tcp.port()), udp6(LoopbackListener::kUdp6, tcp.port()),
      tcp6(LoopbackListener::kTcp6, tcp.port()),
      local(LoopbackListener::kUnix, 0, root_.base() + "/" + port);  // in the victim's working folder
  chmod((root_.base() + "/" + port).c_str(), 0777);
  for (const char* transport : {"tcp:", "unix:", "udp6:", "tcp6:", "udp:", "TCP:", "tcpv6:"}) {
    std::string request = WalkRequest() + "-v:arg:1:arg:-c:arg:public:arg:" + transport + port + ":arg:";
    EXPECT_EQ(AsVictim([&] {
                return chdir(root_.base().c_str()) == 0 && Call(Method::kMibWalk, request) == "iRet=-1" ? 0
                                                                                                        : 1;
              }),
              0)
        << transport;
  }
  for (LoopbackListener* l : {&tcp, &udp, &udp6, &tcp6, &local})
    EXPECT_FALSE(l->valid() && l->Heard(std::chrono::milliseconds(100)))
        << "a walk reached listener on " << port;
  for (const std::string& args : std::vector<std::string>{
           "-v:arg:1:arg:-c:arg:public:arg:-Lf:arg:" + log + ":arg:127.0.0.1:arg:",
           "-Lf" + log + ":arg:127.0.0.1:arg:", "-Dall:arg:127.0.0.1:arg:", "-I:arg:r:arg:127.0.0.1:arg:",
           "-m:arg:ALL:arg:127.0.0.1:arg:", "-v:arg:1:arg:unix:" + root_.folder() + "agent.sock:arg:",
           "-t:arg:600:arg:127.0.0.1:arg:", "-r:arg:99:arg:127.0.0.1:arg:",
           "-v:arg:3:arg:-u:arg:u:arg:127.0.0.1:arg:",
           "-v:arg:1:arg:-c:arg:public:arg:-lpd-host:arg:",  // an LPD host that begins with '-'
       }) {
    std::string request = WalkRequest() + args;
    EXPECT_EQ(AsVictim([&] { return Call(Method::kMibWalk, request) == "iRet=-1" ? 0 : 1; }), 0) << args;
  }
  EXPECT_FALSE(std::filesystem::exists(log));
}

// Entries of every kind swapped in and out by the attacker while the victim's
// requests and walks run: every request is answered, nothing of the secret
// comes out, and whatever the victim's service left at its names is its own.
TEST_F(AttackTest, RacesThatSwapEntriesInWhileRequestsRun) {
  std::string profile = root_.File(kVictim);
  std::string url = protocol::FileURLFromPath(profile);
  ASSERT_TRUE(PlantAt(Plant::kForeignFile, root_.folder() + "nobody-race.plist"));
  pid_t racer = testsupport::StartAs(
      kAttacker,
      [&] {
        signal(SIGTERM, [](int) { g_stop_racing = 1; });
        std::string own = root_.folder() + "nobody-race.plist";
        for (int i = 0; !g_stop_racing; ++i) {
          for (const std::string& name :
               {profile, profile + ".prev.plist", profile + ".dummy", profile + ".tmp"}) {
            switch (i % 4) {
              case 0:
                symlink(secret_.c_str(), name.c_str());
                break;
              case 1:
                mkfifo(name.c_str(), 0666);
                break;
              case 2:
                mkdir(name.c_str(), 0777);
                break;
              default:
                link(own.c_str(), name.c_str());
                break;
            }
            usleep(50);
            if (unlink(name.c_str()) != 0) rmdir(name.c_str());
          }
        }
        return 0;
      },
      40);
  ASSERT_GT(racer, 0);
  int answered = AsVictim(
      [&] {
        for (int i = 0; i < 150; ++i) {
          if (Call(Method::kMibWalk, WalkRequest()).empty()) return 1;
          if (Call(Method::kWriteDictionaryToPlistFile, url + ":AddURL:END" + kPlist).empty()) return 1;
          if (Call(Method::kWriteDataToPlistFile, url + ":AddURL:END" + kPlist).empty()) return 1;
          if (Call(Method::kWriteDataToPlistFileRename, url).empty()) return 1;
          if (Call(Method::kIsAdminProfile, profile).empty()) return 1;
        }
        return 0;
      },
      30);
  kill(racer, SIGTERM);
  int status = 0;
  waitpid(racer, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the attacker did not run to the end";
  EXPECT_EQ(answered, 0);
  ExpectSecretKept();
  struct stat st {};
  if (lstat(profile.c_str(), &st) == 0) {
    EXPECT_TRUE(S_ISREG(st.st_mode) && st.st_uid == victim_ && st.st_nlink == 1);
  }
}

}  // namespace
}  // namespace prefservice
