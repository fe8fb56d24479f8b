// pdehost submits a job with the print ticket's options to a real (private)
// CUPS scheduler.
#include <cups/cups.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/process.h"
#include "private_cupsd.h"

namespace host {
namespace {

// The job's attribute as the scheduler recorded it; "" when absent.
std::string JobAttribute(int job, const char* name) {
  ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, "ipp://localhost/printers/VN420Pjob");
  ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", job);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "all");
  ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
  std::string value;
  if (ipp_attribute_t* attr = ippFindAttribute(response, name, IPP_TAG_ZERO)) {
    char buf[256];
    ippAttributeString(attr, buf, sizeof buf);
    value = buf;
  }
  ippDelete(response);
  return value;
}

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
  EXPECT_EQ(JobAttribute(id, "HVQuickColor"), "Vivid");
  EXPECT_EQ(JobAttribute(id, "HVImageHalftone"), "Detail") << "the preset's forced value";
}

}  // namespace
}  // namespace host
