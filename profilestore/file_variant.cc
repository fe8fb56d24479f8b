#include "profilestore/file_variant.h"

#include "platform/file_util.h"
#include "profilestore/direct_variant.h"

namespace profilestore {
namespace {

FileVariant* g_variant = nullptr;

DirectVariant& DefaultVariant() {
  static DirectVariant direct;
  return direct;
}

}  // namespace

bool FileVariant::ReadData(const std::string& path, std::string* out, size_t max_bytes) {
  return !path.empty() && platform::ReadFile(path, out, max_bytes) == platform::noErr;
}

FileVariant* SetFileVariant(FileVariant* variant) {
  FileVariant* previous = &CurrentFileVariant();
  g_variant = variant;
  return previous;
}

FileVariant& CurrentFileVariant() { return g_variant != nullptr ? *g_variant : DefaultVariant(); }

int HVPListIsAdminProfile() {
  FileVariant& v = CurrentFileVariant();
  std::string path = v.ProfilePath();
  if (path.empty()) return 0;
  return v.IsAdmin(path) == 1 ? 1 : 0;
}

void HVPListSwapProfile(int mode) {
  if (HVPListIsAdminProfile() != 1) return;
  FileVariant& v = CurrentFileVariant();
  v.Swap(mode, v.ProfilePath(), v.PrevPath());
}

int HVPListExistProfile() {
  if (HVPListIsAdminProfile() != 1) return 0;
  FileVariant& v = CurrentFileVariant();
  return v.Exist(v.ProfilePath()) == 1 ? 1 : 0;
}

int HVPListRemove(int kind) {
  if (HVPListIsAdminProfile() != 1) return 0;
  if (kind != kRemovePrev && kind != kRemoveProfile) return 0;
  FileVariant& v = CurrentFileVariant();
  std::string path = kind == kRemovePrev ? v.PrevPath() : v.ProfilePath();
  if (path.empty()) return 0;
  return v.Remove(path) == 1 ? 1 : 0;
}

}  // namespace profilestore
