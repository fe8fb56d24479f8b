#include "securitypane/text_check.h"

#include "platform/utf8.h"

namespace securitypane {

bool IsAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

std::optional<std::string_view> CStringOf(std::string_view text, CEncoding encoding, size_t max_bytes,
                                          platform::OSStatus* status) {
  text = text.substr(0, text.find('\0'));
  const bool valid = encoding == CEncoding::kAscii ? IsAscii(text) : platform::IsValidUtf8(text);
  const bool ok = valid && text.size() <= max_bytes;
  if (status) *status = ok ? platform::noErr : platform::paramErr;
  if (!ok) return std::nullopt;
  return text;
}

std::optional<std::string> StringFromUtf8(std::string text, platform::OSStatus* status) {
  const bool ok = platform::IsValidUtf8(text);
  if (status) *status = ok ? platform::noErr : platform::paramErr;
  if (!ok) return std::nullopt;
  return text;
}

}  // namespace securitypane
