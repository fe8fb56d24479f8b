#include "protocol/chunks.h"

#include <unicode/ustring.h>
#include <unicode/utf16.h>

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

std::optional<std::u16string> UTF16FromUTF8(std::string_view text) {
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

std::optional<std::string> UTF8FromUTF16(std::u16string_view text) {
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

std::optional<std::vector<std::string>> SplitUTF8Every(std::string_view text, size_t n) {
  std::optional<std::u16string> wide = UTF16FromUTF8(text);
  if (!wide) return std::nullopt;
  std::vector<std::string> out;
  for (const std::u16string& piece : SplitCharEvery(*wide, n)) {
    std::optional<std::string> narrow = UTF8FromUTF16(piece);
    if (!narrow) return std::nullopt;
    out.push_back(std::move(*narrow));
  }
  return out;
}

bool IsValidUTF8(std::string_view text) {
  if (text.size() > INT32_MAX) return false;
  UErrorCode err = U_ZERO_ERROR;
  int32_t len = 0;
  u_strFromUTF8(nullptr, 0, &len, text.data(), static_cast<int32_t>(text.size()), &err);
  return err == U_BUFFER_OVERFLOW_ERROR || U_SUCCESS(err);
}

}  // namespace protocol
