// Reading and writing a full profile file (three lists of 500 used slots)
// through the store, against libplist parsing and serialising the same bytes.
// Each write puts the other of two list sets that differ in every text.
//
// The file lives under a temporary installation root in /dev/shm when there is
// one, so the figure is the store's own work rather than the disk's flush time
// (the write still fsyncs the file and its folder).
#include <benchmark/benchmark.h>
#include <plist/plist.h>
#include <time.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/file_util.h"
#include "profile_lists.h"
#include "profilestore/direct_variant.h"
#include "profilestore/profile_store.h"
#include "ratio_reporter.h"
#include "temp_root.h"

namespace {

using profilestore::HVProfileList;

struct Fixture {
  profilestore::ProfilePaths paths{};
  testsupport::ProfileLists lists = testsupport::FullLists(0);
  testsupport::ProfileLists renamed = testsupport::FullLists(1);  // same slots, every text different
  std::string bytes;                                              // the file as the store wrote it
};
Fixture* g_fixture = nullptr;

// The anchor: libplist's own parse and serialise of the same bytes.
void LibplistParseSerialise(const std::string& bytes) {
    plist_t root = nullptr;
    plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root, &xml, &length);
    benchmark::DoNotOptimize(xml);
    plist_to_xml_free(xml);
    plist_free(root);
}

void BM_Libplist_ParseSerialise(benchmark::State& state) {
  const std::string& bytes = g_fixture->bytes;
  for (auto _ : state) {
    LibplistParseSerialise(bytes);
  }
}
BENCHMARK(BM_Libplist_ParseSerialise)->Unit(benchmark::kMillisecond);

// Reads the file, then writes the other of two list sets, so every write
// changes all 3000 texts (no help from unchanged entries).
bool StoreReadWrite(HVProfileList* scratch, bool renamed) {
  Fixture& f = *g_fixture;
  auto& set = renamed ? f.renamed : f.lists;
  return profilestore::HVPListReadProfile_All(&scratch[0], &scratch[1], &scratch[2]) == 0 &&
         profilestore::HVPListWriteProfile_All(&set[0], &set[1], &set[2]) == 0;
}

void BM_Store_ReadWrite(benchmark::State& state) {
  auto scratch = std::make_unique<HVProfileList[]>(3);
  bool renamed = false;
  for (auto _ : state) {
    renamed = !renamed;
    if (!StoreReadWrite(scratch.get(), renamed)) {
      state.SkipWithError("store read or write failed");
      break;
    }
  }
}
BENCHMARK(BM_Store_ReadWrite)->Unit(benchmark::kMillisecond);

void BM_Store_Read(benchmark::State& state) {
  auto rgb = std::make_unique<HVProfileList>(), sim = std::make_unique<HVProfileList>(),
       dst = std::make_unique<HVProfileList>();
  for (auto _ : state)
    benchmark::DoNotOptimize(profilestore::HVPListReadProfile_All(rgb.get(), sim.get(), dst.get()));
}
BENCHMARK(BM_Store_Read)->Unit(benchmark::kMillisecond);

void BM_Store_Write(benchmark::State& state) {
  Fixture& f = *g_fixture;
  bool renamed = false;
  for (auto _ : state) {
    renamed = !renamed;
    auto& set = renamed ? f.renamed : f.lists;
    benchmark::DoNotOptimize(profilestore::HVPListWriteProfile_All(&set[0], &set[1], &set[2]));
  }
}
BENCHMARK(BM_Store_Write)->Unit(benchmark::kMillisecond);

// Anchor and store alternately in each iteration, so both see the same load
// on a shared machine; the ratio is taken from the summed times of each side.
double ThreadCpuNs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e9 + ts.tv_nsec;
}
double WallNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1e9 + ts.tv_nsec;
}

struct Interleaved {
  double anchor_cpu = 0, anchor_wall = 0, store_cpu = 0, store_wall = 0;
} g_interleaved;

void BM_Interleaved(benchmark::State& state) {
  const std::string& bytes = g_fixture->bytes;
  auto scratch = std::make_unique<HVProfileList[]>(3);
  bool renamed = false;
  Interleaved sum;
  for (auto _ : state) {
    double c0 = ThreadCpuNs(), w0 = WallNs();
    LibplistParseSerialise(bytes);
    double c1 = ThreadCpuNs(), w1 = WallNs();
    renamed = !renamed;
    if (!StoreReadWrite(scratch.get(), renamed)) {
      state.SkipWithError("store read or write failed");
      break;
    }
    double c2 = ThreadCpuNs(), w2 = WallNs();
    sum.anchor_cpu += c1 - c0;
    sum.anchor_wall += w1 - w0;
    sum.store_cpu += c2 - c1;
    sum.store_wall += w2 - w1;
  }
  if (sum.anchor_cpu > 0) {
    state.counters["ratio_cpu"] = sum.store_cpu / sum.anchor_cpu;
    state.counters["ratio_real"] = sum.store_wall / sum.anchor_wall;
  }
  g_interleaved = sum;
}
BENCHMARK(BM_Interleaved)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  // In memory where there is a tmpfs (see above).
  const std::string base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "";
  testsupport::TempRoot root(false, base);
  Fixture fixture;
  profilestore::FormProfilePaths("bench", "VN420P", &fixture.paths);
  profilestore::SetProfilePathGlobals(&fixture.paths);
  if (profilestore::HVPListWriteProfile_All(&fixture.lists[0], &fixture.lists[1], &fixture.lists[2]) != 0 ||
      platform::ReadFile(fixture.paths.profile, &fixture.bytes) != platform::noErr) {
    std::fprintf(stderr, "could not write the profile file under %s\n", root.root().c_str());
    return 1;
  }
  g_fixture = &fixture;
  std::printf("profile file: %zu bytes under %s\n", fixture.bytes.size(), root.base().c_str());

  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  double anchor = reporter.real["BM_Libplist_ParseSerialise"];
  double ours = reporter.real["BM_Store_ReadWrite"];
  if (anchor > 0 && ours > 0) {
    std::printf("\nseparate runs: store read + write / libplist parse + serialise: %.2fx real, %.2fx CPU\n",
                ours / anchor,
                reporter.cpu["BM_Store_ReadWrite"] / reporter.cpu["BM_Libplist_ParseSerialise"]);
  }
  const Interleaved& in = g_interleaved;
  if (in.anchor_cpu > 0 && in.anchor_wall > 0) {
    std::printf(
        "interleaved:   store read + write / libplist parse + serialise: %.2fx real, %.2fx CPU "
        "(target <= 1.5x)\n",
        in.store_wall / in.anchor_wall, in.store_cpu / in.anchor_cpu);
  }
  return 0;
}
