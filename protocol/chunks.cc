#include "protocol/chunks.h"

#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <climits>

namespace protocol {

std::vector<std::u16string> SplitCharEvery(std::u16string_view text, size_t n) {
  std::vector<std::u16string> pieces;
  if (n == 0) n = 1;
  if (text.size() <= n) {
    pieces.emplace_back(text);
    return pieces;
  }
  size_t at = 0;
  while (text.size() - at >= n) {
    size_t len = n;
    size_t cut = at + len;
    if (cut < text.size() && U16_IS_LEAD(text[cut - 1]) && U16_IS_TRAIL(text[cut])) len = n > 1 ? n - 1 : n + 1;
    pieces.emplace_back(text.substr(at, len));
    at += len;
  }
  if (at < text.size()) pieces.emplace_back(text.substr(at));
  return pieces;
}

std::optional<std::u16string> Utf16FromUtf8(std::string_view text) {
  if (text.size() > INT32_MAX) return std::nullopt;
  UErrorCode err = U_ZERO_ERROR;
  int32_t len = 0;
  u_strFromUTF8(nullptr, 0, &len, text.data(), static_cast<int32_t>(text.size()), &err);
  if (err != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(err)) return std::nullopt;
  std::u16string out(static_cast<size_t>(len), u'\0');
  err = U_ZERO_ERROR;
  u_strFromUTF8(out.data(), len, nullptr, text.data(), static_cast<int32_t>(text.size()), &err);
  if (U_FAILURE(err)) return std::nullopt;
  return out;
}

std::optional<std::string> Utf8FromUtf16(std::u16string_view text) {
  if (text.size() > INT32_MAX / 3) return std::nullopt;
  UErrorCode err = U_ZERO_ERROR;
  int32_t len = 0;
  u_strToUTF8(nullptr, 0, &len, text.data(), static_cast<int32_t>(text.size()), &err);
  if (err != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(err)) return std::nullopt;
  std::string out(static_cast<size_t>(len), '\0');
  err = U_ZERO_ERROR;
  u_strToUTF8(out.data(), len, nullptr, text.data(), static_cast<int32_t>(text.size()), &err);
  if (U_FAILURE(err)) return std::nullopt;
  return out;
}

// Works on the UTF-8 bytes directly, counting each code point's UTF-16 units,
// so a whole profile file is cut without converting it twice.
std::optional<std::vector<std::string>> SplitUtf8Every(std::string_view text, size_t n) {
  if (text.size() > INT32_MAX) return std::nullopt;
  if (n == 0) n = 1;
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  auto next = [&](int32_t* pos, UChar32* c) { U8_NEXT(bytes, *pos, length, *c); };

  size_t total = 0;
  for (int32_t pos = 0; pos < length;) {
    UChar32 c;
    next(&pos, &c);
    if (c < 0) return std::nullopt;
    total += U16_LENGTH(c);
  }
  std::vector<std::string> pieces;
  if (total <= n) {
    pieces.emplace_back(text);
    return pieces;
  }
  size_t done = 0;
  int32_t pos = 0;
  while (total - done >= n) {
    int32_t start = pos;
    size_t units = 0;
    while (units < n) {
      int32_t after = pos;
      UChar32 c;
      next(&after, &c);
      size_t w = U16_LENGTH(c);
      // A pair that would straddle the cut goes to the next piece (for n == 1
      // it is taken whole).
      if (units + w > n && n > 1) break;
      units += w;
      pos = after;
    }
    pieces.emplace_back(text.substr(static_cast<size_t>(start), static_cast<size_t>(pos - start)));
    done += units;
  }
  if (pos < length) pieces.emplace_back(text.substr(static_cast<size_t>(pos)));
  return pieces;
}

}  // namespace protocol
