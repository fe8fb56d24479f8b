// bridgetool against prefservice as real processes over the real socket, in a
// temporary installation root. Each test starts its own service (on demand,
// through the tool) and stops it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <atomic>
#include <filesystem>
#include <random>

#include "files.h"
#include "platform/ipc.h"
#include "platform/paths.h"
#include "protocol/file_url.h"
#include "protocol/request.h"
#include "temp_root.h"

namespace {

using testsupport::ReadText;
using testsupport::RunBridge;
using testsupport::WriteText;

constexpr const char* kPlist =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>k</key>"
    "<string>\xE6\x97\xA5\xE6\x9C\xAC</string></dict></plist>\n";

class BridgeServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    login_ = platform::paths::LoginName();
    profile_ = root_.File(login_);
    prev_ = root_.File(login_, "profile.prev.plist");
    url_ = protocol::FileURLFromPath(profile_);
  }
  std::string Out(const std::vector<std::string>& args) { return RunBridge(args).output; }

  testsupport::TempRoot root_{true};
  std::string login_, profile_, prev_, url_;
};

TEST_F(BridgeServiceTest, FirstRequestStartsTheService) {
  EXPECT_EQ(root_.ServicePid(), -1);
  platform::TaskResult r = RunBridge({"hvPListExistProfile_XPC", profile_});
  EXPECT_EQ(r.output, "hvPListExistProfile_XPC=FALSE\n");
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_GT(root_.ServicePid(), 0);
}

TEST_F(BridgeServiceTest, AllEightMethodsPrintTheirLine) {
  EXPECT_EQ(Out({"hvPListIsAdminProfile_XPC", profile_}), "hvPListIsAdminProfile_XPC=TRUE\n");
  EXPECT_EQ(Out({"writeDictionaryToPlistFile_XPC", url_, kPlist}), "writeDictionaryToPlistFile_XPC=TRUE\n");
  EXPECT_EQ(ReadText(profile_), kPlist);
  EXPECT_EQ(Out({"hvPListExistProfile_XPC", profile_}), "hvPListExistProfile_XPC=TRUE\n");
  EXPECT_EQ(Out({"hvPListSwapProfile_XPC", "2", profile_, prev_}), "hvPListSwapProfile_XPC=TRUE\n");
  EXPECT_EQ(ReadText(prev_), kPlist);
  EXPECT_EQ(Out({"hvPListRemove_XPC", prev_}), "hvPListRemove_XPC=TRUE\n");
  EXPECT_EQ(Out({"hvPListRemove_XPC", prev_}), "hvPListRemove_XPC=FALSE\n");
  std::string text = kPlist;
  EXPECT_EQ(Out({"writeDataToPlistFile_XPC", url_, text.substr(0, 60)}), "writeDataToPlistFile_XPC=TRUE\n");
  EXPECT_EQ(Out({"writeDataToPlistFile_XPC", url_, text.substr(60)}), "writeDataToPlistFile_XPC=TRUE\n");
  EXPECT_EQ(Out({"writeDataToPlistFileRename_XPC", url_}), "writeDataToPlistFileRename_XPC=TRUE\n");
  EXPECT_EQ(ReadText(profile_), text);
  // The walk of another user is refused; one of this user's reaches the walk.
  EXPECT_EQ(Out({"mibwalk_XPC", "VN420P", "someoneelse"}), "mibwalk_XPC=iRet=1\n");
  std::string walk = Out({"mibwalk_XPC", "VN420P", login_});
  EXPECT_EQ(walk.rfind("mibwalk_XPC=iRet=", 0), 0u) << walk;
  EXPECT_EQ(walk.back(), '\n');
}

TEST_F(BridgeServiceTest, UnknownMethodOrTooFewArgumentsPrintNothing) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"noSuchMethod_XPC", profile_}, {"hvPListExistProfile_XPC"}, {"hvPListSwapProfile_XPC", "2"}, {}}) {
    platform::TaskResult r = RunBridge(args);
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(r.exitStatus, 0);
  }
  EXPECT_EQ(root_.ServicePid(), -1);  // nothing was sent, so nothing was started
}

TEST_F(BridgeServiceTest, NonASCIIChunkArrivesUnchanged) {
  std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>名前</key><string>";
  std::string tail = "プロファイル 😀 é</string></dict></plist>\n";
  EXPECT_EQ(Out({"writeDataToPlistFile_XPC", url_, head}), "writeDataToPlistFile_XPC=TRUE\n");
  EXPECT_EQ(Out({"writeDataToPlistFile_XPC", url_, tail}), "writeDataToPlistFile_XPC=TRUE\n");
  EXPECT_EQ(Out({"writeDataToPlistFileRename_XPC", url_}), "writeDataToPlistFileRename_XPC=TRUE\n");
  EXPECT_EQ(ReadText(profile_), head + tail);
}

