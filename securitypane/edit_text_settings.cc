#include "securitypane/edit_text_settings.h"

#include <optional>

namespace securitypane {
namespace {

using platform::PrintSettings;

// The stored string under the key, or the status explaining its absence.
OSStatus GetStoredString(const PrintSettings* settings, std::string_view key, const std::string** out) {
  if (!settings) return platform::kStatusMissing;
  const platform::plist::Value* value = nullptr;
  OSStatus err = platform::PMPrintSettingsGetValue(settings, key, &value);
  if (err != platform::noErr) return err;
  if (!value || !value->isString()) return platform::kStatusMissing;
  *out = value->string();
  return platform::noErr;
}

OSStatus Deliver(std::optional<std::string> decoded, OSStatus status, std::string* out) {
  if (!decoded) return status == platform::noErr ? platform::paramErr : status;
  *out = std::move(*decoded);
  return platform::noErr;
}

OSStatus Store(PrintSettings* settings, std::string_view key, std::optional<std::string> encoded,
               OSStatus status) {
  if (!encoded) return status == platform::noErr ? platform::paramErr : status;
  return platform::PMPrintSettingsSetValue(settings, key, platform::plist::Value(std::move(*encoded)), false);
}

bool Encrypts(uint32_t first, uint32_t second) { return first < kNoEncryption && second < kNoEncryption; }

}  // namespace

OSStatus LoadEditText(const PrintSettings* settings, std::string_view key, std::string* out) {
  if (!out) return platform::kStatusMissing;
  const std::string* stored = nullptr;
  if (OSStatus err = GetStoredString(settings, key, &stored)) return err;
  OSStatus status;
  auto decoded = HVCFStringDecode(*stored, &status);
  return Deliver(std::move(decoded), status, out);
}

OSStatus LoadEditTextNumber(const PrintSettings* settings, std::string_view key, std::string* out) {
  return LoadEditText(settings, key, out);
}

OSStatus LoadEditTextPassword(const PrintSettings* settings, std::string_view key, uint32_t first,
                              uint32_t second, std::string* out) {
  if (!out) return platform::kStatusMissing;
  const std::string* stored = nullptr;
  if (OSStatus err = GetStoredString(settings, key, &stored)) return err;
  OSStatus status;
  auto decoded = Encrypts(first, second) ? HVCFStringDecodeWithDecrypt(*stored, first, second, &status)
                                         : HVCFStringDecode(*stored, &status);
  return Deliver(std::move(decoded), status, out);
}

OSStatus SaveEditText(PrintSettings* settings, std::string_view key, std::string_view value) {
  if (!settings) return platform::kStatusMissing;
  if (value.empty()) return platform::noErr;
  OSStatus status;
  auto encoded = HVCFStringEncode(value, &status);
  return Store(settings, key, std::move(encoded), status);
}

OSStatus SaveEditTextNumber(PrintSettings* settings, std::string_view key, std::string_view value) {
  return SaveEditText(settings, key, value);
}

OSStatus SaveEditTextPassword(PrintSettings* settings, std::string_view key, uint32_t first, uint32_t second,
                              std::string_view value) {
  if (!settings) return platform::kStatusMissing;
  if (value.empty()) return platform::noErr;
  OSStatus status;
  auto encoded = Encrypts(first, second) ? HVCFStringEncodeWithEncrypt(value, first, second, &status)
                                         : HVCFStringEncode(value, &status);
  return Store(settings, key, std::move(encoded), status);
}

}  // namespace securitypane
