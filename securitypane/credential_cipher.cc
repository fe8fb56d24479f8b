// Key-table lookup, the working key word, and the encrypting codecs of stored
// passwords.
#include <cstring>

#include "securitypane/cipher/hv_ciph.h"
#include "securitypane/credential.h"
#include "securitypane/key_table.h"
#include "securitypane/text_check.h"

namespace securitypane {
namespace {

constexpr size_t kTextBuffer = 256;  // a converted text: at most 255 bytes + NUL
constexpr size_t kWorkBuffer = 257;  // cipher work area

const uint8_t* FixedKeyWord() { return reinterpret_cast<const uint8_t*>(kFixedKeyWord); }

}  // namespace

const uint8_t* GetAesKey(uint32_t first, uint32_t second) {
  int i = 0;
  while (i < kAesKeyTableSize && kAesKeyTable[i].first != first) ++i;
  if (i == kAesKeyTableSize) return kAesKeyFallback.keyWord;
  if (second == 0) return kAesKeyTable[i].keyWord;
  for (; i < kAesKeyTableSize && kAesKeyTable[i].first == first; ++i) {
    if (kAesKeyTable[i].second == second) return kAesKeyTable[i].keyWord;
  }
  return kAesKeyFallback.keyWord;
}

void MakeWorkingKeyWord(const uint8_t* fixed_key_word, uint32_t first, uint32_t second, uint8_t out[20]) {
  if (first == 0) {
    std::memcpy(out, fixed_key_word, 20);
    return;
  }
  const uint8_t* stored = GetAesKey(first, second);
  for (int i = 0; i < 20; ++i) out[kAesKeyPermutation[i]] = stored[i];
}

int AesEncryption(uint8_t* data, uint32_t length, bool no_padding, const uint8_t* fixed_key_word,
                  uint32_t* out_length, uint32_t first, uint32_t second) {
  if (!data || !fixed_key_word || !out_length) return 1;
  uint8_t word[20];
  MakeWorkingKeyWord(fixed_key_word, first, second, word);
  return HV_CIPH_AES_CBC_EncryptWord(data, length, no_padding, word, out_length);
}

int AesDecryption(uint8_t* data, uint32_t length, const uint8_t* fixed_key_word, uint32_t* out_length,
                  uint32_t first, uint32_t second) {
  if (!data || !fixed_key_word || !out_length) return 1;
  uint8_t word[20];
  MakeWorkingKeyWord(fixed_key_word, first, second, word);
  return HV_CIPH_AES_CBC_DecryptWord(data, length, word, out_length);
}

std::optional<std::string> HVCFStringEncodeWithEncrypt(std::string_view text, uint32_t first, uint32_t second,
                                                       OSStatus* status) {
  // Longer texts would overrun the encoded form; refuse them instead.
  const std::optional<std::string_view> c_text =
      CStringOf(text, CEncoding::kUtf8, kMaxEncryptedTextBytes, status);
  if (!c_text) return std::nullopt;
  uint8_t work[kWorkBuffer] = {};
  if (!c_text->empty()) std::memcpy(work, c_text->data(), c_text->size());
  uint32_t cipher_length = 0;
  AesEncryption(work, static_cast<uint32_t>(c_text->size()), false, FixedKeyWord(), &cipher_length, first,
                second);
  char out[2 * kWorkBuffer + 1];
  const int n = HVCStringEncodeMFP(work, out, static_cast<int>(cipher_length), sizeof out);
  return std::string(out, static_cast<size_t>(n));
}

std::optional<std::string> HVCFStringDecodeWithDecrypt(std::string_view encoded, uint32_t first,
                                                       uint32_t second, OSStatus* status) {
  // More than 256 bytes of ciphertext would not fit the work area.
  const std::optional<std::string_view> c_text =
      CStringOf(encoded, CEncoding::kAscii, kMaxEncryptedEncodedChars, status);
  if (!c_text) return std::nullopt;
  uint8_t bytes[kMaxEncryptedEncodedChars / 2 + 1];
  const int m = HVCStringDecodeMFP(c_text->data(), bytes, static_cast<int>(c_text->size()), sizeof bytes);
  uint8_t work[kWorkBuffer] = {};
  std::memcpy(work, bytes, static_cast<size_t>(m));
  if (m != 0) {
    uint32_t plain_length = 0;
    AesDecryption(work, static_cast<uint32_t>(m), FixedKeyWord(), &plain_length, first, second);
    // A '+' ends the stored text.
    if (void* plus = std::memchr(work, '+', static_cast<size_t>(m))) *static_cast<uint8_t*>(plus) = 0;
  }
  return StringFromUtf8(std::string(reinterpret_cast<const char*>(work),
                                    strnlen(reinterpret_cast<const char*>(work), kTextBuffer - 1)),
                        status);
}

}  // namespace securitypane
