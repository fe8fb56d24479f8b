// The anchor of the pane benchmarks: libcups opening the sample PPD and
// marking its defaults (ppdOpenFile + ppdMarkDefaults), as BM_OpenPPD.
#pragma once

#include <benchmark/benchmark.h>

#include <string>

#include "platform/ppd.h"
#include "samples.h"

inline void BM_OpenPPD(benchmark::State& state) {
  const std::string ppd = testsupport::SamplePpd();
  for (auto _ : state) {
    std::string error;
    auto file = platform::ppd::PpdFile::Open(ppd, &error);
    benchmark::DoNotOptimize(file.get());
  }
}
BENCHMARK(BM_OpenPPD);
