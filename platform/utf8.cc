#include "platform/utf8.h"

#include <unicode/unistr.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <climits>
#include <cstdint>

namespace platform {

bool IsValidUtf8(std::string_view text) {
  if (text.size() > INT32_MAX) return false;
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  for (int32_t i = 0; i < length;) {
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    if (c < 0) return false;
  }
  return true;
}

std::u16string ToUtf16(std::string_view text) {
  if (text.size() > INT32_MAX) return {};
  icu::UnicodeString u =
      icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  return std::u16string(u.getBuffer(), static_cast<size_t>(u.length()));
}

size_t Utf16Length(std::string_view text) {
  if (text.size() > INT32_MAX) return 0;
  UErrorCode err = U_ZERO_ERROR;
  int32_t units = 0;
  u_strFromUTF8WithSub(nullptr, 0, &units, text.data(), static_cast<int32_t>(text.size()), 0xFFFD, nullptr,
                       &err);
  return err == U_BUFFER_OVERFLOW_ERROR || U_SUCCESS(err) ? static_cast<size_t>(units) : 0;
}

std::string ToUtf8(std::u16string_view text) {
  if (text.size() > INT32_MAX) return {};
  std::string out;
  icu::UnicodeString(false, text.data(), static_cast<int32_t>(text.size())).toUTF8String(out);
  return out;
}

}  // namespace platform
