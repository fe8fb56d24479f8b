// Whole-file reads and writes for tests (bytes as they are, no text mode).
#pragma once

#include <string>
#include <string_view>

namespace testsupport {

// The file's bytes ("" when it cannot be read).
std::string ReadText(const std::string& path);
// Replaces the file's bytes; false when it cannot be written.
bool WriteText(const std::string& path, std::string_view bytes);
// Whether anything (a dangling link included) is at `path`.
bool Exists(const std::string& path);

}  // namespace testsupport
