// The walk of a 500-row profile table on a loopback snmpd, through mib_walk,
// the merge and the write of the profile file, against net-snmp's own
// snmpwalk -v1 of the same table. Both run alternately in each iteration so
// they see the same load; the ratio is taken from the summed wall times.
#include <benchmark/benchmark.h>
#include <time.h>

#include <cstdio>
#include <string>
#include <vector>

#include "profilestore/direct_variant.h"
#include "profilestore/profile_store.h"
#include "profilewalk/mib_walk.h"
#include "profilewalk/spool.h"
#include "snmp_agent.h"
#include "temp_root.h"
#include "walk_bench_util.h"

namespace {

using walkbench::kRoot;
using walkbench::kRows;

profilewalk::testing::SnmpAgent* g_agent = nullptr;
double g_anchor_ns = 0, g_ours_ns = 0;

std::vector<std::string> WalkArgs() {
  return {"snmpwalk", "-Os", "-c", "public", "-v", "1", g_agent->address(), kRoot};
}

int RunMibWalk() {
  std::vector<std::string> args = WalkArgs();
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return profilewalk::mib_walk(static_cast<int>(args.size()), argv.data());
}

void BM_WalkMergeWriteVsSnmpwalk(benchmark::State& state) {
  walkbench::RunInterleaved(
      state, g_agent->address(),
      [] { return RunMibWalk() == 0 && profilewalk::PlistForSpool.iNum == kRows; }, &g_anchor_ns, &g_ours_ns);
}
BENCHMARK(BM_WalkMergeWriteVsSnmpwalk)->Unit(benchmark::kMillisecond)->Iterations(6);

}  // namespace

int main(int argc, char** argv) {
  std::unique_ptr<profilewalk::testing::SnmpAgent> agent = walkbench::StartAgent();
  if (!agent) return 1;
  g_agent = agent.get();

  testsupport::TempRoot root;
  profilestore::ProfilePaths paths;
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
  return 0;
}
