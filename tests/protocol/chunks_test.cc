#include "protocol/chunks.h"

#include <gtest/gtest.h>
#include <unicode/utf8.h>

#include <iterator>
#include <random>

namespace protocol {
namespace {

std::vector<size_t> Sizes(const std::vector<std::u16string>& pieces) {
  std::vector<size_t> out;
  for (const auto& p : pieces) out.push_back(p.size());
  return out;
}

TEST(SplitCharEvery, LongTextIsCutFromTheFront) {
  std::u16string text(200000, u'x');
  EXPECT_EQ(Sizes(SplitCharEvery(text, kChunkUnits)), (std::vector<size_t>{90000, 90000, 20000}));
}

TEST(SplitCharEvery, TextOfExactlyOneChunkIsOnePiece) {
  EXPECT_EQ(Sizes(SplitCharEvery(std::u16string(90000, u'x'), kChunkUnits)), std::vector<size_t>{90000});
  EXPECT_EQ(Sizes(SplitCharEvery(std::u16string(180000, u'x'), kChunkUnits)), (std::vector<size_t>{90000, 90000}));
  // There is always at least one chunk.
  EXPECT_EQ(Sizes(SplitCharEvery(u"", kChunkUnits)), std::vector<size_t>{0});
}

TEST(SplitCharEvery, SurrogatePairIsNeverCut) {
  // A pair straddling the cut moves whole into the next piece.
  std::u16string text(4, u'a');
  text += u"\U0001F600";  // units 4 and 5
  text += u"bcd";
  auto pieces = SplitCharEvery(text, 5);
  EXPECT_EQ(Sizes(pieces), (std::vector<size_t>{4, 5}));
  std::u16string joined;
  for (const auto& p : pieces) joined += p;
  EXPECT_EQ(joined, text);
  for (const auto& p : pieces) EXPECT_TRUE(Utf8FromUtf16(p)) << "a piece split a pair";
  // With one unit per piece the pair travels as one piece of two.
  EXPECT_EQ(Sizes(SplitCharEvery(u"\U0001F600z", 1)), (std::vector<size_t>{2, 1}));
}

TEST(SplitCharEvery, PairAtEveryBoundaryOfALongText) {
  // Emoji throughout: every 90000-unit cut would fall inside a pair at odd offsets.
  std::u16string text = u"x";
  while (text.size() < 200001) text += u"\U0001F600";
  auto pieces = SplitCharEvery(text, kChunkUnits);
  std::u16string joined;
  for (const auto& p : pieces) {
    EXPECT_LE(p.size(), kChunkUnits);
    EXPECT_TRUE(Utf8FromUtf16(p));
    joined += p;
  }
  EXPECT_EQ(joined, text);
}

TEST(SplitUtf8Every, NonASCIITextArrivesUnchanged) {
  std::string text;
  while (text.size() < 400000) text += "日本語のプロファイル é ";
  auto pieces = SplitUtf8Every(text, kChunkUnits);
  ASSERT_TRUE(pieces);
  EXPECT_GT(pieces->size(), 1u);
  std::string joined;
  for (const auto& p : *pieces) {
    auto units = Utf16FromUtf8(p);
    ASSERT_TRUE(units);
    EXPECT_LE(units->size(), kChunkUnits);
    joined += p;
  }
  EXPECT_EQ(joined, text);
  EXPECT_FALSE(SplitUtf8Every("bad \xC3", kChunkUnits));
}

}  // namespace
}  // namespace protocol

namespace protocol {
namespace {

// The UTF-8 splitter must cut exactly where splitCharEvery cuts the same text
// in UTF-16: random texts of ASCII, two-, three- and four-byte characters.
TEST(SplitUtf8Every, AgreesWithTheUTF16Split) {
  const char32_t alphabet[] = {U'a', U'<', U'\u00e9', U'\u3042', U'\U0001F600', U'\U00020000'};
  std::mt19937 rng(7);
  for (int round = 0; round < 2000; ++round) {
    std::u32string wide(rng() % 40, U'a');
    for (char32_t& c : wide) c = alphabet[rng() % std::size(alphabet)];
    std::string utf8;
    for (char32_t c : wide) {
      char buf[4];
      int32_t i = 0;
      U8_APPEND_UNSAFE(reinterpret_cast<uint8_t*>(buf), i, static_cast<UChar32>(c));
      utf8.append(buf, static_cast<size_t>(i));
    }
    size_t n = 1 + rng() % 7;
    auto pieces = SplitUtf8Every(utf8, n);
    ASSERT_TRUE(pieces);
    std::vector<std::string> expected;
    for (const std::u16string& piece : SplitCharEvery(*Utf16FromUtf8(utf8), n))
      expected.push_back(*Utf8FromUtf16(piece));
    ASSERT_EQ(*pieces, expected) << "n=" << n << " text=" << utf8;
  }
}

}  // namespace
}  // namespace protocol
