// What both walk benchmarks share: the table and its agent, net-snmp's
// snmpwalk as the anchor, and the interleaved timing of anchor and measured
// work.
#pragma once

#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "child_process.h"
#include "snmp_agent.h"

namespace walkbench {

inline constexpr const char* kRoot = "1.3.6.1.4.1.32473.1.1.1.1.6.13.1.1";
inline constexpr int kRows = 500;
inline constexpr const char* kSnmpwalk = "/usr/bin/snmpwalk";

inline double WallNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1e9 + ts.tv_nsec;
}

// net-snmp's snmpwalk -v1 of the table at `address`, its output discarded.
inline bool RunSnmpwalk(const std::string& address) {
  return testsupport::RunCommand({kSnmpwalk, "-Os", "-c", "public", "-v", "1", address, kRoot}) == 0;
}

// The private snmpd serving a table of kRows rows; nullptr, said on standard
// error, when snmpwalk or the agent is missing.
inline std::unique_ptr<profilewalk::testing::SnmpAgent> StartAgent() {
  if (access(kSnmpwalk, X_OK) != 0) {
    std::fprintf(stderr, "snmpwalk is not installed\n");
    return nullptr;
  }
  auto agent = std::make_unique<profilewalk::testing::SnmpAgent>("large", std::to_string(kRows));
  if (!agent->skipReason().empty()) {
    std::fprintf(stderr, "no agent: %s\n", agent->skipReason().c_str());
    return nullptr;
  }
  return agent;
}

// Runs the anchor and then our work in each iteration, so both see the same
// load on a shared machine; sums their wall times into *anchor_ns / *ours_ns.
template <class Fn>
void RunInterleaved(benchmark::State& state, const std::string& address, Fn ours_fn, double* anchor_ns,
                    double* ours_ns) {
  double anchor = 0, ours = 0;
  for (auto _ : state) {
    double t0 = WallNs();
    if (!RunSnmpwalk(address)) {
      state.SkipWithError("snmpwalk failed");
      break;
    }
    double t1 = WallNs();
    if (!ours_fn()) {
      state.SkipWithError("the measured walk failed");
      break;
    }
    double t2 = WallNs();
    anchor += t1 - t0;
    ours += t2 - t1;
  }
  if (anchor > 0) state.counters["ratio_real"] = ours / anchor;
  *anchor_ns = anchor;
  *ours_ns = ours;
}

}  // namespace walkbench
