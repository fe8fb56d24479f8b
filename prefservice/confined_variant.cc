#include "prefservice/confined_variant.h"

#include "platform/log.h"
#include "profilestore/direct_variant.h"

namespace prefservice {

std::string ConfinedVariant::ProfilePath() {
  return profilestore::HV_PLIST_PROFILE_PATH != nullptr ? profilestore::HV_PLIST_PROFILE_PATH : "";
}

std::string ConfinedVariant::PrevPath() {
  return profilestore::HV_PLIST_PROFILE_PREV_PATH != nullptr ? profilestore::HV_PLIST_PROFILE_PREV_PATH : "";
}

std::optional<std::string> ConfinedVariant::Name(const std::string& path) const {
  std::optional<OwnFile> file = ClassifyOwnFile(path, folder_, login_);
  if (!file) {
    platform::log::Write(LOG_WARNING, "prefservice: the walk refused a path outside the caller's files");
    return std::nullopt;
  }
  return file->name;
}

int ConfinedVariant::IsAdmin(const std::string& path) {
  std::optional<std::string> name = Name(path);
  return name && dir_->IsAdmin(*name) ? 1 : 0;
}

void ConfinedVariant::Swap(int mode, const std::string& profile, const std::string& prev) {
  std::optional<std::string> p = Name(profile), q = Name(prev);
  SwapOwnFiles(*dir_, mode, p ? &*p : nullptr, q ? &*q : nullptr);
}

int ConfinedVariant::Exist(const std::string& path) {
  std::optional<std::string> name = Name(path);
  return name && dir_->Exists(*name) ? 1 : 0;
}

int ConfinedVariant::Remove(const std::string& path) {
  std::optional<std::string> name = Name(path);
  return name && dir_->Remove(*name) ? 1 : 0;
}

bool ConfinedVariant::ReadData(const std::string& path, std::string* out, size_t max_bytes) {
  std::optional<std::string> name = Name(path);
  return name && dir_->Read(*name, out, max_bytes);
}

bool ConfinedVariant::WriteData(std::string_view bytes, const std::string& path) {
  std::optional<std::string> name = Name(path);
  return name && dir_->Replace(*name, bytes);
}

}  // namespace prefservice
