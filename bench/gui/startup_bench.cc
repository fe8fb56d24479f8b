// Process start to first paint: pdedialog against Qt's own print dialog
// (QPrintDialog) on the same CUPS destination of a private scheduler, both on
// the offscreen platform, timed alternately in the same run, each from its
// spawn to the moment it reports its first paint. Prints pdedialog / Qt's
// print dialog (target <= 1.0), and, for comparison, the ratios against an
// empty Qt dialog and pdedialog's time until its panels are painted.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>

#include "platform/process.h"
#include "private_cupsd.h"

namespace {

constexpr const char* kQueue = "VN420Pbench";

long long Now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1000000000LL + t.tv_nsec;
}

// From the spawn to the moment the child reports `what` ("painted", or
// pdedialog's "panels"); the child's exit is not counted.
void Spawn(benchmark::State& state, const std::vector<std::string>& argv, const char* what = "painted") {
  const std::string pattern = std::string(what) + " %lld";
  for (auto _ : state) {
    platform::TaskResult r;
    long long start = Now();
    long long at = 0;
    size_t line = r.output.npos;
    if (platform::RunTask(argv[0], argv, &r) != 0 || r.exitStatus != 0 ||
        (line = r.output.find(what)) == r.output.npos ||
        std::sscanf(r.output.c_str() + line, pattern.c_str(), &at) != 1) {
      state.SkipWithError(("cannot run " + argv[0] + ": " + r.output).c_str());
      return;
    }
    state.SetIterationTime(static_cast<double>(at - start) / 1e9);
  }
}

std::vector<std::string> Pdedialog() {
  return {VN_PDEDIALOG, "--plugins", VN_PLUGIN_DIR, "--printer", kQueue, "--quit-when-shown"};
}

void BM_EmptyDialog(benchmark::State& state) { Spawn(state, {VN_EMPTY_DIALOG}); }
void BM_QtPrintDialog(benchmark::State& state) { Spawn(state, {VN_QT_PRINT_DIALOG, kQueue}); }
void BM_Pdedialog(benchmark::State& state) { Spawn(state, Pdedialog()); }
void BM_PdedialogPanels(benchmark::State& state) { Spawn(state, Pdedialog(), "panels"); }

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration && !r.error_occurred)
        times[r.run_name.function_name].push_back(r.GetAdjustedRealTime());
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, std::vector<double>> times;
};

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);  // or as set, e.g. xcb under xvfb-run
  // Both dialogs read the destinations and the PPD from this scheduler.
  auto cupsd = std::make_unique<testsupport::PrivateCupsd>();
  if (!cupsd->addQueue(kQueue, "file:///dev/null",
                       std::string(VN_SOURCE_DIR) + "/resources/ppd/VN420P.ppd")) {
    std::printf("skipped: %s\n", cupsd->skipReason().c_str());
    return 0;
  }
  // Alternate them, so load on the machine touches all alike.
  using Fn = void (*)(benchmark::State&);
  const std::pair<const char*, Fn> programs[] = {{"BM_QtPrintDialog", BM_QtPrintDialog},
                                                 {"BM_Pdedialog", BM_Pdedialog},
                                                 {"BM_EmptyDialog", BM_EmptyDialog},
                                                 {"BM_PdedialogPanels", BM_PdedialogPanels}};
  for (int round = 0; round < 5; ++round)
    for (const auto& [name, fn] : programs)
      benchmark::RegisterBenchmark(name, fn)->Iterations(4)->UseManualTime()->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double qt = Median(reporter.times["BM_QtPrintDialog"]),
               empty = Median(reporter.times["BM_EmptyDialog"]),
               dialog = Median(reporter.times["BM_Pdedialog"]),
               panels = Median(reporter.times["BM_PdedialogPanels"]);
  if (qt > 0 && empty > 0 && dialog > 0 && panels > 0) {
    std::printf("Qt's print dialog start to first paint / empty Qt dialog: %.2fx (for comparison)\n",
                qt / empty);
    std::printf("pdedialog start to first paint / empty Qt dialog: %.2fx (for comparison)\n", dialog / empty);
    std::printf("pdedialog start to its panels painted / Qt's print dialog: %.2fx (for comparison)\n",
                panels / qt);
    std::printf("pdedialog start to first paint / Qt's print dialog: %.2fx (target: at most 1.0x)\n",
                dialog / qt);
  }
  return 0;
}
