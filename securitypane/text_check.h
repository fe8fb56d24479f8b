// A check that stands in for the ASCII conversion of the platform strings: it
// fails for text that is not 7-bit. The UTF-8 one is platform::IsValidUtf8.
#pragma once

#include <string_view>

namespace securitypane {

// Only 7-bit characters.
bool IsAscii(std::string_view s);

}  // namespace securitypane
