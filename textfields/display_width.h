// Display width of text in the Security pane's fields: 2 for the characters of
// the wide-character table, 1 for every other one.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace textfields {

// 2 when the code point is in the table of wide characters, else 1. The
// table is exact: Latin-1 counts 1, and so do wide characters it leaves out
// (the euro sign, CJK ideographs from U+9FBC on).
int CharDisplayWidth(char32_t c);

// The sum of the characters' widths, up to the first U+0000; 0 for empty text.
// A surrogate pair is one character; an unpaired surrogate counts 1.
int32_t CFStringGetEastAsianWidth(std::u16string_view text);

// The table's ranges (first, last), sorted (tests walk their edges).
struct WideRange {
  char32_t first, last;
};
std::span<const WideRange> WideRanges();

}  // namespace textfields
