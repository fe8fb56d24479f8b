// The hexadecimal codecs of stored names and passwords, and str2num.
#include <cstring>

#include "platform/hex_digit.h"
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

// The frame every encoder shares: two characters a byte through `put(byte,
// pair)`, then a terminator; 2 * count, or 0 when nothing is written.
template <typename Put>
int EncodePairs(const uint8_t* bytes, char* out, int count, size_t out_size, Put put) {
  if (!bytes || !out || count < 1) return 0;
  if (!Fits(out, out_size, 2 * static_cast<size_t>(count) + 1)) return 0;
  for (int i = 0; i < count; ++i) put(bytes[i], out + 2 * i);
  out[2 * count] = 0;
  return 2 * count;
}

// The frame every decoder shares: one byte a pair of characters through
// `value(pair, whole)`, whole false for an odd last character; then a
// terminator. The number of bytes, or 0 when nothing is written.
template <typename Value>
int DecodePairs(const char* text, uint8_t* out, int length, size_t out_size, Value value) {
  if (!text || !out || length < 0) return 0;
  const size_t n = HalfUp(length);
  if (!Fits(out, out_size, n + 1)) return 0;
  for (size_t i = 0; i < n; ++i)
    out[i] = static_cast<uint8_t>(value(text + 2 * i, 2 * i + 1 < static_cast<size_t>(length)));
  out[n] = 0;
  return static_cast<int>(n);
}

}  // namespace

int HVCStringEncodeMFP(const uint8_t* bytes, char* out, int count, size_t out_size) {
  return EncodePairs(bytes, out, count, out_size, [](uint8_t b, char* pair) {
    pair[0] = kUpperHex[b >> 4];
    pair[1] = kUpperHex[b & 15];
  });
}

int HVCStringDecodeMFP(const char* text, uint8_t* out, int length, size_t out_size) {
  // An odd final character pairs with the terminator, which is no digit.
  return DecodePairs(text, out, length, out_size, [](const char* pair, bool whole) {
    return HexDigitUpper(pair[0]) << 4 | (whole ? HexDigitUpper(pair[1]) : 0);
  });
}

int HVCStringEncode(const uint8_t* bytes, char* out, int count, size_t out_size) {
  return EncodePairs(bytes, out, count, out_size, [](uint8_t b, char* pair) {
    const int high = static_cast<int8_t>(b) >> 4;  // -8 .. 7
    pair[0] = static_cast<char>('0' + high);
    pair[1] = static_cast<char>('0' + (b & 15));
  });
}

int HVCStringDecode(const char* text, uint8_t* out, int length, size_t out_size) {
  // 16 * '0' is 0 modulo 256, so this restores the byte.
  return DecodePairs(text, out, length, out_size, [](const char* pair, bool whole) {
    return 16 * static_cast<unsigned char>(pair[0]) + (whole ? static_cast<unsigned char>(pair[1]) : 0) - '0';
  });
}

int HVCStringEncodeASCII(const uint8_t* bytes, char* out, int count, size_t out_size) {
  const int n = EncodePairs(bytes, out, count, out_size, [](uint8_t b, char* pair) {
    pair[0] = kLowerHex[b >> 4];
    pair[1] = kLowerHex[b & 15];
  });
  return n == 0 ? 0 : n + 1;  // this one counts the terminator
}

int HVCStringDecodeASCII(const char* text, uint8_t* out, int length, size_t out_size) {
  return DecodePairs(text, out, length, out_size,
                     [](const char* pair, bool whole) { return PairBase16(pair, whole ? 2 : 1); });
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
  const std::optional<std::string_view> c_text =
      CStringOf(text, CEncoding::kUtf8, kMaxPlainTextBytes, status);
  if (!c_text) return std::nullopt;
  char out[kMaxPlainEncodedChars + 1];
  const int n = HVCStringEncodeMFP(reinterpret_cast<const uint8_t*>(c_text->data()), out,
                                   static_cast<int>(c_text->size()), sizeof out);
  return std::string(out, static_cast<size_t>(n));
}

std::optional<std::string> HVCFStringDecode(std::string_view encoded, OSStatus* status) {
  const std::optional<std::string_view> c_text =
      CStringOf(encoded, CEncoding::kAscii, kMaxPlainEncodedChars, status);
  if (!c_text) return std::nullopt;
  uint8_t out[kMaxPlainEncodedChars / 2 + 2];
  HVCStringDecodeMFP(c_text->data(), out, static_cast<int>(c_text->size()), sizeof out);
  return StringFromUtf8(reinterpret_cast<const char*>(out), status);
}

}  // namespace securitypane
