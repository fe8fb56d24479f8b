#include "prefservice/own_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/log.h"
#include "platform/read_all.h"
#include "platform/unique_fd.h"
#include "platform/write_all.h"

namespace prefservice {
namespace {

// Readable by the group and others as the shared folder intends, writable
// only by the owner: a group member could otherwise append to another's file
// or hard-link it.
constexpr mode_t kFileMode = 0644;
constexpr size_t kCopyBlock = 65535;

constexpr std::string_view kProfileSuffix = "-profile.plist";
constexpr std::string_view kPrevSuffix = "-profile.prev.plist";
constexpr std::string_view kSpoolSuffix = "-profile.spool.plist";

bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

// A regular file with one link, of this user: nothing another user planted
// at the caller's names (a link, a FIFO, a folder, a hard link or a file of
// their own) is read, written or removed.
bool IsPlainFile(const struct stat& st) {
  return S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_uid == geteuid();
}

// Sets *error to "<step> <path>: <reason of errno>"; answers false.
bool Fail(std::string* error, const char* step, const std::string& path, int err = errno) {
  if (error != nullptr) *error = std::string(step) + " " + path + ": " + std::strerror(err);
  return false;
}

// Sets *error to "<path>: <why>" and errno to EPERM; answers false.
bool Refuse(std::string* error, const std::string& path, const char* why) {
  if (error != nullptr) *error = path + ": " + why;
  errno = EPERM;
  return false;
}

constexpr const char* kNotPlain = "not a regular file of this user with one link";

// Suffixes of what the service creates beside a caller's file.
constexpr std::string_view kTempSuffix = ".tmp";
constexpr std::string_view kProbeSuffix = ".probe";
constexpr std::string_view kStagingMark = ".dummy";
// Letters of the unguessable part of a name: 16 of them carry 95 bits.
constexpr std::string_view kNameLetters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr size_t kUniqueLength = 16;

std::string UniquePart() {
  unsigned char bytes[kUniqueLength];
  size_t got = 0;
  while (got < sizeof bytes) {
    ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) std::abort();  // no randomness: a guessable name must never be used
    got += static_cast<size_t>(n);
  }
  std::string part;
  for (unsigned char b : bytes) part += kNameLetters[b % kNameLetters.size()];
  return part;
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

std::string StagingPrefix(const std::string& profile_name) {
  return profile_name + std::string(kStagingMark);
}

std::optional<FolderHandle> FolderHandle::Open(const std::string& folder, std::string* error) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    Fail(error, "open", folder);
    return std::nullopt;
  }
  return FolderHandle(platform::UniqueFd(fd), folder.empty() || folder.back() != '/' ? folder + "/" : folder);
}

std::string FolderHandle::PathOf(const std::string& name) const { return path_ + name; }

