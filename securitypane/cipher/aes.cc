// AES block cipher, table-driven: four 256-entry tables per direction, the
// last encryption round picking S-box bytes out of those tables, decryption by
// the equivalent inverse cipher.
#include <cstring>

#include "securitypane/cipher/aes_tables.h"
#include "securitypane/cipher/hv_ciph.h"

namespace securitypane {
namespace {

using namespace aes_tables;

inline uint32_t Load32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

inline uint32_t SubWord(uint32_t w) {
  return (uint32_t{kSbox[w >> 24]} << 24) | (uint32_t{kSbox[(w >> 16) & 0xff]} << 16) |
         (uint32_t{kSbox[(w >> 8) & 0xff]} << 8) | kSbox[w & 0xff];
}

inline uint32_t RotWord(uint32_t w) { return (w << 8) | (w >> 24); }

}  // namespace

int HV_CIPH_AES_set_key(HV_CIPH_AES_KEY* key, const uint8_t* user_key, int key_bytes) {
  if (!key || !user_key) return 1;
  uint32_t nk;
  switch (key_bytes) {
    case 16:
      nk = 4;
      break;
    case 24:
      nk = 6;
      break;
    case 32:
      nk = 8;
      break;
    default:
      return 1;
  }
  const uint32_t rounds = nk + 6;
  const uint32_t total = 4 * (rounds + 1);
  uint32_t* w = key->rd_key;
  for (uint32_t i = 0; i < nk; ++i) w[i] = Load32(user_key + 4 * i);
  for (uint32_t i = nk; i < total; ++i) {
    uint32_t t = w[i - 1];
    if (i % nk == 0) {
      t = SubWord(RotWord(t)) ^ kRcon[i / nk - 1];
    } else if (nk == 8 && i % nk == 4) {
      t = SubWord(t);
    }
    w[i] = w[i - nk] ^ t;
  }
  key->rounds = rounds;
  key->nk = nk;
  return 0;
}

void HV_CIPH_AES_convert_key(HV_CIPH_AES_KEY* key) {
  if (!key) return;
  // Td_n[Sbox[b]] is InvMixColumns of byte b in column position n.
  for (uint32_t r = 1; r < key->rounds; ++r) {
    uint32_t* rk = key->rd_key + 4 * r;
    for (int j = 0; j < 4; ++j) {
      uint32_t w = rk[j];
      rk[j] = kTd0[kSbox[w >> 24]] ^ kTd1[kSbox[(w >> 16) & 0xff]] ^ kTd2[kSbox[(w >> 8) & 0xff]] ^
              kTd3[kSbox[w & 0xff]];
    }
  }
}

void HV_CIPH_AES_encrypt(const HV_CIPH_AES_KEY* key, uint32_t block[4]) {
  const uint32_t* rk = key->rd_key;
  uint32_t s0 = block[0] ^ rk[0], s1 = block[1] ^ rk[1], s2 = block[2] ^ rk[2], s3 = block[3] ^ rk[3];
  uint32_t t0, t1, t2, t3;
#define HV_ENC_ROUND(d0, d1, d2, d3, a0, a1, a2, a3, k)                                              \
  d0 = kTe0[a0 >> 24] ^ kTe1[(a1 >> 16) & 0xff] ^ kTe2[(a2 >> 8) & 0xff] ^ kTe3[a3 & 0xff] ^ (k)[0]; \
  d1 = kTe0[a1 >> 24] ^ kTe1[(a2 >> 16) & 0xff] ^ kTe2[(a3 >> 8) & 0xff] ^ kTe3[a0 & 0xff] ^ (k)[1]; \
  d2 = kTe0[a2 >> 24] ^ kTe1[(a3 >> 16) & 0xff] ^ kTe2[(a0 >> 8) & 0xff] ^ kTe3[a1 & 0xff] ^ (k)[2]; \
  d3 = kTe0[a3 >> 24] ^ kTe1[(a0 >> 16) & 0xff] ^ kTe2[(a1 >> 8) & 0xff] ^ kTe3[a2 & 0xff] ^ (k)[3];
  // Two rounds per pass; the last full round and the final round follow.
  uint32_t r = key->rounds >> 1;
  for (;;) {
    HV_ENC_ROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 4)
    rk += 8;
    if (--r == 0) break;
    HV_ENC_ROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk)
  }
