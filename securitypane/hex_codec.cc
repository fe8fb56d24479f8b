// The hexadecimal codecs of stored names and passwords, and str2num.
#include <cstring>

#include "platform/hex_digit.h"
#include "platform/utf8.h"
#include "securitypane/credential.h"
#include "securitypane/text_check.h"

namespace securitypane {
namespace {

constexpr char kUpperHex[] = "0123456789ABCDEF";
constexpr char kLowerHex[] = "0123456789abcdef";

// Answers false (and leaves an empty string behind) when `need` bytes do not fit.
template <typename T>
bool Fits(T* out, size_t out_size, size_t need) {
  if (!out) return false;
  if (need <= out_size) return true;
  if (out_size) out[0] = 0;
  return false;
}

int HexDigitUpper(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

// Like strtol(pair, nullptr, 16) on at most two characters.
int PairBase16(const char* p, int n) {
  int v = 0;
  for (int i = 0; i < n; ++i) {
    const int d = platform::HexValue(p[i]);
    if (d < 0) break;
    v = v * 16 + d;
  }
  return v;
}

size_t HalfUp(int length) { return (static_cast<size_t>(length) + 1) / 2; }

}  // namespace

bool IsAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

int HVCStringEncodeMFP(const uint8_t* bytes, char* out, int count, size_t out_size) {
  if (!bytes || !out || count < 1) return 0;
  if (!Fits(out, out_size, 2 * static_cast<size_t>(count) + 1)) return 0;
  for (int i = 0; i < count; ++i) {
    out[2 * i] = kUpperHex[bytes[i] >> 4];
    out[2 * i + 1] = kUpperHex[bytes[i] & 15];
  }
  out[2 * count] = 0;
  return 2 * count;
}

int HVCStringDecodeMFP(const char* text, uint8_t* out, int length, size_t out_size) {
  if (!text || !out || length < 0) return 0;
  const size_t n = HalfUp(length);
  if (!Fits(out, out_size, n + 1)) return 0;
  for (size_t i = 0; i < n; ++i) {
    const int hi = HexDigitUpper(text[2 * i]);
    // An odd final character pairs with the terminator, which is no digit.
    const int lo = 2 * i + 1 < static_cast<size_t>(length) ? HexDigitUpper(text[2 * i + 1]) : 0;
    out[i] = static_cast<uint8_t>(hi << 4 | lo);
  }
  out[n] = 0;
  return static_cast<int>(n);
}

int HVCStringEncode(const uint8_t* bytes, char* out, int count, size_t out_size) {
  if (!bytes || !out || count < 1) return 0;
  if (!Fits(out, out_size, 2 * static_cast<size_t>(count) + 1)) return 0;
  for (int i = 0; i < count; ++i) {
    const int high = static_cast<int8_t>(bytes[i]) >> 4;  // -8 .. 7
    out[2 * i] = static_cast<char>('0' + high);
    out[2 * i + 1] = static_cast<char>('0' + (bytes[i] & 15));
  }
  out[2 * count] = 0;
  return 2 * count;
}

int HVCStringDecode(const char* text, uint8_t* out, int length, size_t out_size) {
  if (!text || !out || length < 0) return 0;
  const size_t n = HalfUp(length);
  if (!Fits(out, out_size, n + 1)) return 0;
  for (size_t i = 0; i < n; ++i) {
    const int first = static_cast<unsigned char>(text[2 * i]);
    const int second =
        2 * i + 1 < static_cast<size_t>(length) ? static_cast<unsigned char>(text[2 * i + 1]) : 0;
    // 16 * '0' is 0 modulo 256, so this restores the byte.
    out[i] = static_cast<uint8_t>(16 * first + second - '0');
  }
  out[n] = 0;
  return static_cast<int>(n);
}

int HVCStringEncodeASCII(const uint8_t* bytes, char* out, int count, size_t out_size) {
  if (!bytes || !out || count < 1) return 0;
  if (!Fits(out, out_size, 2 * static_cast<size_t>(count) + 1)) return 0;
  for (int i = 0; i < count; ++i) {
    out[2 * i] = kLowerHex[bytes[i] >> 4];
    out[2 * i + 1] = kLowerHex[bytes[i] & 15];
  }
  out[2 * count] = 0;
  return 2 * count + 1;
}

int HVCStringDecodeASCII(const char* text, uint8_t* out, int length, size_t out_size) {
  if (!text || !out || length < 0) return 0;
  const size_t n = HalfUp(length);
  if (!Fits(out, out_size, n + 1)) return 0;
  for (size_t i = 0; i < n; ++i) {
    const int avail = 2 * i + 1 < static_cast<size_t>(length) ? 2 : 1;
    out[i] = static_cast<uint8_t>(PairBase16(text + 2 * i, avail));
  }
  out[n] = 0;
  return static_cast<int>(n);
}

int32_t str2num(const char* text) {
  if (!text) return 0;
  bool negative = false;
  const char* p = text;
  if (*p == '-') {
    negative = true;
    ++p;
  }
  uint32_t v = 0;
  for (; *p >= '0' && *p <= '9'; ++p) v = v * 10 + static_cast<uint32_t>(*p - '0');
  if (negative) v = 0u - v;
  return static_cast<int32_t>(v);
}

std::optional<std::string> HVCFStringEncode(std::string_view text, OSStatus* status) {
  OSStatus ignored;
  if (!status) status = &ignored;
  // Stop at an embedded NUL as the C-string conversion does.
  text = text.substr(0, text.find('\0'));
  if (!platform::IsValidUtf8(text) || text.size() > kMaxPlainTextBytes) {
    *status = platform::paramErr;
    return std::nullopt;
  }
  *status = platform::noErr;
  char out[kMaxPlainEncodedChars + 1];
  const int n = HVCStringEncodeMFP(reinterpret_cast<const uint8_t*>(text.data()), out,
                                   static_cast<int>(text.size()), sizeof out);
  return std::string(out, static_cast<size_t>(n));
}

std::optional<std::string> HVCFStringDecode(std::string_view encoded, OSStatus* status) {
  OSStatus ignored;
  if (!status) status = &ignored;
  encoded = encoded.substr(0, encoded.find('\0'));
  if (!IsAscii(encoded) || encoded.size() > kMaxPlainEncodedChars) {
    *status = platform::paramErr;
    return std::nullopt;
  }
  uint8_t out[kMaxPlainEncodedChars / 2 + 2];
  HVCStringDecodeMFP(encoded.data(), out, static_cast<int>(encoded.size()), sizeof out);
  std::string text(reinterpret_cast<const char*>(out));
  if (!platform::IsValidUtf8(text)) {
    *status = platform::paramErr;
    return std::nullopt;
  }
  *status = platform::noErr;
  return text;
}

}  // namespace securitypane
