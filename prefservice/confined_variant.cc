#include "prefservice/confined_variant.h"

#include "platform/log.h"
#include "profilestore/direct_variant.h"

namespace prefservice {
namespace {

// Logs a failed step; answers `ok`.
bool Logged(bool ok, const std::string& error) {
  if (!ok) platform::log::Writef(LOG_WARNING, "prefservice: the walk's merge: %s", error.c_str());
  return ok;
}

}  // namespace

std::string ConfinedVariant::ProfilePath() {
  return profilestore::HV_PLIST_PROFILE_PATH != nullptr ? profilestore::HV_PLIST_PROFILE_PATH : "";
}

std::string ConfinedVariant::PrevPath() {
  return profilestore::HV_PLIST_PROFILE_PREV_PATH != nullptr ? profilestore::HV_PLIST_PROFILE_PREV_PATH : "";
}

std::optional<std::string> ConfinedVariant::Name(const std::string& path) {
  if (files_ != nullptr && !held_.owns_lock()) held_ = std::unique_lock<std::mutex>(*files_);
  std::optional<OwnFile> file = ClassifyOwnFile(path, folder_, login_);
  if (!file) {
    platform::log::Write(LOG_WARNING, "prefservice: the walk refused a path outside the caller's files");
    return std::nullopt;
  }
  return file->name;
}

int ConfinedVariant::IsAdmin(const std::string& path) {
  std::optional<std::string> name = Name(path);
  std::string error;
  return name && Logged(dir_->IsAdmin(*name, &error), error) ? 1 : 0;
}

void ConfinedVariant::Swap(int mode, const std::string& profile, const std::string& prev) {
  std::optional<std::string> p = Name(profile), q = Name(prev);
  std::string error;
  Logged(SwapOwnFiles(*dir_, mode, p ? &*p : nullptr, q ? &*q : nullptr, &error), error);
}

int ConfinedVariant::Exist(const std::string& path) {
  std::optional<std::string> name = Name(path);
  std::string error;
  return name && dir_->Exists(*name, &error) ? 1 : 0;
}

int ConfinedVariant::Remove(const std::string& path) {
  std::optional<std::string> name = Name(path);
  std::string error;
  return name && Logged(dir_->Remove(*name, &error), error) ? 1 : 0;
}

bool ConfinedVariant::ReadData(const std::string& path, std::string* out, size_t max_bytes) {
  std::optional<std::string> name = Name(path);
  if (!name) return false;
  std::string error;
  bool missing = false;
  if (dir_->Read(*name, out, max_bytes, &error, &missing)) return true;
  // A missing file is read as empty lists; only other failures are worth a line.
  if (!missing) Logged(false, error);
  return false;
}

bool ConfinedVariant::WriteData(std::string_view bytes, const std::string& path) {
  std::optional<std::string> name = Name(path);
  std::string error;
  return name && Logged(dir_->Replace(*name, bytes, &error), error);
}

}  // namespace prefservice
