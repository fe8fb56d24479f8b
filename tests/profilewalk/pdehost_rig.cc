#include "tests/profilewalk/pdehost_rig.h"

#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "platform/ipc.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "profilestore/direct_variant.h"
#include "profilestore/profile_store.h"
#include "protocol/request.h"

extern char** environ;

namespace profilewalk::testing {

namespace fs = std::filesystem;

PdehostRig::PdehostRig() {
  char tmpl[] = "/tmp/pdehost-rig-XXXXXX";
  if (mkdtemp(tmpl) == nullptr) {
    error_ = "no scratch folder";
    return;
  }
  root_ = tmpl;
  setenv("VN420P_ROOT", root_.c_str(), 1);
  fs::create_directories(root_ + "/run");
  chmod((root_ + "/run").c_str(), 0700);
  setenv("XDG_RUNTIME_DIR", (root_ + "/run").c_str(), 1);
  fs::create_directories(platform::paths::PreferenceFolder());
  const fs::path tool = platform::paths::BridgeToolPath();
  fs::create_directories(tool.parent_path());
  std::error_code ec;
  fs::copy_file(BRIDGETOOL_PATH, tool, ec);
  if (!ec) fs::copy_file(PREFSERVICE_PATH, tool.parent_path() / "prefservice", ec);
  if (ec) {
    error_ = "cannot install the bridge tool and the service: " + ec.message();
    return;
  }

  std::string service = tool.parent_path() / "prefservice";
  char* argv[] = {service.data(), nullptr};
  if (posix_spawn(&service_, service.c_str(), nullptr, nullptr, argv, environ) != 0) {
    service_ = -1;
    error_ = "prefservice did not start";
    return;
  }
  const std::string socket = platform::ipc::SocketPath(protocol::kServiceName);
  for (int i = 0; i < 500 && access(socket.c_str(), F_OK) != 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

PdehostRig::~PdehostRig() {
  if (service_ > 0) {
    kill(service_, SIGTERM);
    waitpid(service_, nullptr, 0);
  }
  unsetenv("XDG_RUNTIME_DIR");
  unsetenv("VN420P_ROOT");
  std::error_code ec;
  if (!root_.empty()) fs::remove_all(root_, ec);
}

PdehostRig::Run PdehostRig::Pdehost(const std::string& device_uri,
                                    const std::vector<std::string>& args) const {
  const std::string exe = std::string(VN_BINARY_DIR) + "/bin/pdehost";
  std::vector<std::string> argv = {exe, "--plugins", VN_PLUGIN_DIR, "--device-uri", device_uri};
  argv.insert(argv.end(), args.begin(), args.end());
  platform::TaskResult result;
  const auto start = std::chrono::steady_clock::now();
  platform::RunTask(exe, argv, &result);
  Run run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.exitStatus = result.exitStatus;
  run.output = std::move(result.output);
  return run;
}

std::string PdehostRig::ProfileFile() const {
  profilestore::ProfilePaths paths;
  profilestore::FormProfilePaths(platform::paths::LoginName(), "VN420P", &paths);
  return paths.profile;
}

bool PdehostRig::ShowEveryProfile() const {
  profilestore::ProfilePaths paths;
  profilestore::FormProfilePaths(platform::paths::LoginName(), "VN420P", &paths);
  profilestore::SetProfilePathGlobals(&paths);
  auto lists = std::make_unique<profilestore::HVProfileList[]>(3);
  bool ok = profilestore::HVPListReadProfile_All(&lists[0], &lists[1], &lists[2]) == 0;
  for (int c = 0; ok && c < 3; ++c)
    for (int i = 0; i < lists[c].iNum; ++i) lists[c].litem[i].iInMenu = 4;
  ok = ok && profilestore::HVPListWriteProfile_All(&lists[0], &lists[1], &lists[2]) == 0;
  profilestore::SetProfilePathGlobals(nullptr);
  return ok;
}

}  // namespace profilewalk::testing
