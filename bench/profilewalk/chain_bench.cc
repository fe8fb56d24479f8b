// Device discovery through the whole chain, as the colour panel's view hook
// runs it: the administrator test, the backup and the walk request, each
// through the bridge tool to the service, which walks a 500-row table on a
// loopback snmpd, merges and writes the profile file. Timed against net-snmp's
// own snmpwalk -v1 of the same table, alternately in each iteration.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "colorpane/bridge_request.h"
#include "colorpane/profile_discovery.h"
#include "colorpane/profile_hooks.h"
#include "platform/ipc.h"
#include "platform/paths.h"
#include "platform/printing.h"
#include "profilestore/direct_variant.h"
#include "profilestore/profile_store.h"
#include "protocol/request.h"
#include "tests/profilewalk/snmp_agent.h"
#include "walk_bench_util.h"

extern char** environ;

namespace {

using walkbench::kRoot;
using walkbench::kRows;

profilewalk::testing::SnmpAgent* g_agent = nullptr;
platform::PrintSession* g_session = nullptr;
double g_anchor_ns = 0, g_ours_ns = 0;
int32_t g_last_status = -100;

pid_t Spawn(std::vector<std::string> args, bool quiet) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (quiet) posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

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
  if (access(walkbench::kSnmpwalk, X_OK) != 0) {
    std::fprintf(stderr, "snmpwalk is not installed\n");
    return 1;
  }
  profilewalk::testing::SnmpAgent agent("large", std::to_string(kRows));
  if (!agent.skipReason().empty()) {
    std::fprintf(stderr, "no agent: %s\n", agent.skipReason().c_str());
    return 1;
  }
  g_agent = &agent;

  // A staged installation: the bridge tool at its launch path, the service
  // socket in a private runtime folder.
  char tmpl[] = "/tmp/profilewalk-chain-XXXXXX";
  if (mkdtemp(tmpl) == nullptr) return 1;
  const std::string root = tmpl;
  setenv("VN420P_ROOT", root.c_str(), 1);
  const std::string run = root + "/run";
  mkdir(run.c_str(), 0700);
  setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
  std::filesystem::create_directories(platform::paths::PreferenceFolder());
  const std::string tool = platform::paths::BridgeToolPath();
  std::filesystem::create_directories(std::filesystem::path(tool).parent_path());
  std::filesystem::copy_file(BRIDGETOOL_PATH, tool);

  pid_t service = Spawn({PREFSERVICE_PATH}, false);
  const std::string socket = platform::ipc::SocketPath(protocol::kServiceName);
  for (int i = 0; i < 500 && access(socket.c_str(), F_OK) != 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));

  std::string error;
  // The LPD address carries no port; the agent listens on an unprivileged
  // one, which the sender below adds to the walk's agent argument.
  auto session = platform::PrintSession::FromPPDFile(std::string(VN_SOURCE_DIR) + "/resources/ppd/VN420P.ppd",
                                                     "lpd://127.0.0.1:515/queue", &error);
  if (!session) {
    std::fprintf(stderr, "no session: %s\n", error.c_str());
    return 1;
  }
  g_session = session.get();
  const std::string port = agent.address().substr(agent.address().find(':'));
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
  if (service > 0) {
    kill(service, SIGTERM);
    waitpid(service, nullptr, 0);
  }
  std::error_code ec;
  std::filesystem::remove_all(root, ec);
  return 0;
}
