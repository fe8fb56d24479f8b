// Checks that stand in for the text conversions of the platform strings: a
// conversion to UTF-8 or ASCII fails for text that is not valid in it.
#pragma once

#include <string_view>

namespace securitypane {

// Well-formed UTF-8 (no surrogates, no overlong forms).
bool IsValidUtf8(std::string_view s);
// Only 7-bit characters.
bool IsAscii(std::string_view s);

}  // namespace securitypane
