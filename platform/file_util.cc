#include "platform/file_util.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace platform {
namespace {

struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) close(fd);
  }
};

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

OSStatus ReadFile(const std::string& path, std::string* out, size_t max_bytes) {
  Fd f{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (f.fd < 0) return errno == ENOENT ? kStatusMissing : paramErr;
  struct stat st {};
  if (fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<size_t>(st.st_size) > max_bytes)
    return paramErr;
  std::string buf;
  buf.reserve(static_cast<size_t>(st.st_size));
  char chunk[65536];
  for (;;) {
    ssize_t n = read(f.fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return paramErr;
    if (n == 0) break;
    if (buf.size() + static_cast<size_t>(n) > max_bytes) return paramErr;
    buf.append(chunk, static_cast<size_t>(n));
  }
  *out = std::move(buf);
  return noErr;
}

OSStatus WriteFileAtomically(const std::string& path, std::string_view bytes, int mode) {
  auto slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  std::string tmp = path + ".tmpXXXXXX";
  Fd f{mkostemp(tmp.data(), O_CLOEXEC)};
  if (f.fd < 0) return paramErr;
  bool ok = fchmod(f.fd, static_cast<mode_t>(mode)) == 0 && WriteAll(f.fd, bytes) && fsync(f.fd) == 0;
  ok = close(f.fd) == 0 && ok;
  f.fd = -1;
  if (!ok || rename(tmp.c_str(), path.c_str()) != 0) {
    unlink(tmp.c_str());
    return paramErr;
  }
  Fd d{open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
  if (d.fd >= 0) fsync(d.fd);
  return noErr;
}

}  // namespace platform
