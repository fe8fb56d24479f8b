// The delegating variant of the profile store's file operations: the plug-in
// never writes the shared preference folder itself; every test, swap, removal
// and write is a privileged request through the bridge tool. Reading the
// profile file needs no privilege and stays direct.
#pragma once

#include <string>
#include <string_view>

#include "profilestore/file_variant.h"

namespace colorpane {

class DelegatingVariant : public profilestore::FileVariant {
 public:
  // This user's files for the fixed model, under the installation root.
  std::string ProfilePath() override;
  std::string PrevPath() override;
  // One "hvPListIsAdminProfile_XPC" request; 1 on "...=TRUE".
  int IsAdmin(const std::string& path) override;
  // One "hvPListSwapProfile_XPC" request; its reply is not examined.
  void Swap(int mode, const std::string& profile, const std::string& prev) override;
  int Exist(const std::string& path) override;
  int Remove(const std::string& path) override;
  // The text in chunks of at most 90000 UTF-16 units, one
  // "writeDataToPlistFile_XPC" request each, then one
  // "writeDataToPlistFileRename_XPC"; true exactly when every reply was TRUE.
  // Stops at the first chunk not answered TRUE. False for bytes that are not
  // UTF-8 and when the tool is missing.
  bool WriteData(std::string_view bytes, const std::string& path) override;
};

// Installs the delegating variant for every store operation of the plug-in.
void InstallDelegatingVariant();

}  // namespace colorpane
