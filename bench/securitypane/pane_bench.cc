// A whole Security pane dialog session on the sample PPD (create with the
// bundle's description and strings, panelView, restore, a refresh with the
// constraints, summary, save with the passwords encrypted) against its
// anchor: libcups opening the same PPD and marking its defaults. Prints
// session time / anchor time (target: at most 1.5).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

#include "cpu_ratio_reporter.h"
#include "securitypane/security_pde.h"

namespace {

namespace ui = platform::ui;
const std::string kPPD = std::string(VN_SOURCE_DIR) + "/resources/ppd/VN420P.ppd";

class BenchHost : public pde::HostCallback {
 public:
  explicit BenchHost(platform::PrintSession* session) : session_(session) {}
  platform::PrintSettings* printSettings() override { return &settings_; }
  platform::PrintSession* printSession() override { return session_; }
  platform::PageFormat* pageFormat() override { return &format_; }
  ppd_file_t* ppdFile() override { return session_->ppd(); }

 private:
  platform::PrintSession* session_;
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

void BM_SecuritySession(benchmark::State& state) {
  std::string error;
  auto session = platform::PrintSession::FromPPDFile(kPPD, "", &error);
  platform::Bundle bundle(std::string(VN_PLUGIN_DIR) + "/securitypane.plugin", "securitypane");
  for (auto _ : state) {
    BenchHost host(session.get());
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
  benchmark::Initialize(&argc, argv);
  CpuRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double anchor = reporter.times["BM_OpenPPD"], session = reporter.times["BM_SecuritySession"];
  if (anchor > 0 && session > 0)
    std::printf("Security pane session / (ppdOpenFile + ppdMarkDefaults): %.2fx (target: at most 1.5x)\n",
                session / anchor);
  return 0;
}
