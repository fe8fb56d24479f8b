#include "textfields/unichar.h"

#include <string>

namespace textfields {

char32_t UCFindComposedCharAtIndex(const UniChar* units, int count, int index, int* next) {
  if (units == nullptr || index < 0 || index >= count) {
    if (next != nullptr) *next = count < 0 ? 0 : count;
    return 0;
  }
  char32_t c = units[index];
  int after = index + 1;
  if (c >= 0xD800 && c <= 0xDBFF && after < count && units[after] >= 0xDC00 && units[after] <= 0xDFFF) {
    c = ((c & 0x3FF) << 10) + (units[after] & 0x3FF) + 0x10000;
    ++after;
  }
  if (next != nullptr) *next = after;
  return c;
}

bool NumericKeyFilter(char32_t c) { return c >= U'0' && c <= U'9'; }

bool AlphaNumericKeyFilter(char32_t c) {
  return NumericKeyFilter(c) || (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z');
}

std::u16string KeepAccepted(std::u16string_view text, KeyFilter filter) {
  std::u16string out;
  out.reserve(text.size());
  int count = static_cast<int>(text.size());
  for (int i = 0; i < count;) {
    int next = 0;
    char32_t c = UCFindComposedCharAtIndex(text.data(), count, i, &next);
    if (filter(c)) out.append(text.substr(static_cast<size_t>(i), static_cast<size_t>(next - i)));
    i = next;
  }
  return out;
}

}  // namespace textfields
