// Discovery through the whole chain: the plug-in's administrator test,
// backup and walk request go through the bridge tool to a private service,
// which walks a private snmpd and merges into the profile file of a staged
// installation.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "colorpane/bridge_request.h"
#include "colorpane/profile_discovery.h"
#include "colorpane/profile_hooks.h"
#include "platform/paths.h"
#include "profile_lists.h"
#include "profilestore/direct_variant.h"
#include "profilestore/profile_store.h"
#include "protocol/request.h"
#include "samples.h"
#include "snmp_agent.h"
#include "temp_root.h"
#include "tests/profilewalk/walk_test_util.h"

namespace profilewalk {
namespace {

using namespace profilewalk::testing;

class Chain : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root_.StartService());
    std::string error;
    session_ =
        platform::PrintSession::FromPpdFile(testsupport::SamplePpd(), "lpd://127.0.0.1:515/queue", &error);
    ASSERT_NE(session_, nullptr) << error;
    profilestore::FormProfilePaths(platform::paths::LoginName(), "VN420P", &paths_);
  }
  void TearDown() override { colorpane::SetWalkRequestSender(nullptr); }

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
    lists_ = testsupport::ProfileLists();
    rgb_ = &lists_[0], sim_ = &lists_[1], dst_ = &lists_[2];
    ASSERT_TRUE(testsupport::ReadUserProfiles(platform::paths::LoginName(), lists_));
  }
  static bool Has(const HVProfileList& list, const char* file, int32_t state) {
    for (int i = 0; i < list.iNum; ++i)
      if (std::strcmp(list.litem[i].FileName, file) == 0) return list.litem[i].iInMenu == state;
    return false;
  }

  testsupport::TempRoot root_{true};  // the bridge tool and the service, installed
  std::unique_ptr<platform::PrintSession> session_;
  profilestore::ProfilePaths paths_{};
  int32_t status_ = -100;
  testsupport::ProfileLists lists_;
  HVProfileList *rgb_ = nullptr, *sim_ = nullptr, *dst_ = nullptr;
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
