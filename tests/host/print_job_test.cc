// pdehost submits a job with the print ticket's options to a real (private)
// CUPS scheduler.
#include <cups/cups.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "env.h"
#include "files.h"
#include "host/lpoptions.h"
#include "platform/process.h"
#include "private_cupsd.h"

namespace host {
namespace {

// A private scheduler with a stopped queue on the sample PPD (a stopped
// queue keeps its jobs, so their attributes can be read back), a file to
// print, and pdehost run on that queue with one settings file.
class PrintJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cupsd_ = std::make_unique<testsupport::PrivateCupsd>();
    const std::string ppd = std::string(VN_SOURCE_DIR) + "/resources/ppd/VN420P.ppd";
    if (!cupsd_->addQueue("VN420Pjob", "file:///dev/null", ppd)) GTEST_SKIP() << cupsd_->skipReason();
    ASSERT_EQ(std::system("cupsdisable VN420Pjob >/dev/null 2>&1"), 0);
    file_ = cupsd_->dir() + "/job.txt";
    std::ofstream(file_) << "hello\n";
  }

  // pdehost with the arguments after the common ones; its exit status must be 0.
  platform::TaskResult Pdehost(const std::vector<std::string>& args) {
    const std::string exe = std::string(VN_BINARY_DIR) + "/bin/pdehost";
    std::vector<std::string> argv = {exe,         "--plugins",  VN_PLUGIN_DIR, "--printer",
                                     "VN420Pjob", "--settings", ticket()};
    argv.insert(argv.end(), args.begin(), args.end());
    platform::TaskResult r;
    EXPECT_EQ(platform::RunTask(exe, argv, &r), 0);
    EXPECT_EQ(r.exitStatus, 0) << r.output;
    return r;
  }

  // The id of the one job on the queue, or 0.
  int OnlyJob() {
    cups_job_t* jobs = nullptr;
    int n = cupsGetJobs(&jobs, "VN420Pjob", 0, CUPS_WHICHJOBS_ALL);
    int id = n == 1 ? jobs[0].id : 0;
    cupsFreeJobs(n, jobs);
    EXPECT_EQ(n, 1);
    return id;
  }

  std::string ticket() const { return cupsd_->dir() + "/ticket.plist"; }

  std::unique_ptr<testsupport::PrivateCupsd> cupsd_;
  std::string file_;
};

TEST_F(PrintJobTest, TicketOptionsReachTheJob) {
  Pdehost({"set", "jp.halvern.pde.VN420P.hvco", "menu_QuickColor", "Vivid"});
  platform::TaskResult r = Pdehost({"print", file_});
  EXPECT_NE(r.output.find("HVQuickColor=Vivid\n"), std::string::npos) << r.output;

  int id = OnlyJob();
  ASSERT_NE(id, 0);
  EXPECT_EQ(testsupport::JobAttribute("VN420Pjob", id, "HVQuickColor"), "Vivid");
  EXPECT_EQ(testsupport::JobAttribute("VN420Pjob", id, "HVImageHalftone"), "Detail")
      << "the preset's forced value";
}

TEST_F(PrintJobTest, SecurityEntriesReachTheJobEncrypted) {
  Pdehost({"set", "jp.halvern.print.pde.VN420P.Security", "waitModePopUp", "1", "securePasswordEditText",
           "s3cret"});
  platform::TaskResult r = Pdehost({"print", file_});
  EXPECT_EQ(r.output.find("s3cret"), std::string::npos);

  int id = OnlyJob();
  ASSERT_NE(id, 0);
  EXPECT_EQ(testsupport::JobAttribute("VN420Pjob", id, "PrintModeVN420P"), "SecurePrint");
  const std::string key = testsupport::JobAttribute("VN420Pjob", id, "jp.halvern.printers.VN420P.secureKey");
  EXPECT_EQ(key.size(), 32u) << key;  // one encrypted block, hex
  EXPECT_EQ(key.find("s3cret"), std::string::npos);
  std::ifstream in(ticket());
  const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(saved.find("s3cret"), std::string::npos);
}

// pdehost save-defaults, as the dialog's button: the queue's line takes the
// panels' PPD choices but never the Security panel's modes; the lines of a
// queue absent from the scheduler, its instance and the Default line stay as
// they were; libcups reads the defaults back, an instance inheriting them.
TEST_F(PrintJobTest, SaveDefaultsKeepsOtherQueuesLines) {
  testsupport::ScopedEnv root("CUPS_SERVERROOT", cupsd_->dir());  // root's lpoptions
  testsupport::ScopedEnv home("HOME", cupsd_->dir());             // anyone else's
  const std::string path = LpoptionsPath();
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  const std::string others =
      "Default Gone/inst copies=2\nDest Gone media=A4\nDest Gone/inst sides=one-sided\n";
  const std::string instance = "Dest VN420Pjob/draft copies=2\n";
  ASSERT_TRUE(testsupport::WriteText(path, others + instance));
  Pdehost({"set", "jp.halvern.pde.VN420P.hvco", "menu_QuickColor", "Vivid"});
  Pdehost({"set", "jp.halvern.print.pde.VN420P.Security", "sectionManagementCheckBox", "on"});
  platform::TaskResult r = Pdehost({"save-defaults"});
  EXPECT_NE(r.output.find("HVQuickColor=Vivid\n"), std::string::npos) << r.output;

  const std::string saved = testsupport::ReadText(path);
  EXPECT_TRUE(saved.starts_with(others)) << saved;
  EXPECT_TRUE(saved.ends_with("\n" + instance)) << saved;
  const size_t queue = saved.find("\nDest VN420Pjob ");
  ASSERT_NE(queue, std::string::npos) << saved;
  EXPECT_NE(saved.substr(queue, saved.find('\n', queue + 1) - queue).find(" HVQuickColor=Vivid"),
            std::string::npos)
      << saved;
  EXPECT_EQ(saved.find("VN420P="), std::string::npos) << saved;  // no Security panel mode
  EXPECT_EQ(saved.find("jp.halvern"), std::string::npos) << saved;
  platform::TaskResult read;
  ASSERT_EQ(platform::RunTask("/usr/bin/lpoptions", {"lpoptions", "-p", "VN420Pjob/draft"}, &read), 0);
  EXPECT_NE(read.output.find("HVQuickColor=Vivid"), std::string::npos) << read.output;
  EXPECT_NE(read.output.find("copies=2"), std::string::npos) << read.output;
}

}  // namespace
}  // namespace host
