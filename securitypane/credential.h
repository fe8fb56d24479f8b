// Credential encoding: the hexadecimal codecs, the key-table lookup and the
// AES glue that turn user names and passwords into the ASCII forms stored in
// the print settings, and back.
//
// Limits of the stored forms: a plain-encoded text is at most 127 UTF-8 bytes
// (254 characters), an encrypted one at most 111 bytes (112 padded bytes, 224
// characters). Longer texts are refused rather than cut; see the Create/Encode
// functions below.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace securitypane {

using platform::OSStatus;

inline constexpr uint32_t kNoEncryption = 0xFFFFFFFF;  // either selector: store plain
inline constexpr uint32_t kPasswordKeySelector = 54;   // the pane's passwords use (54, 0)
inline constexpr uint32_t kPasswordSubSelector = 0;

inline constexpr size_t kMaxPlainTextBytes = 127;
inline constexpr size_t kMaxEncryptedTextBytes = 111;
inline constexpr size_t kMaxPlainEncodedChars = 255;
inline constexpr size_t kMaxEncryptedEncodedChars = 512;

// --- Byte-level codecs. Each writes at most out_size bytes, NUL included; when
// the result (with its NUL) does not fit they answer 0 and write only an empty
// string (when out_size > 0).

// Uppercase hexadecimal, two digits per byte. Answers the character count; 0 for
// missing arguments or count < 1. Needs out_size >= 2 * count + 1.
int HVCStringEncodeMFP(const uint8_t* bytes, char* out, int count, size_t out_size);
// Reads `length` characters (REQUIRES: that many are readable), two per byte;
// an odd final character pairs with the terminator. 0-9 and A-F are digits;
// any other character (lower case included) counts as 0. NUL-terminates;
// answers ceil(length / 2). The other decoders read `length` characters too.
// Needs out_size >= ceil(length / 2) + 1.
int HVCStringDecodeMFP(const char* text, uint8_t* out, int length, size_t out_size);

// The '(' .. '?' form: '0' + signed high half-byte, '0' + low half-byte.
// Encoding answers 2 * count; decoding ceil(length / 2).
int HVCStringEncode(const uint8_t* bytes, char* out, int count, size_t out_size);
int HVCStringDecode(const char* text, uint8_t* out, int length, size_t out_size);

// Lowercase hexadecimal, two digits per byte. Encoding answers 2 * count + 1;
// decoding reads each pair in base 16 (up to its first non-digit) and answers
// ceil(length / 2).
int HVCStringEncodeASCII(const uint8_t* bytes, char* out, int count, size_t out_size);
int HVCStringDecodeASCII(const char* text, uint8_t* out, int length, size_t out_size);

// Decimal integer: digits accumulate, a leading "-" negates, any other
// character ends the number; empty or missing text gives 0. Wraps modulo 2^32
// instead of overflowing.
int32_t str2num(const char* text);

// --- String codecs. std::nullopt means "none"; *status (when given) says why:
// noErr, or paramErr for text that is not valid UTF-8 / ASCII or exceeds the
// format's limit (127 bytes plain, 111 bytes encrypted, 255 characters plain
// encoded, 512 characters encrypted encoded).

std::optional<std::string> HVCFStringEncode(std::string_view text, OSStatus* status = nullptr);
std::optional<std::string> HVCFStringDecode(std::string_view encoded, OSStatus* status = nullptr);
std::optional<std::string> HVCFStringEncodeWithEncrypt(std::string_view text, uint32_t first, uint32_t second,
                                                       OSStatus* status = nullptr);
// Decrypts, drops the padding, cuts the text at its first '+', and answers the
// bytes up to the first NUL (at most 255). A wrong key gives whatever bytes
// come out, or nullopt when they are not valid UTF-8.
std::optional<std::string> HVCFStringDecodeWithDecrypt(std::string_view encoded, uint32_t first,
                                                       uint32_t second, OSStatus* status = nullptr);

// --- Cipher glue.

// The stored (scrambled) 20-byte key word for the selectors: the first entry
// with that first selector (second == 0), or the entry of its run with that
// second selector; the fallback entry when there is none.
const uint8_t* GetAesKey(uint32_t first, uint32_t second);
// The working key word: for first != 0 the stored key word of GetAesKey placed
// through the permutation; for first == 0 the caller's fixed key word.
void MakeWorkingKeyWord(const uint8_t* fixed_key_word, uint32_t first, uint32_t second, uint8_t out[20]);

// Encrypt / decrypt in place under the working key word (AES-256-CBC, key and
// IV derived from it). Answer 0, or 1 (nothing done) when data, the fixed key
// word or out_length is missing.
// REQUIRES: unless no_padding, data has room for length + 16 bytes.
int AesEncryption(uint8_t* data, uint32_t length, bool no_padding, const uint8_t* fixed_key_word,
                  uint32_t* out_length, uint32_t first, uint32_t second);
int AesDecryption(uint8_t* data, uint32_t length, const uint8_t* fixed_key_word, uint32_t* out_length,
                  uint32_t first, uint32_t second);

}  // namespace securitypane
