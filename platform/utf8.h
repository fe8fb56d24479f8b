// UTF-8 text and its UTF-16 form: the one check of well-formed UTF-8 and the
// conversions the toolkit stand-in and the text fields count and edit in.
// Everything here is ICU's decoder, so every caller agrees on what is valid.
// Texts are at most INT32_MAX bytes or units (ICU's limit); longer ones are
// not valid and convert to nothing.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Whether `text` is well-formed UTF-8: no stray continuation bytes, no
// truncated sequences, no overlong forms, no surrogates (U+D800..U+DFFF), nothing
// beyond U+10FFFF. A NUL byte is a valid character.
bool IsValidUtf8(std::string_view text);

// The UTF-16 form of `text`; each ill-formed piece (ICU's maximal subpart)
// becomes one U+FFFD, so the text is never cut short.
std::u16string ToUtf16(std::string_view text);

// ToUtf16(text).size() without building it: the length the platform's
// strings count in (two units for a character beyond U+FFFF).
size_t Utf16Length(std::string_view text);

// The UTF-8 form of `text`; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

}  // namespace platform