TEST_F(BridgeServiceTest, BrokenOffWriteThenCompleteWriteGivesAValidFile) {
  std::string text = kPlist;
  WriteText(profile_, "old");
  EXPECT_EQ(Out({"writeDataToPlistFile_XPC", url_, text.substr(0, 70)}), "writeDataToPlistFile_XPC=TRUE\n");
  // ...broken off: no more chunks, no rename. The next write:
  EXPECT_EQ(Out({"writeDataToPlistFile_XPC", url_, text.substr(0, 30)}), "writeDataToPlistFile_XPC=TRUE\n");
  EXPECT_EQ(Out({"writeDataToPlistFile_XPC", url_, text.substr(30)}), "writeDataToPlistFile_XPC=TRUE\n");
  EXPECT_EQ(Out({"writeDataToPlistFileRename_XPC", url_}), "writeDataToPlistFileRename_XPC=TRUE\n");
  EXPECT_EQ(ReadText(profile_), text);
}

TEST_F(BridgeServiceTest, RefusedPathsChangeNothingOutside) {
  std::string outside = root_.base() + "/outside.plist";
  WriteText(outside, "keep");
  std::string other = root_.File("someoneelse");
  WriteText(other, "theirs");
  for (const std::string& path : {outside, other, root_.folder() + "../x-VN420P-profile.plist"}) {
    EXPECT_EQ(Out({"hvPListRemove_XPC", path}), "hvPListRemove_XPC=FALSE\n");
    EXPECT_EQ(Out({"writeDictionaryToPlistFile_XPC", protocol::FileURLFromPath(path), kPlist}),
              "writeDictionaryToPlistFile_XPC=FALSE\n");
  }
  std::filesystem::create_symlink(outside, profile_);
  EXPECT_EQ(Out({"writeDictionaryToPlistFile_XPC", url_, kPlist}), "writeDictionaryToPlistFile_XPC=FALSE\n");
  EXPECT_EQ(Out({"hvPListIsAdminProfile_XPC", profile_}), "hvPListIsAdminProfile_XPC=FALSE\n");
  EXPECT_EQ(ReadText(outside), "keep");
  EXPECT_EQ(ReadText(other), "theirs");
}

// A stand-in service that takes the request and dies without answering.
TEST_F(BridgeServiceTest, ServiceDyingMidRequestEndsTheToolWithoutOutput) {
  platform::ipc::Socket listener = platform::ipc::Listen(root_.socket());
  ASSERT_TRUE(listener.valid());
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    platform::ipc::Socket c(accept(listener.fd(), nullptr, nullptr));
    std::string method;
    platform::ipc::ReadFrame(c.fd(), &method, 64);
    kill(getpid(), SIGKILL);
    _exit(0);
  }
  listener.reset();
  platform::TaskResult r = RunBridge({"hvPListExistProfile_XPC", profile_});
  EXPECT_EQ(r.output, "");
  EXPECT_EQ(r.exitStatus, 1);  // and standard error says why
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status));
}

TEST_F(BridgeServiceTest, RealServiceKilledMidRequestEndsTheTool) {
  // The request is held at the service's door: only its first frame is sent.
  ASSERT_EQ(Out({"hvPListExistProfile_XPC", profile_}), "hvPListExistProfile_XPC=FALSE\n");
  pid_t service = root_.ServicePid();
  ASSERT_GT(service, 0);
  platform::ipc::Socket c = platform::ipc::Connect(root_.socket());
  ASSERT_TRUE(platform::ipc::WriteFrame(c.fd(), "hvPListExistProfile_XPC"));
  kill(service, SIGKILL);
  std::string reply;
  EXPECT_NE(platform::ipc::ReadFrame(c.fd(), &reply, 64), platform::ipc::FrameStatus::kOk);
  // The next request starts a new service.
  EXPECT_EQ(Out({"hvPListExistProfile_XPC", profile_}), "hvPListExistProfile_XPC=FALSE\n");
  EXPECT_NE(root_.ServicePid(), service);
}

TEST_F(BridgeServiceTest, OversizedRequestIsRefusedUnread) {
  ASSERT_EQ(Out({"hvPListExistProfile_XPC", profile_}), "hvPListExistProfile_XPC=FALSE\n");
  platform::ipc::Socket c = platform::ipc::Connect(root_.socket());
  ASSERT_TRUE(platform::ipc::WriteFrame(c.fd(), "writeDictionaryToPlistFile_XPC"));
  // Announce 1 GiB and send only the length: the service must not wait for it.
  unsigned char head[4] = {0x40, 0, 0, 0};
  ASSERT_EQ(send(c.fd(), head, 4, MSG_NOSIGNAL), 4);
  std::string reply;
  EXPECT_EQ(platform::ipc::ReadFrame(c.fd(), &reply, 64), platform::ipc::FrameStatus::kClosed);
  EXPECT_FALSE(std::filesystem::exists(profile_));
}

