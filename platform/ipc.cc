#include "platform/ipc.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

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

bool ReadExactly(int fd, char* buf, size_t n, bool* closed) {
  size_t got = 0;
  *closed = false;
  while (got < n) {
    ssize_t r = recv(fd, buf + got, n - got, 0);
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

bool WriteExactly(int fd, const char* buf, size_t n) {
  while (n > 0) {
    ssize_t w = send(fd, buf, n, MSG_NOSIGNAL);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    buf += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

}  // namespace

void Socket::reset(int fd) {
  if (fd_ >= 0) close(fd_);
  fd_ = fd;
}

std::string RuntimeDirectory() {
  const char* xdg = getenv("XDG_RUNTIME_DIR");
  struct stat st {};
  if (xdg != nullptr && xdg[0] == '/' && stat(xdg, &st) == 0 && S_ISDIR(st.st_mode)) {
    std::string dir = xdg;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
  }
  // Fallback: a private folder in /tmp; anything that is not ours and closed
  // to others may be a trap laid by another user.
  std::string dir = "/tmp/vn420p-" + std::to_string(geteuid());
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return {};
  if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid() || (st.st_mode & 077) != 0)
    return {};
  return dir;
}

std::string SocketPath(std::string_view service_name) {
  std::string dir = RuntimeDirectory();
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
  ucred cred {};
  socklen_t len = sizeof cred;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || len != sizeof cred) return false;
  if (uid) *uid = cred.uid;
  if (pid) *pid = cred.pid;
  return true;
}

FrameStatus ReadFrame(int fd, std::string* out, size_t max_bytes) {
  unsigned char head[4];
  bool closed = false;
  if (!ReadExactly(fd, reinterpret_cast<char*>(head), sizeof head, &closed))
    return closed ? FrameStatus::kClosed : FrameStatus::kError;
  uint32_t len = (uint32_t{head[0]} << 24) | (uint32_t{head[1]} << 16) | (uint32_t{head[2]} << 8) | head[3];
  if (len > max_bytes) return FrameStatus::kTooLarge;
  out->resize(len);
  if (len > 0 && !ReadExactly(fd, out->data(), len, &closed)) {
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
  return WriteExactly(fd, reinterpret_cast<const char*>(head), sizeof head) &&
         WriteExactly(fd, payload.data(), payload.size());
}

bool SetTimeouts(int fd, int seconds) {
  timeval tv {};
  tv.tv_sec = seconds;
  return setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) == 0 &&
         setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv) == 0;
}

}  // namespace platform::ipc
