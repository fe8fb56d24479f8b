// Process start to the first painted dialog: pdedialog on the sample PPD
// (bundles loaded, panels built and rendered) against a minimal Qt Widgets
// program that shows an empty dialog, both on the offscreen platform, timed
// alternately in the same run, each from its spawn to its first paint. Prints
// pdedialog / empty dialog (target ≤ 1.5), and, for comparison, the same
// program with one label: an empty dialog paints no text, so it never loads
// the font configuration, which any dialog with a word on it must.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <map>

#include "platform/process.h"

namespace {

long long Now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1000000000LL + t.tv_nsec;
}

// From the spawn to the moment the child reports its first paint (the
// child's exit is not counted).
void Spawn(benchmark::State& state, const std::vector<std::string>& argv) {
  for (auto _ : state) {
    platform::TaskResult r;
    long long start = Now();
    long long painted = 0;
    if (platform::RunTask(argv[0], argv, &r) != 0 || r.exitStatus != 0 ||
        std::sscanf(r.output.c_str(), "painted %lld", &painted) != 1) {
      state.SkipWithError(("cannot run " + argv[0]).c_str());
      return;
    }
    state.SetIterationTime(static_cast<double>(painted - start) / 1e9);
  }
}

void BM_EmptyDialog(benchmark::State& state) { Spawn(state, {VN_EMPTY_DIALOG}); }
void BM_LabelDialog(benchmark::State& state) { Spawn(state, {VN_LABEL_DIALOG}); }
void BM_Pdedialog(benchmark::State& state) {
  Spawn(state, {VN_PDEDIALOG, "--plugins", VN_PLUGIN_DIR, "--ppd", std::string(VN_SOURCE_DIR) + "/resources/ppd/VN420P.ppd",
                "--quit-when-shown"});
}

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration) times[r.run_name.function_name].push_back(r.GetAdjustedRealTime());
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
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Alternate the two, so load on the machine touches both alike.
  for (int round = 0; round < 5; ++round) {
    benchmark::RegisterBenchmark("BM_EmptyDialog", BM_EmptyDialog)->Iterations(4)->UseManualTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_LabelDialog", BM_LabelDialog)
        ->Iterations(4)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_Pdedialog", BM_Pdedialog)->Iterations(4)->UseManualTime()->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double anchor = Median(reporter.times["BM_EmptyDialog"]), label = Median(reporter.times["BM_LabelDialog"]),
         dialog = Median(reporter.times["BM_Pdedialog"]);
  if (anchor > 0 && label > 0 && dialog > 0) {
    std::printf("one-label Qt dialog start to first paint / empty Qt dialog: %.2fx (for comparison)\n",
                label / anchor);
    std::printf("pdedialog start to first paint / one-label Qt dialog: %.2fx (for comparison)\n",
                dialog / label);
    std::printf("pdedialog start to first paint / empty Qt dialog: %.2fx (target: at most 1.5x)\n", dialog / anchor);
  }
  return 0;
}
