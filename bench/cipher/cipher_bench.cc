// AES-256-CBC and SHA-256 throughput on 16- and 1024-byte buffers, each
// reported as a ratio to OpenSSL's portable (non-hardware) code measured in
// the same run. OpenSSL picks its code paths from the CPU capability vector,
// read once when libcrypto loads, so the process re-executes itself with the
// vector masked before any OpenSSL code runs.
#define OPENSSL_SUPPRESS_DEPRECATED  // the low-level AES calls are the anchor
#include <benchmark/benchmark.h>
#include <openssl/aes.h>
#include <openssl/crypto.h>
#include <openssl/sha.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "ratio_reporter.h"
#include "securitypane/cipher/hv_ciph.h"

namespace {

using namespace securitypane;

// Clears AES-NI, PCLMULQDQ, SSSE3, SSE4.1, MOVBE, XOP, FMA, XSAVE and AVX in
// the first vector and every extended feature (AVX2, BMI, SHA, AVX-512, VAES)
// in the second, leaving OpenSSL on its integer-only code.
constexpr const char kCapMask[] = "~0x1a481a0200000000:0";

uint8_t g_key[32];

void BM_Ours_AES256CBC(benchmark::State& state) {
  std::vector<uint8_t> buf(static_cast<size_t>(state.range(0)), 0x5a);
  HV_CIPH_AES_KEY ks;
  HV_CIPH_AES_set_key(&ks, g_key, 32);
  uint8_t iv[16] = {};
  for (auto _ : state) {
    HV_CIPH_AES_cbc_encrypt_com(&ks, buf.data(), buf.data(), buf.size(), iv, HV_CIPH_AES_encrypt);
    benchmark::DoNotOptimize(buf.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_OpenSSL_AES256CBC(benchmark::State& state) {
  std::vector<uint8_t> buf(static_cast<size_t>(state.range(0)), 0x5a);
  AES_KEY ks;
  AES_set_encrypt_key(g_key, 256, &ks);
  uint8_t iv[16] = {};
  for (auto _ : state) {
    AES_cbc_encrypt(buf.data(), buf.data(), buf.size(), &ks, iv, AES_ENCRYPT);
    benchmark::DoNotOptimize(buf.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_Ours_AES256CBCDecrypt(benchmark::State& state) {
  std::vector<uint8_t> buf(static_cast<size_t>(state.range(0)), 0x5a);
  HV_CIPH_AES_KEY ks;
  HV_CIPH_AES_set_key(&ks, g_key, 32);
  HV_CIPH_AES_convert_key(&ks);
  uint8_t iv[16] = {};
  for (auto _ : state) {
    HV_CIPH_AES_cbc_decrypt_com(&ks, buf.data(), buf.data(), buf.size(), iv, HV_CIPH_AES_decrypt);
    benchmark::DoNotOptimize(buf.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_OpenSSL_AES256CBCDecrypt(benchmark::State& state) {
  std::vector<uint8_t> buf(static_cast<size_t>(state.range(0)), 0x5a);
  AES_KEY ks;
  AES_set_decrypt_key(g_key, 256, &ks);
  uint8_t iv[16] = {};
  for (auto _ : state) {
    AES_cbc_encrypt(buf.data(), buf.data(), buf.size(), &ks, iv, AES_DECRYPT);
    benchmark::DoNotOptimize(buf.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_Ours_SHA256(benchmark::State& state) {
  std::vector<uint8_t> buf(static_cast<size_t>(state.range(0)), 0x33);
  uint8_t digest[32];
  for (auto _ : state) {
    HV_CIPH_SHA256(buf.data(), buf.size(), digest);
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_OpenSSL_SHA256(benchmark::State& state) {
  std::vector<uint8_t> buf(static_cast<size_t>(state.range(0)), 0x33);
  uint8_t digest[32];
  for (auto _ : state) {
    // The low-level calls: SHA256() itself goes through a provider fetch in
    // OpenSSL 3, which would swamp the 16-byte case.
    SHA256_CTX ctx;
    SHA256_Init(&ctx);
    SHA256_Update(&ctx, buf.data(), buf.size());
    SHA256_Final(digest, &ctx);
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

BENCHMARK(BM_Ours_AES256CBC)->Arg(16)->Arg(1024);
BENCHMARK(BM_OpenSSL_AES256CBC)->Arg(16)->Arg(1024);
BENCHMARK(BM_Ours_AES256CBCDecrypt)->Arg(16)->Arg(1024);
BENCHMARK(BM_OpenSSL_AES256CBCDecrypt)->Arg(16)->Arg(1024);
BENCHMARK(BM_Ours_SHA256)->Arg(16)->Arg(1024);
BENCHMARK(BM_OpenSSL_SHA256)->Arg(16)->Arg(1024);

}  // namespace

int main(int argc, char** argv) {
  const char* cap = std::getenv("OPENSSL_ia32cap");
  if (!cap || std::strcmp(cap, kCapMask) != 0) {
    if (std::getenv("VN_BENCH_REEXEC")) {
      std::fprintf(stderr, "could not set OPENSSL_ia32cap\n");
      return 1;
    }
    setenv("OPENSSL_ia32cap", kCapMask, 1);
    setenv("VN_BENCH_REEXEC", "1", 1);
    execv("/proc/self/exe", argv);
    std::perror("execv");
    return 1;
  }
  for (int i = 0; i < 32; ++i) g_key[i] = static_cast<uint8_t>(i * 13 + 1);

  std::printf("OPENSSL_ia32cap=%s\n", kCapMask);
  std::printf(
      "anchor: %s, AES_cbc_encrypt and SHA256_Init/Update/Final on the masked capability vector\n",
      OpenSSL_version(OPENSSL_VERSION));

  // Five repetitions, medians only, unless the caller says otherwise: other
  // work on the machine makes single runs jumpy.
  std::vector<char*> args(argv, argv + argc);
  bool has_reps = false;
  for (int i = 1; i < argc; ++i) has_reps |= std::strncmp(argv[i], "--benchmark_repetitions", 23) == 0;
  static char reps[] = "--benchmark_repetitions=5", aggr[] = "--benchmark_report_aggregates_only=true";
  if (!has_reps) {
    args.push_back(reps);
    args.push_back(aggr);
  }
  int n = static_cast<int>(args.size());
  args.push_back(nullptr);
  benchmark::Initialize(&n, args.data());
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  std::printf("\nthroughput ratio ours / OpenSSL (>= 0.70 is the target):\n");
  for (const char* what : {"AES256CBC", "AES256CBCDecrypt", "SHA256"}) {
    for (const char* size : {"16", "1024"}) {
      const std::string ours = std::string("BM_Ours_") + what + "/" + size;
      const std::string theirs = std::string("BM_OpenSSL_") + what + "/" + size;
      if (!reporter.cpu.count(ours) || !reporter.cpu.count(theirs)) continue;
      std::printf("  %-17s %5s bytes: %.2fx\n", what, size, reporter.cpu[theirs] / reporter.cpu[ours]);
    }
  }
  return 0;
}
