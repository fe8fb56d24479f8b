// The print settings file, handled as a careful editor handles a file: only a
// regular file is read (a FIFO, device or folder is refused without
// blocking); a symbolic link is followed and its target is written, a link to
// nothing is refused; a rewrite keeps the file's mode, owner and form (XML or
// binary); a new file is created 0600. A file that is to hold credentials
// (the Security pane's passwords or names) is made private to its owner
// first: one others could read is tightened (the caller is told), and one
// that cannot be (it is not the user's) is refused, nothing written. Every
// refusal and failure names the path and the reason.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

#include "platform/print_settings.h"

namespace host {

class SettingsFile {
 public:
  // Reads the file at `path` into *settings (a missing file leaves them empty
  // and is created by the first write). std::nullopt and *error otherwise.
  static std::optional<SettingsFile> Open(const std::string& path, platform::PrintSettings* settings,
                                          std::string* error);

  // Replaces the file (its target, for a link) with the settings, atomically.
  // *notice (when given) says when the file's mode was tightened.
  bool write(const platform::PrintSettings& settings, std::string* error, std::string* notice = nullptr);

  // Whether the settings hold a credential (a non-empty password or name).
  static bool HoldsCredentials(const platform::PrintSettings& settings);

 private:
  std::string path_;    // as given
  std::string target_;  // the file written
  bool existed_ = false;
  bool binary_ = false;
  mode_t mode_ = 0600;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
};

}  // namespace host
