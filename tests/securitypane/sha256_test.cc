// SHA-256: the published examples, the padding boundaries through
// Update/Final, the one-shot form and a replaceable block function.
#include <gtest/gtest.h>
#include <openssl/sha.h>

#include <string>

#include "securitypane/cipher/hv_ciph.h"
#include "tests/securitypane/test_util.h"

namespace securitypane {
namespace {

using securitypane_test::ToHex;

std::string Digest(std::string_view msg) {
  uint8_t d[32];
  HV_CIPH_SHA256(msg.data(), msg.size(), d);
  return ToHex(d, 32);
}

std::string Reference(const std::string& msg) {
  uint8_t d[32];
  SHA256(reinterpret_cast<const unsigned char*>(msg.data()), msg.size(), d);
  return ToHex(d, 32);
}

TEST(Sha256, PublishedExamples) {
  EXPECT_EQ(Digest("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Digest("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(Digest(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

TEST(Sha256, PaddingBoundariesThroughUpdateAndFinal) {
  // 55: 0x80 and length fit; 56: an extra block; 64: a fresh block. Fed in
  // uneven pieces so the buffer path is exercised too.
  for (size_t n : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 128u}) {
    SCOPED_TRACE(n);
    std::string msg(n, '\0');
    for (size_t i = 0; i < n; ++i) msg[i] = static_cast<char>('A' + i % 23);
    HV_CIPH_SHA256_CTX ctx;
    HV_CIPH_SHA256_Init(&ctx);
    size_t done = 0;
    for (size_t step = 1; done < n; step = step * 3 % 70 + 1) {
      const size_t take = std::min(step, n - done);
      HV_CIPH_SHA256_Update(&ctx, msg.data() + done, take);
      done += take;
    }
    EXPECT_EQ(ctx.Nl, n * 8);
    uint8_t d[32];
    HV_CIPH_SHA256_Final(d, &ctx);
    EXPECT_EQ(ctx.num, 0u);
    EXPECT_EQ(ToHex(d, 32), Reference(msg));
  }
}

TEST(Sha256, LengthCounterCarriesIntoHighWord) {
  HV_CIPH_SHA256_CTX ctx;
  HV_CIPH_SHA256_Init(&ctx);
  ctx.Nl = 0xFFFFFFF8u;  // one byte short of a carry
  HV_CIPH_SHA256_Update(&ctx, "xy", 2);
  EXPECT_EQ(ctx.Nh, 1u);
  EXPECT_EQ(ctx.Nl, 8u);
}

TEST(Sha256, OneShotWithoutBufferUsesOneSharedResult) {
  uint8_t* a = HV_CIPH_SHA256("abc", 3, nullptr);
  const std::string first = ToHex(a, 32);
  uint8_t* b = HV_CIPH_SHA256("abd", 3, nullptr);
  EXPECT_EQ(a, b);
  EXPECT_EQ(first, Digest("abc"));
  EXPECT_EQ(ToHex(b, 32), Digest("abd"));
}

int g_blocks_seen = 0;
void CountingBlock(HV_CIPH_SHA256_CTX* ctx, const uint8_t* data, size_t blocks) {
  g_blocks_seen += static_cast<int>(blocks);
  sha256_block(ctx, data, blocks);
}

TEST(Sha256, SetupReplacesTheBlockFunction) {
  HV_CIPH_SHA256_CTX ctx;
  HV_CIPH_SHA256_Init(&ctx);
  HV_CIPH_SHA256_Setup(&ctx, CountingBlock);
  g_blocks_seen = 0;
  const std::string msg(200, 'q');
  HV_CIPH_SHA256_Update(&ctx, msg.data(), msg.size());
  uint8_t d[32];
  HV_CIPH_SHA256_Final(d, &ctx);
  EXPECT_EQ(g_blocks_seen, 4);  // three whole blocks, then 8 bytes + padding
  EXPECT_EQ(ToHex(d, 32), Reference(msg));
}

}  // namespace
}  // namespace securitypane
