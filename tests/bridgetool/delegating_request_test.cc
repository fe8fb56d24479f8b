// The requests the plug-in's delegating store sends, in order, with the
// bridge tool replaced by a fake that records each run and answers a script.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <memory>

#include "colorpane/bridge_request.h"
#include "colorpane/delegating_variant.h"
#include "files.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "profilestore/profile_store.h"
#include "protocol/chunks.h"
#include "protocol/file_url.h"
#include "temp_root.h"

namespace colorpane {
namespace {
using ::testing::HasSubstr;

using Argv = std::vector<std::string>;

class DelegatingRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The tool must exist at its launch path; the fake answers in its place.
    std::string tool = platform::paths::BridgeToolPath();
    std::filesystem::create_directories(std::filesystem::path(tool).parent_path());
    testsupport::WriteText(tool, "");
    previous_ = platform::SetTaskRunner([this](const std::string& path, const Argv& argv, platform::TaskResult* r) {
      EXPECT_EQ(path, platform::paths::BridgeToolPath());
      EXPECT_EQ(argv.front(), path);
      runs_.emplace_back(argv.begin() + 1, argv.end());
      std::string reply = "TRUE";
      if (!script_.empty()) {
        reply = script_.front();
        script_.pop_front();
      }
      if (reply == "<none>") return platform::noErr;  // the tool printed nothing
      r->exitStatus = 0;
      r->output = argv[1] + "=" + reply + "\n";
      return platform::noErr;
    });
    InstallDelegatingVariant();
    login_ = platform::paths::LoginName();
  }
  void TearDown() override {
    platform::SetTaskRunner(previous_);
    profilestore::SetFileVariant(nullptr);
  }
  std::vector<std::string> Methods() const {
    std::vector<std::string> m;
    for (const Argv& a : runs_) m.push_back(a.at(0));
    return m;
  }
  int WriteEmpty() {
    auto l = std::make_unique<profilestore::HVProfileList[]>(3);
    for (int c = 0; c < 3; ++c) profilestore::ClearProfileList(&l[c]);
    return profilestore::HVPListWriteProfile_All(&l[0], &l[1], &l[2]);
  }

  testsupport::TempRoot root_;
  platform::TaskRunner previous_;
  std::vector<Argv> runs_;
  std::deque<std::string> script_;
  std::string login_;
};

TEST_F(DelegatingRequestTest, AdministratorRequestCarriesTheUsersProfilePath) {
  EXPECT_EQ(profilestore::HVPListIsAdminProfile(), 1);
  ASSERT_EQ(runs_.size(), 1u);
  EXPECT_EQ(runs_[0], (Argv{"hvPListIsAdminProfile_XPC", root_.folder() + login_ + "-VN420P-profile.plist"}));
  script_ = {"FALSE"};
  EXPECT_EQ(profilestore::HVPListIsAdminProfile(), 0);
  script_ = {"<none>"};
  EXPECT_EQ(profilestore::HVPListIsAdminProfile(), 0);
}

TEST_F(DelegatingRequestTest, WholeWriteIsAdminThenChunksThenRename) {
  ASSERT_EQ(WriteEmpty(), 0);
  std::string bytes;
  ASSERT_GE(runs_.size(), 4u);
  EXPECT_EQ(runs_.front()[0], "hvPListIsAdminProfile_XPC");
  std::string url = protocol::FileURLFromPath(root_.folder() + login_ + "-VN420P-profile.plist");
  for (size_t i = 1; i + 1 < runs_.size(); ++i) {
    ASSERT_EQ(runs_[i].size(), 3u);
    EXPECT_EQ(runs_[i][0], "writeDataToPlistFile_XPC");
    EXPECT_EQ(runs_[i][1], url);
    EXPECT_LE(protocol::Utf16FromUtf8(runs_[i][2])->size(), protocol::kChunkUnits);
    bytes += runs_[i][2];
  }
  EXPECT_EQ(runs_.back(), (Argv{"writeDataToPlistFileRename_XPC", url}));
  EXPECT_EQ(bytes.rfind("<?xml", 0), 0u);
  EXPECT_THAT(bytes, HasSubstr("</plist>"));
}

TEST_F(DelegatingRequestTest, ChunkAnsweredFalseStopsTheWrite) {
  script_ = {"TRUE", "TRUE", "FALSE"};  // admin, chunk 1, chunk 2
  EXPECT_EQ(WriteEmpty(), -1);
  EXPECT_EQ(Methods(), (std::vector<std::string>{"hvPListIsAdminProfile_XPC", "writeDataToPlistFile_XPC",
                                                 "writeDataToPlistFile_XPC"}));
}

