// Helpers shared by the Security plug-in tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace securitypane_test {

inline std::vector<uint8_t> FromHex(std::string_view hex) {
  std::vector<uint8_t> out;
  auto nibble = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(static_cast<uint8_t>(nibble(hex[i]) << 4 | nibble(hex[i + 1])));
  return out;
}

inline std::string ToHex(const uint8_t* p, size_t n, bool upper = false) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    s += digits[p[i] >> 4];
    s += digits[p[i] & 15];
  }
  return s;
}

inline std::string ToHex(const std::vector<uint8_t>& v, bool upper = false) {
  return ToHex(v.data(), v.size(), upper);
}

}  // namespace securitypane_test
