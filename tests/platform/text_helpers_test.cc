// The one UTF-8 check, the UTF-16 length and conversions, and the hex digit.
#include <gtest/gtest.h>

#include <string>

#include "platform/hex_digit.h"
#include "platform/utf8.h"

namespace platform {
namespace {

struct Utf8Case {
  const char* what;
  std::string bytes;
  bool valid;
  size_t utf16_units;  // as ToUtf16 counts them (one U+FFFD per ill-formed piece)
};

const Utf8Case kUtf8Cases[] = {
    {"empty", "", true, 0},
    {"ASCII with a NUL", std::string("a\0b", 3), true, 3},
    {"two-byte", "\xC3\xBC", true, 1},
    {"three-byte at U+FFFF", "\xEF\xBF\xBF", true, 1},
    {"four-byte U+1F600", "\xF0\x9F\x98\x80", true, 2},
    {"four-byte at U+10FFFF", "\xF4\x8F\xBF\xBF", true, 2},
    {"mixed", "a\xC3\xBC\xF0\x9F\x98\x80", true, 4},
    {"lone continuation", "\x80", false, 1},
    {"truncated three-byte", "\xE2\x82", false, 1},
    {"truncated four-byte then ASCII", "\xF0\x9F\x98z", false, 2},
    {"overlong NUL", "\xC0\x80", false, 2},
    {"overlong slash", "\xE0\x80\xAF", false, 3},
    {"overlong four-byte", "\xF0\x8F\xBF\xBF", false, 4},
    {"high surrogate", "\xED\xA0\x80", false, 3},
    {"low surrogate", "\xED\xBF\xBF", false, 3},
    {"CESU-8 pair", "\xED\xA0\xBD\xED\xB8\x80", false, 6},
    {"beyond U+10FFFF", "\xF4\x90\x80\x80", false, 4},
    {"invalid lead byte", "\xFF", false, 1},
    {"five-byte form", "\xF8\x88\x80\x80\x80", false, 5},
};

TEST(Utf8, ValidityAndUtf16LengthAgreeWithTheConversion) {
  for (const Utf8Case& c : kUtf8Cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(IsValidUtf8(c.bytes), c.valid);
    EXPECT_EQ(Utf16Length(c.bytes), c.utf16_units);
    const std::u16string utf16 = ToUtf16(c.bytes);
    EXPECT_EQ(utf16.size(), c.utf16_units);
    if (c.valid) {
      EXPECT_EQ(ToUtf8(utf16), c.bytes);
    } else {
      EXPECT_NE(utf16.find(u'\uFFFD'), std::u16string::npos);
      EXPECT_TRUE(IsValidUtf8(ToUtf8(utf16)));
    }
  }
}

TEST(Utf8, UnpairedSurrogatesBecomeReplacementCharacters) {
  const struct {
    std::u16string utf16;
    std::string utf8;
  } cases[] = {
      {u"\xD83D\xDE00", "\xF0\x9F\x98\x80"},
      {std::u16string(1, char16_t{0xD83D}), "\xEF\xBF\xBD"},
      {std::u16string{u'a', char16_t{0xDE00}, u'b'},
       "a\xEF\xBF\xBD"
       "b"},
  };
  for (const auto& c : cases) EXPECT_EQ(ToUtf8(c.utf16), c.utf8);
}

TEST(HexDigit, ValuesAndRefusals) {
  const struct {
    char c;
    int value;
  } cases[] = {{'0', 0},  {'9', 9},  {'a', 10}, {'f', 15}, {'A', 10}, {'F', 15}, {'g', -1},
               {'G', -1}, {'/', -1}, {':', -1}, {'@', -1}, {'`', -1}, {' ', -1}, {'\xC3', -1}};
  for (const auto& c : cases) EXPECT_EQ(HexValue(c.c), c.value) << c.c;
}

}  // namespace
}  // namespace platform
