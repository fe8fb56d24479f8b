// Status codes shared by every deliverable: signed 32-bit, 0 for success.
#pragma once

#include <cstdint>

namespace platform {

using OSStatus = int32_t;

inline constexpr OSStatus noErr = 0;
inline constexpr OSStatus kStatusMissing = -1;         // missing argument or wrong value type
inline constexpr OSStatus paramErr = -50;              // bad parameter or untranslatable text
inline constexpr OSStatus memFullErr = -108;           // out of memory
inline constexpr OSStatus kPMKeyNotFound = -9589;      // print settings: no entry under the key
inline constexpr OSStatus kPMInvalidPageFormat = -30876;
inline constexpr OSStatus kArrayNotCreated = -30870;   // array cannot be created
inline constexpr OSStatus kPPDOptionNotFound = -30888; // PPD option not found
inline constexpr OSStatus kNoPaperName = -30892;       // no usable paper name

}  // namespace platform
