// Privileged requests: one bridge request against spawning /bin/true and
// reading its output (target: at most 1.2x), and one delegating write of a whole
// profile file (administrator request, every chunk, the rename) against the
// direct write of the same file (target: at most 6x). Runs in a temporary
// installation root with its own service.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>

#include "colorpane/delegating_variant.h"
#include "platform/ipc.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "profilestore/direct_variant.h"
#include "profilestore/profile_store.h"
#include "prefservice/service_xpc.h"
#include "protocol/chunks.h"
#include "protocol/file_url.h"
#include "protocol/request.h"

namespace {

namespace fs = std::filesystem;
using profilestore::HVProfileList;

std::unique_ptr<HVProfileList[]> g_lists;

void FillLists() {
  g_lists = std::make_unique<HVProfileList[]>(3);
  for (int c = 0; c < 3; ++c) {
    HVProfileList& l = g_lists[c];
    profilestore::ClearProfileList(&l);
    for (int i = 0; i < profilestore::kProfileMax; ++i) {
      auto& item = l.litem[i];
      item.iIndexOnDevice = i + 1;
      item.iInMenu = 1 + i % 6;
      item.iProfileClass = c;
      item.iLocation = 4 + i % 2;
      snprintf(item.FileName, sizeof item.FileName, "PROFILE_%03d_%d.icc", i, c);
      snprintf(item.ProfileName, sizeof item.ProfileName, "Profile %03d", i);
    }
    l.iNum = profilestore::kProfileMax;
  }
}

void BM_SpawnTrue(benchmark::State& state) {
  platform::TaskResult r;
  for (auto _ : state) {
    platform::RunTask("/bin/true", {"/bin/true"}, &r);
    benchmark::DoNotOptimize(r.output);
  }
}
BENCHMARK(BM_SpawnTrue)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

void BM_BridgeRequest(benchmark::State& state) {
  std::string tool = platform::paths::BridgeToolPath();
  std::string path = platform::paths::PreferenceFolder() + platform::paths::LoginName() + "-VN420P-profile.plist";
  platform::TaskResult r;
  for (auto _ : state) {
    platform::RunTask(tool, {tool, "hvPListExistProfile_XPC", path}, &r);
    if (r.output.find("hvPListExistProfile_XPC=") != 0) state.SkipWithError("no reply line");
  }
}
BENCHMARK(BM_BridgeRequest)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

void BM_DirectWrite(benchmark::State& state) {
  profilestore::DirectVariant direct;
  profilestore::ProfilePaths paths;
  profilestore::FormProfilePaths(platform::paths::LoginName(), "VN420P", &paths);
  profilestore::SetProfilePathGlobals(&paths);
  profilestore::FileVariant* previous = profilestore::SetFileVariant(&direct);
  for (auto _ : state)
    if (profilestore::HVPListWriteProfile_All(&g_lists[0], &g_lists[1], &g_lists[2]) != 0)
      state.SkipWithError("direct write failed");
  profilestore::SetFileVariant(previous);
  profilestore::SetProfilePathGlobals(nullptr);
}
BENCHMARK(BM_DirectWrite)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

void BM_DelegatingWrite(benchmark::State& state) {
  colorpane::InstallDelegatingVariant();
  for (auto _ : state)
    if (profilestore::HVPListWriteProfile_All(&g_lists[0], &g_lists[1], &g_lists[2]) != 0)
      state.SkipWithError("delegating write failed");
  profilestore::SetFileVariant(nullptr);
}
BENCHMARK(BM_DelegatingWrite)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

// The service's share of the delegating write: the same chunk and rename
// requests handled in-process, without tool runs.
void BM_ServiceSideOfWrite(benchmark::State& state) {
  std::string path = platform::paths::PreferenceFolder() + platform::paths::LoginName() + "-VN420P-profile.plist";
  profilestore::DirectVariant direct;
  profilestore::ProfilePaths paths;
  profilestore::FormProfilePaths(platform::paths::LoginName(), "VN420P", &paths);
  profilestore::SetProfilePathGlobals(&paths);
  profilestore::SetFileVariant(&direct);
  profilestore::HVPListWriteProfile_All(&g_lists[0], &g_lists[1], &g_lists[2]);
  profilestore::SetFileVariant(nullptr);
  std::string bytes;
  FILE* f = fopen(path.c_str(), "rb");
  char buf[65536];
  size_t n;
  while (f && (n = fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
  if (f) fclose(f);
  auto chunks = protocol::SplitUTF8Every(bytes, protocol::kChunkUnits);
  std::string url = protocol::FileURLFromPath(path);
  prefservice::HVmacServiceXPC service(prefservice::Caller{getuid(), platform::paths::LoginName()});
  for (auto _ : state) {
    for (const std::string& c : *chunks)
      service.Call(protocol::Method::kWriteDataToPlistFile, url + ":AddURL:END" + c);
    if (service.Call(protocol::Method::kWriteDataToPlistFileRename, url) != "TRUE") state.SkipWithError("rename");
  }
  state.counters["chunks"] = static_cast<double>(chunks->size());
  state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_ServiceSideOfWrite)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) times[r.run_name.function_name] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

std::string g_base;

void StopService() {
  std::string socket = platform::ipc::SocketPath(protocol::kServiceName);
  platform::ipc::Socket s = platform::ipc::Connect(socket);
  pid_t pid = -1;
  if (s.valid() && platform::ipc::PeerCredentials(s.fd(), nullptr, &pid) && pid > 0) kill(pid, SIGKILL);
}

}  // namespace

int main(int argc, char** argv) {
  // A private installation root and runtime folder with the tools installed.
  char tmpl[] = "/tmp/vn-ipc-bench-XXXXXX";
  g_base = mkdtemp(tmpl);
  setenv("VN420P_ROOT", (g_base + "/root").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (g_base + "/run").c_str(), 1);
  fs::create_directories(g_base + "/run");
  fs::permissions(g_base + "/run", fs::perms::owner_all);  // a runtime folder must be private
  fs::create_directories(platform::paths::PreferenceFolder());
  fs::path tool = platform::paths::BridgeToolPath();
  fs::create_directories(tool.parent_path());
  fs::copy_file(std::string(VN_BINARY_DIR) + "/bin/bridgetool", tool);
  fs::copy_file(std::string(VN_BINARY_DIR) + "/bin/prefservice", tool.parent_path() / "prefservice");
  FillLists();
  // The service is started once, before the timed runs.
  platform::TaskResult warm;
  platform::RunTask(tool, {tool, "hvPListIsAdminProfile_XPC", "/"}, &warm);

  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto& t = reporter.times;
  if (t["BM_SpawnTrue"] > 0 && t["BM_BridgeRequest"] > 0)
    std::printf("bridge request / spawn of /bin/true: %.2fx (target: at most 1.2x)\n",
                t["BM_BridgeRequest"] / t["BM_SpawnTrue"]);
  if (t["BM_DirectWrite"] > 0 && t["BM_DelegatingWrite"] > 0)
    std::printf("delegating write / direct write of a whole profile file: %.2fx (target: at most 6x)\n",
                t["BM_DelegatingWrite"] / t["BM_DirectWrite"]);
  StopService();
  fs::remove_all(g_base);
  return 0;
}
