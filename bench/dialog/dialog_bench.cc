// A whole dialog session of the colour panel (load, panelView, restore,
// summary, save) against its anchor: libcups opening the same PPD and
// marking its defaults. Prints session time / anchor time (target: ≤ 3).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

#include "colorpane/pde_common.h"
#include "colorpane/pde_plugin_interface.h"
#include "host/plugin_api.h"

namespace {

const std::string kPPD = std::string(VN_SOURCE_DIR) + "/resources/ppd/VN420P.ppd";

class BenchHost : public pde::HostCallback {
 public:
  explicit BenchHost(ppd_file_t* ppd) : ppd_(ppd) {}
  platform::PrintSettings* printSettings() override { return &settings_; }
  platform::PrintSession* printSession() override { return reinterpret_cast<platform::PrintSession*>(this); }
  platform::PageFormat* pageFormat() override { return &format_; }
  ppd_file_t* ppdFile() override { return ppd_; }

 private:
  ppd_file_t* ppd_;
  platform::PrintSettings settings_;
  platform::PageFormat format_;
};

void BM_OpenPPD(benchmark::State& state) {
  for (auto _ : state) {
    std::string error;
    auto ppd = platform::ppd::PpdFile::Open(kPPD, &error);  // ppdOpenFile + ppdMarkDefaults
    benchmark::DoNotOptimize(ppd.get());
  }
}
BENCHMARK(BM_OpenPPD);

void BM_DialogSession(benchmark::State& state) {
  std::string error;
  auto ppd = platform::ppd::PpdFile::Open(kPPD, &error);
  platform::Bundle bundle(std::string(VN_PLUGIN_DIR) + "/colorpane.plugin", "colorpane");
  colorpane::SetPluginBundle(&bundle);
  for (auto _ : state) {
    BenchHost host(ppd->get());
    colorpane::PDEPlugInInterface panel(&host);
    panel.panelView();
    panel.restoreValuesAndReturnError(&error);
    auto summary = panel.summaryInfo();
    panel.saveValuesAndReturnError(&error);
    benchmark::DoNotOptimize(summary);
    panel.terminate();
  }
  colorpane::SetPluginBundle(nullptr);
}
BENCHMARK(BM_DialogSession);

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) times[r.benchmark_name()] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double anchor = reporter.times["BM_OpenPPD"], session = reporter.times["BM_DialogSession"];
  if (anchor > 0 && session > 0)
    std::printf("dialog session / (ppdOpenFile + ppdMarkDefaults): %.2fx (target: at most 3x)\n", session / anchor);
  return 0;
}
