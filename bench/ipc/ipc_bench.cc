// Privileged requests: one bridge request against spawning /bin/true and
// reading its output (target: at most 1.2x), and one delegating write of a whole
// profile file (administrator request, every chunk, the rename) against the
// direct write of the same file (target: at most 6x). Runs in a temporary
// installation root with its own service.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "colorpane/delegating_variant.h"
#include "files.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "prefservice/service_xpc.h"
#include "profile_lists.h"
#include "profilestore/direct_variant.h"
#include "profilestore/profile_store.h"
#include "protocol/chunks.h"
#include "protocol/file_url.h"
#include "protocol/request.h"
#include "ratio_reporter.h"
#include "temp_root.h"

namespace {

using profilestore::HVProfileList;

testsupport::ProfileLists g_lists = testsupport::FullLists(0);

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
  const std::string bytes = testsupport::ReadText(path);
  auto chunks = protocol::SplitUtf8Every(bytes, protocol::kChunkUnits);
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

}  // namespace

int main(int argc, char** argv) {
  // A private installation root and runtime folder with the tools installed.
  testsupport::TempRoot root(true);
  const std::string tool = platform::paths::BridgeToolPath();
  // The service is started once, before the timed runs.
  platform::TaskResult warm;
  platform::RunTask(tool, {tool, "hvPListIsAdminProfile_XPC", "/"}, &warm);

  RatioReporter reporter;
  RunBenchmarks(argc, argv, &reporter);
  PrintRatio("bridge request / spawn of /bin/true", reporter.real["BM_BridgeRequest"],
             reporter.real["BM_SpawnTrue"], "at most 1.2x");
  PrintRatio("delegating write / direct write of a whole profile file", reporter.real["BM_DelegatingWrite"],
             reporter.real["BM_DirectWrite"], "at most 6x");
  return 0;
}
