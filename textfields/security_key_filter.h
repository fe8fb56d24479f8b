// The Security pane's edit-info table and key filters: which characters each
// credential field accepts and how wide its text may be.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "textfields/unichar.h"

namespace securitypane {

using textfields::AlphaNumericKeyFilter;
using textfields::NumericKeyFilter;

struct EditInfo {
  const char* key;    // settings key
  int32_t editType;   // picks the filter (FilterEditTextInputKey)
  int32_t maxLength;  // in display-width units
  uint8_t isPassword;
  uint8_t isRequired;
};

extern const EditInfo myEditInfTable[5];
int GetEditInfoTableSize();  // 5

// Lookups by settings key. A key that is not in the table has no field of its
// own: its type is 0 and its maximum length 0, so a field bound to it takes no
// text at all rather than unbounded text; its flags are false.
int32_t GetEditTextType(std::string_view key);
int32_t GetEditTextMaxLength(std::string_view key);
bool IsEditTextRequired(std::string_view key);
bool IsEditTextPassword(std::string_view key);

// Filters of the edit types (1 to 5; 0 and any other: WideCharKeyFilter).
bool WideCharKeyFilter2(char32_t c);  // type 1: U+0021..U+007E except '"'
bool AsciiKeyFilter(char32_t c);      // type 2: U+0021..U+007E except '"'
bool AsciiKeyFilter2(char32_t c);     // type 3: U+0020..U+007E except '"' and '+'
// type 0: all but U+00A5 and U+FFE5 (and U+0000 and unpaired surrogates, which
// are not text a user types).
bool WideCharKeyFilter(char32_t c);
// The filter of the key's edit type applied to one code point.
bool FilterEditTextInputKey(std::string_view key, char32_t c);

// The accepted characters of the units, in order, for the key's field;
// "" for empty input.
std::u16string CheckUniCharString(const textfields::UniChar* units, int count, std::string_view key);

}  // namespace securitypane