platform::UniqueFd FolderHandle::OpenRegular(const std::string& name, int flags, std::string* error) {
  platform::UniqueFd fd(openat(fd_.fd(), name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
  if (!fd.valid()) {
    Fail(error, "openat", PathOf(name));
    return fd;
  }
  struct stat st {};
  if (fstat(fd.fd(), &st) != 0) {
    Fail(error, "fstat", PathOf(name));
    fd.reset();
    return fd;
  }
  if (!IsPlainFile(st)) {
    Refuse(error, PathOf(name), kNotPlain);
    fd.reset();
    errno = EPERM;
    return fd;
  }
  // Back to blocking reads and writes (O_NONBLOCK only kept a FIFO from hanging the open).
  fcntl(fd.fd(), F_SETFL, fcntl(fd.fd(), F_GETFL) & ~O_NONBLOCK);
  return fd;
}

bool FolderHandle::TargetReplaceable(const std::string& name, std::string* error) {
  struct stat st {};
  if (fstatat(fd_.fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
    return errno == ENOENT || Fail(error, "fstatat", PathOf(name));
  return IsPlainFile(st) || Refuse(error, PathOf(name), kNotPlain);
}

platform::UniqueFd FolderHandle::CreateAtUniqueName(const std::string& prefix, std::string_view suffix,
                                                    std::string* name, std::string* error) {
  // A clash is all but impossible; a few tries still cover one.
  for (int attempt = 0; attempt < 4; ++attempt) {
    *name = prefix + "." + UniquePart() + std::string(suffix);
    platform::UniqueFd fd(
        openat(fd_.fd(), name->c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kFileMode));
    if (fd.valid()) {
      // The umask may have taken bits away; the mode is the same for every file.
      if (fchmod(fd.fd(), kFileMode) == 0) return fd;
      Fail(error, "fchmod", PathOf(*name));
      unlinkat(fd_.fd(), name->c_str(), 0);
      return {};
    }
    if (errno != EEXIST) break;
  }
  Fail(error, "openat", PathOf(*name));
  return {};
}

bool FolderHandle::IsAdmin(const std::string& name, std::string* error) {
  // As the store's administrator test does; the files made here set their own mode.
  umask(002);
  platform::UniqueFd existing = OpenRegular(name, O_RDWR | O_APPEND, error);
  if (existing.valid()) return true;
  if (errno != ENOENT) return false;  // *error says why
  // Whoever may create a file in the folder may create this one.
  std::string probe;
  platform::UniqueFd fd = CreateAtUniqueName(name, kProbeSuffix, &probe, error);
  if (!fd.valid()) return false;  // *error says why
  unlinkat(fd_.fd(), probe.c_str(), 0);
  return true;
}

bool FolderHandle::Exists(const std::string& name, std::string* error) {
  platform::UniqueFd fd = OpenRegular(name, O_RDONLY, error);
  return fd.valid();
}

bool FolderHandle::Remove(const std::string& name, std::string* error) {
  struct stat st {};
  if (fstatat(fd_.fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
    return Fail(error, "fstatat", PathOf(name));
  if (!IsPlainFile(st)) return Refuse(error, PathOf(name), kNotPlain);
  return unlinkat(fd_.fd(), name.c_str(), 0) == 0 || Fail(error, "unlinkat", PathOf(name));
}

bool FolderHandle::Unlink(const std::string& name, std::string* error) {
  return unlinkat(fd_.fd(), name.c_str(), 0) == 0 || Fail(error, "unlinkat", PathOf(name));
}

bool FolderHandle::Read(const std::string& name, std::string* out, size_t max_bytes, std::string* error,
                        bool* missing) {
  if (missing) *missing = false;
  platform::UniqueFd fd = OpenRegular(name, O_RDONLY, error);
  if (!fd.valid()) {
    if (missing) *missing = errno == ENOENT;
    return false;  // *error says why
  }
  std::string buf;
  if (!platform::ReadAll(fd.fd(), &buf, max_bytes)) return Fail(error, "read", PathOf(name));
  *out = std::move(buf);
  return true;
}

template <typename Fill>
bool FolderHandle::ReplaceThrough(const std::string& name, bool flush, Fill fill, std::string* error) {
  if (!TargetReplaceable(name, error)) return false;
  std::string tmp;
  platform::UniqueFd fd = CreateAtUniqueName(name, kTempSuffix, &tmp, error);
  if (!fd.valid()) return false;  // *error says why
  bool ok = fill(fd.fd(), tmp) && (!flush || fsync(fd.fd()) == 0 || Fail(error, "fsync", PathOf(tmp)));
  ok = ok && (fd.close() || Fail(error, "close", PathOf(tmp)));
  ok = ok && (renameat(fd_.fd(), tmp.c_str(), fd_.fd(), name.c_str()) == 0 ||
              Fail(error, "renameat", PathOf(name)));
  if (!ok) {
    unlinkat(fd_.fd(), tmp.c_str(), 0);
    return false;
  }
  return !flush || fsync(fd_.fd()) == 0 || Fail(error, "fsync", path_);
}

bool FolderHandle::Replace(const std::string& name, std::string_view bytes, std::string* error, bool flush) {
  return ReplaceThrough(
      name, flush,
      [&](int fd, const std::string& tmp) {
        return platform::WriteAll(fd, bytes) || Fail(error, "write", PathOf(tmp));
      },
      error);
}

bool FolderHandle::CreateUnique(const std::string& prefix, std::string_view bytes, std::string* name,
                                std::string* error) {
  platform::UniqueFd fd = CreateAtUniqueName(prefix, "", name, error);
  if (!fd.valid()) return false;  // *error says why
  if (platform::WriteAll(fd.fd(), bytes) && fd.close()) return true;
  Fail(error, "write", PathOf(*name));
  unlinkat(fd_.fd(), name->c_str(), 0);
  return false;
}

bool FolderHandle::Append(const std::string& name, std::string_view tail, size_t max_bytes,
                          std::string* error) {
  platform::UniqueFd existing = OpenRegular(name, O_WRONLY | O_APPEND, error);
  if (!existing.valid()) return false;  // *error says why
  // In place: the file is checked whole before it is ever moved, and a
  // failed append is cut off again, so copying it for every chunk buys nothing.
  struct stat st {};
  if (fstat(existing.fd(), &st) != 0) return Fail(error, "fstat", PathOf(name));
  if (static_cast<size_t>(st.st_size) + tail.size() > max_bytes)
    return Fail(error, "append to", PathOf(name), EFBIG);
  if (platform::WriteAll(existing.fd(), tail)) return true;
  Fail(error, "write", PathOf(name));
  if (ftruncate(existing.fd(), st.st_size) != 0) unlinkat(fd_.fd(), name.c_str(), 0);
  return false;
}

bool FolderHandle::Copy(const std::string& from, const std::string& to, std::string* error, bool* missing) {
  platform::UniqueFd src = OpenRegular(from, O_RDONLY, error);
  if (missing) *missing = !src.valid() && errno == ENOENT;
  if (!src.valid()) return false;  // *error says why
  return ReplaceThrough(
      to, true,
      [&](int dst, const std::string& tmp) {
        char block[kCopyBlock];
        for (;;) {
          ssize_t n = read(src.fd(), block, sizeof block);
          if (n < 0 && errno == EINTR) continue;
          if (n < 0) return Fail(error, "read", PathOf(from));
          if (n == 0) return true;
          if (!platform::WriteAll(dst, std::string_view(block, static_cast<size_t>(n))))
            return Fail(error, "write", PathOf(tmp));
        }
      },
      error);
}

void FolderHandle::RemoveStaleTemporaries(std::string_view login) {
  platform::UniqueFd fd(openat(fd_.fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.valid()) return;
  DIR* d = fdopendir(fd.fd());
  if (d == nullptr) return;
  fd.release();  // the stream owns it now
  std::string prefix = std::string(login) + "-";
  while (dirent* e = readdir(d)) {
    std::string_view name = e->d_name;
    if (name.substr(0, prefix.size()) != prefix) continue;
    size_t mark = name.find("-profile.");
    if (mark == std::string_view::npos) continue;
    // Temporary and probe files, staging files, and the fixed names earlier
    // versions used for them.
    std::string_view tail = name.substr(mark);
    if (!EndsWith(tail, kTempSuffix) && !EndsWith(tail, kProbeSuffix) &&
        tail.find(kStagingMark) == std::string_view::npos && tail.find(".admin.") == std::string_view::npos)
      continue;
    struct stat st {};
    if (fstatat(fd_.fd(), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && IsPlainFile(st))
      unlinkat(fd_.fd(), e->d_name, 0);
  }
  closedir(d);
}

bool SwapOwnFiles(FolderHandle& dir, int mode, const std::string* profile, const std::string* prev,
                  std::string* error) {
  switch (mode) {
    case 2: {
      if (prev == nullptr) return Refuse(error, "swap", "no previous copy named");
      bool missing = profile == nullptr;
      if (profile != nullptr && dir.Copy(*profile, *prev, error, &missing)) return true;
      // No profile file: the previous copy is left empty. A failed copy keeps the old one.
      return missing && dir.Replace(*prev, "", error, false);
    }
    case 1:
      return prev != nullptr ? dir.Remove(*prev, error) : Refuse(error, "swap", "no previous copy named");
    case 0:
      // Rename over the profile file: it is never missing, and kept when
      // there is no previous copy.
      if (profile == nullptr || prev == nullptr)
        return Refuse(error, "swap", "no profile file or previous copy named");
      return dir.Rename(*prev, *profile, error);
    default:
      return true;
  }
}

bool FolderHandle::Rename(const std::string& from, const std::string& to, std::string* error) {
  platform::UniqueFd src = OpenRegular(from, O_RDONLY, error);
  if (!src.valid()) return false;  // *error says why
  if (fsync(src.fd()) != 0) return Fail(error, "fsync", PathOf(from));
  if (!TargetReplaceable(to, error)) return false;
  if (renameat(fd_.fd(), from.c_str(), fd_.fd(), to.c_str()) != 0) return Fail(error, "renameat", PathOf(to));
  return fsync(fd_.fd()) == 0 || Fail(error, "fsync", path_);
}

}  // namespace prefservice
