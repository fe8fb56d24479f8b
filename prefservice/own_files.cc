#include "prefservice/own_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <utility>

#include "platform/log.h"

namespace prefservice {
namespace {

constexpr mode_t kFileMode = 0664;
constexpr size_t kCopyBlock = 65535;

constexpr std::string_view kProfileSuffix = "-profile.plist";
constexpr std::string_view kPrevSuffix = "-profile.prev.plist";
constexpr std::string_view kSpoolSuffix = "-profile.spool.plist";

bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  // Closes now and reports whether the close succeeded.
  bool Close() {
    int fd = fd_;
    fd_ = -1;
    return fd < 0 || close(fd) == 0;
  }

 private:
  int fd_;
};

// A regular file with one link, of this user: nothing another user planted
// at the caller's names (a link, a FIFO, a folder, a hard link or a file of
// their own) is read, written or removed.
bool IsPlainFile(const struct stat& st) {
  return S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_uid == geteuid();
}

bool WriteAll(int fd, const char* p, size_t n) {
  while (n > 0) {
    ssize_t w = write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

}  // namespace

bool IsSafeModelName(std::string_view model) {
  if (model.empty() || model.size() > 64 || model.front() == '.') return false;
  for (char c : model) {
    bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.';
    if (!ok) return false;
  }
  return true;
}

std::optional<OwnFile> ClassifyOwnFile(std::string_view path, std::string_view folder, std::string_view login) {
  if (login.empty() || folder.empty() || folder.back() != '/') return std::nullopt;
  if (path.size() <= folder.size() || path.substr(0, folder.size()) != folder) return std::nullopt;
  std::string_view name = path.substr(folder.size());
  if (name.find('/') != std::string_view::npos || name.find('\0') != std::string_view::npos) return std::nullopt;
  FileKind kind;
  std::string_view stem;
  if (EndsWith(name, kPrevSuffix)) {
    kind = FileKind::kPrev;
    stem = name.substr(0, name.size() - kPrevSuffix.size());
  } else if (EndsWith(name, kSpoolSuffix)) {
    kind = FileKind::kSpool;
    stem = name.substr(0, name.size() - kSpoolSuffix.size());
  } else if (EndsWith(name, kProfileSuffix)) {
    kind = FileKind::kProfile;
    stem = name.substr(0, name.size() - kProfileSuffix.size());
  } else {
    return std::nullopt;
  }
  size_t dash = stem.rfind('-');
  if (dash == std::string_view::npos) return std::nullopt;
  if (stem.substr(0, dash) != login || !IsSafeModelName(stem.substr(dash + 1))) return std::nullopt;
  return OwnFile{std::string(name), kind, std::string(stem.substr(dash + 1))};
}

std::string StagingName(const std::string& profile_name) { return profile_name + ".dummy"; }

std::optional<FolderHandle> FolderHandle::Open(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  return FolderHandle(fd);
}

FolderHandle::~FolderHandle() {
  if (fd_ >= 0) close(fd_);
}

int FolderHandle::OpenRegular(const std::string& name, int flags) {
  int fd = openat(fd_, name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !IsPlainFile(st)) {
    platform::log::Writef(LOG_WARNING, "prefservice: refused %s: not a regular file of this user with one link", name.c_str());
    close(fd);
    errno = EPERM;
    return -1;
  }
  // Back to blocking reads and writes (O_NONBLOCK only kept a FIFO from hanging the open).
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

bool FolderHandle::TargetReplaceable(const std::string& name) {
  struct stat st {};
  if (fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
  if (IsPlainFile(st)) return true;
  platform::log::Writef(LOG_WARNING, "prefservice: refused to replace %s: not a regular file of this user with one link",
                        name.c_str());
  return false;
}

bool FolderHandle::IsAdmin(const std::string& name) {
  umask(002);
  Fd existing(OpenRegular(name, O_RDWR | O_APPEND));
  if (existing.ok()) return true;
  if (errno != ENOENT) return false;
  // Whoever may create a file in the folder may create this one.
  static std::atomic<unsigned> serial{0};
  std::string probe = name + ".admin." + std::to_string(getpid()) + "." + std::to_string(++serial);
  int fd = openat(fd_, probe.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kFileMode);
  if (fd < 0) return false;
  unlinkat(fd_, probe.c_str(), 0);
  close(fd);
  return true;
}

bool FolderHandle::Exists(const std::string& name) {
  Fd fd(OpenRegular(name, O_RDONLY));
  return fd.ok();
}

bool FolderHandle::Remove(const std::string& name) {
  struct stat st {};
  if (fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  if (!IsPlainFile(st)) {
    platform::log::Writef(LOG_WARNING, "prefservice: refused to remove %s: not a regular file of this user with one link",
                          name.c_str());
    return false;
  }
  return unlinkat(fd_, name.c_str(), 0) == 0;
}

bool FolderHandle::Unlink(const std::string& name) { return unlinkat(fd_, name.c_str(), 0) == 0; }

bool FolderHandle::Read(const std::string& name, std::string* out, size_t max_bytes, bool* missing) {
  if (missing) *missing = false;
  Fd fd(OpenRegular(name, O_RDONLY));
  if (!fd.ok()) {
    if (missing) *missing = errno == ENOENT;
    return false;
  }
  std::string buf;
  char block[65536];
  for (;;) {
    ssize_t n = read(fd.get(), block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    if (buf.size() + static_cast<size_t>(n) > max_bytes) return false;
    buf.append(block, static_cast<size_t>(n));
  }
  *out = std::move(buf);
  return true;
}

namespace {

// The temporary file of a replacement. One request runs at a time, so one
// fixed name per target is enough, and a leftover of a killed service is
// simply replaced by the next write.
std::string TempName(const std::string& name) { return name + ".tmp"; }

}  // namespace

bool FolderHandle::Replace(const std::string& name, std::string_view bytes, bool flush) {
  if (!TargetReplaceable(name)) return false;
  std::string tmp = TempName(name);
  unlinkat(fd_, tmp.c_str(), 0);
  Fd fd(openat(fd_, tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kFileMode));
  if (!fd.ok()) return false;
  bool ok = fchmod(fd.get(), kFileMode) == 0 && WriteAll(fd.get(), bytes.data(), bytes.size()) &&
            (!flush || fsync(fd.get()) == 0);
  ok = fd.Close() && ok;
  if (!ok || renameat(fd_, tmp.c_str(), fd_, name.c_str()) != 0) {
    unlinkat(fd_, tmp.c_str(), 0);
    return false;
  }
  return !flush || fsync(fd_) == 0;
}

bool FolderHandle::Append(const std::string& name, std::string_view tail, size_t max_bytes, bool fresh) {
  if (tail.size() > max_bytes) return false;
  Fd existing(fresh ? -1 : OpenRegular(name, O_WRONLY | O_APPEND));
  if (!existing.ok()) {
    if (!fresh && errno != ENOENT) return false;
    return Replace(name, tail, false);  // a new file, whole or not at all
  }
  // In place: the file is checked whole before it is ever moved, and a
  // failed append is cut off again, so copying it for every chunk buys nothing.
  struct stat st {};
  if (fstat(existing.get(), &st) != 0 || static_cast<size_t>(st.st_size) + tail.size() > max_bytes) return false;
  if (WriteAll(existing.get(), tail.data(), tail.size())) return true;
  if (ftruncate(existing.get(), st.st_size) != 0) Unlink(name);
  return false;
}

bool FolderHandle::Copy(const std::string& from, const std::string& to, bool* missing) {
  Fd src(OpenRegular(from, O_RDONLY));
  if (missing) *missing = !src.ok() && errno == ENOENT;
  if (!src.ok() || !TargetReplaceable(to)) return false;
  std::string tmp = TempName(to);
  unlinkat(fd_, tmp.c_str(), 0);
  Fd dst(openat(fd_, tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kFileMode));
  if (!dst.ok()) return false;
  bool ok = fchmod(dst.get(), kFileMode) == 0;
  char block[kCopyBlock];
  while (ok) {
    ssize_t n = read(src.get(), block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    ok = WriteAll(dst.get(), block, static_cast<size_t>(n));
  }
  ok = ok && fsync(dst.get()) == 0;
  ok = dst.Close() && ok;
  if (!ok || renameat(fd_, tmp.c_str(), fd_, to.c_str()) != 0) {
    unlinkat(fd_, tmp.c_str(), 0);
    return false;
  }
  return fsync(fd_) == 0;
}

void FolderHandle::RemoveStaleTemporaries(std::string_view login) {
  int fd = openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  DIR* d = fdopendir(fd);
  if (d == nullptr) {
    close(fd);
    return;
  }
  std::string prefix = std::string(login) + "-";
  while (dirent* e = readdir(d)) {
    std::string_view name = e->d_name;
    if (name.substr(0, prefix.size()) != prefix) continue;
    size_t mark = name.find("-profile.");
    if (mark == std::string_view::npos) continue;
    std::string_view tail = name.substr(mark);
    if (!EndsWith(tail, ".tmp") && tail.find(".admin.") == std::string_view::npos) continue;
    struct stat st {};
    if (fstatat(fd_, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && IsPlainFile(st))
      unlinkat(fd_, e->d_name, 0);
  }
  closedir(d);
}

void SwapOwnFiles(FolderHandle& dir, int mode, const std::string* profile, const std::string* prev) {
  switch (mode) {
    case 2: {
      if (prev == nullptr) return;
      bool missing = profile == nullptr;
      if (profile != nullptr && dir.Copy(*profile, *prev, &missing)) return;
      // No profile file: the previous copy is left empty. A failed copy keeps the old one.
      if (missing) dir.Replace(*prev, "", false);
      return;
    }
    case 1:
      if (prev != nullptr) dir.Remove(*prev);
      return;
    case 0:
      // Rename over the profile file: it is never missing, and kept when
      // there is no previous copy.
      if (profile != nullptr && prev != nullptr) dir.Rename(*prev, *profile);
      return;
    default:
      return;
  }
}

bool FolderHandle::Rename(const std::string& from, const std::string& to) {
  Fd src(OpenRegular(from, O_RDONLY));
  if (!src.ok() || fsync(src.get()) != 0) return false;
  if (!TargetReplaceable(to)) return false;
  if (renameat(fd_, from.c_str(), fd_, to.c_str()) != 0) return false;
  return fsync(fd_) == 0;
}

}  // namespace prefservice
