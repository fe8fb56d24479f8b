#include "platform/print_settings.h"

#include "platform/file_util.h"

namespace platform {

OSStatus PrintSettings::getValue(std::string_view key, const plist::Value** value) const {
  auto it = entries_.find(key);
  if (it == entries_.end()) {
    *value = nullptr;
    return kPMKeyNotFound;
  }
  *value = &it->second;
  return noErr;
}

OSStatus PrintSettings::setValue(std::string_view key, plist::Value value) {
  if (value.isNone()) {
    if (auto it = entries_.find(key); it != entries_.end()) entries_.erase(it);
    return noErr;
  }
  entries_.insert_or_assign(std::string(key), std::move(value));
  return noErr;
}

std::string PrintSettings::dataRepresentation() const { return plist::ToXml(plist::Value(entries_)); }

OSStatus PrintSettings::setFromDataRepresentation(std::string_view bytes) {
  auto parsed = plist::Parse(bytes);
  if (!parsed || !parsed->isDict()) return paramErr;
  entries_ = std::move(*parsed->dict());
  return noErr;
}

OSStatus PrintSettings::loadFromFile(const std::string& path, bool* existed) {
  if (existed) *existed = false;
  std::string bytes;
  OSStatus st = ReadFile(path, &bytes);
  if (st == kStatusMissing) return noErr;
  if (st != noErr) return st;
  if (existed) *existed = true;
  return setFromDataRepresentation(bytes);
}

OSStatus PrintSettings::saveToFile(const std::string& path) const {
  return WriteFileAtomically(path, dataRepresentation());
}

}  // namespace platform
