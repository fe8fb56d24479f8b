// Checks that stand in for the conversions between the platform strings and
// C strings: a conversion fails for text that is not valid in the encoding.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace securitypane {

// Only 7-bit characters.
bool IsAscii(std::string_view s);

enum class CEncoding { kUtf8, kAscii };
// The C-string form of `text`: cut at its first NUL, then refused (nullopt,
// *status paramErr) unless it is valid in `encoding` and at most `max_bytes`
// long; *status noErr otherwise. `status` may be nullptr.
std::optional<std::string_view> CStringOf(std::string_view text, CEncoding encoding, size_t max_bytes,
                                          platform::OSStatus* status);
// `text` as a platform string: refused (nullopt, *status paramErr) unless it
// is valid UTF-8; *status noErr otherwise. `status` may be nullptr.
std::optional<std::string> StringFromUtf8(std::string text, platform::OSStatus* status);

}  // namespace securitypane
