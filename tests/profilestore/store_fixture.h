// A scoped installation root for profile store tests: a temporary folder with
// the preference folder inside, VN420P_ROOT pointing at it and the direct
// variant's path globals set for user "alice" and model "VN420P".
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "platform/paths.h"
#include "profilestore/direct_variant.h"
#include "profilestore/profile_store.h"

namespace profilestore::testing {

class ScopedRoot {
 public:
  ScopedRoot() {
    char tmpl[] = "/tmp/profilestore-test-XXXXXX";
    root_ = mkdtemp(tmpl);
    chmod(root_.c_str(), 0755);
    const char* old = getenv("VN420P_ROOT");
    had_old_ = old != nullptr;
    if (had_old_) old_ = old;
    setenv("VN420P_ROOT", root_.c_str(), 1);
    folder_ = platform::paths::PreferenceFolder();
    std::filesystem::create_directories(folder_);
    FormProfilePaths("alice", "VN420P", &paths_);
    SetProfilePathGlobals(&paths_);
  }
  ~ScopedRoot() {
    SetProfilePathGlobals(nullptr);
    if (had_old_) {
      setenv("VN420P_ROOT", old_.c_str(), 1);
    } else {
      unsetenv("VN420P_ROOT");
    }
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  ScopedRoot(const ScopedRoot&) = delete;
  ScopedRoot& operator=(const ScopedRoot&) = delete;

  const std::string& root() const { return root_; }
  const std::string& folder() const { return folder_; }
  std::string profile() const { return paths_.profile; }
  std::string prev() const { return paths_.prev; }

 private:
  std::string root_, folder_, old_;
  bool had_old_ = false;
  ProfilePaths paths_{};
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline bool Exists(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

// Lists are 44 KB each; keep them off the stack and zeroed.
inline std::unique_ptr<HVProfileList> NewList() {
  auto list = std::make_unique<HVProfileList>();
  ClearProfileList(list.get());
  return list;
}

inline void SetItem(HVProfileList* list, int slot, int32_t in_menu, const char* file_name,
                    int32_t index_on_device = 0, int32_t location = kLocationDisk) {
  HVProfileItem& item = list->litem[slot];
  item.iInMenu = in_menu;
  item.iIndexOnDevice = index_on_device;
  item.iLocation = location;
  item.iProfileClass = 2;
  std::strncpy(item.FileName, file_name, kProfileTextSize - 1);
  std::strncpy(item.ProfileName, file_name, kProfileTextSize - 1);
}

}  // namespace profilestore::testing
