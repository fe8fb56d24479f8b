// Reading characters out of UTF-16 text, and the key filters both plug-ins
// share. A filter takes one code point and answers whether a field accepts it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace textfields {

using UniChar = char16_t;
using KeyFilter = bool (*)(char32_t);

// The code point at `index` of the `count` units; *next := the index after it
// (after both units of a surrogate pair). An unpaired surrogate (a high one
// without a low one after it, or a lone low one) is answered as itself and
// counts one unit, so a reader always moves on. An index outside 0..count-1
// answers 0 with *next := count.
char32_t UCFindComposedCharAtIndex(const UniChar* units, int count, int index, int* next);

// True for U+D800..U+DFFF: what the reader answers for an unpaired surrogate.
// No filter accepts it, so a field never keeps half a character.
constexpr bool IsSurrogateCodePoint(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// Digits 0-9.
bool NumericKeyFilter(char32_t c);
// ASCII letters and digits.
bool AlphaNumericKeyFilter(char32_t c);

// `text` with only the characters the filter accepts, in order.
std::u16string KeepAccepted(std::u16string_view text, KeyFilter filter);

}  // namespace textfields
