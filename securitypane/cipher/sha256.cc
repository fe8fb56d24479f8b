// SHA-256: the compression function works on whole blocks straight from the
// caller's data; only a trailing partial block is copied into the context.
#include <bit>
#include <cstring>

#include "securitypane/cipher/hv_ciph.h"

namespace securitypane {
namespace {

constexpr uint32_t kInit[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                               0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

constexpr uint32_t kK[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return std::endian::native == std::endian::little ? __builtin_bswap32(v) : v;
}

inline void Store32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

inline uint32_t Sigma0(uint32_t x) { return std::rotr(x, 2) ^ std::rotr(x, 13) ^ std::rotr(x, 22); }
inline uint32_t Sigma1(uint32_t x) { return std::rotr(x, 6) ^ std::rotr(x, 11) ^ std::rotr(x, 25); }
inline uint32_t sigma0(uint32_t x) { return std::rotr(x, 7) ^ std::rotr(x, 18) ^ (x >> 3); }
inline uint32_t sigma1(uint32_t x) { return std::rotr(x, 17) ^ std::rotr(x, 19) ^ (x >> 10); }
inline uint32_t Ch(uint32_t x, uint32_t y, uint32_t z) { return z ^ (x & (y ^ z)); }

}  // namespace

void sha256_block(HV_CIPH_SHA256_CTX* ctx, const uint8_t* data, size_t blocks) {
  uint32_t* h = ctx->h;
  for (; blocks; --blocks, data += 64) {
    uint32_t w[16];
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], hh = h[7];
    // Rotating the variable names instead of the values keeps every round
    // register-only; the schedule lives in a 16-word ring.
    // Maj(a, b, c) = b ^ ((a ^ b) & (b ^ c)), and this round's a ^ b is the
    // next round's b ^ c.
    uint32_t bc = b ^ c;
#define HV_SHA_R(a, b, c, d, e, f, g, h, i, wi)               \
  {                                                           \
    uint32_t t1 = h + Sigma1(e) + Ch(e, f, g) + kK[i] + (wi); \
    uint32_t ab = a ^ b;                                      \
    d += t1;                                                  \
    h = t1 + Sigma0(a) + (b ^ (ab & bc));                     \
    bc = ab;                                                  \
  }
#define HV_SHA_R0(i) w[i] = Load32(data + 4 * (i))
#define HV_SHA_W(i) (w[(i)&15] += sigma1(w[((i)-2) & 15]) + w[((i)-7) & 15] + sigma0(w[((i)-15) & 15]))
#define HV_SHA_8(i, W)                                   \
  HV_SHA_R(a, b, c, d, e, f, g, hh, (i) + 0, W((i) + 0)) \
  HV_SHA_R(hh, a, b, c, d, e, f, g, (i) + 1, W((i) + 1)) \
  HV_SHA_R(g, hh, a, b, c, d, e, f, (i) + 2, W((i) + 2)) \
  HV_SHA_R(f, g, hh, a, b, c, d, e, (i) + 3, W((i) + 3)) \
  HV_SHA_R(e, f, g, hh, a, b, c, d, (i) + 4, W((i) + 4)) \
  HV_SHA_R(d, e, f, g, hh, a, b, c, (i) + 5, W((i) + 5)) \
  HV_SHA_R(c, d, e, f, g, hh, a, b, (i) + 6, W((i) + 6)) \
  HV_SHA_R(b, c, d, e, f, g, hh, a, (i) + 7, W((i) + 7))
    HV_SHA_8(0, HV_SHA_R0)
    HV_SHA_8(8, HV_SHA_R0)
    HV_SHA_8(16, HV_SHA_W)
    HV_SHA_8(24, HV_SHA_W)
    HV_SHA_8(32, HV_SHA_W)
    HV_SHA_8(40, HV_SHA_W)
    HV_SHA_8(48, HV_SHA_W)
    HV_SHA_8(56, HV_SHA_W)
#undef HV_SHA_8
#undef HV_SHA_W
#undef HV_SHA_R0
#undef HV_SHA_R
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
    h[5] += f;
    h[6] += g;
    h[7] += hh;
  }
}

void HV_CIPH_SHA256_Init(HV_CIPH_SHA256_CTX* ctx) {
  std::memcpy(ctx->h, kInit, sizeof kInit);
  ctx->Nl = ctx->Nh = 0;
  ctx->num = 0;
  ctx->block = sha256_block;
}

void HV_CIPH_SHA256_Setup(HV_CIPH_SHA256_CTX* ctx, HV_CIPH_SHA256_BlockFunc block) { ctx->block = block; }

void HV_CIPH_SHA256_Update(HV_CIPH_SHA256_CTX* ctx, const void* data, size_t length) {
  if (length == 0) return;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  const uint64_t bits = (uint64_t{ctx->Nh} << 32 | ctx->Nl) + (uint64_t{length} << 3);
  ctx->Nl = static_cast<uint32_t>(bits);
  ctx->Nh = static_cast<uint32_t>(bits >> 32);
  if (ctx->num) {
    size_t take = 64 - ctx->num;
    if (take > length) take = length;
    std::memcpy(ctx->data + ctx->num, p, take);
    ctx->num += static_cast<uint32_t>(take);
    p += take;
    length -= take;
    if (ctx->num < 64) return;
    ctx->block(ctx, ctx->data, 1);
    ctx->num = 0;
  }
  if (length >= 64) {
    ctx->block(ctx, p, length / 64);
    p += length & ~size_t{63};
    length &= 63;
  }
  if (length) {
    std::memcpy(ctx->data, p, length);
    ctx->num = static_cast<uint32_t>(length);
  }
}

void HV_CIPH_SHA256_Final(uint8_t digest[32], HV_CIPH_SHA256_CTX* ctx) {
  uint32_t n = ctx->num;
  ctx->data[n++] = 0x80;
  if (n > 56) {  // no room for the length: one extra block
    std::memset(ctx->data + n, 0, 64 - n);
    ctx->block(ctx, ctx->data, 1);
    n = 0;
  }
  std::memset(ctx->data + n, 0, 56 - n);
  Store32(ctx->data + 56, ctx->Nh);
  Store32(ctx->data + 60, ctx->Nl);
  ctx->block(ctx, ctx->data, 1);
  for (int i = 0; i < 8; ++i) Store32(digest + 4 * i, ctx->h[i]);
  ctx->num = 0;
}

uint8_t* HV_CIPH_SHA256(const void* data, size_t length, uint8_t* digest) {
  static uint8_t shared[32];
  if (!digest) digest = shared;
  HV_CIPH_SHA256_CTX ctx;
  HV_CIPH_SHA256_Init(&ctx);
  HV_CIPH_SHA256_Update(&ctx, data, length);
  HV_CIPH_SHA256_Final(digest, &ctx);
  return digest;
}

}  // namespace securitypane
