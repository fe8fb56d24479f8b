// The service under clients that do not play along (slow, idle, oversized),
// two dialogs or two services at once, and the files a killed service leaves:
// real processes over the real socket. Run as root, each test runs as user
// "daemon" (the tools and the service it starts too), so no check passes on
// root's rights; the clients that do not play along are the same user's, the
// only ones the service lets in.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/socket.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>
#include <vector>

#include "files.h"
#include "loopback_listener.h"
#include "platform/ipc.h"
#include "platform/paths.h"
#include "platform/unique_fd.h"
#include "protocol/file_url.h"
#include "protocol/request.h"
#include "temp_root.h"

namespace {

using platform::ipc::FrameStatus;
using platform::ipc::Socket;
using testsupport::ReadText;
using testsupport::RunBridge;
using testsupport::WriteText;

std::string Document(char fill, size_t size) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>k</key><string>" +
         std::string(size, fill) + "</string></dict></plist>\n";
}

long ResidentKiB(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

// Held by the tests that plant at, or rely on, the user's private folder in
// /tmp, which every test of the same user shares: ctest runs them in
// parallel processes.
class SharedTmpFolderLock {
 public:
  SharedTmpFolderLock() {
    const char* path = "/tmp/vn420p-tests-private-folder.lock";
    fd_.reset(open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!fd_.valid()) {
      fd_.reset(open(path, O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644));
      if (!fd_.valid()) fd_.reset(open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    }
    if (fd_.valid()) flock(fd_.fd(), LOCK_EX);
  }

 private:
  platform::UniqueFd fd_;
};

class HardeningTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() == 0) {
      ASSERT_TRUE(root_.HandTo("daemon"));
      as_.emplace("daemon");
      ASSERT_TRUE(as_->ok());
    }
    login_ = platform::paths::LoginName();
    profile_ = root_.File(login_);
    url_ = protocol::FileURLFromPath(profile_);
    ASSERT_EQ(RunBridge({"hvPListExistProfile_XPC", profile_}).output, "hvPListExistProfile_XPC=FALSE\n");
    service_ = root_.ServicePid();
    ASSERT_GT(service_, 0);
  }
  // One request straight on the socket, answered before `deadline`.
  std::string Ask(const std::string& method, const std::string& request, std::chrono::seconds wait) {
    Socket c = platform::ipc::Connect(root_.socket());
    if (!c.valid() || !platform::ipc::WriteFrame(c.fd(), method) ||
        !platform::ipc::WriteFrame(c.fd(), request))
      return "unsent";
    std::string reply;
    auto status = platform::ipc::ReadFrameBy(c.fd(), &reply, 64, std::chrono::steady_clock::now() + wait);
    return status == FrameStatus::kOk ? reply : "unanswered";
  }

  // A walk to `agent` (-t 10 -r 1: one request may take 20 s) through the
  // tool, started apart: the tool's pid.
  pid_t StartWalk(const std::string& agent) {
    std::string tool = platform::paths::BridgeToolPath();
    std::vector<std::string> args = {
        tool, "mibwalk_XPC", "VN420P", login_,   "snmpwalk",
        "-v", "1",           "-c",     "public", "-t",
        "10", "-r",          "1",      agent,    "1.3.6.1.4.1.32473.1.1.1.1.6.13.1.1"};
    pid_t pid = fork();
    if (pid == 0) {
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(tool.c_str(), argv.data());
      _exit(127);
    }
    return pid;
  }

  testsupport::TempRoot root_{true};
  std::optional<testsupport::ScopedUser> as_;  // ends before root_ is removed
  std::string login_, profile_, url_;
  pid_t service_ = -1;
};

