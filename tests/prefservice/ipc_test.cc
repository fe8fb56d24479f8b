// The service socket's frames and runtime folder.
#include "platform/ipc.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <filesystem>

#include "files.h"
#include "temp_root.h"

namespace platform::ipc {
namespace {

struct Pair {
  Socket a, b;
  Pair() {
    int fds[2];
    EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    a.reset(fds[0]);
    b.reset(fds[1]);
  }
};

TEST(Frames, RoundTripIncludingEmptyAndBinary) {
  Pair p;
  std::string binary("a\0b\xff", 4);
  ASSERT_TRUE(WriteFrame(p.a.fd(), ""));
  ASSERT_TRUE(WriteFrame(p.a.fd(), binary));
  std::string out = "x";
  EXPECT_EQ(ReadFrame(p.b.fd(), &out, 16), FrameStatus::kOk);
  EXPECT_EQ(out, "");
  EXPECT_EQ(ReadFrame(p.b.fd(), &out, 16), FrameStatus::kOk);
  EXPECT_EQ(out, binary);
}

TEST(Frames, OversizedFrameIsRefusedBeforeItsBody) {
  Pair p;
  ASSERT_TRUE(WriteFrame(p.a.fd(), std::string(100, 'x')));
  std::string out;
  EXPECT_EQ(ReadFrame(p.b.fd(), &out, 99), FrameStatus::kTooLarge);
  EXPECT_TRUE(out.empty());
  char rest[200];
  EXPECT_EQ(recv(p.b.fd(), rest, sizeof rest, MSG_DONTWAIT), 100);  // the body was left unread
}

TEST(Frames, PeerClosingMidFrameIsClosedNotOk) {
  Pair p;
  unsigned char head[4] = {0, 0, 0, 10};
  ASSERT_EQ(send(p.a.fd(), head, 4, 0), 4);
  ASSERT_EQ(send(p.a.fd(), "abc", 3, 0), 3);
  p.a.reset();
  std::string out;
  EXPECT_EQ(ReadFrame(p.b.fd(), &out, 64), FrameStatus::kClosed);
  EXPECT_EQ(ReadFrame(p.b.fd(), &out, 64), FrameStatus::kClosed);
}

TEST(Frames, TimeoutEndsAStalledRead) {
  Pair p;
  ASSERT_TRUE(SetTimeouts(p.b.fd(), 1));
  std::string out;
  EXPECT_EQ(ReadFrame(p.b.fd(), &out, 64), FrameStatus::kError);
}

TEST(Listener, RefusesToTakeOverALiveSocketAndReplacesADeadOne) {
  testsupport::TempRoot root;
  Socket first = Listen(root.socket());
  ASSERT_TRUE(first.valid());
  EXPECT_FALSE(Listen(root.socket()).valid());
  first.reset();
  EXPECT_TRUE(Listen(root.socket()).valid());
  // A plain file at the name is never removed.
  std::string plain = root.runtime() + "/plain";
  testsupport::WriteText(plain, "x");
  EXPECT_FALSE(Listen(plain).valid());
  EXPECT_EQ(testsupport::ReadText(plain), "x");
}

TEST(RuntimeDirectory, XdgFolderFirstThenAPrivateFallback) {
  testsupport::TempRoot root;
  EXPECT_EQ(SocketPath("svc"), root.runtime() + "/svc");
  // Too deep for a socket address: the private folder instead.
  std::string deep = root.base() + "/" + std::string(100, 'd');
  std::filesystem::create_directory(deep);
  chmod(deep.c_str(), 0700);
  setenv("XDG_RUNTIME_DIR", deep.c_str(), 1);
  EXPECT_EQ(SocketPath("svc"), "/tmp/vn420p-" + std::to_string(geteuid()) + "/svc");
  setenv("XDG_RUNTIME_DIR", root.runtime().c_str(), 1);
  if (getuid() != 0) GTEST_SKIP() << "the fallback checks run as user nobody";
  std::string fallback = "/tmp/vn420p-" + std::to_string(testsupport::NobodyUid());
  std::filesystem::remove_all(fallback);
  auto as_nobody = [] {
    unsetenv("XDG_RUNTIME_DIR");
    std::string dir = RuntimeDirectory();
    return dir.empty() ? 1 : 0;
  };
  // Created private on first use.
  EXPECT_EQ(testsupport::RunAsNobody(as_nobody), 0);
  struct stat st {};
  ASSERT_EQ(lstat(fallback.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  // Opened to others, or owned by someone else: refused.
  chmod(fallback.c_str(), 0777);
  EXPECT_EQ(testsupport::RunAsNobody(as_nobody), 1);
  std::filesystem::remove_all(fallback);
  mkdir(fallback.c_str(), 0700);  // root's
  EXPECT_EQ(testsupport::RunAsNobody(as_nobody), 1);
  std::filesystem::remove_all(fallback);
  std::filesystem::create_symlink("/tmp", fallback);
  EXPECT_EQ(testsupport::RunAsNobody(as_nobody), 1);
  std::filesystem::remove(fallback);
}

}  // namespace
}  // namespace platform::ipc
