// AES lookup tables, computed at compile time from GF(2^8) arithmetic: the
// S-box and its inverse, four forward round tables (SubBytes + MixColumns) and
// four inverse ones (InvMixColumns, indexed by InvSubBytes output).
#pragma once

#include <array>
#include <cstdint>

namespace securitypane::aes_tables {

constexpr uint8_t xtime(uint8_t a) { return static_cast<uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1b : 0)); }

constexpr uint8_t gmul(uint8_t a, uint8_t b) {
  uint8_t r = 0;
  while (b) {
    if (b & 1) r ^= a;
    a = xtime(a);
    b >>= 1;
  }
  return r;
}

// Powers and logarithms of the generator 3, for cheap inverses.
struct ExpLog {
  std::array<uint8_t, 256> exp{};
  std::array<uint8_t, 256> log{};
};

constexpr ExpLog MakeExpLog() {
  ExpLog t;
  uint8_t x = 1;
  for (int i = 0; i < 255; ++i) {
    t.exp[i] = x;
    t.log[x] = static_cast<uint8_t>(i);
    x = static_cast<uint8_t>(x ^ xtime(x));  // x * 3
  }
  return t;
}

constexpr uint8_t ginv(uint8_t a, const ExpLog& t) { return a ? t.exp[(255 - t.log[a]) % 255] : 0; }

constexpr std::array<uint8_t, 256> MakeSbox() {
  const ExpLog t = MakeExpLog();
  std::array<uint8_t, 256> s{};
  for (int i = 0; i < 256; ++i) {
    uint8_t b = ginv(static_cast<uint8_t>(i), t);
    uint8_t x = b;
    for (int k = 1; k < 5; ++k) x ^= static_cast<uint8_t>((b << k) | (b >> (8 - k)));
    s[i] = static_cast<uint8_t>(x ^ 0x63);
  }
  return s;
}

inline constexpr std::array<uint8_t, 256> kSbox = MakeSbox();

constexpr std::array<uint8_t, 256> MakeInvSbox() {
  std::array<uint8_t, 256> s{};
  for (int i = 0; i < 256; ++i) s[kSbox[i]] = static_cast<uint8_t>(i);
  return s;
}

inline constexpr std::array<uint8_t, 256> kInvSbox = MakeInvSbox();

constexpr uint32_t rotr(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

// Te0[x] = (2s, s, s, 3s) big-endian; TeN = Te0 rotated right by 8N bits.
constexpr std::array<uint32_t, 256> MakeTe(int n) {
  std::array<uint32_t, 256> t{};
  for (int i = 0; i < 256; ++i) {
    uint8_t s = kSbox[i];
    uint32_t w = (uint32_t{gmul(s, 2)} << 24) | (uint32_t{s} << 16) | (uint32_t{s} << 8) | gmul(s, 3);
    t[i] = n ? rotr(w, 8 * n) : w;
  }
  return t;
}

// Td0[x] = (14s, 9s, 13s, 11s) with s = InvSbox[x]; TdN rotated right by 8N.
constexpr std::array<uint32_t, 256> MakeTd(int n) {
  std::array<uint32_t, 256> t{};
  for (int i = 0; i < 256; ++i) {
    uint8_t s = kInvSbox[i];
    uint32_t w = (uint32_t{gmul(s, 14)} << 24) | (uint32_t{gmul(s, 9)} << 16) | (uint32_t{gmul(s, 13)} << 8) |
                 gmul(s, 11);
    t[i] = n ? rotr(w, 8 * n) : w;
  }
  return t;
}

inline constexpr std::array<uint32_t, 256> kTe0 = MakeTe(0), kTe1 = MakeTe(1), kTe2 = MakeTe(2),
                                           kTe3 = MakeTe(3);
inline constexpr std::array<uint32_t, 256> kTd0 = MakeTd(0), kTd1 = MakeTd(1), kTd2 = MakeTd(2),
                                           kTd3 = MakeTd(3);

inline constexpr std::array<uint32_t, 10> kRcon = {0x01000000, 0x02000000, 0x04000000, 0x08000000,
                                                   0x10000000, 0x20000000, 0x40000000, 0x80000000,
                                                   0x1b000000, 0x36000000};

}  // namespace securitypane::aes_tables