// Idle clients, clients trickling a byte at a time and clients announcing
// the largest request and sending nothing: a normal request is still
// answered at once, the service does not reserve what was only announced,
// and a trickling client is dropped when its request is not complete in time.
TEST_F(HardeningTest, SlowIdleAndOversizedClientsDoNotStarveANormalRequest) {
  std::vector<Socket> idle, oversized, trickling;
  for (int i = 0; i < 32; ++i) {
    idle.push_back(platform::ipc::Connect(root_.socket()));
    oversized.push_back(platform::ipc::Connect(root_.socket()));
    const unsigned char head[4] = {0x00, 0x7f, 0xff, 0xff};  // just under the limit
    platform::ipc::WriteFrame(oversized.back().fd(), "hvPListExistProfile_XPC");
    send(oversized.back().fd(), head, sizeof head, MSG_NOSIGNAL);
    trickling.push_back(platform::ipc::Connect(root_.socket()));
    send(trickling.back().fd(), "\0", 1, MSG_NOSIGNAL);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(Ask("hvPListExistProfile_XPC", profile_, std::chrono::seconds(1)), "FALSE");
  EXPECT_LT(ResidentKiB(service_), 64 * 1024) << "the service reserved what was only announced";
  EXPECT_EQ(RunBridge({"hvPListExistProfile_XPC", profile_}).output, "hvPListExistProfile_XPC=FALSE\n");

  // A client that keeps trickling is cut off once its whole request is late.
  Socket slow = platform::ipc::Connect(root_.socket());
  const unsigned char method_head[4] = {0, 0, 0, 60};
  send(slow.fd(), method_head, sizeof method_head, MSG_NOSIGNAL);
  bool dropped = false;
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 60 && !dropped; ++i) {
    dropped = send(slow.fd(), "x", 1, MSG_NOSIGNAL) != 1;
    char c;
    dropped = dropped || recv(slow.fd(), &c, 1, MSG_DONTWAIT) == 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
  }
  EXPECT_TRUE(dropped) << "a client sending a byte at a time held its connection for 15 s";
  EXPECT_GT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2))
      << "dropped before it was late";
}

// Two dialogs write the profile file through chunks at the same time: the
// file is always one dialog's whole document, and a write answered TRUE is
// the one in the file when it was answered.
TEST_F(HardeningTest, TwoDialogsWritingAtOnceNeverSpliceTheFile) {
  const std::string a = Document('a', 250000), b = Document('b', 250000);
  auto dialog = [&](const std::string& text) {
    // A dialog of its own: the bridge tool's parent differs from the other's.
    pid_t pid = fork();
    if (pid == 0) {
      int wins = 0;
      for (int round = 0; round < 6; ++round) {
        bool ok = true;
        for (size_t at = 0; ok && at < text.size(); at += 90000)
          ok = RunBridge({"writeDataToPlistFile_XPC", url_, text.substr(at, 90000)}).output ==
               "writeDataToPlistFile_XPC=TRUE\n";
        if (ok && RunBridge({"writeDataToPlistFileRename_XPC", url_}).output ==
                      "writeDataToPlistFileRename_XPC=TRUE\n")
          ++wins;
      }
      _exit(wins);
    }
    return pid;
  };
  pid_t first = dialog(a), second = dialog(b);
  // Meanwhile the file is only ever one of the two documents.
  bool spliced = false;
  for (int i = 0; i < 200; ++i) {
    std::string now = ReadText(profile_);
    spliced = spliced || (!now.empty() && now != a && now != b);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  int status_a = 0, status_b = 0;
  waitpid(first, &status_a, 0);
  waitpid(second, &status_b, 0);
  EXPECT_FALSE(spliced);
  std::string last = ReadText(profile_);
  EXPECT_TRUE(last == a || last == b);
  EXPECT_GT(WEXITSTATUS(status_a) + WEXITSTATUS(status_b), 0);
}

// Walks run apart from file requests: while a walk waits on a silent agent,
// file requests are answered at once. A walk ends with its caller: once the
// caller is killed, the next walk starts at once.
TEST_F(HardeningTest, WalksNeverHoldFileRequestsAndEndWithTheirCaller) {
  using testsupport::LoopbackListener;
  using Clock = std::chrono::steady_clock;
  LoopbackListener agent(LoopbackListener::kUdp4);
  ASSERT_TRUE(agent.valid());
  pid_t first = StartWalk(agent.address());
  ASSERT_TRUE(agent.Heard(std::chrono::seconds(5))) << "the walk did not begin";
  for (int i = 0; i < 3; ++i) {
    auto start = Clock::now();
    EXPECT_EQ(RunBridge({"hvPListIsAdminProfile_XPC", profile_}).output, "hvPListIsAdminProfile_XPC=TRUE\n");
    EXPECT_EQ(Ask("hvPListExistProfile_XPC", profile_, std::chrono::seconds(1)), "FALSE");
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1)) << "a file request waited for the walk";
  }
  kill(first, SIGKILL);
  waitpid(first, nullptr, 0);
  auto start = Clock::now();
  pid_t second = StartWalk(agent.address());
  // The killed caller's walk would send its retry only after 10 s.
  EXPECT_TRUE(agent.Heard(std::chrono::seconds(8)));
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(3)) << "the next walk waited for the killed caller's";
  kill(second, SIGKILL);
  waitpid(second, nullptr, 0);
}

