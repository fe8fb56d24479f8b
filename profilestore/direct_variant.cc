#include "profilestore/direct_variant.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file_util.h"
#include "platform/paths.h"
#include "platform/unique_fd.h"

namespace profilestore {

const char* HV_PLIST_PROFILE_PATH = nullptr;
const char* HV_PLIST_PROFILE_PREV_PATH = nullptr;
const char* HV_PLIST_PROFILE_SPOOL_PATH = nullptr;

namespace {

constexpr mode_t kFileMode = 0664;
// A profile file is well under a megabyte; the previous copy is bounded alike.
constexpr size_t kMaxCopyBytes = 64u << 20;

std::string FormPath(const std::string& folder, std::string_view user, std::string_view model,
                     std::string_view suffix) {
  std::string path;
  path.reserve(folder.size() + user.size() + model.size() + suffix.size() + 2);
  path.append(folder).append(user).append("-").append(model).append("-").append(suffix);
  return path;
}

}  // namespace

void FormProfilePaths(std::string_view user, std::string_view model, ProfilePaths* out) {
  std::string folder = platform::paths::PreferenceFolder();
  if (folder.empty() || folder.back() != '/') folder += '/';
  out->profile = FormPath(folder, user, model, "profile.plist");
  out->prev = FormPath(folder, user, model, "profile.prev.plist");
  out->spool = FormPath(folder, user, model, "profile.spool.plist");
}

void SetProfilePathGlobals(const ProfilePaths* paths) {
  HV_PLIST_PROFILE_PATH = paths != nullptr ? paths->profile.c_str() : nullptr;
  HV_PLIST_PROFILE_PREV_PATH = paths != nullptr ? paths->prev.c_str() : nullptr;
  HV_PLIST_PROFILE_SPOOL_PATH = paths != nullptr ? paths->spool.c_str() : nullptr;
}

std::string DirectVariant::ProfilePath() {
  return HV_PLIST_PROFILE_PATH != nullptr ? HV_PLIST_PROFILE_PATH : "";
}

std::string DirectVariant::PrevPath() {
  return HV_PLIST_PROFILE_PREV_PATH != nullptr ? HV_PLIST_PROFILE_PREV_PATH : "";
}

int DirectVariant::IsAdmin(const std::string& path) {
  umask(002);
  // A few rounds cover a file that another process removes or creates between
  // our two opens; whoever created it, only our own creation is undone.
  for (int attempt = 0; attempt < 3; ++attempt) {
    platform::UniqueFd created(
        open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, kFileMode));
    if (created.valid()) {
      unlink(path.c_str());
      return 1;
    }
    if (errno != EEXIST) return 0;
    platform::UniqueFd existing(open(path.c_str(), O_RDWR | O_APPEND | O_CLOEXEC));
    if (existing.valid()) return 1;
    if (errno != ENOENT) return 0;
  }
  return 0;
}

void DirectVariant::Swap(int mode, const std::string& profile, const std::string& prev) {
  switch (mode) {
    case kSwapSave: {
      if (prev.empty()) return;
      unlink(prev.c_str());
      std::string bytes;
      if (profile.empty() || platform::ReadFile(profile, &bytes, kMaxCopyBytes) != platform::noErr) {
        // Without a readable profile file the previous copy is left empty.
        platform::UniqueFd created(open(prev.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, kFileMode));
        return;
      }
      platform::WriteFileAtomically(prev, bytes, kFileMode);
      return;
    }
    case kSwapDiscard:
      if (!prev.empty()) unlink(prev.c_str());
      return;
    case kSwapRestore:
      // rename replaces the profile file in one step and fails, keeping it,
      // when there is no previous copy.
      if (!profile.empty() && !prev.empty()) rename(prev.c_str(), profile.c_str());
      return;
    default:
      return;
  }
}

int DirectVariant::Exist(const std::string& path) {
  platform::UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  return fd.valid() ? 1 : 0;
}

int DirectVariant::Remove(const std::string& path) { return std::remove(path.c_str()) == 0 ? 1 : 0; }

bool DirectVariant::WriteData(std::string_view bytes, const std::string& path) {
  return platform::WriteFileAtomically(path, bytes, kFileMode) == platform::noErr;
}

}  // namespace profilestore
