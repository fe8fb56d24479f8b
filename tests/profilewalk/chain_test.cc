// Discovery through the whole chain: the plug-in's administrator test,
// backup and walk request go through the bridge tool to a private service,
// which walks a private snmpd and merges into the profile file of a staged
// installation.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "colorpane/bridge_request.h"
#include "colorpane/profile_discovery.h"
#include "colorpane/profile_hooks.h"
#include "platform/ipc.h"
#include "platform/paths.h"
#include "profilestore/direct_variant.h"
#include "profilestore/profile_store.h"
#include "protocol/request.h"
#include "tests/profilewalk/snmp_agent.h"
#include "tests/profilewalk/walk_test_util.h"

extern char** environ;

namespace profilewalk {
namespace {

using namespace profilewalk::testing;

class Chain : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/profilewalk-chain-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    setenv("VN420P_ROOT", root_.c_str(), 1);
    const std::string run = root_ + "/run";
    mkdir(run.c_str(), 0700);
    old_runtime_ = getenv("XDG_RUNTIME_DIR") ? getenv("XDG_RUNTIME_DIR") : "";
    setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
    std::filesystem::create_directories(platform::paths::PreferenceFolder());
    const std::string tool = platform::paths::BridgeToolPath();
    std::filesystem::create_directories(std::filesystem::path(tool).parent_path());
    std::filesystem::copy_file(BRIDGETOOL_PATH, tool);

    std::string service = PREFSERVICE_PATH;
    char* argv[] = {service.data(), nullptr};
    ASSERT_EQ(posix_spawn(&service_, service.c_str(), nullptr, nullptr, argv, environ), 0);
    const std::string socket = platform::ipc::SocketPath(protocol::kServiceName);
    for (int i = 0; i < 500 && access(socket.c_str(), F_OK) != 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));

    std::string error;
    session_ = platform::PrintSession::FromPPDFile(std::string(VN_SOURCE_DIR) + "/resources/ppd/VN420P.ppd",
                                                   "lpd://127.0.0.1:515/queue", &error);
    ASSERT_NE(session_, nullptr) << error;
    profilestore::FormProfilePaths(platform::paths::LoginName(), "VN420P", &paths_);
  }
  void TearDown() override {
    colorpane::SetWalkRequestSender(nullptr);
    if (service_ > 0) {
      kill(service_, SIGTERM);
      waitpid(service_, nullptr, 0);
    }
    if (old_runtime_.empty()) {
      unsetenv("XDG_RUNTIME_DIR");
    } else {
      setenv("XDG_RUNTIME_DIR", old_runtime_.c_str(), 1);
    }
    unsetenv("VN420P_ROOT");
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  // The production sender, except that the agent's port and short timeouts
  // are added: the LPD address carries no port and the agent is not on 161.
  void SendTo(const SnmpAgent& agent) {
    const std::string port = agent.address().substr(agent.address().find(':'));
    colorpane::SetWalkRequestSender(
        [this, port](const std::vector<std::string>& arguments, int32_t* walk_status) {
          std::vector<std::string> args(arguments.begin() + 1, arguments.end());
          args[8] += port;
          args.insert(args.begin() + 8, {"-t", "1", "-r", "1"});
          std::optional<std::string> output = colorpane::RunBridgeTool(protocol::Method::kMibWalk, args);
          std::optional<int> status = output ? protocol::WalkStatusFromOutput(*output) : std::nullopt;
          if (!status) return false;
          *walk_status = status_ = *status;
          return true;
        });
  }
  void Discover() {
    status_ = -100;
    ASSERT_TRUE(colorpane::IsAdministratorProfile());
    colorpane::commonGetProfilesFromMIB(session_.get());
  }
  // Reads the staged profile file the way the service's store does.
  void ReadFile() {
    rgb_ = NewList(), sim_ = NewList(), dst_ = NewList();
    profilestore::FileVariant* previous = profilestore::SetFileVariant(nullptr);
    profilestore::SetProfilePathGlobals(&paths_);
    ASSERT_EQ(profilestore::HVPListReadProfile_All(rgb_.get(), sim_.get(), dst_.get()), 0);
    profilestore::SetFileVariant(previous);
  }
  static bool Has(const HVProfileList& list, const char* file, int32_t state) {
    for (int i = 0; i < list.iNum; ++i)
      if (std::strcmp(list.litem[i].FileName, file) == 0) return list.litem[i].iInMenu == state;
    return false;
  }

  std::string root_, old_runtime_;
  pid_t service_ = -1;
  std::unique_ptr<platform::PrintSession> session_;
  profilestore::ProfilePaths paths_{};
  int32_t status_ = -100;
  std::unique_ptr<HVProfileList> rgb_, sim_, dst_;
};

TEST_F(Chain, SuccessThenTimeoutThenOutOfOrder) {
  SnmpAgent agent("table");
  if (!agent.skipReason().empty()) GTEST_SKIP() << agent.skipReason();
  SendTo(agent);
  Discover();
  EXPECT_EQ(status_, 0);
  ReadFile();
  EXPECT_TRUE(Has(*rgb_, "SRGB01.ICC", 2));
  EXPECT_TRUE(Has(*rgb_, "PHOTO.ICM", 2));
  EXPECT_TRUE(Has(*sim_, "PRESS.ICC", 2));
  EXPECT_TRUE(Has(*dst_, "PRESS.ICC", 2));
  EXPECT_EQ(rgb_->iNum, 2);
  // The backup taken before the walk is the file as it was: none yet.
  struct stat st {};
  ASSERT_EQ(stat(paths_.prev.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 0);

  // Agent gone: the hidden printer profiles are freed.
  agent.Stop();
  Discover();
  EXPECT_EQ(status_, 1);
  ReadFile();
  EXPECT_EQ(rgb_->iNum, 0);
  EXPECT_EQ(sim_->iNum, 0);
  // The backup holds the file from before this walk.
  ASSERT_EQ(stat(paths_.prev.c_str(), &st), 0);
  EXPECT_GT(st.st_size, 0);

  SnmpAgent jumping("outoforder");
  if (!jumping.skipReason().empty()) GTEST_SKIP() << jumping.skipReason();
  SendTo(jumping);
  Discover();
  EXPECT_EQ(status_, 1);
  ReadFile();
  EXPECT_EQ(rgb_->iNum, 0);
}

}  // namespace
}  // namespace profilewalk
