// Device discovery through the whole chain, as the colour panel's view hook
// runs it: the administrator test, the backup and the walk request, each
// through the bridge tool to the service, which walks a 500-row table on a
// loopback snmpd, merges and writes the profile file. Timed against net-snmp's
// own snmpwalk -v1 of the same table, alternately in each iteration.
#include <benchmark/benchmark.h>
#include <time.h>

#include <cstdio>
#include <string>
#include <vector>

#include "colorpane/bridge_request.h"
#include "colorpane/profile_discovery.h"
#include "colorpane/profile_hooks.h"
#include "platform/printing.h"
#include "profilestore/direct_variant.h"
#include "profilestore/profile_store.h"
#include "protocol/request.h"
#include "samples.h"
#include "snmp_agent.h"
#include "temp_root.h"
#include "walk_bench_util.h"

namespace {

using walkbench::kRoot;
using walkbench::kRows;

profilewalk::testing::SnmpAgent* g_agent = nullptr;
platform::PrintSession* g_session = nullptr;
double g_anchor_ns = 0, g_ours_ns = 0;
int32_t g_last_status = -100;

// The panel's view hook: administrator test, then discovery.
bool RunDiscovery() {
  g_last_status = -100;
  if (!colorpane::IsAdministratorProfile()) return false;
  colorpane::commonGetProfilesFromMIB(g_session);
  return g_last_status == 0;
}

void BM_DiscoveryChainVsSnmpwalk(benchmark::State& state) {
  walkbench::RunInterleaved(state, g_agent->address(), RunDiscovery, &g_anchor_ns, &g_ours_ns);
}
BENCHMARK(BM_DiscoveryChainVsSnmpwalk)->Unit(benchmark::kMillisecond)->Iterations(6);

}  // namespace

int main(int argc, char** argv) {
  std::unique_ptr<profilewalk::testing::SnmpAgent> agent = walkbench::StartAgent();
  if (!agent) return 1;
  g_agent = agent.get();

  // A staged installation: the bridge tool at its launch path, the service
  // started in a private runtime folder.
  testsupport::TempRoot root(true);
  if (!root.StartService()) {
    std::fprintf(stderr, "the service did not start\n");
    return 1;
  }

  std::string error;
  // The LPD address carries no port; the agent listens on an unprivileged
  // one, which the sender below adds to the walk's agent argument.
  auto session =
      platform::PrintSession::FromPpdFile(testsupport::SamplePpd(), "lpd://127.0.0.1:515/queue", &error);
  if (!session) {
    std::fprintf(stderr, "no session: %s\n", error.c_str());
    return 1;
  }
  g_session = session.get();
  const std::string port = agent->address().substr(agent->address().find(':'));
  colorpane::SetWalkRequestSender([&](const std::vector<std::string>& arguments, int32_t* walk_status) {
    std::vector<std::string> args(arguments.begin() + 1, arguments.end());
    args[8] += port;
    std::optional<std::string> output = colorpane::RunBridgeTool(protocol::Method::kMibWalk, args);
    std::optional<int> status = output ? protocol::WalkStatusFromOutput(*output) : std::nullopt;
    if (!status) return false;
    *walk_status = g_last_status = *status;
    return true;
  });
  // The first discovery adds every row; later ones confirm them.
  if (!RunDiscovery()) std::fprintf(stderr, "the first discovery failed (status %d)\n", g_last_status);

  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (g_anchor_ns > 0) {
    std::printf(
        "\n%d-row table: admin test + backup + walk request (bridgetool -> prefservice -> walk, merge, "
        "write) "
        "/ snmpwalk -v1: %.2fx real (target <= 1.25x)\n",
        kRows, g_ours_ns / g_anchor_ns);
  }
  return 0;
}
