// AES and CBC: published known answers, padding and chaining behaviour.
#include <gtest/gtest.h>

#include <cstring>

#include "securitypane/cipher/hv_ciph.h"
#include "tests/securitypane/test_util.h"

namespace securitypane {
namespace {

using securitypane_test::FromHex;
using securitypane_test::ToHex;

void LoadBlock(const std::vector<uint8_t>& b, uint32_t w[4]) {
  for (int i = 0; i < 4; ++i)
    w[i] =
        uint32_t{b[4 * i]} << 24 | uint32_t{b[4 * i + 1]} << 16 | uint32_t{b[4 * i + 2]} << 8 | b[4 * i + 3];
}

std::string BlockHex(const uint32_t w[4]) {
  uint8_t b[16];
  for (int i = 0; i < 16; ++i) b[i] = static_cast<uint8_t>(w[i / 4] >> (24 - 8 * (i % 4)));
  return ToHex(b, 16);
}

struct BlockVector {
  const char* key;
  const char* ciphertext;
};

// The appendix C examples: plaintext 00112233..ff under keys 00 01 02 ...
const BlockVector kAppendixC[] = {
    {"000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a"},
    {"000102030405060708090a0b0c0d0e0f1011121314151617", "dda97ca4864cdfe06eaf70a0ec0d7191"},
    {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", "8ea2b7ca516745bfeafc49904b496089"},
};

TEST(AesBlock, AppendixCEncryptsAndDecrypts) {
  const auto plain = FromHex("00112233445566778899aabbccddeeff");
  for (const auto& v : kAppendixC) {
    SCOPED_TRACE(v.key);
    const auto key = FromHex(v.key);
    HV_CIPH_AES_KEY ks;
    ASSERT_EQ(HV_CIPH_AES_set_key(&ks, key.data(), static_cast<int>(key.size())), 0);
    EXPECT_EQ(ks.nk, key.size() / 4);
    EXPECT_EQ(ks.rounds, ks.nk + 6);
    uint32_t block[4];
    LoadBlock(plain, block);
    HV_CIPH_AES_encrypt(&ks, block);
    EXPECT_EQ(BlockHex(block), v.ciphertext);
    HV_CIPH_AES_convert_key(&ks);
    HV_CIPH_AES_decrypt(&ks, block);
    EXPECT_EQ(BlockHex(block), ToHex(plain));
  }
}

TEST(AesBlock, ConvertKeyKeepsFirstAndLastRoundKeys) {
  const auto key = FromHex(kAppendixC[2].key);
  HV_CIPH_AES_KEY enc, dec;
  HV_CIPH_AES_set_key(&enc, key.data(), 32);
  dec = enc;
  HV_CIPH_AES_convert_key(&dec);
  EXPECT_EQ(0, std::memcmp(enc.rd_key, dec.rd_key, 16));
  EXPECT_EQ(0, std::memcmp(enc.rd_key + 56, dec.rd_key + 56, 16));
  EXPECT_NE(0, std::memcmp(enc.rd_key + 4, dec.rd_key + 4, 16));
}

TEST(AesBlock, RefusesOtherKeyLengthsWithoutTouchingSchedule) {
  uint8_t key[33] = {};
  for (int len : {0, 1, 15, 17, 20, 31, 33}) {
    HV_CIPH_AES_KEY ks;
    std::memset(&ks, 0xA5, sizeof ks);
    HV_CIPH_AES_KEY before = ks;
    EXPECT_EQ(HV_CIPH_AES_set_key(&ks, key, len), 1) << len;
    EXPECT_EQ(0, std::memcmp(&ks, &before, sizeof ks)) << len;
  }
  HV_CIPH_AES_KEY ks;
  EXPECT_EQ(HV_CIPH_AES_set_key(&ks, nullptr, 16), 1);
}

// CBC examples with IV 000102..0f over the same four plaintext blocks.
const char kCbcPlain[] =
    "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710";

const BlockVector kCbc[] = {
    {"2b7e151628aed2a6abf7158809cf4f3c",
     "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"
     "73bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7"},
    {"8e73b0f7da0e6452c810f32b809079e562f8ead2522c6b7b",
     "4f021db243bc633d7178183a9fa071e8b4d9ada9ad7dedf4e5e738763f69145a"
     "571b242012fb7ae07fa9baac3df102e008b0e27988598881d920a9e64f5615cd"},
    {"603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4",
     "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"
     "39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b"},
};

TEST(AesCbc, PublishedVectorsBothDirectionsAndChainWriteBack) {
  const auto plain = FromHex(kCbcPlain);
  for (const auto& v : kCbc) {
    SCOPED_TRACE(v.key);
    const auto key = FromHex(v.key);
    HV_CIPH_AES_KEY ks;
    ASSERT_EQ(HV_CIPH_AES_set_key(&ks, key.data(), static_cast<int>(key.size())), 0);
    auto iv = FromHex("000102030405060708090a0b0c0d0e0f");
    std::vector<uint8_t> out(plain.size());
    HV_CIPH_AES_cbc_encrypt_com(&ks, out.data(), plain.data(), plain.size(), iv.data(), HV_CIPH_AES_encrypt);
    EXPECT_EQ(ToHex(out), v.ciphertext);
    EXPECT_EQ(ToHex(iv), std::string(v.ciphertext).substr(96));  // last ciphertext block

    // In place decryption.
    HV_CIPH_AES_convert_key(&ks);
    iv = FromHex("000102030405060708090a0b0c0d0e0f");
    HV_CIPH_AES_cbc_decrypt_com(&ks, out.data(), out.data(), out.size(), iv.data(), HV_CIPH_AES_decrypt);
    EXPECT_EQ(ToHex(out), kCbcPlain);
    EXPECT_EQ(ToHex(iv), std::string(v.ciphertext).substr(96));
  }
}

TEST(AesCbc, SuccessiveCallsContinueOneChain) {
  const auto key = FromHex(kCbc[2].key);
  HV_CIPH_AES_KEY ks;
  HV_CIPH_AES_set_key(&ks, key.data(), 32);
  std::vector<uint8_t> data(160);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + 3);

  std::vector<uint8_t> whole(data.size());
  auto iv = FromHex("0f0e0d0c0b0a09080706050403020100");
  HV_CIPH_AES_cbc_encrypt_com(&ks, whole.data(), data.data(), data.size(), iv.data(), HV_CIPH_AES_encrypt);

  std::vector<uint8_t> pieces(data.size());
  auto chain = FromHex("0f0e0d0c0b0a09080706050403020100");
  size_t done = 0;
  for (size_t len : {16, 48, 0, 32, 64}) {
    HV_CIPH_AES_cbc_encrypt_com(&ks, pieces.data() + done, data.data() + done, len, chain.data(),
                                HV_CIPH_AES_encrypt);
    done += len;
  }
  EXPECT_EQ(pieces, whole);
  EXPECT_EQ(chain, iv);

  HV_CIPH_AES_convert_key(&ks);
  chain = FromHex("0f0e0d0c0b0a09080706050403020100");
  done = 0;
  for (size_t len : {80, 16, 64}) {
    HV_CIPH_AES_cbc_decrypt_com(&ks, pieces.data() + done, pieces.data() + done, len, chain.data(),
                                HV_CIPH_AES_decrypt);
    done += len;
  }
  EXPECT_EQ(pieces, data);
}

TEST(AesCbc, TrailingPartialBlockIsNeitherReadNorWritten) {
  const auto key = FromHex(kCbc[0].key);
  HV_CIPH_AES_KEY ks;
  HV_CIPH_AES_set_key(&ks, key.data(), 16);
  std::vector<uint8_t> in(37, 0x11), out(37, 0xEE);
  uint8_t iv[16] = {};
  HV_CIPH_AES_cbc_encrypt_com(&ks, out.data(), in.data(), in.size(), iv, HV_CIPH_AES_encrypt);
  for (size_t i = 32; i < out.size(); ++i) EXPECT_EQ(out[i], 0xEE) << i;
  EXPECT_EQ(0, std::memcmp(iv, out.data() + 16, 16));
}

class PaddedCbc : public ::testing::Test {
 protected:
  uint8_t key_[32];
  uint8_t iv_[16];
  void SetUp() override {
    for (int i = 0; i < 32; ++i) key_[i] = static_cast<uint8_t>(0x40 + i);
    for (int i = 0; i < 16; ++i) iv_[i] = static_cast<uint8_t>(0xF0 - i);
  }
  // The raw CBC decryption of `data`, padding left in place.
  std::vector<uint8_t> RawDecrypt(std::vector<uint8_t> data) {
    HV_CIPH_AES_KEY ks;
    HV_CIPH_AES_set_key(&ks, key_, 32);
    HV_CIPH_AES_convert_key(&ks);
    uint8_t iv[16];
    std::memcpy(iv, iv_, 16);
    HV_CIPH_AES_cbc_decrypt_com(&ks, data.data(), data.data(), data.size(), iv, HV_CIPH_AES_decrypt);
    return data;
  }
};

TEST_F(PaddedCbc, PadsWithPMinusOneAndAlwaysAddsAtLeastOneByte) {
  for (uint32_t n : {0u, 1u, 5u, 15u, 16u, 17u, 31u, 32u, 100u}) {
    SCOPED_TRACE(n);
    std::vector<uint8_t> buf(n + 16 + 4, 0xCC);
    for (uint32_t i = 0; i < n; ++i) buf[i] = static_cast<uint8_t>('a' + i % 26);
    uint8_t iv[16];
    std::memcpy(iv, iv_, 16);
    uint32_t out = 0;
    ASSERT_EQ(HV_CIPH_AES_CBC_Encrypt(buf.data(), n, false, key_, iv, &out), 0);
    const uint32_t padded = 16 * (n / 16 + 1);
    EXPECT_EQ(out, padded);
    EXPECT_EQ(buf[padded], 0xCC);  // nothing past the padded length
    auto plain = RawDecrypt(std::vector<uint8_t>(buf.begin(), buf.begin() + padded));
    for (uint32_t i = 0; i < n; ++i) EXPECT_EQ(plain[i], 'a' + i % 26);
    const uint32_t p = padded - n;
    for (uint32_t i = n; i < padded; ++i) EXPECT_EQ(plain[i], p - 1) << i;

    // And the padded decryption undoes it.
    std::memcpy(iv, iv_, 16);
    uint32_t back = 0;
    ASSERT_EQ(HV_CIPH_AES_CBC_Decrypt(buf.data(), padded, key_, iv, &back), 0);
    EXPECT_EQ(back, n);
    for (uint32_t i = 0; i < n; ++i) EXPECT_EQ(buf[i], 'a' + i % 26);
    for (uint32_t i = n; i < padded; ++i) EXPECT_EQ(buf[i], 0) << i;
  }
}

TEST_F(PaddedCbc, SixteenBytesBecomeThirtyTwoWithABlockOfFifteens) {
  std::vector<uint8_t> buf(32, 0);
  std::memcpy(buf.data(), "0123456789abcdef", 16);
  uint32_t out = 0;
  HV_CIPH_AES_CBC_Encrypt(buf.data(), 16, false, key_, iv_, &out);
  EXPECT_EQ(out, 32u);
  SetUp();  // the IV buffer was advanced
  auto plain = RawDecrypt(buf);
  EXPECT_EQ(std::vector<uint8_t>(plain.begin() + 16, plain.end()), std::vector<uint8_t>(16, 15));
}

TEST_F(PaddedCbc, NoPaddingTouchesOnlyWholeBlocks) {
  std::vector<uint8_t> buf(20);
  for (int i = 0; i < 20; ++i) buf[i] = static_cast<uint8_t>(i);
  const auto original = buf;
  uint32_t out = 0;
  HV_CIPH_AES_CBC_Encrypt(buf.data(), 20, true, key_, iv_, &out);
  EXPECT_EQ(out, 20u);
  EXPECT_EQ(std::vector<uint8_t>(buf.begin() + 16, buf.end()),
            std::vector<uint8_t>(original.begin() + 16, original.end()));
  EXPECT_NE(std::vector<uint8_t>(buf.begin(), buf.begin() + 16),
            std::vector<uint8_t>(original.begin(), original.begin() + 16));
}

TEST_F(PaddedCbc, DecryptTrustsLastByteOnlyWithinTheData) {
  // A last byte larger than the data: everything is zeroed, nothing beyond.
  std::vector<uint8_t> buf(16 + 8, 0x77);
  uint32_t out = 99;
  uint8_t iv[16] = {};
  // Find a block whose decryption ends in a byte >= 16.
  for (int seed = 0;; ++seed) {
    for (int i = 0; i < 16; ++i) buf[i] = static_cast<uint8_t>(seed * 31 + i);
    auto plain = RawDecrypt(std::vector<uint8_t>(buf.begin(), buf.begin() + 16));
    if (plain[15] >= 16) break;
  }
  SetUp();
  std::memcpy(iv, iv_, 16);
  ASSERT_EQ(HV_CIPH_AES_CBC_Decrypt(buf.data(), 16, key_, iv, &out), 0);
  EXPECT_EQ(out, 0u);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(buf[i], 0);
  for (int i = 16; i < 24; ++i) EXPECT_EQ(buf[i], 0x77);

  out = 99;
  EXPECT_EQ(HV_CIPH_AES_CBC_Decrypt(buf.data(), 0, key_, iv, &out), 0);
  EXPECT_EQ(out, 0u);
}

TEST_F(PaddedCbc, KeyWordWrapperDerivesKeyAndIvBySha256) {
  uint8_t word[20];
  for (int i = 0; i < 20; ++i) word[i] = static_cast<uint8_t>(0x30 + i);
  uint8_t key[32], digest[32], iv[16];
  HV_CIPH_SHA256(word, 10, key);
  HV_CIPH_SHA256(word + 10, 10, digest);
  std::memcpy(iv, digest, 16);

  std::vector<uint8_t> a(48, 0), b(48, 0);
  std::memcpy(a.data(), "secret", 6);
  std::memcpy(b.data(), "secret", 6);
  uint32_t la = 0, lb = 0;
  ASSERT_EQ(HV_CIPH_AES_CBC_EncryptWord(a.data(), 6, false, word, &la), 0);
  ASSERT_EQ(HV_CIPH_AES_CBC_Encrypt(b.data(), 6, false, key, iv, &lb), 0);
  EXPECT_EQ(la, 16u);
  EXPECT_EQ(a, b);

  uint32_t back = 0;
  ASSERT_EQ(HV_CIPH_AES_CBC_DecryptWord(a.data(), la, word, &back), 0);
  EXPECT_EQ(back, 6u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(a.data())), "secret");
  EXPECT_EQ(HV_CIPH_AES_CBC_EncryptWord(a.data(), 6, false, nullptr, &la), 1);
}

}  // namespace
}  // namespace securitypane
