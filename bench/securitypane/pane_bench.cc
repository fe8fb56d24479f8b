// A whole Security pane dialog session on the sample PPD (create with the
// bundle's description and strings, panelView, restore, a refresh with the
// constraints, summary, save with the passwords encrypted) against its
// anchor: libcups opening the same PPD and marking its defaults. Prints
// session time / anchor time (target: at most 1.5).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

#include "fake_host.h"
#include "ppd_anchor.h"
#include "ratio_reporter.h"
#include "samples.h"
#include "securitypane/security_pde.h"

namespace {

namespace ui = platform::ui;

void BM_SecuritySession(benchmark::State& state) {
  std::string error;
  auto session = platform::PrintSession::FromPpdFile(testsupport::SamplePpd(), "", &error);
  platform::Bundle bundle(testsupport::PluginDir() + "/securitypane.plugin", "securitypane");
  for (auto _ : state) {
    testsupport::FakeHost host(session.get());
    securitypane::SecurityPDE pane(&host, &bundle);
    pane.panelView();
    pane.restoreValuesAndReturnError(&error);
    std::map<std::string, ui::Object*> objects;
    for (auto& [name, object] : pane.namedObjects()) objects[name] = object;
    dynamic_cast<ui::Button*>(objects["sectionManagementCheckBox"])->setState(1);
    pane.SecurityAction(objects["sectionManagementCheckBox"]);
    dynamic_cast<ui::TextField*>(objects["sectionPasswordEditText"])->setStringValue("12345678");
    pane.SecurityAction(objects["sectionPasswordEditText"]);
    auto summary = pane.summaryInfo();
    pane.saveValuesAndReturnError(&error);
    benchmark::DoNotOptimize(summary);
  }
}
BENCHMARK(BM_SecuritySession);

}  // namespace

int main(int argc, char** argv) {
  RatioReporter reporter;
  RunBenchmarks(argc, argv, &reporter);
  // CPU time: the machine is shared, and every case runs on the calling thread only.
  PrintRatio("Security pane session / (ppdOpenFile + ppdMarkDefaults)", reporter.cpu["BM_SecuritySession"],
             reporter.cpu["BM_OpenPPD"], "at most 1.5x");
  return 0;
}
