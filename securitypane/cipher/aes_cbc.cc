// CBC chaining over whole blocks, and the padded and key-word wrappers used by
// the credential encoding.
#include <cstring>

#include "securitypane/cipher/hv_ciph.h"

namespace securitypane {
namespace {

inline uint32_t Load32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

inline void Store32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

void DeriveKeyAndIv(const uint8_t key_word[20], uint8_t key[32], uint8_t iv[16]) {
  HV_CIPH_SHA256(key_word, 10, key);
  uint8_t digest[32];
  HV_CIPH_SHA256(key_word + 10, 10, digest);
  std::memcpy(iv, digest, 16);
}

}  // namespace

void HV_CIPH_AES_cbc_encrypt_com(const HV_CIPH_AES_KEY* key, uint8_t* out, const uint8_t* in, size_t length,
                                 uint8_t chain[16], HV_CIPH_AES_BlockFunc block) {
  uint32_t c[4] = {Load32(chain), Load32(chain + 4), Load32(chain + 8), Load32(chain + 12)};
  for (size_t n = length / 16; n; --n, in += 16, out += 16) {
    c[0] ^= Load32(in);
    c[1] ^= Load32(in + 4);
    c[2] ^= Load32(in + 8);
    c[3] ^= Load32(in + 12);
    block(key, c);
    Store32(out, c[0]);
    Store32(out + 4, c[1]);
    Store32(out + 8, c[2]);
    Store32(out + 12, c[3]);
  }
  for (int i = 0; i < 4; ++i) Store32(chain + 4 * i, c[i]);
}

void HV_CIPH_AES_cbc_decrypt_com(const HV_CIPH_AES_KEY* key, uint8_t* out, const uint8_t* in, size_t length,
                                 uint8_t chain[16], HV_CIPH_AES_BlockFunc block) {
  uint32_t c[4] = {Load32(chain), Load32(chain + 4), Load32(chain + 8), Load32(chain + 12)};
  for (size_t n = length / 16; n; --n, in += 16, out += 16) {
    // Read the ciphertext block before writing: in and out may coincide.
    uint32_t x[4] = {Load32(in), Load32(in + 4), Load32(in + 8), Load32(in + 12)};
    uint32_t p[4] = {x[0], x[1], x[2], x[3]};
    block(key, p);
    for (int i = 0; i < 4; ++i) {
      Store32(out + 4 * i, p[i] ^ c[i]);
      c[i] = x[i];
    }
  }
  for (int i = 0; i < 4; ++i) Store32(chain + 4 * i, c[i]);
}

int HV_CIPH_AES_CBC_Encrypt(uint8_t* data, uint32_t length, bool no_padding, const uint8_t key[32],
                            uint8_t iv[16], uint32_t* out_length) {
  if (!data || !key || !iv || !out_length) return 1;
  uint32_t padded = length;
  if (!no_padding) {
    padded = 16 * (length / 16 + 1);
    const uint32_t p = padded - length;
    std::memset(data + length, static_cast<int>(p - 1), p);
  }
  *out_length = padded;
  HV_CIPH_AES_KEY schedule;
  HV_CIPH_AES_set_key(&schedule, key, 32);
  HV_CIPH_AES_cbc_encrypt_com(&schedule, data, data, padded, iv, HV_CIPH_AES_encrypt);
  return 0;
}

int HV_CIPH_AES_CBC_Decrypt(uint8_t* data, uint32_t length, const uint8_t key[32], uint8_t iv[16],
                            uint32_t* out_length) {
  if (!data || !key || !iv || !out_length) return 1;
  HV_CIPH_AES_KEY schedule;
  HV_CIPH_AES_set_key(&schedule, key, 32);
  HV_CIPH_AES_convert_key(&schedule);
  HV_CIPH_AES_cbc_decrypt_com(&schedule, data, data, length, iv, HV_CIPH_AES_decrypt);
  if (length == 0) {  // no last byte to trust
    *out_length = 0;
    return 0;
  }
  uint32_t r = uint32_t{data[length - 1]} + 1;
  if (r > length) r = length;
  std::memset(data + (length - r), 0, r);
  *out_length = length - r;
  return 0;
}

int HV_CIPH_AES_CBC_EncryptWord(uint8_t* data, uint32_t length, bool no_padding, const uint8_t key_word[20],
                                uint32_t* out_length) {
  if (!key_word) return 1;
  uint8_t key[32], iv[16];
  DeriveKeyAndIv(key_word, key, iv);
  return HV_CIPH_AES_CBC_Encrypt(data, length, no_padding, key, iv, out_length);
}

int HV_CIPH_AES_CBC_DecryptWord(uint8_t* data, uint32_t length, const uint8_t key_word[20],
                                uint32_t* out_length) {
  if (!key_word) return 1;
  uint8_t key[32], iv[16];
  DeriveKeyAndIv(key_word, key, iv);
  return HV_CIPH_AES_CBC_Decrypt(data, length, key, iv, out_length);
}

}  // namespace securitypane
