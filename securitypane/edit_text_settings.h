// Per-field load and save of the Security pane's edit texts: names stored
// plain-encoded, passwords encrypted and encoded, under the field's settings
// key in the print settings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/print_settings.h"
#include "securitypane/credential.h"

namespace securitypane {

// Load: when the item under `key` exists and is a string, *out := its decoding
// and noErr. Otherwise *out is untouched and the answer is kPMKeyNotFound (no
// item), kStatusMissing (missing argument, or an item of another type) or
// paramErr (the stored text does not decode).
OSStatus LoadEditText(const platform::PrintSettings* settings, std::string_view key, std::string* out);
OSStatus LoadEditTextNumber(const platform::PrintSettings* settings, std::string_view key, std::string* out);
// Decrypts, or plain-decodes when either selector is kNoEncryption.
OSStatus LoadEditTextPassword(const platform::PrintSettings* settings, std::string_view key, uint32_t first,
                              uint32_t second, std::string* out);

// Save: an empty value stores nothing and answers noErr. Otherwise stores the
// encoding under `key` (not locked) and answers noErr, or answers paramErr and
// stores nothing when the value exceeds the format (more than 127 UTF-8 bytes
// plain, 111 encrypted) or is not valid UTF-8; kStatusMissing without settings.
OSStatus SaveEditText(platform::PrintSettings* settings, std::string_view key, std::string_view value);
OSStatus SaveEditTextNumber(platform::PrintSettings* settings, std::string_view key, std::string_view value);
// Encrypts when both selectors are below kNoEncryption, else plain-encodes.
OSStatus SaveEditTextPassword(platform::PrintSettings* settings, std::string_view key, uint32_t first,
                              uint32_t second, std::string_view value);

}  // namespace securitypane
