#include "platform/print_settings.h"


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

}  // namespace platform
