// Code points over UTF-16 and the key filters of both plug-ins, at the edges
// of every accepted set.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "textfields/color_key_filter.h"
#include "textfields/security_key_filter.h"

namespace {

using textfields::UCFindComposedCharAtIndex;

TEST(CodePoints, PairsLoneSurrogatesAndBounds) {
  struct Case {
    std::u16string text;
    int index;
    char32_t want;
    int next;
  };
  const std::vector<Case> cases = {
      {u"a\U0001F600b", 0, U'a', 1},
      {u"a\U0001F600b", 1, 0x1F600, 3},  // a pair is one code point
      {u"\U0010FFFD", 0, 0x10FFFD, 2},
      {u"\U00010000", 0, 0x10000, 2},
      {std::u16string(1, u'\xD800'), 0, 0xD800, 1},          // high at the end
      {std::u16string{u'\xD83D', u'x'}, 0, 0xD83D, 1},       // high, then no low
      {std::u16string{u'\xDE00', u'\xD83D'}, 0, 0xDE00, 1},  // low first
      {std::u16string{u'\xD83D', u'\xDE00'}, 1, 0xDE00, 2},  // starting inside a pair
      {u"ab", 2, 0, 2},                                      // past the end
      {u"ab", -1, 0, 2},
  };
  for (const Case& c : cases) {
    int next = -7;
    EXPECT_EQ(UCFindComposedCharAtIndex(c.text.data(), static_cast<int>(c.text.size()), c.index, &next),
              c.want)
        << c.index;
    EXPECT_EQ(next, c.next);
  }
}

// Every ASCII character's fate under a filter: the accepted ones listed.
std::u32string AcceptedAscii(bool (*filter)(char32_t)) {
  std::u32string out;
  for (char32_t c = 0; c < 0x80; ++c)
    if (filter(c)) out.push_back(c);
  return out;
}

std::u32string Range(char32_t first, char32_t last, std::u32string_view except = U"") {
  std::u32string out;
  for (char32_t c = first; c <= last; ++c)
    if (except.find(c) == std::u32string_view::npos) out.push_back(c);
  return out;
}

const std::u32string kDigits = Range(U'0', U'9');
const std::u32string kAlnum = kDigits + Range(U'A', U'Z') + Range(U'a', U'z');

TEST(SecurityKeyFilter, AsciiSetsOfEveryEditType) {
  using namespace securitypane;
  struct Case {
    const char* key;  // picks the edit type
    int32_t type;
    std::u32string accepted;
  };
  const std::vector<Case> cases = {
      {"jp.halvern.printers.VN420P.sectionName", 1, Range(0x21, 0x7E, U"\"")},
      {"jp.halvern.printers.VN420P.userKey", 2, Range(0x21, 0x7E, U"\"")},
      {"jp.halvern.printers.VN420P.secureKey", 3, Range(0x20, 0x7E, U"\"+")},
      {"jp.halvern.printers.VN420P.userName", 0, Range(0x01, 0x7F)},  // NUL never
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetEditTextType(c.key), c.type) << c.key;
    std::u32string got;
    for (char32_t ch = 0; ch < 0x80; ++ch)
      if (FilterEditTextInputKey(c.key, ch)) got.push_back(ch);
    EXPECT_EQ(got, c.accepted) << c.key;
  }
  // Types 4 and 5 have no key in the table: their filters directly.
  EXPECT_EQ(AcceptedAscii(AlphaNumericKeyFilter), kAlnum);
  EXPECT_EQ(AcceptedAscii(NumericKeyFilter), kDigits);
}

TEST(SecurityKeyFilter, BeyondAsciiAndSurrogates) {
  using namespace securitypane;
  const char* name = "jp.halvern.printers.VN420P.userName";        // type 0
  const char* section = "jp.halvern.printers.VN420P.sectionName";  // type 1
  struct Case {
    char32_t c;
    bool wide, ascii;
  };
  const std::vector<Case> cases = {
      {0x00A5, false, false},  {0xFFE5, false, false}, {0x00A4, true, false},  {0x00A6, true, false},
      {0xFFE4, true, false},   {0xFFE6, true, false},  {0x4E00, true, false},  {0x1F600, true, false},
      {0x10FFFF, true, false}, {0xD800, false, false}, {0xDFFF, false, false}, {0x80, true, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FilterEditTextInputKey(name, c.c), c.wide) << std::hex << static_cast<uint32_t>(c.c);
    EXPECT_EQ(FilterEditTextInputKey(section, c.c), c.ascii) << std::hex << static_cast<uint32_t>(c.c);
    EXPECT_FALSE(AsciiKeyFilter2(c.c));
  }
  EXPECT_FALSE(FilterEditTextInputKey("jp.halvern.printers.VN420P.userKey", 0x4E00));
}

