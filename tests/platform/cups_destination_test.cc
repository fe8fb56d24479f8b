// PrintSession::FromDestination against a private CUPS scheduler: a cupsd
// started on a Unix socket in a scratch folder, with one queue on the sample
// PPD and one raw queue. Skipped where cupsd or lpadmin is not installed.
#include <cups/cups.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "env.h"
#include "platform/printing.h"
#include "private_cupsd.h"
#include "samples.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

class CupsDestinationTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    cupsd_ = new testsupport::PrivateCupsd();
    const std::string ppd = testsupport::SamplePpd();
    cupsd_->addQueue("VN420Ptest", "file:///dev/null", ppd) && cupsd_->addQueue("VN420Praw", "file:///dev/null");
    skip_reason_ = cupsd_->skipReason();
    dir_ = cupsd_->dir();
  }

  static void TearDownTestSuite() {
    delete cupsd_;
    cupsd_ = nullptr;
  }

  void SetUp() override {
    if (!skip_reason_.empty()) GTEST_SKIP() << skip_reason_;
  }

  // Points libcups' temporary files at a folder of our own for one test.
  class ClientTempDir {
   public:
    ClientTempDir() : path_(dir_ + "/client-tmp") { fs::create_directories(path_); }
    const std::string& path() const { return path_; }
    bool empty() const { return fs::is_empty(path_); }

   private:
    std::string path_;
    testsupport::ScopedEnv tmpdir_{"TMPDIR", path_};
  };

  static inline testsupport::PrivateCupsd* cupsd_ = nullptr;
  static inline std::string dir_, skip_reason_;
};

TEST_F(CupsDestinationTest, QueueWithPPD) {
  ClientTempDir tmp;
  {
    // libcups does put its temporary files there.
    char name[1024];
    int fd = cupsTempFd(name, sizeof(name));
    ASSERT_GE(fd, 0);
    close(fd);
    EXPECT_EQ(fs::path(name).parent_path(), fs::path(tmp.path()));
    unlink(name);
  }
  std::string error;
  auto session = PrintSession::FromDestination("VN420Ptest", &error);
  ASSERT_NE(session, nullptr) << error;
  EXPECT_EQ(session->currentPrinter().id(), "VN420Ptest");
  EXPECT_EQ(session->currentPrinter().deviceURI(), "file:///dev/null");
  ASSERT_NE(session->ppd(), nullptr);
  EXPECT_NE(ppd::FindOption(session->ppd(), "HVQuickColor"), nullptr);
  EXPECT_EQ(session->defaultPageFormat().paper().id, "Letter");
  // The fetched copy of the PPD does not stay behind.
  EXPECT_TRUE(tmp.empty());
}

// A raw queue opens (lp prints to it too) as a session without a PPD.
TEST_F(CupsDestinationTest, RawQueueHasNoPPD) {
  std::string error;
  auto session = PrintSession::FromDestination("VN420Praw", &error);
  ASSERT_NE(session, nullptr) << error;
  EXPECT_EQ(session->currentPrinter().id(), "VN420Praw");
  EXPECT_EQ(session->ppd(), nullptr);
}

TEST_F(CupsDestinationTest, UnknownQueue) {
  std::string error;
  EXPECT_EQ(PrintSession::FromDestination("VN420Pmissing", &error), nullptr);
  EXPECT_EQ(error, "no such destination \"VN420Pmissing\"");
}

}  // namespace
}  // namespace platform
