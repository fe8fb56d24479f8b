// The credential key table: read-only program data. The values live in
// key_table.cc (generated once; see tests/securitypane/gen_key_table.py).
#pragma once

#include <cstdint>

namespace securitypane {

struct AesKeyEntry {
  uint32_t first;       // first selector
  uint32_t second;      // second selector
  uint8_t keyWord[20];  // as stored: byte i goes to working position kAesKeyPermutation[i]
};

inline constexpr int kAesKeyTableSize = 230;

extern const AesKeyEntry kAesKeyTable[kAesKeyTableSize];
// Answered when no entry matches.
extern const AesKeyEntry kAesKeyFallback;
// A permutation of 0..19.
extern const int32_t kAesKeyPermutation[20];
// The 20-character key word of first selector 0 (NUL-terminated).
extern const char kFixedKeyWord[21];

}  // namespace securitypane
