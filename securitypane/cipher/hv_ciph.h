// AES (128/192/256), CBC over whole blocks, the padded and key-word CBC
// wrappers, and SHA-256. Self-contained: nothing here allocates, and nothing
// keeps state beyond the caller's schedule, chaining buffer or digest context.
//
// All functions except HV_CIPH_SHA256 without a digest buffer are re-entrant.
#pragma once

#include <cstddef>
#include <cstdint>

namespace securitypane {

// Expanded key: rounds (10, 12, 14), key length in words (4, 6, 8), then
// 4 x (rounds + 1) round-key words.
struct HV_CIPH_AES_KEY {
  uint32_t rounds;
  uint32_t nk;
  uint32_t rd_key[60];
};

// One block of four big-endian words, transformed in place.
using HV_CIPH_AES_BlockFunc = void (*)(const HV_CIPH_AES_KEY* key, uint32_t block[4]);

// Expands a 16-, 24- or 32-byte key. 0 on success; 1 for any other length or a
// missing argument, with the schedule untouched.
int HV_CIPH_AES_set_key(HV_CIPH_AES_KEY* key, const uint8_t* user_key, int key_bytes);
// Turns an encryption schedule into the equivalent-inverse-cipher schedule
// (InvMixColumns applied to round keys 1 .. rounds - 1).
void HV_CIPH_AES_convert_key(HV_CIPH_AES_KEY* key);

// REQUIRES: encrypt takes an encryption schedule, decrypt a converted one.
void HV_CIPH_AES_encrypt(const HV_CIPH_AES_KEY* key, uint32_t block[4]);
void HV_CIPH_AES_decrypt(const HV_CIPH_AES_KEY* key, uint32_t block[4]);

// CBC over floor(length / 16) whole blocks; a trailing partial block is neither
// read nor written. `chain` holds the IV on entry and the last ciphertext block
// on return, so successive calls continue one chain. in == out is allowed.
void HV_CIPH_AES_cbc_encrypt_com(const HV_CIPH_AES_KEY* key, uint8_t* out, const uint8_t* in, size_t length,
                                 uint8_t chain[16], HV_CIPH_AES_BlockFunc block);
void HV_CIPH_AES_cbc_decrypt_com(const HV_CIPH_AES_KEY* key, uint8_t* out, const uint8_t* in, size_t length,
                                 uint8_t chain[16], HV_CIPH_AES_BlockFunc block);

// AES-256-CBC in place. Unless no_padding, appends p = 16 - length % 16 bytes
// of value p - 1 first. *out_length receives the processed length. `iv` is the
// chaining buffer and is updated. Answers 0, or 1 for a missing argument.
// REQUIRES: unless no_padding, data has room for length + 16 bytes.
int HV_CIPH_AES_CBC_Encrypt(uint8_t* data, uint32_t length, bool no_padding, const uint8_t key[32],
                            uint8_t iv[16], uint32_t* out_length);
// Decrypts the whole blocks in place, then removes the padding by trusting the
// last byte v: r = min(v + 1, length) bytes are zeroed and
// *out_length = length - r. An empty input gives *out_length = 0.
int HV_CIPH_AES_CBC_Decrypt(uint8_t* data, uint32_t length, const uint8_t key[32], uint8_t iv[16],
                            uint32_t* out_length);

// The same with key = SHA-256(key_word[0..9]) and
// IV = first 16 bytes of SHA-256(key_word[10..19]).
int HV_CIPH_AES_CBC_EncryptWord(uint8_t* data, uint32_t length, bool no_padding, const uint8_t key_word[20],
                                uint32_t* out_length);
int HV_CIPH_AES_CBC_DecryptWord(uint8_t* data, uint32_t length, const uint8_t key_word[20],
                                uint32_t* out_length);

struct HV_CIPH_SHA256_CTX;
// Runs the compression function over `blocks` whole 64-byte blocks.
using HV_CIPH_SHA256_BlockFunc = void (*)(HV_CIPH_SHA256_CTX* ctx, const uint8_t* data, size_t blocks);

struct HV_CIPH_SHA256_CTX {
  uint32_t h[8];
  uint32_t Nl, Nh;  // message length in bits, low and high word
  uint8_t data[64];
  uint32_t num;  // bytes waiting in data
  HV_CIPH_SHA256_BlockFunc block;
};

// The standard compression function (the default block function).
void sha256_block(HV_CIPH_SHA256_CTX* ctx, const uint8_t* data, size_t blocks);

void HV_CIPH_SHA256_Init(HV_CIPH_SHA256_CTX* ctx);
void HV_CIPH_SHA256_Setup(HV_CIPH_SHA256_CTX* ctx, HV_CIPH_SHA256_BlockFunc block);
void HV_CIPH_SHA256_Update(HV_CIPH_SHA256_CTX* ctx, const void* data, size_t length);
// Writes the 32-byte digest. The context must be initialised again before reuse.
void HV_CIPH_SHA256_Final(uint8_t digest[32], HV_CIPH_SHA256_CTX* ctx);
// One-shot digest into `digest`, or, when it is null, into one static buffer
// shared by all such calls (not re-entrant). Answers the buffer written.
uint8_t* HV_CIPH_SHA256(const void* data, size_t length, uint8_t* digest);

}  // namespace securitypane
