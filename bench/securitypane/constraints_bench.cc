// One constraint refresh of the Security pane's controls (re-enable, then
// evaluate the pane's constraints), on generated PPDs:
//   1. 8,192 constraints of which 12 concern the pane, against libcups'
//      ppdConflicts() over the same marked PPD (target: at most 1x);
//   2. the pane's 12 constraints plus 8,192 unrelated ones, against the 12
//      alone (target: at most 1.2x: constraints the pane does not use cost
//      nothing per refresh).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

#include "generated_ppd.h"
#include "layers_host.h"
#include "ratio_reporter.h"

namespace {

using securitypane::testing::GeneratedPpd;
using securitypane::testing::LayersHost;
using securitypane::testing::ScopedPpdFile;

constexpr int kTotal = 8192;

// Twelve constraints on the pane's options: four fire on the defaults
// (Filler options stand at "A"), eight do not.
std::vector<std::string> PaneConstraints() {
  std::vector<std::string> lines;
  const char* targets[] = {"PrintModeVN420P SecurePrint", "HVAuthenticationVN420P True",
                           "HVSectionManagementVN420P True"};
  for (int i = 0; i < 12; ++i)
    lines.push_back("*UIConstraints: *Filler" + std::to_string(i) + (i % 3 == 0 ? " A *" : " B *") +
                    targets[i % 3]);
  return lines;
}

std::string PpdText(int unrelated) {
  GeneratedPpd shape;
  shape.extraConstraints = PaneConstraints();
  shape.unrelatedConstraints = unrelated;
  return securitypane::testing::GeneratePpd(shape);
}

std::unique_ptr<LayersHost> Host(const ScopedPpdFile& file) {
  std::string error;
  auto host = std::make_unique<LayersHost>(file.path(), &error);
  if (!host->ok()) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::exit(1);
  }
  host->build();
  host->refresh();
  return host;
}

void BM_PaneRefresh(benchmark::State& state, int unrelated) {
  ScopedPpdFile file(PpdText(unrelated));
  auto host = Host(file);
  if (host->constraintCount != 12) state.SkipWithError("the pane's list is not its 12 constraints");
  for (auto _ : state) host->applyConstraints();
}
BENCHMARK_CAPTURE(BM_PaneRefresh, of8192, kTotal - 12);
BENCHMARK_CAPTURE(BM_PaneRefresh, plus8192, kTotal);
BENCHMARK_CAPTURE(BM_PaneRefresh, alone, 0);

void BM_PPDConflicts(benchmark::State& state) {
  ScopedPpdFile file(PpdText(kTotal - 12));
  auto host = Host(file);
  for (auto _ : state) benchmark::DoNotOptimize(platform::ppd::Conflicts(host->ppdFile()));
}
BENCHMARK(BM_PPDConflicts);

}  // namespace

int main(int argc, char** argv) {
  RatioReporter reporter;
  RunBenchmarks(argc, argv, &reporter);
  // CPU time: the machine is shared, and every case runs on the calling thread only.
  auto& t = reporter.cpu;
  PrintRatio("pane refresh (8192 constraints, 12 the pane's) / ppdConflicts", t["BM_PaneRefresh/of8192"],
             t["BM_PPDConflicts"], "at most 1x", 3);
  PrintRatio("pane refresh with 8192 unrelated constraints / with none", t["BM_PaneRefresh/plus8192"],
             t["BM_PaneRefresh/alone"], "at most 1.2x", 3);
  return 0;
}
