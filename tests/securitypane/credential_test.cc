// Credential encoding: the codecs, the key table lookup, the encrypted forms
// (checked against an independent OpenSSL derivation) and malformed input.
#include "securitypane/credential.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/sha.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <set>

#include "securitypane/key_table.h"
#include "tests/securitypane/test_util.h"

namespace securitypane {
namespace {
using securitypane_test::FromHex, securitypane_test::ToHex;
using ::testing::HasSubstr, ::testing::Not;

// ---- Byte codecs.

TEST(HexCodecs, PlainEncodingIsUppercaseHexAndDecodesBack) {
  EXPECT_EQ(HVCFStringEncode("abc"), "616263");
  EXPECT_EQ(HVCFStringDecode("616263"), "abc");
  EXPECT_EQ(HVCFStringEncode("\xC3\xA9\xE6\xBC\xA2"), "C3A9E6BCA2");
  EXPECT_EQ(HVCFStringDecode("C3A9E6BCA2"), "\xC3\xA9\xE6\xBC\xA2");
  // Lower-case letters are no hexadecimal digits here.
  EXPECT_NE(HVCFStringDecode("6a6b6c"), "jkl");
  EXPECT_NE(HVCFStringDecode("6G6H"), "\x6f\x6f");
}

TEST(HexCodecs, MfpOddLengthPairsTheLastDigitWithTheTerminator) {
  uint8_t out[8];
  EXPECT_EQ(HVCStringDecodeMFP("616", out, 3, sizeof out), 2);
  EXPECT_EQ(out[0], 0x61);
  EXPECT_EQ(out[1], 0x60);
  EXPECT_EQ(out[2], 0);
}

TEST(HexCodecs, MfpArgumentAndSizeChecks) {
  char text[8];
  const uint8_t bytes[4] = {1, 2, 3, 4};
  EXPECT_EQ(HVCStringEncodeMFP(bytes, text, 0, sizeof text), 0);
  EXPECT_EQ(HVCStringEncodeMFP(nullptr, text, 2, sizeof text), 0);
  EXPECT_EQ(HVCStringEncodeMFP(bytes, text, 3, sizeof text), 6);
  EXPECT_STREQ(text, "010203");
  // Needs 9 bytes for four input bytes: refused, leaving an empty string.
  EXPECT_EQ(HVCStringEncodeMFP(bytes, text, 4, sizeof text), 0);
  EXPECT_STREQ(text, "");
  uint8_t out[2] = {9, 9};
  EXPECT_EQ(HVCStringDecodeMFP("414243", out, 6, sizeof out), 0);
  EXPECT_EQ(out[0], 0);
}

TEST(HexCodecs, ParenthesisFormRoundTripsEveryByte) {
  uint8_t all[256];
  for (int i = 0; i < 256; ++i) all[i] = static_cast<uint8_t>(i);
  char text[513];
  ASSERT_EQ(HVCStringEncode(all, text, 256, sizeof text), 512);
  for (int i = 0; i < 512; ++i) {
    EXPECT_GE(text[i], '(');
    EXPECT_LE(text[i], '?');
  }
  EXPECT_EQ(text[0], '0');         // 0x00
  EXPECT_EQ(text[2 * 0x80], '(');  // high half 8 taken as -8
  EXPECT_EQ(text[2 * 0xFF + 1], '?');
  uint8_t back[257];
  ASSERT_EQ(HVCStringDecode(text, back, 512, sizeof back), 256);
  EXPECT_EQ(0, std::memcmp(all, back, 256));
}

TEST(HexCodecs, AsciiFormIsLowercaseAndCountsTheTerminator) {
  const uint8_t bytes[3] = {0x0a, 0xbc, 0xff};
  char text[7];
  EXPECT_EQ(HVCStringEncodeASCII(bytes, text, 3, sizeof text), 7);
  EXPECT_STREQ(text, "0abcff");
  uint8_t back[4];
  EXPECT_EQ(HVCStringDecodeASCII("0abcff", back, 6, sizeof back), 3);
  EXPECT_EQ(0, std::memcmp(bytes, back, 3));
  EXPECT_EQ(HVCStringDecodeASCII("0ABCFF", back, 6, sizeof back), 3);
  EXPECT_EQ(0, std::memcmp(bytes, back, 3));
  // A pair stops at its first non-digit, as base-16 conversion does.
  EXPECT_EQ(HVCStringDecodeASCII("5zz5", back, 4, sizeof back), 2);
  EXPECT_EQ(back[0], 5);
  EXPECT_EQ(back[1], 0);
}

TEST(Str2num, DigitsSignAndStop) {
  EXPECT_EQ(str2num("-12a5"), -12);
  EXPECT_EQ(str2num("3-4"), 3);
  EXPECT_EQ(str2num(""), 0);
  EXPECT_EQ(str2num(nullptr), 0);
  EXPECT_EQ(str2num("-"), 0);
  EXPECT_EQ(str2num("007"), 7);
  EXPECT_EQ(str2num(" 7"), 0);
  EXPECT_EQ(str2num("2147483647"), 2147483647);
  EXPECT_EQ(str2num("-2147483648"), INT32_MIN);
  EXPECT_EQ(str2num("4294967297"), 1);  // wraps instead of overflowing
}

// ---- Key table.

int IndexOf(const uint8_t* key_word) {
  for (int i = 0; i < kAesKeyTableSize; ++i)
    if (kAesKeyTable[i].keyWord == key_word) return i;
  return -1;
}

TEST(KeyTable, ShapeAndPermutation) {
  std::set<int32_t> seen(std::begin(kAesKeyPermutation), std::end(kAesKeyPermutation));
  EXPECT_EQ(seen.size(), 20u);
  EXPECT_EQ(*seen.begin(), 0);
  EXPECT_EQ(*seen.rbegin(), 19);
  EXPECT_EQ(std::strlen(kFixedKeyWord), 20u);
  for (int i = 1; i < kAesKeyTableSize; ++i) EXPECT_LE(kAesKeyTable[i - 1].first, kAesKeyTable[i].first);
}

TEST(KeyTable, LookupFirstEntryRunSearchAndFallback) {
  // An absent first selector answers the fallback entry.
  EXPECT_EQ(GetAesKey(0, 0), kAesKeyFallback.keyWord);
  EXPECT_EQ(GetAesKey(0x7FFFFFFF, 0), kAesKeyFallback.keyWord);

  // 54 with second 0: the first entry whose first selector is 54.
  const int first54 = IndexOf(GetAesKey(54, 0));
  ASSERT_GT(first54, 0);
  EXPECT_EQ(kAesKeyTable[first54].first, 54u);
  EXPECT_NE(kAesKeyTable[first54 - 1].first, 54u);

  // Every entry of the run is found by its second selector.
  int i = first54;
  for (; i < kAesKeyTableSize && kAesKeyTable[i].first == 54; ++i) {
    if (kAesKeyTable[i].second != 0) {
      EXPECT_EQ(IndexOf(GetAesKey(54, kAesKeyTable[i].second)), i);
    }
  }
  ASSERT_GE(i - first54, 2);
  // A second selector of the next run is not reached: the run ends first.
  ASSERT_LT(i + 1, kAesKeyTableSize);
  uint32_t foreign = 0;
  for (int j = i; j < kAesKeyTableSize && !foreign; ++j)
    if (kAesKeyTable[j].second != 0) foreign = kAesKeyTable[j].second;
  ASSERT_NE(foreign, 0u);
  bool in_run = false;
  for (int j = first54; j < i; ++j) in_run |= kAesKeyTable[j].second == foreign;
  ASSERT_FALSE(in_run);
  EXPECT_EQ(GetAesKey(54, foreign), kAesKeyFallback.keyWord);
  EXPECT_EQ(GetAesKey(54, 0xFFFFFFF0u), kAesKeyFallback.keyWord);
}

TEST(KeyTable, WorkingKeyWordScattersThroughThePermutation) {
  uint8_t working[20];
  MakeWorkingKeyWord(reinterpret_cast<const uint8_t*>(kFixedKeyWord), 54, 0, working);
  const uint8_t* stored = GetAesKey(54, 0);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(working[kAesKeyPermutation[i]], stored[i]) << i;
  MakeWorkingKeyWord(reinterpret_cast<const uint8_t*>(kFixedKeyWord), 0, 0, working);
  EXPECT_EQ(0, std::memcmp(working, kFixedKeyWord, 20));
}

// ---- Encrypted form, derived independently with OpenSSL.

std::string ReferenceEncrypted(const std::string& text, const uint8_t working[20]) {
  uint8_t key[32], iv_digest[32];
  SHA256(working, 10, key);
  SHA256(working + 10, 10, iv_digest);
  std::vector<uint8_t> plain(text.begin(), text.end());
  const size_t p = 16 - text.size() % 16;
  plain.insert(plain.end(), p, static_cast<uint8_t>(p - 1));
  std::vector<uint8_t> out(plain.size() + 16);
  int n = 0, tail = 0;
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_EncryptInit_ex(ctx, EVP_aes_256_cbc(), nullptr, key, iv_digest);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  EVP_EncryptUpdate(ctx, out.data(), &n, plain.data(), static_cast<int>(plain.size()));
  EVP_EncryptFinal_ex(ctx, out.data() + n, &tail);
  EVP_CIPHER_CTX_free(ctx);
  return ToHex(out.data(), static_cast<size_t>(n + tail), true);
}

TEST(EncryptedForm, MatchesIndependentDerivationAndRoundTrips) {
  uint8_t working54[20], working0[20];
  MakeWorkingKeyWord(nullptr, 54, 0, working54);  // no fixed word needed for 54
  std::memcpy(working0, kFixedKeyWord, 20);
  std::mt19937 rng(42);
  for (int round = 0; round < 300; ++round) {
    std::string text(1 + rng() % 64, ' ');
    for (char& c : text) {
      do c = static_cast<char>(0x21 + rng() % 94);
      while (c == '+' || c == '"');
    }
    const auto enc = HVCFStringEncodeWithEncrypt(text, 54, 0);
    ASSERT_TRUE(enc);
    ASSERT_EQ(*enc, ReferenceEncrypted(text, working54)) << text;
    EXPECT_EQ(HVCFStringDecodeWithDecrypt(*enc, 54, 0), text);

    const auto enc0 = HVCFStringEncodeWithEncrypt(text, 0, 0);
    ASSERT_TRUE(enc0);
    EXPECT_EQ(*enc0, ReferenceEncrypted(text, working0));
    EXPECT_EQ(HVCFStringDecodeWithDecrypt(*enc0, 0, 0), text);
  }
}

TEST(EncryptedForm, LengthsOfStoredForms) {
  EXPECT_EQ(HVCFStringEncodeWithEncrypt("1", 54, 0)->size(), 32u);
  EXPECT_EQ(HVCFStringEncodeWithEncrypt("abcdefgh", 54, 0)->size(), 32u);
  EXPECT_EQ(HVCFStringEncodeWithEncrypt(std::string(15, 'x'), 54, 0)->size(), 32u);
  EXPECT_EQ(HVCFStringEncodeWithEncrypt(std::string(16, 'x'), 54, 0)->size(), 64u);
  EXPECT_EQ(HVCFStringEncodeWithEncrypt(std::string(64, 'x'), 54, 0)->size(), 160u);
  EXPECT_EQ(HVCFStringEncodeWithEncrypt(std::string(111, 'x'), 54, 0)->size(), 224u);
  EXPECT_EQ(HVCFStringEncode(std::string(127, 'x'))->size(), 254u);
}

TEST(EncryptedForm, SixteenCharacterPasswordGetsAFullPaddingBlock) {
  const std::string pw = "0123456789ABCDEF";
  const auto enc = HVCFStringEncodeWithEncrypt(pw, 54, 0);
  ASSERT_EQ(enc->size(), 64u);
  // Decrypt the raw blocks under the same working key word.
  uint8_t working[20];
  MakeWorkingKeyWord(nullptr, 54, 0, working);
  uint8_t key[32], ivd[32];
  SHA256(working, 10, key);
  SHA256(working + 10, 10, ivd);
  auto ct = FromHex(*enc);
  std::vector<uint8_t> plain(48);
  int n = 0;
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_DecryptInit_ex(ctx, EVP_aes_256_cbc(), nullptr, key, ivd);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  EVP_DecryptUpdate(ctx, plain.data(), &n, ct.data(), 32);
  EVP_CIPHER_CTX_free(ctx);
  EXPECT_EQ(std::string(plain.begin(), plain.begin() + 16), pw);
  EXPECT_EQ(std::vector<uint8_t>(plain.begin() + 16, plain.begin() + 32), std::vector<uint8_t>(16, 15));
}

TEST(EncryptedForm, DecryptedPlusCutsTheText) {
  const auto enc = HVCFStringEncodeWithEncrypt("ab+cd", 54, 0);
  ASSERT_TRUE(enc);
  EXPECT_EQ(HVCFStringDecodeWithDecrypt(*enc, 54, 0), "ab");
  EXPECT_EQ(HVCFStringDecodeWithDecrypt(*HVCFStringEncodeWithEncrypt("+x", 54, 0), 54, 0), "");
}

TEST(Limits, OverLongTextsAreRefusedNotCut) {
  OSStatus st = 0;
  EXPECT_FALSE(HVCFStringEncode(std::string(128, 'n'), &st));
  EXPECT_EQ(st, platform::paramErr);
  EXPECT_FALSE(HVCFStringEncodeWithEncrypt(std::string(112, 'p'), 54, 0, &st));
  EXPECT_EQ(st, platform::paramErr);
  // 64 characters of display width 1 can take 128 or more UTF-8 bytes.
  std::string name;
  for (int i = 0; i < 64; ++i) name += "\xC3\xA9";
  EXPECT_FALSE(HVCFStringEncode(name, &st));
  EXPECT_EQ(st, platform::paramErr);
  EXPECT_TRUE(HVCFStringEncode(name.substr(0, 126), &st));
  EXPECT_EQ(st, platform::noErr);
  // Text that is not UTF-8 cannot be converted.
  EXPECT_FALSE(HVCFStringEncode("\xFF\xFE", &st));
  EXPECT_FALSE(HVCFStringEncodeWithEncrypt("\xC3", 54, 0, &st));
  EXPECT_EQ(st, platform::paramErr);
}

TEST(Limits, DecodersRefuseOverLongOrNonAsciiInput) {
  OSStatus st = 0;
  EXPECT_TRUE(HVCFStringDecode(std::string(255, '4'), &st));
  EXPECT_FALSE(HVCFStringDecode(std::string(256, '4'), &st));
  EXPECT_EQ(st, platform::paramErr);
  EXPECT_FALSE(HVCFStringDecode("41\xC3\xA9", &st));
  EXPECT_FALSE(HVCFStringDecodeWithDecrypt(std::string(513, 'A'), 54, 0, &st));
  EXPECT_EQ(st, platform::paramErr);
  EXPECT_FALSE(HVCFStringDecodeWithDecrypt(std::string(1023, '0'), 54, 0, &st));
}

TEST(Malformed, WrongKeysAndJunkStayWithinBounds) {
  std::mt19937 rng(7);
  const char* alphabet = "0123456789ABCDEFabcdefXYZ+- ";
  const size_t alpha_len = std::strlen(alphabet);
  for (int round = 0; round < 3000; ++round) {
    std::string junk(rng() % 530, ' ');
    for (char& c : junk) c = alphabet[rng() % alpha_len];
    for (auto [first, second] : {std::pair<uint32_t, uint32_t>{54, 0}, {0, 0}, {3, 99}}) {
      auto out = HVCFStringDecodeWithDecrypt(junk, first, second);
      if (out) {
        EXPECT_LE(out->size(), 255u);
        EXPECT_THAT(*out, Not(HasSubstr("+")));
      }
    }
    auto plain = HVCFStringDecode(junk.substr(0, 255));
    if (plain) {
      EXPECT_LE(plain->size(), 127u);
    }
  }
  // Right form, wrong key: some text or none, never the original.
  const auto enc = HVCFStringEncodeWithEncrypt("password", 54, 0);
  const auto other = HVCFStringDecodeWithDecrypt(*enc, 0, 0);
  if (other) {
    EXPECT_NE(*other, "password");
  }
}

TEST(Malformed, AesGlueRefusesMissingArguments) {
  uint8_t data[32] = {};
  uint32_t out = 0;
  EXPECT_EQ(AesEncryption(nullptr, 4, false, reinterpret_cast<const uint8_t*>(kFixedKeyWord), &out, 54, 0),
            1);
  EXPECT_EQ(AesEncryption(data, 4, false, nullptr, &out, 54, 0), 1);
  EXPECT_EQ(AesDecryption(data, 16, reinterpret_cast<const uint8_t*>(kFixedKeyWord), nullptr, 54, 0), 1);
  EXPECT_EQ(AesEncryption(data, 4, false, reinterpret_cast<const uint8_t*>(kFixedKeyWord), &out, 54, 0), 0);
  EXPECT_EQ(out, 16u);
}

}  // namespace
}  // namespace securitypane
