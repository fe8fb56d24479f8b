// The walk of a 500-row profile table on a loopback snmpd, through mib_walk,
// the merge and the write of the profile file, against net-snmp's own
// snmpwalk -v1 of the same table. Both run alternately in each iteration so
// they see the same load; the ratio is taken from the summed wall times.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "profilestore/direct_variant.h"
#include "profilestore/profile_store.h"
#include "profilewalk/mib_walk.h"
#include "profilewalk/spool.h"
#include "tests/profilewalk/snmp_agent.h"

extern char** environ;

namespace {

constexpr const char* kRoot = "1.3.6.1.4.1.32473.1.1.1.1.6.13.1.1";
constexpr int kRows = 500;

profilewalk::testing::SnmpAgent* g_agent = nullptr;
std::string g_snmpwalk;
double g_anchor_ns = 0, g_ours_ns = 0;

double WallNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1e9 + ts.tv_nsec;
}

std::vector<std::string> WalkArgs() {
  return {"snmpwalk", "-Os", "-c", "public", "-v", "1", g_agent->address(), kRoot};
}

// net-snmp's snmpwalk of the same table, its output discarded.
bool RunSnmpwalk() {
  std::vector<std::string> args = WalkArgs();
  args[0] = g_snmpwalk;
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, g_snmpwalk.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int RunMibWalk() {
  std::vector<std::string> args = WalkArgs();
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return profilewalk::mib_walk(static_cast<int>(args.size()), argv.data());
}

void BM_WalkMergeWriteVsSnmpwalk(benchmark::State& state) {
  double anchor = 0, ours = 0;
  for (auto _ : state) {
    double t0 = WallNs();
    if (!RunSnmpwalk()) {
      state.SkipWithError("snmpwalk failed");
      break;
    }
    double t1 = WallNs();
    if (RunMibWalk() != 0 || profilewalk::PlistForSpool.iNum != kRows) {
      state.SkipWithError("mib_walk failed");
      break;
    }
    double t2 = WallNs();
    anchor += t1 - t0;
    ours += t2 - t1;
  }
  if (anchor > 0) state.counters["ratio_real"] = ours / anchor;
  g_anchor_ns = anchor;
  g_ours_ns = ours;
}
BENCHMARK(BM_WalkMergeWriteVsSnmpwalk)->Unit(benchmark::kMillisecond)->Iterations(6);

}  // namespace

int main(int argc, char** argv) {
  g_snmpwalk = "/usr/bin/snmpwalk";
  if (access(g_snmpwalk.c_str(), X_OK) != 0) {
    std::fprintf(stderr, "snmpwalk is not installed\n");
    return 1;
  }
  profilewalk::testing::SnmpAgent agent("large", std::to_string(kRows));
  if (!agent.skipReason().empty()) {
    std::fprintf(stderr, "no agent: %s\n", agent.skipReason().c_str());
    return 1;
  }
  g_agent = &agent;

  char tmpl[] = "/tmp/profilewalk-bench-XXXXXX";
  if (mkdtemp(tmpl) == nullptr) return 1;
  setenv("VN420P_ROOT", tmpl, 1);
  std::filesystem::create_directories(platform::paths::PreferenceFolder());
  profilestore::ProfilePathBuffers paths;
  profilestore::FormProfilePaths("bench", "VN420P", &paths);
  profilestore::SetProfilePathGlobals(&paths);
  // One walk first: the library's start-up and the first merge (which adds
  // every row) are not what a repeated discovery costs.
  if (RunMibWalk() != 0) {
    std::fprintf(stderr, "the first walk failed\n");
    return 1;
  }

  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (g_anchor_ns > 0) {
    std::printf(
        "\n%d-row table, %d variables: mib_walk + merge + write / snmpwalk -v1: %.2fx real (target <= "
        "1.25x)\n",
        kRows, kRows * 7, g_ours_ns / g_anchor_ns);
  }
  std::error_code ec;
  std::filesystem::remove_all(tmpl, ec);
  return 0;
}