TEST(SecurityKeyFilter, EditInfoTable) {
  using namespace securitypane;
  ASSERT_EQ(GetEditInfoTableSize(), 5);
  struct Case {
    const char* key;
    int32_t type, max;
    bool password, required;
  };
  const std::vector<Case> cases = {
      {"jp.halvern.printers.VN420P.secureKey", 3, 8, true, true},
      {"jp.halvern.printers.VN420P.userName", 0, 64, false, true},
      {"jp.halvern.printers.VN420P.userKey", 2, 64, true, false},
      {"jp.halvern.printers.VN420P.sectionName", 1, 8, false, false},
      {"jp.halvern.printers.VN420P.sectionKey", 2, 8, true, false},
      {"jp.halvern.printers.VN420P.other", 0, 0, false, false},  // unknown: takes no text
      {"", 0, 0, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetEditTextType(c.key), c.type) << c.key;
    EXPECT_EQ(GetEditTextMaxLength(c.key), c.max) << c.key;
    EXPECT_EQ(IsEditTextPassword(c.key), c.password) << c.key;
    EXPECT_EQ(IsEditTextRequired(c.key), c.required) << c.key;
  }
}

TEST(SecurityKeyFilter, CheckUniCharStringKeepsAcceptedInOrder) {
  using securitypane::CheckUniCharString;
  std::u16string text = u"a\u00A5b\"c \U00020000";
  text.push_back(u'\xD800');  // unpaired at the end
  EXPECT_EQ(
      CheckUniCharString(text.data(), static_cast<int>(text.size()), "jp.halvern.printers.VN420P.userName"),
      u"ab\"c \U00020000");
  EXPECT_EQ(
      CheckUniCharString(text.data(), static_cast<int>(text.size()), "jp.halvern.printers.VN420P.secureKey"),
      u"ab\u0063 ");
  EXPECT_EQ(
      CheckUniCharString(text.data(), static_cast<int>(text.size()), "jp.halvern.printers.VN420P.userKey"),
      u"abc");
  EXPECT_EQ(CheckUniCharString(nullptr, 0, "jp.halvern.printers.VN420P.userKey"), u"");
}

TEST(ColorKeyFilter, EveryFilterNumber) {
  using namespace colorpane;
  struct Case {
    int32_t filter;
    std::u32string ascii;  // accepted below U+0080
    bool wide;             // U+00E9, U+4E00 and U+1F600 accepted
  };
  const std::vector<Case> cases = {
      {0, Range(0x20, 0x7E), false},
      {1, Range(0x21, 0x7E, U"\"*+,/:;<=>?@[\\]|"), false},
      {2, kAlnum, false},
      {3, kDigits, false},
      {4, Range(0x01, 0x7F, U"\"+"), true},
      {99, Range(0x01, 0x7F, U"\"+"), true},
  };
  for (const Case& c : cases) {
    std::u32string got;
    for (char32_t ch = 0; ch < 0x80; ++ch)
      if (FilterEditTextInputKey(c.filter, ch)) got.push_back(ch);
    EXPECT_EQ(got, c.ascii) << c.filter;
    for (char32_t ch : {0xE9u, 0x4E00u, 0x1F600u})
      EXPECT_EQ(FilterEditTextInputKey(c.filter, ch), c.wide) << c.filter << " " << static_cast<uint32_t>(ch);
    EXPECT_FALSE(FilterEditTextInputKey(c.filter, 0xDC00)) << c.filter;
  }
  // The named punctuation of the file-name filter, one by one.
  for (char32_t ch : std::u32string_view(U"!#$%&'()-.^_`{}~")) EXPECT_TRUE(AsciiKeyFilterAppoint(ch));

  std::u16string text = u"a/b c.ICC\u00E9";
  text.insert(text.begin(), u'\xDBFF');
  std::u16string out = text;
  CheckUniCharString(text.data(), static_cast<int>(text.size()), 1, &out);
  EXPECT_EQ(out, u"abc.ICC");
}

}  // namespace
