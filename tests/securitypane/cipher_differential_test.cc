// The cipher and digest against OpenSSL on thousands of random keys, IVs and
// messages.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/sha.h>

#include <cstring>
#include <random>
#include <vector>

#include "securitypane/cipher/hv_ciph.h"

namespace securitypane {
namespace {

const EVP_CIPHER* CbcCipher(size_t key_bytes) {
  switch (key_bytes) {
    case 16:
      return EVP_aes_128_cbc();
    case 24:
      return EVP_aes_192_cbc();
    default:
      return EVP_aes_256_cbc();
  }
}

std::vector<uint8_t> OpenSslCbc(bool encrypt, const std::vector<uint8_t>& key, const uint8_t iv[16],
                                const std::vector<uint8_t>& in) {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  std::vector<uint8_t> out(in.size() + 16);
  int n = 0, tail = 0;
  EXPECT_EQ(EVP_CipherInit_ex(ctx, CbcCipher(key.size()), nullptr, key.data(), iv, encrypt ? 1 : 0), 1);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  EXPECT_EQ(EVP_CipherUpdate(ctx, out.data(), &n, in.data(), static_cast<int>(in.size())), 1);
  EXPECT_EQ(EVP_CipherFinal_ex(ctx, out.data() + n, &tail), 1);
  EVP_CIPHER_CTX_free(ctx);
  out.resize(static_cast<size_t>(n + tail));
  return out;
}

template <typename Rng>
std::vector<uint8_t> RandomBytes(Rng& rng, size_t n) {
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(rng());
  return v;
}

TEST(CipherDifferential, RandomCbcMatchesOpenSsl) {
  std::mt19937_64 rng(0x5EC0'2E17);
  for (int round = 0; round < 3000; ++round) {
    const size_t key_bytes = 16 + 8 * (round % 3);
    const auto key = RandomBytes(rng, key_bytes);
    const auto iv = RandomBytes(rng, 16);
    const auto msg = RandomBytes(rng, 16 * (rng() % 40));

    HV_CIPH_AES_KEY ks;
    ASSERT_EQ(HV_CIPH_AES_set_key(&ks, key.data(), static_cast<int>(key_bytes)), 0);
    std::vector<uint8_t> ours(msg.size());
    uint8_t chain[16];
    std::memcpy(chain, iv.data(), 16);
    HV_CIPH_AES_cbc_encrypt_com(&ks, ours.data(), msg.data(), msg.size(), chain, HV_CIPH_AES_encrypt);
    ASSERT_EQ(ours, OpenSslCbc(true, key, iv.data(), msg)) << "round " << round;

    // Decrypt random data (not only our own output) as well.
    const auto junk = RandomBytes(rng, msg.size());
    HV_CIPH_AES_convert_key(&ks);
    std::vector<uint8_t> plain = junk;
    std::memcpy(chain, iv.data(), 16);
    HV_CIPH_AES_cbc_decrypt_com(&ks, plain.data(), plain.data(), plain.size(), chain, HV_CIPH_AES_decrypt);
    ASSERT_EQ(plain, OpenSslCbc(false, key, iv.data(), junk)) << "round " << round;
  }
}

TEST(CipherDifferential, PaddedAes256MatchesOpenSslOnThePaddedMessage) {
  std::mt19937_64 rng(77);
  for (int round = 0; round < 2000; ++round) {
    const auto key = RandomBytes(rng, 32);
    const auto iv = RandomBytes(rng, 16);
    const size_t n = rng() % 300;
    auto msg = RandomBytes(rng, n);
    // The reference plaintext: p bytes of value p - 1.
    const size_t p = 16 - n % 16;
    std::vector<uint8_t> padded = msg;
    padded.insert(padded.end(), p, static_cast<uint8_t>(p - 1));

    std::vector<uint8_t> buf(n + 16);
    if (n) std::memcpy(buf.data(), msg.data(), n);
    uint8_t chain[16];
    std::memcpy(chain, iv.data(), 16);
    uint32_t out = 0;
    ASSERT_EQ(HV_CIPH_AES_CBC_Encrypt(buf.data(), static_cast<uint32_t>(n), false, key.data(), chain, &out),
              0);
    ASSERT_EQ(out, padded.size());
    buf.resize(out);
    ASSERT_EQ(buf, OpenSslCbc(true, key, iv.data(), padded)) << "round " << round;
  }
}

TEST(CipherDifferential, RandomDigestsMatchOpenSsl) {
  std::mt19937_64 rng(1234);
  for (int round = 0; round < 4000; ++round) {
    const auto msg = RandomBytes(rng, rng() % 1100);
    uint8_t ours[32], theirs[32];
    HV_CIPH_SHA256_CTX ctx;
    HV_CIPH_SHA256_Init(&ctx);
    // Random split into up to three updates.
    const size_t a = msg.empty() ? 0 : rng() % (msg.size() + 1);
    const size_t b = a + (msg.size() - a == 0 ? 0 : rng() % (msg.size() - a + 1));
    HV_CIPH_SHA256_Update(&ctx, msg.data(), a);
    HV_CIPH_SHA256_Update(&ctx, msg.data() + a, b - a);
    HV_CIPH_SHA256_Update(&ctx, msg.data() + b, msg.size() - b);
    HV_CIPH_SHA256_Final(ours, &ctx);
    SHA256(msg.data(), msg.size(), theirs);
    ASSERT_EQ(0, std::memcmp(ours, theirs, 32)) << "round " << round << " length " << msg.size();
  }
}

}  // namespace
}  // namespace securitypane
