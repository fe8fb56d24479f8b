#include "protocol/chunks.h"

#include <gtest/gtest.h>

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
  for (const auto& p : pieces) EXPECT_TRUE(UTF8FromUTF16(p)) << "a piece split a pair";
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
    EXPECT_TRUE(UTF8FromUTF16(p));
    joined += p;
  }
  EXPECT_EQ(joined, text);
}

TEST(SplitUTF8Every, NonASCIITextArrivesUnchanged) {
  std::string text;
  while (text.size() < 400000) text += "日本語のプロファイル é ";
  auto pieces = SplitUTF8Every(text, kChunkUnits);
  ASSERT_TRUE(pieces);
  EXPECT_GT(pieces->size(), 1u);
  std::string joined;
  for (const auto& p : *pieces) {
    auto units = UTF16FromUTF8(p);
    ASSERT_TRUE(units);
    EXPECT_LE(units->size(), kChunkUnits);
    joined += p;
  }
  EXPECT_EQ(joined, text);
  EXPECT_FALSE(SplitUTF8Every("bad \xC3", kChunkUnits));
}

}  // namespace
}  // namespace protocol
