// Whole-file reads and atomic whole-file writes.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace platform {

// Reads the whole file into *out. noErr; kStatusMissing when the file does not
// exist; paramErr when it cannot be read, is no regular file (a FIFO, device
// or folder is refused without blocking) or is larger than max_bytes.
OSStatus ReadFile(const std::string& path, std::string* out, size_t max_bytes = 64u << 20);

// Replaces the file atomically: writes a temporary file in the same folder,
// flushes it, renames it over the target and flushes the folder. A crash at any
// point leaves either the old or the new contents. paramErr on failure (the
// target is then untouched).
OSStatus WriteFileAtomically(const std::string& path, std::string_view bytes, int mode = 0644);

struct FileOwner {
  uid_t uid;
  gid_t gid;
};
// The same, the new file taking `mode` and, when given, `owner`. On failure
// *why (when given) says which step failed and the system's reason.
OSStatus ReplaceFile(const std::string& path, std::string_view bytes, int mode, const FileOwner* owner,
                     std::string* why);

}  // namespace platform