TEST_F(DelegatingRequestTest, RenameAnsweredFalseFailsTheWrite) {
  ASSERT_EQ(WriteEmpty(), 0);
  size_t n = runs_.size();
  runs_.clear();
  script_.clear();
  for (size_t i = 0; i + 1 < n; ++i) script_.push_back("TRUE");
  script_.push_back("FALSE");
  EXPECT_EQ(WriteEmpty(), -1);
  EXPECT_EQ(runs_.size(), n);
}

TEST_F(DelegatingRequestTest, FailedAdministratorTestSendsNothingElse) {
  script_ = {"FALSE"};
  EXPECT_EQ(WriteEmpty(), -1);
  script_ = {"FALSE"};
  profilestore::HVPListSwapProfile(2);
  script_ = {"FALSE"};
  EXPECT_EQ(profilestore::HVPListExistProfile(), 0);
  EXPECT_EQ(Methods(), std::vector<std::string>(3, "hvPListIsAdminProfile_XPC"));
}

TEST_F(DelegatingRequestTest, SwapIsTwoRunsAndItsReplyIsIgnored) {
  script_ = {"TRUE", "<none>"};
  profilestore::HVPListSwapProfile(7);
  ASSERT_EQ(runs_.size(), 2u);
  EXPECT_EQ(runs_[1], (Argv{"hvPListSwapProfile_XPC", "7", root_.folder() + login_ + "-VN420P-profile.plist",
                            root_.folder() + login_ + "-VN420P-profile.prev.plist"}));
}

TEST_F(DelegatingRequestTest, RemovalKindsAndExistence) {
  EXPECT_EQ(profilestore::HVPListRemove(1), 0);
  EXPECT_EQ(Methods(), std::vector<std::string>{"hvPListIsAdminProfile_XPC"});  // only the administrator request
  runs_.clear();
  EXPECT_EQ(profilestore::HVPListRemove(2), 1);
  EXPECT_EQ(runs_.at(1), (Argv{"hvPListRemove_XPC", root_.folder() + login_ + "-VN420P-profile.prev.plist"}));
  script_ = {"TRUE", "FALSE"};
  EXPECT_EQ(profilestore::HVPListRemove(3), 0);
  script_ = {"TRUE", "TRUE"};
  EXPECT_EQ(profilestore::HVPListExistProfile(), 1);
  script_ = {"TRUE", "FALSE"};
  EXPECT_EQ(profilestore::HVPListExistProfile(), 0);
}

TEST_F(DelegatingRequestTest, WalkRequestHasItsElevenArguments) {
  script_ = {"iRet=-2"};
  int32_t status = 99;
  ASSERT_TRUE(SendWalkRequest("192.0.2.7", &status));
  EXPECT_EQ(status, -2);
  EXPECT_EQ(runs_.at(0), (Argv{"mibwalk_XPC", "VN420P", login_, "snmpwalk", "-Os", "-c", "mvqlpx", "-v", "1",
                               "192.0.2.7", "1.3.6.1.4.1.32473.1.1.1.1.6.13.1.1"}));
  script_ = {"<none>"};
  EXPECT_FALSE(SendWalkRequest("192.0.2.7", &status));
}

TEST_F(DelegatingRequestTest, MissingToolFailsEveryOperationWithoutARun) {
  std::filesystem::remove(platform::paths::BridgeToolPath());
  EXPECT_EQ(WriteEmpty(), -1);
  EXPECT_EQ(profilestore::HVPListIsAdminProfile(), 0);
  EXPECT_EQ(profilestore::HVPListExistProfile(), 0);
  EXPECT_EQ(profilestore::HVPListRemove(3), 0);
  int32_t status = 5;
  EXPECT_FALSE(SendWalkRequest("192.0.2.7", &status));
  EXPECT_EQ(status, 5);
  EXPECT_TRUE(runs_.empty());
}

TEST_F(DelegatingRequestTest, OutputThatIsNotUTF8CountsAsFailure) {
  platform::SetTaskRunner([](const std::string&, const Argv& argv, platform::TaskResult* r) {
    r->output = argv[1] + "=TRUE\xC3\n";
    return platform::noErr;
  });
  EXPECT_EQ(profilestore::HVPListIsAdminProfile(), 0);
}

}  // namespace
}  // namespace colorpane