TEST_F(BridgeServiceTest, TwoStartersAtOnceShareOneService) {
  std::vector<std::thread> threads;
  std::atomic<int> ok{0};
  for (int i = 0; i < 6; ++i)
    threads.emplace_back([&] {
      if (RunBridge({"hvPListExistProfile_XPC", profile_}).output == "hvPListExistProfile_XPC=FALSE\n") ++ok;
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(ok, 6);
  // Exactly one service holds the socket.
  pid_t pid = root_.ServicePid();
  ASSERT_GT(pid, 0);
  root_.StopService();
  EXPECT_EQ(root_.ServicePid(), -1);
}

// Tests that need another user id run it in a forked child as nobody.
class OtherUserTest : public BridgeServiceTest {
 protected:
  void SetUp() override {
    if (getuid() != 0) GTEST_SKIP() << "needs root to switch to user nobody";
    BridgeServiceTest::SetUp();
    nobody_ = testsupport::NobodyUid();
    ASSERT_NE(nobody_, 0u);
    chown(root_.runtime().c_str(), nobody_, static_cast<gid_t>(-1));
  }
  void TearDown() override {
    root_.StopService();  // a service of nobody's, started on demand
  }
  uid_t nobody_ = 0;
};

TEST_F(OtherUserTest, AdministratorTestInAFolderTheUserMayNotWrite) {
  chmod(root_.folder().c_str(), 0755);  // root's folder: nobody may not write it
  std::string file = root_.File("nobody");
  int code = testsupport::RunAsNobody([&] {
    std::string out = RunBridge({"hvPListIsAdminProfile_XPC", file}).output;
    return out == "hvPListIsAdminProfile_XPC=FALSE\n" ? 0 : 1;
  });
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(std::filesystem::exists(file));
  // The same user in a folder it may write passes, and leaves no file.
  chmod(root_.folder().c_str(), 0777);
  root_.StopService();
  code = testsupport::RunAsNobody([&] {
    std::string out = RunBridge({"hvPListIsAdminProfile_XPC", file}).output;
    return out == "hvPListIsAdminProfile_XPC=TRUE\n" ? 0 : 1;
  });
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(OtherUserTest, PeerWithAnotherUserIdIsRefused) {
  chmod(root_.folder().c_str(), 0777);
  // Start nobody's service through nobody's own first request.
  std::string file = root_.File("nobody");
  int code = testsupport::RunAsNobody([&] {
    return RunBridge({"hvPListIsAdminProfile_XPC", file}).output == "hvPListIsAdminProfile_XPC=TRUE\n" ? 0 : 1;
  });
  ASSERT_EQ(code, 0);
  pid_t service = root_.ServicePid();
  ASSERT_GT(service, 0);
  // root's tool does not use a runtime folder that is not root's; root reaching
  // the socket itself (root passes its permission bits) is refused unanswered.
  EXPECT_TRUE(platform::ipc::SocketPath(protocol::kServiceName) != root_.socket());
  for (const auto& [method, request] : std::vector<std::pair<std::string, std::string>>{
           {"hvPListIsAdminProfile_XPC", file},
           {"writeDictionaryToPlistFile_XPC", protocol::FileURLFromPath(file) + ":AddURL:END" + kPlist}}) {
    platform::ipc::Socket c = platform::ipc::Connect(root_.socket());
    ASSERT_TRUE(c.valid());
    platform::ipc::WriteFrame(c.fd(), method);
    platform::ipc::WriteFrame(c.fd(), request);
    std::string reply;
    EXPECT_NE(platform::ipc::ReadFrame(c.fd(), &reply, 64), platform::ipc::FrameStatus::kOk) << method;
  }
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_EQ(root_.ServicePid(), service);  // the service lives on
}

}  // namespace

namespace {

// Socket activation as systemd does it: the socket arrives as descriptor 3
// with LISTEN_PID/LISTEN_FDS naming the service process.
TEST(SocketActivation, ServiceAnswersOnTheSocketItWasHanded) {
  testsupport::TempRoot root(true);
  platform::ipc::Socket listener = platform::ipc::Listen(root.socket());
  ASSERT_TRUE(listener.valid());
  std::string service =
      std::filesystem::path(platform::paths::BridgeToolPath()).parent_path() / "prefservice";
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (listener.fd() == 3) {
      fcntl(3, F_SETFD, 0);  // dup2 onto itself would keep close-on-exec
    } else if (dup2(listener.fd(), 3) != 3) {
      _exit(101);
    }
    setenv("LISTEN_PID", std::to_string(getpid()).c_str(), 1);
    setenv("LISTEN_FDS", "1", 1);
    execl(service.c_str(), service.c_str(), static_cast<char*>(nullptr));
    _exit(102);
  }
  listener.reset();
  std::string file = root.File(platform::paths::LoginName());
  EXPECT_EQ(RunBridge({"hvPListExistProfile_XPC", file}).output, "hvPListExistProfile_XPC=FALSE\n");
  // The socket is still the one handed over (its credentials name the process
  // that listened: this test), so no service bound a socket of its own.
  EXPECT_EQ(root.ServicePid(), getpid());
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
}

}  // namespace
