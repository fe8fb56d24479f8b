// A whole dialog session of the colour panel (load, panelView, restore,
// summary, save) against its anchor: libcups opening the same PPD and
// marking its defaults. Prints session time / anchor time (target: ≤ 3).
#include <benchmark/benchmark.h>

#include <cstdio>

#include "colorpane/pde_common.h"
#include "colorpane/pde_plugin_interface.h"
#include "fake_host.h"
#include "ppd_anchor.h"
#include "ratio_reporter.h"
#include "samples.h"

namespace {

void BM_DialogSession(benchmark::State& state) {
  std::string error;
  auto session = platform::PrintSession::FromPpdFile(testsupport::SamplePpd(), "", &error);
  platform::Bundle bundle(testsupport::PluginDir() + "/colorpane.plugin", "colorpane");
  colorpane::SetPluginBundle(&bundle);
  for (auto _ : state) {
    testsupport::FakeHost host(session.get());
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

}  // namespace

int main(int argc, char** argv) {
  RatioReporter reporter;
  RunBenchmarks(argc, argv, &reporter);
  PrintRatio("dialog session / (ppdOpenFile + ppdMarkDefaults)", reporter.real["BM_DialogSession"],
             reporter.real["BM_OpenPPD"], "at most 3x");
  return 0;
}
