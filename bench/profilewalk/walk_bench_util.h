// What both walk benchmarks share: the table, net-snmp's snmpwalk as the
// anchor, and the interleaved timing of anchor and measured work.
#pragma once

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>

#include <string>
#include <vector>

extern char** environ;

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
  std::vector<std::string> args = {kSnmpwalk, "-Os", "-c", "public", "-v", "1", address, kRoot};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, kSnmpwalk, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
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
