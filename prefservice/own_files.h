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

#include "platform/unique_fd.h"

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

// Name prefixes of the files the service creates beside the caller's own:
// each is followed by an unguessable part (see FolderHandle::CreateUnique), so
// nothing planted in the shared folder beforehand can stand at the name a
// write is about to use.
// The staging file that collects the chunks of a write to `profile_name`.
std::string StagingPrefix(const std::string& profile_name);

class FolderHandle;
// The swap of the profile file and its previous copy, by names in `dir`
// (nullptr: absent). Mode 2 copies the profile file over the previous copy,
// keeping the old previous copy when the copy fails (an empty one is left
// only when there is no profile file); 1 removes the previous copy; 0 renames
// the previous copy over the profile file (kept when there is none). False
// when a step failed (*error says which, with its path and cause); the reply
// does not depend on it.
bool SwapOwnFiles(FolderHandle& dir, int mode, const std::string* profile, const std::string* prev,
                  std::string* error);

// An open descriptor of the preference folder and the steps on names in it.
// Every step answers false with *error set to the step, the whole path and
// the system's reason (or why the entry was refused), and errno as the
// failing call left it (EPERM for a refused entry); on success *error means
// nothing. Files the service creates get bits 0644: no other user, group
// members included, may write them. Not thread-safe: the caller runs one file
// request at a time.
class FolderHandle {
 public:
  static std::optional<FolderHandle> Open(const std::string& folder, std::string* error);
  FolderHandle(FolderHandle&&) noexcept = default;
  FolderHandle& operator=(FolderHandle&&) noexcept = default;

  // Whether this user may create or write `name`: an existing file must open
  // for writing; for a missing one a probe file at an unguessable name is
  // created in the folder and removed again. `name` itself is never created
  // or removed, so the test cannot undo a write that renames over it
  // meanwhile.
  bool IsAdmin(const std::string& name, std::string* error);
  // Whether `name` is a regular file with one link that opens for reading.
  bool Exists(const std::string& name, std::string* error);
  // Removes `name` when it is a regular file with one link.
  bool Remove(const std::string& name, std::string* error);
  // Removes whatever entry `name` is (never follows it); false when absent.
  bool Unlink(const std::string& name, std::string* error);
  // Reads `name` (regular, one link, at most max_bytes). *missing tells a
  // missing file from a refused or unreadable one.
  bool Read(const std::string& name, std::string* out, size_t max_bytes, std::string* error,
            bool* missing = nullptr);
  // Replaces `name` atomically: a new file at an unguessable name in the
  // folder, fsync, rename over `name`, fsync of the folder. Refused when
  // something other than a regular file with one link stands at `name`. With
  // flush false the two fsyncs are left out (the replacement is still atomic
  // for every reader; only a power loss could leave an older or partial file
  // behind).
  bool Replace(const std::string& name, std::string_view bytes, std::string* error, bool flush = true);
  // Creates a new file holding `bytes` at `prefix` + "." + an unguessable
  // part (never an entry that was there before) and sets *name to it; no
  // fsync. Nothing is left behind on failure.
  bool CreateUnique(const std::string& prefix, std::string_view bytes, std::string* name, std::string* error);
  // Appends `tail` to `name` (regular, one link, this user's); false when the
  // result would exceed max_bytes. A failed append is cut off again. No fsync.
  bool Append(const std::string& name, std::string_view tail, size_t max_bytes, std::string* error);
  // Copies `from` over `to` the same way, in 65535-byte blocks. False when
  // `from` cannot be opened or the copy fails; `to` is then as it was.
  // *missing tells a missing `from`.
  bool Copy(const std::string& from, const std::string& to, std::string* error, bool* missing = nullptr);
  // Removes what a killed service left beside `login`'s files (temporary,
  // probe and staging files): regular files of this user only.
  void RemoveStaleTemporaries(std::string_view login);
  // Flushes `from` (regular, one link), renames it over `to` (absent, or
  // regular with one link) and flushes the folder.
  bool Rename(const std::string& from, const std::string& to, std::string* error);

  // The folder's path followed by `name`, for messages.
  std::string PathOf(const std::string& name) const;

 private:
  FolderHandle(platform::UniqueFd fd, std::string path) : fd_(std::move(fd)), path_(std::move(path)) {}
  bool TargetReplaceable(const std::string& name, std::string* error);
  platform::UniqueFd OpenRegular(const std::string& name, int flags, std::string* error);
  // Creates a new file at `prefix` + "." + an unguessable part + `suffix`.
  platform::UniqueFd CreateAtUniqueName(const std::string& prefix, std::string_view suffix, std::string* name,
                                        std::string* error);
  // Writes a new file at an unguessable name beside `name` through `fill`
  // and renames it over `name`, flushing both when asked.
  template <typename Fill>
  bool ReplaceThrough(const std::string& name, bool flush, Fill fill, std::string* error);
  platform::UniqueFd fd_;
  std::string path_;  // ends in '/'
};

}  // namespace prefservice
