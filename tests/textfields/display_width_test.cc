// Display width: both edges of every wide range, the text rules (pairs, NUL,
// unpaired surrogates), and the table against the character database.
#include "textfields/display_width.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>

#include <string>

namespace {

using textfields::CFStringGetEastAsianWidth;
using textfields::CharDisplayWidth;

TEST(DisplayWidth, EdgesOfEveryRange) {
  auto ranges = textfields::WideRanges();
  ASSERT_EQ(ranges.size(), 169u);
  for (size_t i = 0; i < ranges.size(); ++i) {
    const auto& r = ranges[i];
    EXPECT_EQ(CharDisplayWidth(r.first), 2) << std::hex << static_cast<uint32_t>(r.first);
    EXPECT_EQ(CharDisplayWidth(r.last), 2) << std::hex << static_cast<uint32_t>(r.last);
    // The neighbours outside (ranges never touch, so they count 1).
    EXPECT_EQ(CharDisplayWidth(r.first - 1), 1) << std::hex << static_cast<uint32_t>(r.first);
    EXPECT_EQ(CharDisplayWidth(r.last + 1), 1) << std::hex << static_cast<uint32_t>(r.last);
  }
  // Named edges: Latin-1, the euro sign, the end of the ideographs, the last planes.
  for (char32_t c : {0x00u, 0x41u, 0xA5u, 0xFFu, 0x100u, 0x20ACu, 0x9FBCu, 0xFFE5u + 2, 0xFFFEu, 0x1F600u,
                     0x2FFFEu, 0x10FFFEu, 0x10FFFFu})
    EXPECT_EQ(CharDisplayWidth(c), 1) << std::hex << static_cast<uint32_t>(c);
  for (char32_t c : {0x101u, 0x4E00u, 0x9FBBu, 0xFFE5u, 0xFFFDu, 0x20000u, 0x10FFFDu})
    EXPECT_EQ(CharDisplayWidth(c), 2) << std::hex << static_cast<uint32_t>(c);
}

TEST(DisplayWidth, EveryListedCharacterIsWideFullwidthOrAmbiguous) {
  for (const auto& r : textfields::WideRanges())
    for (char32_t c = r.first; c <= r.last; ++c) {
      int w = u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_EAST_ASIAN_WIDTH);
      ASSERT_TRUE(w == U_EA_WIDE || w == U_EA_FULLWIDTH || w == U_EA_AMBIGUOUS)
          << std::hex << static_cast<uint32_t>(c);
    }
}

TEST(DisplayWidth, Texts) {
  struct Case {
    std::u16string text;
    int32_t width;
  };
  std::u16string nul = u"ab";
  nul += u'\0';
  nul += u"\u4E00\u4E00";
  const std::vector<Case> cases = {
      {u"", 0},
      {u"abc", 3},
      {u"\u00E9\u00A5", 2},  // Latin-1 counts 1
      {u"\u4E00a\u3042", 5},
      {u"\U00020000\U0001F600", 3},          // pairs: one character each
      {nul, 2},                              // counting stops at U+0000
      {std::u16string{u'\xD840', u'a'}, 2},  // unpaired high surrogate counts 1
      {std::u16string{u'a', u'\xDC00'}, 2},
      {std::u16string(32, u'\u4E00'), 64},
  };
  for (const Case& c : cases) EXPECT_EQ(CFStringGetEastAsianWidth(c.text), c.width);
}

}  // namespace