#undef HV_ENC_ROUND
  // Final round: SubBytes, ShiftRows, AddRoundKey. The S-box byte sits in
  // byte 0 of Te2, byte 1 of Te3, byte 2 of Te0 and byte 3 of Te1.
  block[0] = (kTe2[t0 >> 24] & 0xff000000) ^ (kTe3[(t1 >> 16) & 0xff] & 0x00ff0000) ^
             (kTe0[(t2 >> 8) & 0xff] & 0x0000ff00) ^ (kTe1[t3 & 0xff] & 0x000000ff) ^ rk[0];
  block[1] = (kTe2[t1 >> 24] & 0xff000000) ^ (kTe3[(t2 >> 16) & 0xff] & 0x00ff0000) ^
             (kTe0[(t3 >> 8) & 0xff] & 0x0000ff00) ^ (kTe1[t0 & 0xff] & 0x000000ff) ^ rk[1];
  block[2] = (kTe2[t2 >> 24] & 0xff000000) ^ (kTe3[(t3 >> 16) & 0xff] & 0x00ff0000) ^
             (kTe0[(t0 >> 8) & 0xff] & 0x0000ff00) ^ (kTe1[t1 & 0xff] & 0x000000ff) ^ rk[2];
  block[3] = (kTe2[t3 >> 24] & 0xff000000) ^ (kTe3[(t0 >> 16) & 0xff] & 0x00ff0000) ^
             (kTe0[(t1 >> 8) & 0xff] & 0x0000ff00) ^ (kTe1[t2 & 0xff] & 0x000000ff) ^ rk[3];
}

void HV_CIPH_AES_decrypt(const HV_CIPH_AES_KEY* key, uint32_t block[4]) {
  // The equivalent inverse cipher walks the converted schedule backwards.
  const uint32_t* rk = key->rd_key + 4 * key->rounds;
  uint32_t s0 = block[0] ^ rk[0], s1 = block[1] ^ rk[1], s2 = block[2] ^ rk[2], s3 = block[3] ^ rk[3];
  uint32_t t0, t1, t2, t3;
#define HV_DEC_ROUND(d0, d1, d2, d3, a0, a1, a2, a3, k)                                              \
  d0 = kTd0[a0 >> 24] ^ kTd1[(a3 >> 16) & 0xff] ^ kTd2[(a2 >> 8) & 0xff] ^ kTd3[a1 & 0xff] ^ (k)[0]; \
  d1 = kTd0[a1 >> 24] ^ kTd1[(a0 >> 16) & 0xff] ^ kTd2[(a3 >> 8) & 0xff] ^ kTd3[a2 & 0xff] ^ (k)[1]; \
  d2 = kTd0[a2 >> 24] ^ kTd1[(a1 >> 16) & 0xff] ^ kTd2[(a0 >> 8) & 0xff] ^ kTd3[a3 & 0xff] ^ (k)[2]; \
  d3 = kTd0[a3 >> 24] ^ kTd1[(a2 >> 16) & 0xff] ^ kTd2[(a1 >> 8) & 0xff] ^ kTd3[a0 & 0xff] ^ (k)[3];
  uint32_t r = key->rounds >> 1;
  for (;;) {
    HV_DEC_ROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk - 4)
    rk -= 8;
    if (--r == 0) break;
    HV_DEC_ROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk)
  }
#undef HV_DEC_ROUND
  // Final round: InvSubBytes, InvShiftRows, AddRoundKey (round key 0).
  block[0] = (uint32_t{kInvSbox[t0 >> 24]} << 24) ^ (uint32_t{kInvSbox[(t3 >> 16) & 0xff]} << 16) ^
             (uint32_t{kInvSbox[(t2 >> 8) & 0xff]} << 8) ^ uint32_t { kInvSbox[t1 & 0xff] } ^ rk[0];
  block[1] = (uint32_t{kInvSbox[t1 >> 24]} << 24) ^ (uint32_t{kInvSbox[(t0 >> 16) & 0xff]} << 16) ^
             (uint32_t{kInvSbox[(t3 >> 8) & 0xff]} << 8) ^ uint32_t { kInvSbox[t2 & 0xff] } ^ rk[1];
  block[2] = (uint32_t{kInvSbox[t2 >> 24]} << 24) ^ (uint32_t{kInvSbox[(t1 >> 16) & 0xff]} << 16) ^
             (uint32_t{kInvSbox[(t0 >> 8) & 0xff]} << 8) ^ uint32_t { kInvSbox[t3 & 0xff] } ^ rk[2];
  block[3] = (uint32_t{kInvSbox[t3 >> 24]} << 24) ^ (uint32_t{kInvSbox[(t2 >> 16) & 0xff]} << 16) ^
             (uint32_t{kInvSbox[(t1 >> 8) & 0xff]} << 8) ^ uint32_t { kInvSbox[t0 & 0xff] } ^ rk[3];
}

}  // namespace securitypane