// Another user's folder or link at /tmp/vn420p-<uid>, made before the
// service starts, does not keep it from starting (the user has a private
// runtime folder); and the service works from "/", not from the folder it
// was started in.
TEST_F(HardeningTest, AnotherUsersEntryInTmpDoesNotStopTheService) {
  if (!as_) GTEST_SKIP() << "needs root to plant the entry as another user";
  const std::string fallback = "/tmp/vn420p-" + std::to_string(geteuid());
  for (bool link : {false, true}) {
    root_.StopService();
    as_.reset();
    std::filesystem::remove_all(fallback);
    ASSERT_EQ(testsupport::RunAsNobody(
                  [&] { return link ? symlink("/tmp", fallback.c_str()) : mkdir(fallback.c_str(), 0777); }),
              0);
    as_.emplace("daemon");
    EXPECT_EQ(RunBridge({"hvPListExistProfile_XPC", profile_}).output, "hvPListExistProfile_XPC=FALSE\n")
        << (link ? "link" : "folder");
    pid_t service = root_.ServicePid();
    as_.reset();
    std::error_code ec;
    EXPECT_EQ(std::filesystem::read_symlink("/proc/" + std::to_string(service) + "/cwd", ec), "/");
    std::filesystem::remove(fallback);
    as_.emplace("daemon");
  }
}

// A second service for the same user and preference folder (another runtime
// folder) does not start, so it can never undo the first one's writes.
TEST_F(HardeningTest, OneServicePerUserWhateverTheRuntimeFolder) {
  SharedTmpFolderLock shared;
  std::string other = root_.base() + "/run2";
  std::filesystem::create_directories(other);
  chmod(other.c_str(), 0700);
  setenv("XDG_RUNTIME_DIR", other.c_str(), 1);
  platform::TaskResult r = RunBridge({"hvPListExistProfile_XPC", profile_});
  setenv("XDG_RUNTIME_DIR", root_.runtime().c_str(), 1);
  EXPECT_EQ(r.output, "");
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_EQ(root_.ServicePid(), service_);
}

// What a killed service left behind (a large temporary file, a probe of the
// administrator test) is cleared by the next one; other users' files stay.
TEST_F(HardeningTest, StaleTemporaryFilesOfTheCallerAreRemoved) {
  root_.StopService();
  std::string tmp = profile_ + ".tmp", probe = profile_ + ".admin.1.1",
              theirs = root_.File("someoneelse") + ".tmp";
  WriteText(tmp, std::string(1 << 20, 'x'));
  WriteText(probe, "");
  WriteText(theirs, "x");
  EXPECT_EQ(RunBridge({"hvPListExistProfile_XPC", profile_}).output, "hvPListExistProfile_XPC=FALSE\n");
  EXPECT_FALSE(std::filesystem::exists(tmp));
  EXPECT_FALSE(std::filesystem::exists(probe));
  EXPECT_TRUE(std::filesystem::exists(theirs));
}

