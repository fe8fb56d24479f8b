// The job's print settings (the print ticket): string keys to property-list
// values, with the calls the panes make on them.
#pragma once

#include <string>
#include <string_view>

#include "platform/plist.h"
#include "platform/status.h"

namespace platform {

class PrintSettings {
 public:
  PrintSettings() = default;
  explicit PrintSettings(plist::Dict entries) : entries_(std::move(entries)) {}

  // noErr and the stored value in *value; kPMKeyNotFound (and nullptr) when the
  // key is absent. The pointer stays valid until the entry is changed.
  OSStatus getValue(std::string_view key, const plist::Value** value) const;
  // Stores a copy of the value under the key (a none value removes the entry).
  OSStatus setValue(std::string_view key, plist::Value value);
  const plist::Dict& entries() const { return entries_; }

  // XML property-list form of the whole ticket, and back (paramErr when the
  // bytes are not a property-list dictionary; the settings are then unchanged).
  std::string dataRepresentation() const;
  OSStatus setFromDataRepresentation(std::string_view bytes);

  // (Files of print settings are the host's: host/settings_file.h.)

 private:
  plist::Dict entries_;
};

// The print system's calls, as the panes use them.
inline OSStatus PMPrintSettingsGetValue(const PrintSettings* s, std::string_view key,
                                        const plist::Value** value) {
  if (value) *value = nullptr;
  if (!s || !value) return paramErr;
  return s->getValue(key, value);
}
inline OSStatus PMPrintSettingsSetValue(PrintSettings* s, std::string_view key,
                                        const plist::Value& value, bool /*locked*/ = false) {
  return s ? s->setValue(key, value) : paramErr;
}
inline OSStatus PMPrintSettingsCopyAsDictionary(const PrintSettings* s, plist::Dict* out) {
  if (!s || !out) return paramErr;
  *out = s->entries();
  return noErr;
}
inline OSStatus PMPrintSettingsCreateDataRepresentation(const PrintSettings* s, std::string* out) {
  if (!s || !out) return paramErr;
  *out = s->dataRepresentation();
  return noErr;
}

}  // namespace platform
