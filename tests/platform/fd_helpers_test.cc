// The owned descriptor, WriteAll on writes that come back short, ReadAll at
// its bound.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <thread>

#include "platform/read_all.h"
#include "platform/unique_fd.h"
#include "platform/write_all.h"

namespace platform {
namespace {

bool IsOpen(int fd) { return fcntl(fd, F_GETFD) != -1; }

TEST(UniqueFd, ClosesOnceWhateverPathTheOwnershipTakes) {
  int p[2];
  ASSERT_EQ(pipe(p), 0);
  UniqueFd write_end(p[1]);
  {
    UniqueFd read_end(p[0]);
    UniqueFd moved(std::move(read_end));
    EXPECT_FALSE(read_end.valid());
    EXPECT_EQ(moved.fd(), p[0]);
  }
  EXPECT_FALSE(IsOpen(p[0]));

  int kept = write_end.release();
  EXPECT_FALSE(write_end.valid());
  EXPECT_TRUE(IsOpen(kept));
  UniqueFd again(kept);
  EXPECT_TRUE(again.close());
  EXPECT_FALSE(IsOpen(kept));
  EXPECT_TRUE(again.close());  // holds nothing any more
}

void Interrupted(int) {}

// A blocking pipe far smaller than the text, and a signal without SA_RESTART
// sent to the writer while it waits: write() comes back short or with EINTR,
// and every byte must still arrive in order.
TEST(WriteAll, CarriesOnAfterShortAndInterruptedWrites) {
  struct sigaction action {
  }, previous{};
  action.sa_handler = Interrupted;
  ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);
  int p[2];
  ASSERT_EQ(pipe(p), 0);
  UniqueFd read_end(p[0]), write_end(p[1]);
  fcntl(p[1], F_SETPIPE_SZ, 4096);
  std::string text(256 * 1024, '\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>(i * 7 + i / 251);

  std::atomic<bool> done{false};
  bool ok = false;
  std::thread writer([&] {
    ok = WriteAll(write_end.fd(), text);
    write_end.reset();  // the reader sees the end
    done = true;
  });
  std::string got;
  char buf[1000];
  for (;;) {
    if (!done) pthread_kill(writer.native_handle(), SIGUSR1);
    ssize_t n = read(read_end.fd(), buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got.append(buf, static_cast<size_t>(n));
  }
  writer.join();
  sigaction(SIGUSR1, &previous, nullptr);
  EXPECT_TRUE(ok);
  EXPECT_EQ(got, text);
}

TEST(WriteAll, AClosedSocketPeerIsAnErrorNotASignal) {
  int s[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, s), 0);
  UniqueFd mine(s[0]);
  close(s[1]);
  errno = 0;
  EXPECT_FALSE(WriteAll(mine.fd(), "lost"));
  EXPECT_EQ(errno, EPIPE);
}

// More than one read's worth, so the bound is checked across reads.
TEST(ReadAll, KeepsToItsBound) {
  const std::string text(100000, 'r');
  const struct {
    size_t max_bytes;
    bool ok;
  } cases[] = {{text.size(), true}, {text.size() + 1, true}, {text.size() - 1, false}, {0, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.max_bytes);
    int s[2];  // a socket, so a writer stopped at the bound gets EPIPE, not a signal
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, s), 0);
    UniqueFd read_end(s[0]);
    std::thread writer([&, fd = s[1]] {
      WriteAll(fd, text);
      close(fd);
    });
    std::string out = "kept:";
    errno = 0;
    const bool ok = ReadAll(read_end.fd(), &out, c.max_bytes);
    const int error = errno;
    read_end.reset();
    writer.join();
    EXPECT_EQ(ok, c.ok);
    if (c.ok) {
      EXPECT_EQ(out, "kept:" + text);
    } else {
      EXPECT_EQ(error, EFBIG);
    }
    EXPECT_LE(out.size(), 5 + c.max_bytes);
  }
}

}  // namespace
}  // namespace platform
