// End to end: pdehost on a printer at "lpd://127.0.0.1:515/queue", its agent
// on 127.0.0.1 port 161. The first dialog's view runs discovery through the
// bridge tool and the service; once the profiles' menu states make them
// shown, the next dialog lists them in the profile pop-ups. Needs root (port
// 161) and snmpd; skipped otherwise.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/ipc.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "profilestore/direct_variant.h"
#include "profilestore/profile_store.h"
#include "protocol/request.h"
#include "tests/profilewalk/snmp_agent.h"

extern char** environ;

namespace profilewalk {
namespace {

namespace fs = std::filesystem;
using profilestore::HVProfileList;
using testing::SnmpAgent;

class PdehostEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (getuid() != 0) GTEST_SKIP() << "port 161 needs root";
    char tmpl[] = "/tmp/pdehost-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    setenv("VN420P_ROOT", root_.c_str(), 1);
    fs::create_directories(root_ + "/run");
    chmod((root_ + "/run").c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", (root_ + "/run").c_str(), 1);
    fs::create_directories(platform::paths::PreferenceFolder());
    const fs::path tool = platform::paths::BridgeToolPath();
    fs::create_directories(tool.parent_path());
    fs::copy_file(BRIDGETOOL_PATH, tool);
    fs::copy_file(PREFSERVICE_PATH, tool.parent_path() / "prefservice");

    // Started here rather than on demand, so that it is stopped with the test.
    std::string service = tool.parent_path() / "prefservice";
    char* argv[] = {service.data(), nullptr};
    ASSERT_EQ(posix_spawn(&service_, service.c_str(), nullptr, nullptr, argv, environ), 0);
    const std::string socket = platform::ipc::SocketPath(protocol::kServiceName);
    for (int i = 0; i < 500 && access(socket.c_str(), F_OK) != 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  void TearDown() override {
    if (service_ > 0) {
      kill(service_, SIGTERM);
      waitpid(service_, nullptr, 0);
    }
    unsetenv("XDG_RUNTIME_DIR");
    unsetenv("VN420P_ROOT");
    std::error_code ec;
    if (!root_.empty()) fs::remove_all(root_, ec);
  }

  std::string Pdehost(const std::vector<std::string>& args) {
    std::string exe = std::string(VN_BINARY_DIR) + "/bin/pdehost";
    std::vector<std::string> argv = {exe, "--plugins", VN_PLUGIN_DIR, "--device-uri", "lpd://127.0.0.1:515/queue"};
    argv.insert(argv.end(), args.begin(), args.end());
    platform::TaskResult r;
    EXPECT_EQ(platform::RunTask(exe, argv, &r), 0);
    EXPECT_EQ(r.exitStatus, 0);
    return r.output;
  }

  // What the management window does when the user ticks every profile.
  void ShowEveryProfile() {
    profilestore::ProfilePaths paths;
    profilestore::FormProfilePaths(platform::paths::LoginName(), "VN420P", &paths);
    profilestore::SetProfilePathGlobals(&paths);
    auto lists = std::make_unique<HVProfileList[]>(3);
    ASSERT_EQ(profilestore::HVPListReadProfile_All(&lists[0], &lists[1], &lists[2]), 0);
    for (int c = 0; c < 3; ++c)
      for (int i = 0; i < lists[c].iNum; ++i) lists[c].litem[i].iInMenu = 4;
    ASSERT_EQ(profilestore::HVPListWriteProfile_All(&lists[0], &lists[1], &lists[2]), 0);
    profilestore::SetProfilePathGlobals(nullptr);
  }

  std::string root_;
  pid_t service_ = -1;
};

TEST_F(PdehostEndToEnd, DiscoveredProfilesAppearOnceShown) {
  SnmpAgent agent("table", "", 161);
  if (!agent.skipReason().empty()) GTEST_SKIP() << agent.skipReason();
  const std::string panel = "jp.halvern.pde.VN420P.hvco";

  // The first dialog walks the printer; its profiles arrive hidden.
  std::string first = Pdehost({"show", panel});
  EXPECT_EQ(first.find("SRGB01.ICC"), std::string::npos) << first;
  ASSERT_TRUE(fs::exists(root_ + "/Library/Printers/HALVERN/Preferences/jp.halvern.printers.VN420P/" +
                         platform::paths::LoginName() + "-VN420P-profile.plist"));

  ShowEveryProfile();
  std::string second = Pdehost({"show", panel});
  EXPECT_NE(second.find("SRGB01.ICC(Office sRGB)Disk"), std::string::npos) << second;
  EXPECT_NE(second.find("PHOTO.ICM(Photo RGB)Card"), std::string::npos);
  EXPECT_NE(second.find("PRESS.ICC(Press CMYK)Disk"), std::string::npos);
  EXPECT_EQ(second.find("BAD NAME.ICC"), std::string::npos) << "names outside the 8.3 rule are not merged";
}

}  // namespace
}  // namespace profilewalk
