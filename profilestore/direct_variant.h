// The direct variant of the file operations: plain file-system calls on the
// paths the caller has put into the three path globals.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "profilestore/file_variant.h"

namespace profilestore {

// Paths of the request being served: the profile file, its previous copy and
// the spool file. Set by the caller (the walk request) and valid for that
// request only; nullptr means no path, and every operation then fails.
extern const char* HV_PLIST_PROFILE_PATH;
extern const char* HV_PLIST_PROFILE_PREV_PATH;
extern const char* HV_PLIST_PROFILE_SPOOL_PATH;

// The three paths for one user and model, formed under the preference folder
// of the installation root, whole whatever their length (a cut path would
// name another file).
struct ProfilePaths {
  std::string profile;
  std::string prev;
  std::string spool;
};
void FormProfilePaths(std::string_view user, std::string_view model, ProfilePaths* out);
// Points the three globals at `paths` (nullptr: at nothing); `paths` must
// outlive that use.
void SetProfilePathGlobals(const ProfilePaths* paths);

class DirectVariant : public FileVariant {
 public:
  // Operates on whatever the paths name: for in-process use by the user
  // themself. The service reaches its files through its confined layer.
  std::string ProfilePath() override;
  std::string PrevPath() override;
  // The open learns whether it created the file (O_CREAT|O_EXCL first), so
  // only a file this test created is removed again. Sets the umask to 002.
  int IsAdmin(const std::string& path) override;
  // Save copies through a temporary file renamed over the previous copy;
  // restore renames the previous copy over the profile file, so a missing
  // previous copy keeps the profile file.
  void Swap(int mode, const std::string& profile, const std::string& prev) override;
  int Exist(const std::string& path) override;
  int Remove(const std::string& path) override;
  // Atomic replace: temporary file in the same folder, fsync, rename, fsync
  // of the folder. Bits 0664.
  bool WriteData(std::string_view bytes, const std::string& path) override;
};

}  // namespace profilestore
