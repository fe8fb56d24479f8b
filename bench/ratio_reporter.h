// Console output plus each benchmark's times, for the ratios a benchmark
// prints after the table: real and CPU time per iteration, found by the run's
// full name ("BM_X/8") and by its function's name ("BM_X"); with repetitions
// the median stands for the benchmark.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median") continue;
      for (const std::string& name : {r.run_name.str(), r.run_name.function_name}) {
        real[name] = r.GetAdjustedRealTime();
        cpu[name] = r.GetAdjustedCPUTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  std::map<std::string, double> real, cpu;
};

// Runs the registered benchmarks with the command line's options into
// `reporter`.
inline void RunBenchmarks(int argc, char** argv, RatioReporter* reporter) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks(reporter);
  benchmark::Shutdown();
}

// Prints "<what>: <ours / anchor>x (target: <target>)" once both were
// measured, with `digits` decimals.
inline void PrintRatio(const char* what, double ours, double anchor, const char* target, int digits = 2) {
  if (ours > 0 && anchor > 0) std::printf("%s: %.*fx (target: %s)\n", what, digits, ours / anchor, target);
}
