// The caller's own files in the preference folder, and the file steps the
// service performs on them.
//
// Every request names its file by a path. The service accepts a path only when
// it is the preference folder followed by one of the caller's own file names
// (profile file, previous copy, spool file; the staging and temporary files
// derive from those), and reaches it through a descriptor of the folder with
// the *at() calls and O_NOFOLLOW, opening non-blocking. A file found at such a
// name must be a regular file of this user with one link; anything else (a
// symlink, a FIFO, a hard link to a file elsewhere, a folder, a file planted
// by another user) is refused.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace prefservice {

enum class FileKind { kProfile, kPrev, kSpool };

struct OwnFile {
  std::string name;   // file name inside the folder
  FileKind kind;
  std::string model;  // the model part of the name
};

// A model name the file names may carry: letters, digits, '_' and '.', not
// starting with '.', at most 64 bytes. (No '-': the name splits at its last
// '-' into login and model, so a model could otherwise reach another user's
// file.)
bool IsSafeModelName(std::string_view model);

// The file `path` names when it is `folder` (ending in '/') followed by
// "<login>-<model>-profile.plist", "...-profile.prev.plist" or
// "...-profile.spool.plist"; nullopt otherwise.
std::optional<OwnFile> ClassifyOwnFile(std::string_view path, std::string_view folder, std::string_view login);

// The staging file that collects the chunks of a write to `profile_name`.
std::string StagingName(const std::string& profile_name);

class FolderHandle;
// The swap of the profile file and its previous copy, by names in `dir`
// (nullptr: absent). Mode 2 copies the profile file over the previous copy,
// keeping the old previous copy when the copy fails (an empty one is left
// only when there is no profile file); 1 removes the previous copy; 0 renames
// the previous copy over the profile file (kept when there is none).
void SwapOwnFiles(FolderHandle& dir, int mode, const std::string* profile, const std::string* prev);

// An open descriptor of the preference folder and the steps on names in it.
// Not thread-safe: the service runs one file request at a time.
class FolderHandle {
 public:
  static std::optional<FolderHandle> Open(const std::string& folder);
  FolderHandle(FolderHandle&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FolderHandle& operator=(FolderHandle&&) = delete;
  ~FolderHandle();

  // Whether this user may create or write `name`: an existing file must open
  // for writing; for a missing one a unique probe file is created in the
  // folder and removed again. `name` itself is never created or removed, so
  // the test cannot undo a write that renames over it meanwhile. Sets the
  // umask to 002.
  bool IsAdmin(const std::string& name);
  // Whether `name` is a regular file with one link that opens for reading.
  bool Exists(const std::string& name);
  // Removes `name` when it is a regular file with one link.
  bool Remove(const std::string& name);
  // Removes whatever entry `name` is (never follows it); false when absent.
  bool Unlink(const std::string& name);
  // Reads `name` (regular, one link, at most max_bytes). *missing tells a
  // missing file from a refused or unreadable one.
  bool Read(const std::string& name, std::string* out, size_t max_bytes, bool* missing = nullptr);
  // Replaces `name` atomically: temporary file in the folder, fsync, rename
  // over `name`, fsync of the folder. Refused when something other than a
  // regular file with one link stands at `name`. With flush false the two
  // fsyncs are left out (the replacement is still atomic for every reader;
  // only a power loss could leave an older or partial file behind): for the
  // staging file, which is validated and flushed when it is moved.
  bool Replace(const std::string& name, std::string_view bytes, bool flush = true);
  // Appends `tail` to `name` (regular, one link, this user's), or, when
  // `fresh` or missing, replaces it atomically by `tail` alone; without
  // fsyncs. False when an old file is there but refused, or when the result
  // would exceed max_bytes; a failed append is cut off again.
  bool Append(const std::string& name, std::string_view tail, size_t max_bytes, bool fresh);
  // Copies `from` over `to` the same way, in 65535-byte blocks. False when
  // `from` cannot be opened or the copy fails; `to` is then as it was.
  // *missing tells a missing `from`.
  bool Copy(const std::string& from, const std::string& to, bool* missing = nullptr);
  // Removes the temporary files a killed service left at the names of
  // `login`'s files: regular files of this user only.
  void RemoveStaleTemporaries(std::string_view login);
  // Flushes `from` (regular, one link), renames it over `to` (absent, or
  // regular with one link) and flushes the folder.
  bool Rename(const std::string& from, const std::string& to);

 private:
  explicit FolderHandle(int fd) : fd_(fd) {}
  bool TargetReplaceable(const std::string& name);
  int OpenRegular(const std::string& name, int flags);
  int fd_;
};

}  // namespace prefservice
