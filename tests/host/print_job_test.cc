// pdehost submits a job with the print ticket's options to a real (private)
// CUPS scheduler.
#include <cups/cups.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "env.h"
#include "files.h"
#include "host/lpoptions.h"
#include "pdehost_runner.h"
#include "platform/process.h"
#include "private_cupsd.h"
#include "samples.h"

namespace host {
namespace {

using ::testing::HasSubstr, ::testing::Not;

// A private scheduler with a stopped queue on the sample PPD (a stopped
// queue keeps its jobs, so their attributes can be read back), a file to
// print, and pdehost run on that queue with one settings file.
class PrintJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cupsd_ = std::make_unique<testsupport::PrivateCupsd>();
    if (!cupsd_->addQueue("VN420Pjob", "file:///dev/null", testsupport::SamplePpd()))
      GTEST_SKIP() << cupsd_->skipReason();
    ASSERT_EQ(std::system("cupsdisable VN420Pjob >/dev/null 2>&1"), 0);
    file_ = cupsd_->dir() + "/job.txt";
    testsupport::WriteText(file_, "hello\n");
  }

  // pdehost with the arguments after the common ones and `input` on its
  // standard input; its exit status must be 0.
  testsupport::PdehostRun Pdehost(const std::vector<std::string>& args, const std::string& input = "") {
    testsupport::PdehostCall call;
    call.args = {"--printer", "VN420Pjob", "--settings", ticket()};
    call.args.insert(call.args.end(), args.begin(), args.end());
    call.input = input;
    testsupport::PdehostRun r = testsupport::RunPdehost(call);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
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
  testsupport::PdehostRun r = Pdehost({"print", file_});
  EXPECT_THAT(r.out, HasSubstr("HVQuickColor=Vivid\n"));

  int id = OnlyJob();
  ASSERT_NE(id, 0);
  EXPECT_EQ(testsupport::JobAttribute("VN420Pjob", id, "HVQuickColor"), "Vivid");
  EXPECT_EQ(testsupport::JobAttribute("VN420Pjob", id, "HVImageHalftone"), "Detail")
      << "the preset's forced value";
}

TEST_F(PrintJobTest, SecurityEntriesReachTheJobEncrypted) {
  Pdehost({"set", "jp.halvern.print.pde.VN420P.Security", "waitModePopUp", "1", "--stdin",
           "securePasswordEditText"},
          "s3cret\n");
  testsupport::PdehostRun r = Pdehost({"print", file_});
  EXPECT_THAT(r.out, Not(HasSubstr("s3cret")));

  int id = OnlyJob();
  ASSERT_NE(id, 0);
  EXPECT_EQ(testsupport::JobAttribute("VN420Pjob", id, "PrintModeVN420P"), "SecurePrint");
  const std::string key = testsupport::JobAttribute("VN420Pjob", id, "jp.halvern.printers.VN420P.secureKey");
  EXPECT_EQ(key.size(), 32u) << key;  // one encrypted block, hex
  EXPECT_THAT(key, Not(HasSubstr("s3cret")));
  EXPECT_THAT(testsupport::ReadText(ticket()), Not(HasSubstr("s3cret")));
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
  testsupport::PdehostRun r = Pdehost({"save-defaults"});
  EXPECT_THAT(r.out, HasSubstr("HVQuickColor=Vivid\n"));

  const std::string saved = testsupport::ReadText(path);
  EXPECT_TRUE(saved.starts_with(others)) << saved;
  EXPECT_TRUE(saved.ends_with("\n" + instance)) << saved;
  const size_t queue = saved.find("\nDest VN420Pjob ");
  ASSERT_NE(queue, std::string::npos) << saved;
  EXPECT_THAT(saved.substr(queue, saved.find('\n', queue + 1) - queue), HasSubstr(" HVQuickColor=Vivid"))
      << saved;
  EXPECT_THAT(saved, Not(HasSubstr("VN420P=")));  // no Security panel mode
  EXPECT_THAT(saved, Not(HasSubstr("jp.halvern")));
  platform::TaskResult read;
  ASSERT_EQ(platform::RunTask("/usr/bin/lpoptions", {"lpoptions", "-p", "VN420Pjob/draft"}, &read), 0);
  EXPECT_THAT(read.output, HasSubstr("HVQuickColor=Vivid"));
  EXPECT_THAT(read.output, HasSubstr("copies=2"));
}

}  // namespace
}  // namespace host
