#include "platform/ipc.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/write_all.h"

namespace platform::ipc {
namespace {

bool FillAddress(const std::string& path, sockaddr_un* addr) {
  std::memset(addr, 0, sizeof *addr);
  addr->sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof addr->sun_path) {
    errno = ENAMETOOLONG;
    return false;
  }
  std::memcpy(addr->sun_path, path.data(), path.size());
  return true;
}

using Clock = std::chrono::steady_clock;

// Waits until fd is readable or the deadline passes (errno ETIMEDOUT).
bool WaitReadable(int fd, Clock::time_point deadline) {
  if (deadline == Clock::time_point::max()) return true;  // the socket's own time-out applies
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      errno = ETIMEDOUT;
      return false;
    }
    pollfd p{fd, POLLIN, 0};
    int rc = poll(&p, 1, static_cast<int>(std::min<long long>(left, 60000)));
    if (rc > 0) return true;
    if (rc < 0 && errno != EINTR) return false;
  }
}

// Appends n bytes to *out, growing it with what arrives.
bool ReadExactly(int fd, std::string* out, size_t n, Clock::time_point deadline, bool* closed) {
  constexpr size_t kStep = 256 * 1024;
  *closed = false;
  size_t got = 0;
  while (got < n) {
    if (!WaitReadable(fd, deadline)) return false;
    size_t at = out->size();
    size_t want = std::min(n - got, kStep);
    out->resize(at + want);
    ssize_t r = recv(fd, out->data() + at, want, 0);
    out->resize(at + (r > 0 ? static_cast<size_t>(r) : 0));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return false;
    if (r == 0) {
      *closed = true;
      return false;
    }
    got += static_cast<size_t>(r);
  }
  return true;
}

}  // namespace

// Anything that is not ours and closed to others may be a trap laid by
// another user: a socket there may be theirs.
bool IsPrivateFolder(const std::string& dir) {
  struct stat st {};
  return lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
         (st.st_mode & 077) == 0;
}

std::string RuntimeDirectory() {
  const char* xdg = getenv("XDG_RUNTIME_DIR");
  if (xdg != nullptr && xdg[0] == '/') {
    std::string dir = xdg;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    if (IsPrivateFolder(dir)) return dir;
  }
  return PrivateFolder();
}

std::string PrivateFolder() {
  std::string dir = "/tmp/vn420p-" + std::to_string(geteuid());
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return {};
  if (!IsPrivateFolder(dir)) return {};
  return dir;
}

std::string SocketPath(std::string_view service_name) {
  std::string dir = RuntimeDirectory();
  // A runtime folder too deep for a socket address is passed over for the
  // private one, rather than the tool failing for no reason it can tell.
  if (!dir.empty() && dir.size() + 1 + service_name.size() >= sizeof(sockaddr_un{}.sun_path))
    dir = PrivateFolder();
  if (dir.empty()) return {};
  return dir + "/" + std::string(service_name);
}

Socket Connect(const std::string& path) {
  sockaddr_un addr;
  if (!FillAddress(path, &addr)) return Socket();
  Socket s(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!s.valid()) return Socket();
  int rc;
  do {
    rc = connect(s.fd(), reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) return Socket();
  return s;
}

Socket Listen(const std::string& path) {
  sockaddr_un addr;
  if (!FillAddress(path, &addr)) return Socket();
  struct stat st {};
  if (lstat(path.c_str(), &st) == 0) {
    if (!S_ISSOCK(st.st_mode)) {
      errno = EEXIST;
      return Socket();
    }
    Socket probe = Connect(path);
    if (probe.valid()) {
      errno = EADDRINUSE;
      return Socket();
    }
    unlink(path.c_str());
  }
  Socket s(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!s.valid()) return Socket();
  // Bind under a closed umask so the socket is never reachable by others.
  mode_t old = umask(077);
  int rc = bind(s.fd(), reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  umask(old);
  if (rc != 0 || listen(s.fd(), 64) != 0) return Socket();
  return s;
}

int ActivatedSocket() {
  const char* pid = getenv("LISTEN_PID");
  const char* fds = getenv("LISTEN_FDS");
  int fd = -1;
  if (pid != nullptr && fds != nullptr && std::strtol(pid, nullptr, 10) == getpid() &&
      std::strtol(fds, nullptr, 10) >= 1) {
    fd = 3;  // SD_LISTEN_FDS_START
    fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  unsetenv("LISTEN_PID");
  unsetenv("LISTEN_FDS");
  unsetenv("LISTEN_FDNAMES");
  return fd;
}

bool PeerCredentials(int fd, uid_t* uid, pid_t* pid) {
  ucred cred{};
  socklen_t len = sizeof cred;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || len != sizeof cred) return false;
  if (uid) *uid = cred.uid;
  if (pid) *pid = cred.pid;
  return true;
}

FrameStatus ReadFrame(int fd, std::string* out, size_t max_bytes) {
  return ReadFrameBy(fd, out, max_bytes, Clock::time_point::max());
}

FrameStatus ReadFrameBy(int fd, std::string* out, size_t max_bytes, Clock::time_point deadline) {
  std::string head;
  bool closed = false;
  if (!ReadExactly(fd, &head, 4, deadline, &closed))
    return closed ? FrameStatus::kClosed : FrameStatus::kError;
  auto byte = [&](int i) { return uint32_t{static_cast<unsigned char>(head[i])}; };
  uint32_t len = (byte(0) << 24) | (byte(1) << 16) | (byte(2) << 8) | byte(3);
  if (len > max_bytes) return FrameStatus::kTooLarge;
  out->clear();
  if (len > 0 && !ReadExactly(fd, out, len, deadline, &closed)) {
    out->clear();
    return closed ? FrameStatus::kClosed : FrameStatus::kError;
  }
  return FrameStatus::kOk;
}

bool WriteFrame(int fd, std::string_view payload) {
  if (payload.size() > UINT32_MAX) return false;
  uint32_t len = static_cast<uint32_t>(payload.size());
  unsigned char head[4] = {static_cast<unsigned char>(len >> 24), static_cast<unsigned char>(len >> 16),
                           static_cast<unsigned char>(len >> 8), static_cast<unsigned char>(len)};
  return WriteAll(fd, std::string_view(reinterpret_cast<const char*>(head), sizeof head)) &&
         WriteAll(fd, payload);
}

bool SetTimeouts(int fd, int seconds) {
  timeval tv{};
  tv.tv_sec = seconds;
  return setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) == 0 &&
         setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv) == 0;
}

}  // namespace platform::ipc
