// The tool against services that are not what they should be, end to end: one
// that accepts and never answers, one that closes the connection at once, and
// one of another user. Runs the build of the tool whose waits are a hundredth
// of the installed one's (10 s for a file request: 0.1 s; 180 s for a walk:
// 1.8 s).
#include <fcntl.h>
#include <gmock/gmock.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "files.h"
#include "platform/ipc.h"
#include "platform/paths.h"
#include "protocol/request.h"
#include "samples.h"
#include "temp_root.h"

namespace {
using ::testing::HasSubstr;

struct Outcome {
  int exit_status = -1;
  std::string out, err;
  std::chrono::milliseconds took{0};
};

// Runs the short-wait tool with `args` (as user `as`, when given), its
// standard output and error apart.
Outcome RunTool(const testsupport::TempRoot& root, const std::vector<std::string>& args,
                const char* as = nullptr) {
  std::string tool = testsupport::BuildPath("bin/bridgetool_shortwait");
  std::string out = root.base() + "/out", err = root.base() + "/err";
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv{tool.data()};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600),
        e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (o < 0 || e < 0 || dup2(o, 1) != 1 || dup2(e, 2) != 2) _exit(127);
    uid_t uid;
    gid_t gid;
    if (as != nullptr && !(testsupport::UserIds(as, &uid, &gid) && setgroups(0, nullptr) == 0 &&
                           setresgid(gid, gid, gid) == 0 && setresuid(uid, uid, uid) == 0))
      _exit(126);
    execv(tool.c_str(), argv.data());
    _exit(127);
  }
  Outcome r;
  int status = 0;
  waitpid(pid, &status, 0);
  r.took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  r.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = testsupport::ReadText(out);
  r.err = testsupport::ReadText(err);
  return r;
}

// A service on the socket that accepts every connection and then either holds
// it without a word or closes it at once.
class FakeService {
 public:
  FakeService(const std::string& socket, bool hold) : listener_(platform::ipc::Listen(socket)) {
    thread_ = std::thread([this, hold] {
      for (;;) {
        int fd = accept(listener_.fd(), nullptr, nullptr);
        if (fd < 0) return;  // the listener was shut down
        if (hold)
          held_.emplace_back(fd);
        else
          close(fd);
      }
    });
  }
  ~FakeService() {
    shutdown(listener_.fd(), SHUT_RDWR);
    thread_.join();
  }
  bool valid() const { return listener_.valid(); }

 private:
  platform::ipc::Socket listener_;
  std::vector<platform::ipc::Socket> held_;
  std::thread thread_;
};

TEST(BoundedWait, NothingOnStandardOutputAReasonOnStandardErrorAndFailureWithinTheLimit) {
  testsupport::TempRoot root;
  std::string file = root.File(platform::paths::LoginName());
  std::vector<std::string> walk = {
      "mibwalk_XPC", "VN420P", platform::paths::LoginName(), "snmpwalk", "-v", "1", "-c", "public",
      "127.0.0.1",   "1.3.6.1"};
  struct Case {
    bool hold;
    std::vector<std::string> args;
    std::chrono::milliseconds at_least, below;  // how long the tool may wait
    const char* why;
  };
  using ms = std::chrono::milliseconds;
  for (const Case& c : std::vector<Case>{
           {true, {"hvPListExistProfile_XPC", file}, ms(100), ms(1000), "did not answer in time"},
           {true,
            {"writeDataToPlistFileRename_XPC", "file://" + file},
            ms(100),
            ms(1000),
            "did not answer in time"},
           {true, walk, ms(1800), ms(2800), "did not answer in time"},
           // Closed before or after the request was sent: either way a connection failure.
           {false, {"hvPListExistProfile_XPC", file}, ms(0), ms(1000), "connection"},
           {false, walk, ms(0), ms(1000), "connection"},
       }) {
    FakeService service(root.socket(), c.hold);
    ASSERT_TRUE(service.valid());
    Outcome r = RunTool(root, c.args);
    std::string what = c.args[0] + (c.hold ? " (held)" : " (closed)");
    EXPECT_EQ(r.out, "") << what;
    EXPECT_EQ(r.err.rfind("bridgetool: ", 0), 0u) << what << ": " << r.err;
    EXPECT_THAT(r.err, HasSubstr(c.why)) << what;
    EXPECT_EQ(r.exit_status, 1) << what;
    EXPECT_GE(r.took, c.at_least) << what;
    EXPECT_LT(r.took, c.below) << what;
  }
}

// A socket of another user put at this user's socket name (in a folder that
// is the user's own, so only root could): the tool sends it nothing, prints
// nothing and says why. The user is "daemon", the other "nobody".
TEST(ServiceOfAnotherUser, GetsNoRequest) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run the tool and the other service as two other users";
  testsupport::TempRoot root;
  ASSERT_TRUE(root.HandTo("daemon"));
  std::string theirs = root.base() + "/theirs";
  std::filesystem::create_directory(theirs);
  uid_t nobody;
  gid_t gid;
  ASSERT_TRUE(testsupport::UserIds("nobody", &nobody, &gid));
  chown(theirs.c_str(), nobody, gid);
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  // Listens, then answers 0 when the one connection it gets brings no byte.
  pid_t other = testsupport::StartAs(
      "nobody",
      [&] {
        platform::ipc::Socket listener = platform::ipc::Listen(theirs + "/sock");
        if (!listener.valid() || chmod((theirs + "/sock").c_str(), 0666) != 0) return 2;
        close(ready[0]);
        close(ready[1]);
        int fd = accept(listener.fd(), nullptr, nullptr);
        char c;
        return fd >= 0 && read(fd, &c, 1) == 0 ? 0 : 1;
      },
      20);
  close(ready[1]);
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 0);  // the listener is up once the pipe ends
  close(ready[0]);
  ASSERT_EQ(rename((theirs + "/sock").c_str(), root.socket().c_str()), 0);
  Outcome r = RunTool(root, {"hvPListExistProfile_XPC", root.File("daemon")}, "daemon");
  EXPECT_EQ(r.out, "");
  EXPECT_THAT(r.err, HasSubstr("belongs to another user"));
  EXPECT_EQ(r.exit_status, 1);
  int status = 0;
  waitpid(other, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the other user's service heard the request";
}

}  // namespace
