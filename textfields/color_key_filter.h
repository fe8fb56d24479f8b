// The colour plug-in's input filters, chosen by filter number (a field's
// `inputkey`).
#pragma once

#include <cstdint>
#include <string>

#include "textfields/unichar.h"

namespace colorpane {

using textfields::AlphaNumericKeyFilter;  // filter 2
using textfields::NumericKeyFilter;       // filter 3

bool AsciiKeyFilter(char32_t c);         // filter 0: U+0020..U+007E
bool AsciiKeyFilterAppoint(char32_t c);  // filter 1: characters safe in a file name
// Filter 4 and above (and any other number): every character but '"' and '+' (and U+0000 and
// unpaired surrogates, which are not text a user types).
bool WideCharKeyFilter(char32_t c);

bool FilterEditTextInputKey(int32_t filter, char32_t c);

// Deletes from `text` (the same units as units/count) every character the
// filter refuses, in place.
void CheckUniCharString(const textfields::UniChar* units, int count, int32_t filter, std::u16string* text);

}  // namespace colorpane
