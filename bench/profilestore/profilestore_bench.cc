// Reading and writing a full profile file (three lists of 500 used slots)
// through the store, against libplist parsing and serialising the same bytes.
// Each write puts the other of two list sets that differ in every text.
//
// The file lives under a temporary installation root in /dev/shm when there is
// one, so the figure is the store's own work rather than the disk's flush time
// (the write still fsyncs the file and its folder).
#include <benchmark/benchmark.h>
#include <plist/plist.h>
#include <stdlib.h>
#include <time.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "platform/file_util.h"
#include "platform/paths.h"
#include "profilestore/direct_variant.h"
#include "profilestore/profile_store.h"

namespace {

using profilestore::HVProfileList;

struct Fixture {
  std::string root;
  profilestore::ProfilePaths paths{};
  std::unique_ptr<HVProfileList> lists[3];
  std::unique_ptr<HVProfileList> renamed[3];  // same slots, every text different
  std::string bytes;                          // the file as the store wrote it
};
Fixture* g_fixture = nullptr;

void Fill(HVProfileList* list, int list_class, const char* variant = "") {
  std::memset(list, 0, sizeof *list);
  for (int i = 0; i < profilestore::kProfileMax; ++i) {
    auto& item = list->litem[i];
    item.iIndexOnDevice = i + 1;
    item.iInMenu = 1 + i % 6;
    item.iProfileClass = list_class;
    item.iLocation = 4 + i % 2;
    std::snprintf(item.FileName, sizeof item.FileName, "PROFILE%s_%d_%03d.ICC", variant, list_class, i);
    std::snprintf(item.ProfileName, sizeof item.ProfileName, "Colour profile%s %d-%03d", variant, list_class,
                  i);
  }
  list->iNum = profilestore::kProfileMax;
}

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
         profilestore::HVPListWriteProfile_All(set[0].get(), set[1].get(), set[2].get()) == 0;
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
    benchmark::DoNotOptimize(profilestore::HVPListWriteProfile_All(set[0].get(), set[1].get(), set[2].get()));
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

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    // With repetitions, the medians stand for each benchmark.
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      ns[run.run_name.function_name] = run.GetAdjustedRealTime();
      cpu_ns[run.run_name.function_name] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> ns, cpu_ns;
};

}  // namespace

int main(int argc, char** argv) {
  Fixture fixture;
  std::string base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
  std::string tmpl = base + "/profilestore-bench-XXXXXX";
  if (mkdtemp(tmpl.data()) == nullptr) return 1;
  fixture.root = tmpl;
  setenv("VN420P_ROOT", fixture.root.c_str(), 1);
  std::filesystem::create_directories(platform::paths::PreferenceFolder());
  profilestore::FormProfilePaths("bench", "VN420P", &fixture.paths);
  profilestore::SetProfilePathGlobals(&fixture.paths);
  for (int c = 0; c < 3; ++c) {
    fixture.lists[c] = std::make_unique<HVProfileList>();
    Fill(fixture.lists[c].get(), c);
    fixture.renamed[c] = std::make_unique<HVProfileList>();
    Fill(fixture.renamed[c].get(), c, "-B");
  }
  if (profilestore::HVPListWriteProfile_All(fixture.lists[0].get(), fixture.lists[1].get(),
                                            fixture.lists[2].get()) != 0 ||
      platform::ReadFile(fixture.paths.profile, &fixture.bytes) != platform::noErr) {
    std::fprintf(stderr, "could not write the profile file under %s\n", fixture.root.c_str());
    return 1;
  }
  g_fixture = &fixture;
  std::printf("profile file: %zu bytes under %s\n", fixture.bytes.size(), base.c_str());

  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  double anchor = reporter.ns["BM_Libplist_ParseSerialise"];
  double ours = reporter.ns["BM_Store_ReadWrite"];
  if (anchor > 0 && ours > 0) {
    std::printf("\nseparate runs: store read + write / libplist parse + serialise: %.2fx real, %.2fx CPU\n",
                ours / anchor,
                reporter.cpu_ns["BM_Store_ReadWrite"] / reporter.cpu_ns["BM_Libplist_ParseSerialise"]);
  }
  const Interleaved& in = g_interleaved;
  if (in.anchor_cpu > 0 && in.anchor_wall > 0) {
    std::printf(
        "interleaved:   store read + write / libplist parse + serialise: %.2fx real, %.2fx CPU "
        "(target <= 1.5x)\n",
        in.store_wall / in.anchor_wall, in.store_cpu / in.anchor_cpu);
  }
  std::error_code ec;
  std::filesystem::remove_all(fixture.root, ec);
  return 0;
}