// Something that is no socket at the socket's name: a file is replaced, a
// folder makes the tool fail at once with a message.
TEST_F(HardeningTest, NonSocketEntryAtTheSocketPath) {
  root_.StopService();
  WriteText(root_.socket(), "stale");
  EXPECT_EQ(RunBridge({"hvPListExistProfile_XPC", profile_}).output, "hvPListExistProfile_XPC=FALSE\n");
  root_.StopService();
  std::filesystem::remove(root_.socket());
  std::filesystem::create_directory(root_.socket());
  auto start = std::chrono::steady_clock::now();
  platform::TaskResult r = RunBridge({"hvPListExistProfile_XPC", profile_});
  EXPECT_EQ(r.output, "");
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4)) << "it waited for a service";
}

// An installation root and a runtime folder longer than any fixed buffer and
// than a socket address: the tool and the service still reach each other
// (through the private runtime folder), and every file lands at its whole
// path, nothing at a cut one.
TEST_F(HardeningTest, ALongInstallationRootAndRuntimeFolder) {
  SharedTmpFolderLock shared;
  root_.StopService();
  std::string deep =
      root_.base() + "/" + std::string(250, 'r') + "/" + std::string(250, 'q') + "/" + std::string(200, 'p');
  std::string runtime = root_.base() + "/" + std::string(120, 't');
  std::filesystem::create_directories(runtime);
  chmod(runtime.c_str(), 0700);
  setenv("VN420P_ROOT", deep.c_str(), 1);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  std::string folder = platform::paths::PreferenceFolder();
  std::filesystem::create_directories(folder);
  root_.Install();
  std::string profile = folder + login_ + "-VN420P-profile.plist", url = protocol::FileURLFromPath(profile);
  const std::string doc = Document('d', 10);
  EXPECT_EQ(RunBridge({"hvPListIsAdminProfile_XPC", profile}).output, "hvPListIsAdminProfile_XPC=TRUE\n");
  EXPECT_EQ(RunBridge({"writeDictionaryToPlistFile_XPC", url, doc}).output,
            "writeDictionaryToPlistFile_XPC=TRUE\n");
  EXPECT_EQ(RunBridge({"writeDataToPlistFile_XPC", url, doc}).output, "writeDataToPlistFile_XPC=TRUE\n");
  EXPECT_EQ(RunBridge({"writeDataToPlistFileRename_XPC", url}).output,
            "writeDataToPlistFileRename_XPC=TRUE\n");
  EXPECT_EQ(
      RunBridge({"hvPListSwapProfile_XPC", "2", profile, folder + login_ + "-VN420P-profile.prev.plist"})
          .exitStatus,
      0);
  EXPECT_EQ(ReadText(profile), doc);
  EXPECT_EQ(ReadText(folder + login_ + "-VN420P-profile.prev.plist"), doc);
  size_t files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root_.base()))
    files += entry.is_regular_file() && entry.path().filename().string().find("VN420P") != std::string::npos;
  EXPECT_EQ(files, 2u) << "a file landed at a cut path";
  // The service of this root listens in the private folder; it ends with the test.
  platform::ipc::Socket s = platform::ipc::Connect(platform::ipc::SocketPath(protocol::kServiceName));
  pid_t pid = -1;
  if (s.valid() && platform::ipc::PeerCredentials(s.fd(), nullptr, &pid) && pid > 0) kill(pid, SIGKILL);
  setenv("VN420P_ROOT", root_.root().c_str(), 1);
  setenv("XDG_RUNTIME_DIR", root_.runtime().c_str(), 1);
}

// A runtime folder open to others (or another user's) is not used.
TEST_F(HardeningTest, ARuntimeFolderOpenToOthersIsNotUsed) {
  root_.StopService();
  chmod(root_.runtime().c_str(), 0755);
  EXPECT_NE(platform::ipc::SocketPath(protocol::kServiceName), root_.socket());
  chmod(root_.runtime().c_str(), 0700);
  EXPECT_EQ(platform::ipc::SocketPath(protocol::kServiceName), root_.socket());
}

}  // namespace
