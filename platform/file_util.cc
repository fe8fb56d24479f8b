#include "platform/file_util.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "platform/read_all.h"
#include "platform/unique_fd.h"
#include "platform/write_all.h"

namespace platform {

OSStatus ReadFile(const std::string& path, std::string* out, size_t max_bytes) {
  UniqueFd f(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!f.valid()) return errno == ENOENT ? kStatusMissing : paramErr;
  struct stat st {};
  if (fstat(f.fd(), &st) != 0 || !S_ISREG(st.st_mode) || static_cast<size_t>(st.st_size) > max_bytes)
    return paramErr;
  std::string buf;
  buf.reserve(static_cast<size_t>(st.st_size));
  if (!ReadAll(f.fd(), &buf, max_bytes)) return paramErr;
  *out = std::move(buf);
  return noErr;
}

OSStatus WriteFileAtomically(const std::string& path, std::string_view bytes, int mode) {
  return ReplaceFile(path, bytes, mode, nullptr, nullptr);
}

OSStatus ReplaceFile(const std::string& path, std::string_view bytes, int mode, const FileOwner* owner,
                     std::string* why) {
  auto fail = [&](const char* step) {
    if (why) *why = std::string(step) + ": " + std::strerror(errno);
    return paramErr;
  };
  auto slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  std::string tmp = path + ".tmpXXXXXX";
  UniqueFd f(mkostemp(tmp.data(), O_CLOEXEC));
  if (!f.valid()) return fail("cannot create a file in its folder");
  const char* step = nullptr;
  if (fchmod(f.fd(), static_cast<mode_t>(mode)) != 0) {
    step = "cannot set its mode";
  } else if (owner != nullptr && (owner->uid != geteuid() || owner->gid != getegid()) &&
             fchown(f.fd(), owner->uid, owner->gid) != 0) {
    step = "cannot keep its owner";
  } else if (!WriteAll(f.fd(), bytes) || fsync(f.fd()) != 0) {
    step = "cannot write it";
  }
  if (!f.close() && step == nullptr) step = "cannot write it";
  if (step == nullptr && rename(tmp.c_str(), path.c_str()) != 0) step = "cannot replace it";
  if (step != nullptr) {
    int saved = errno;
    unlink(tmp.c_str());
    errno = saved;
    return fail(step);
  }
  UniqueFd d(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (d.valid()) fsync(d.fd());
  return noErr;
}

}  // namespace platform
