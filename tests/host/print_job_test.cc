// pdehost submits a job with the print ticket's options to a real (private)
// CUPS scheduler.
#include <cups/cups.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/process.h"
#include "private_cupsd.h"

namespace host {
namespace {

TEST(PrintJobTest, TicketOptionsReachTheJob) {
  testsupport::PrivateCupsd cupsd;
  const std::string ppd = std::string(VN_SOURCE_DIR) + "/resources/ppd/VN420P.ppd";
  if (!cupsd.addQueue("VN420Pjob", "file:///dev/null", ppd)) GTEST_SKIP() << cupsd.skipReason();
  // A stopped queue keeps the job, so its attributes can be read back.
  ASSERT_EQ(std::system("cupsdisable VN420Pjob >/dev/null 2>&1"), 0);
  std::string file = cupsd.dir() + "/job.txt";
  std::ofstream(file) << "hello\n";

  std::string exe = std::string(VN_BINARY_DIR) + "/bin/pdehost";
  platform::TaskResult r;
  ASSERT_EQ(platform::RunTask(exe,
                              {exe, "--plugins", VN_PLUGIN_DIR, "--printer", "VN420Pjob", "--settings",
                               cupsd.dir() + "/ticket.plist", "set", "jp.halvern.pde.VN420P.hvco", "menu_QuickColor",
                               "Vivid"},
                              &r),
            0);
  ASSERT_EQ(r.exitStatus, 0);
  ASSERT_EQ(platform::RunTask(exe,
                              {exe, "--plugins", VN_PLUGIN_DIR, "--printer", "VN420Pjob", "--settings",
                               cupsd.dir() + "/ticket.plist", "print", file},
                              &r),
            0);
  ASSERT_EQ(r.exitStatus, 0) << r.output;
  EXPECT_NE(r.output.find("HVQuickColor=Vivid\n"), std::string::npos) << r.output;

  cups_job_t* jobs = nullptr;
  int n = cupsGetJobs(&jobs, "VN420Pjob", 0, CUPS_WHICHJOBS_ALL);
  ASSERT_EQ(n, 1);
  int id = jobs[0].id;
  cupsFreeJobs(n, jobs);
  EXPECT_EQ(testsupport::JobAttribute("VN420Pjob", id, "HVQuickColor"), "Vivid");
  EXPECT_EQ(testsupport::JobAttribute("VN420Pjob", id, "HVImageHalftone"), "Detail")
      << "the preset's forced value";
}

TEST(PrintJobTest, SecurityEntriesReachTheJobEncrypted) {
  testsupport::PrivateCupsd cupsd;
  const std::string ppd = std::string(VN_SOURCE_DIR) + "/resources/ppd/VN420P.ppd";
  if (!cupsd.addQueue("VN420Pjob", "file:///dev/null", ppd)) GTEST_SKIP() << cupsd.skipReason();
  ASSERT_EQ(std::system("cupsdisable VN420Pjob >/dev/null 2>&1"), 0);
  std::string file = cupsd.dir() + "/job.txt";
  std::ofstream(file) << "hello\n";

  const std::string exe = std::string(VN_BINARY_DIR) + "/bin/pdehost";
  const std::vector<std::string> common = {exe, "--plugins", VN_PLUGIN_DIR, "--printer", "VN420Pjob", "--settings",
                                           cupsd.dir() + "/ticket.plist"};
  auto run = [&](std::vector<std::string> args, platform::TaskResult* r) {
    std::vector<std::string> argv = common;
    argv.insert(argv.end(), args.begin(), args.end());
    return platform::RunTask(exe, argv, r);
  };
  platform::TaskResult r;
  ASSERT_EQ(run({"set", "jp.halvern.print.pde.VN420P.Security", "waitModePopUp", "1", "securePasswordEditText",
                 "s3cret"},
                &r),
            0);
  ASSERT_EQ(r.exitStatus, 0) << r.output;
  ASSERT_EQ(run({"print", file}, &r), 0);
  ASSERT_EQ(r.exitStatus, 0) << r.output;
  EXPECT_EQ(r.output.find("s3cret"), std::string::npos);

  cups_job_t* jobs = nullptr;
  int n = cupsGetJobs(&jobs, "VN420Pjob", 0, CUPS_WHICHJOBS_ALL);
  ASSERT_EQ(n, 1);
  int id = jobs[0].id;
  cupsFreeJobs(n, jobs);
  EXPECT_EQ(testsupport::JobAttribute("VN420Pjob", id, "PrintModeVN420P"), "SecurePrint");
  const std::string key = testsupport::JobAttribute("VN420Pjob", id, "jp.halvern.printers.VN420P.secureKey");
  EXPECT_EQ(key.size(), 32u) << key;  // one encrypted block, hex
  EXPECT_EQ(key.find("s3cret"), std::string::npos);
  std::ifstream in(cupsd.dir() + "/ticket.plist");
  const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(saved.find("s3cret"), std::string::npos);
}

}  // namespace
}  // namespace host
