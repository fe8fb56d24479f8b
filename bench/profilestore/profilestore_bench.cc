// Reading and writing a full profile file (three lists of 500 used slots)
// through the store, against libplist parsing and serialising the same bytes.
//
// The file lives under a temporary installation root in /dev/shm when there is
// one, so the figure is the store's own work rather than the disk's flush time
// (the write still fsyncs the file and its folder).
#include <benchmark/benchmark.h>
#include <plist/plist.h>
#include <stdlib.h>

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
  profilestore::ProfilePathBuffers paths{};
  std::unique_ptr<HVProfileList> lists[3];
  std::string bytes;  // the file as the store wrote it
};
Fixture* g_fixture = nullptr;

void Fill(HVProfileList* list, int list_class) {
  std::memset(list, 0, sizeof *list);
  for (int i = 0; i < profilestore::kProfileMax; ++i) {
    auto& item = list->litem[i];
    item.iIndexOnDevice = i + 1;
    item.iInMenu = 1 + i % 6;
    item.iProfileClass = list_class;
    item.iLocation = 4 + i % 2;
    std::snprintf(item.FileName, sizeof item.FileName, "PROFILE_%d_%03d.ICC", list_class, i);
    std::snprintf(item.ProfileName, sizeof item.ProfileName, "Colour profile %d-%03d", list_class, i);
  }
  list->iNum = profilestore::kProfileMax;
}

void BM_Libplist_ParseSerialise(benchmark::State& state) {
  const std::string& bytes = g_fixture->bytes;
  for (auto _ : state) {
    plist_t root = nullptr;
    plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root, &xml, &length);
    benchmark::DoNotOptimize(xml);
    plist_to_xml_free(xml);
    plist_free(root);
  }
}
BENCHMARK(BM_Libplist_ParseSerialise)->Unit(benchmark::kMillisecond);

void BM_Store_ReadWrite(benchmark::State& state) {
  auto rgb = std::make_unique<HVProfileList>(), sim = std::make_unique<HVProfileList>(),
       dst = std::make_unique<HVProfileList>();
  for (auto _ : state) {
    if (profilestore::HVPListReadProfile_All(rgb.get(), sim.get(), dst.get()) != 0 ||
        profilestore::HVPListWriteProfile_All(rgb.get(), sim.get(), dst.get()) != 0) {
      state.SkipWithError("store read or write failed");
      break;
    }
  }
}
BENCHMARK(BM_Store_ReadWrite)->Unit(benchmark::kMillisecond);

void BM_Store_Read(benchmark::State& state) {
  auto rgb = std::make_unique<HVProfileList>(), sim = std::make_unique<HVProfileList>(),
       dst = std::make_unique<HVProfileList>();
  for (auto _ : state) benchmark::DoNotOptimize(profilestore::HVPListReadProfile_All(rgb.get(), sim.get(), dst.get()));
}
BENCHMARK(BM_Store_Read)->Unit(benchmark::kMillisecond);

void BM_Store_Write(benchmark::State& state) {
  Fixture& f = *g_fixture;
  for (auto _ : state) {
    benchmark::DoNotOptimize(profilestore::HVPListWriteProfile_All(f.lists[0].get(), f.lists[1].get(), f.lists[2].get()));
  }
}
BENCHMARK(BM_Store_Write)->Unit(benchmark::kMillisecond);

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
    std::printf("\nstore read + write / libplist parse + serialise: %.2fx real, %.2fx CPU (target <= 1.5x)\n",
                ours / anchor, reporter.cpu_ns["BM_Store_ReadWrite"] / reporter.cpu_ns["BM_Libplist_ParseSerialise"]);
  }
  std::error_code ec;
  std::filesystem::remove_all(fixture.root, ec);
  return 0;
}
