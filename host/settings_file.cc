#include "host/settings_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/file_util.h"
#include "platform/plist.h"
#include "securitypane/settings_keys.h"

namespace host {
namespace {

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a plain file";
}

std::string ModeText(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

}  // namespace

std::optional<SettingsFile> SettingsFile::Open(const std::string& path, platform::PrintSettings* settings,
                                               std::string* error) {
  SettingsFile file;
  file.path_ = path;
  file.target_ = path;
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return file;
    *error = "cannot read " + path + ": " + std::strerror(errno);
    return std::nullopt;
  }
  if (S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr) {
      *error = errno == ENOENT
                   ? path + " is a symbolic link to a missing file; create the file or give its path"
                   : "cannot follow " + path + ": " + std::strerror(errno);
      return std::nullopt;
    }
    file.target_ = resolved;
    if (stat(resolved, &st) != 0) {
      *error = "cannot read " + path + ": " + std::strerror(errno);
      return std::nullopt;
    }
  }
  if (!S_ISREG(st.st_mode)) {
    *error = path + " is not a regular file (" + KindOf(st.st_mode) + ")";
    return std::nullopt;
  }
  const platform::plist::Limits limits;
  std::string bytes;
  if (platform::ReadFile(file.target_, &bytes, limits.maxBytes) != platform::noErr) {
    *error = "cannot read " + path + " (a regular file of at most 16 MiB)";
    return std::nullopt;
  }
  std::optional<platform::plist::Value> parsed;
  if (!bytes.empty()) parsed = platform::plist::Parse(bytes, limits);
  if (!bytes.empty() && (!parsed || !parsed->isDict())) {
    *error = path + ": not a print settings file (a property-list dictionary nested at most " +
             std::to_string(limits.maxDepth) + " levels deep)";
    return std::nullopt;
  }
  if (parsed) *settings = platform::PrintSettings(std::move(*parsed->dict()));
  file.existed_ = true;
  file.binary_ = bytes.substr(0, 8) == "bplist00";
  file.mode_ = st.st_mode & 07777;
  file.uid_ = st.st_uid;
  file.gid_ = st.st_gid;
  return file;
}

bool SettingsFile::HoldsCredentials(const platform::PrintSettings& settings) {
  for (const char* key : securitypane::kCredentialKeys) {
    const platform::plist::Value* value = nullptr;
    if (settings.getValue(key, &value) == platform::noErr && value && value->string() &&
        !value->string()->empty())
      return true;
  }
  return false;
}

bool SettingsFile::write(const platform::PrintSettings& settings, std::string* error, std::string* notice) {
  mode_t mode = existed_ ? mode_ : 0600;
  if ((mode & 077) != 0 && HoldsCredentials(settings)) {
    // Only the owner (or root, who keeps the owner) may make it private.
    if (uid_ != geteuid() && geteuid() != 0) {
      *error = "cannot write " + path_ + ": it would hold credentials, and others may read it (mode " +
               ModeText(mode) + ") but it is not yours to make private; nothing was written";
      return false;
    }
    mode &= ~static_cast<mode_t>(077);
  }
  std::string bytes = binary_ ? platform::plist::ToBinary(platform::plist::Value(settings.entries()))
                              : settings.dataRepresentation();
  platform::FileOwner owner{uid_, gid_};
  std::string why;
  if (platform::ReplaceFile(target_, bytes, static_cast<int>(mode), existed_ ? &owner : nullptr, &why) !=
      platform::noErr) {
    *error = "cannot write " + path_ + (target_ != path_ ? " (" + target_ + ")" : "") + ": " + why;
    return false;
  }
  if (existed_ && mode != mode_ && notice)
    *notice = path_ + ": made private (mode " + ModeText(mode) + ", was " + ModeText(mode_) +
              "), since it holds credentials";
  mode_ = mode;
  return true;
}

}  // namespace host
