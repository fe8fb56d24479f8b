// The scheduler set-up: the credential values are added to every policy's
// private values, keeping the values there; and through a real (private)
// scheduler, another user's Get-Jobs shows none of them once it has run.
#include <cups/cups.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cupssetup/private_values.h"
#include "platform/process.h"
#include "private_cupsd.h"
#include "samples.h"
#include "securitypane/settings_keys.h"
#include "temp_root.h"

namespace cupssetup {
namespace {

const std::vector<std::string> kKeys = {"a.secureKey", "a.userName"};

TEST(PrivateValuesTest, KeysJoinEveryPolicyKeepingItsValues) {
  struct Case {
    std::string conf, expected;
    std::vector<std::vector<std::string>> readableBefore;  // per policy
  } cases[] = {
      // Added to the line there, before its comment; a <Limit> is passed by.
      {"<Policy default>\n  JobPrivateAccess default\n  JobPrivateValues default # mine\n"
       "  <Limit All>\n  </Limit>\n</Policy>\n",
       "<Policy default>\n  JobPrivateAccess default\n  JobPrivateValues default a.secureKey a.userName # "
       "mine\n"
       "  <Limit All>\n  </Limit>\n</Policy>\n",
       {{"a.secureKey", "a.userName"}}},
      // No line: one with the default values, indented as the policy is.
      {"Listen x\n<Policy other>\n\tJobPrivateAccess @OWNER\n</Policy>",
       "Listen x\n<Policy other>\n\tJobPrivateValues default a.secureKey a.userName\n\tJobPrivateAccess "
       "@OWNER\n</Policy>",
       {{"a.secureKey", "a.userName"}}},
      // Lines add up: only the missing key, on the last line; "none" stays.
      {"<Policy p>\nJobPrivateValues none A.SECUREKEY\nJobPrivateValues job-name\n</Policy>\n",
       "<Policy p>\nJobPrivateValues none A.SECUREKEY\nJobPrivateValues job-name a.userName\n</Policy>\n",
       {{"a.userName"}}},
      // "all" hides them already; a second policy still gets them; a
      // JobPrivateValues inside a <Limit> is no policy's.
      {"<Policy a>\nJobPrivateValues all\n</Policy>\n<Policy b>\n<Limit All>\nJobPrivateValues a.secureKey "
       "a.userName\n</Limit>\n</Policy>\n",
       "<Policy a>\nJobPrivateValues all\n</Policy>\n<Policy b>\nJobPrivateValues default a.secureKey "
       "a.userName\n<Limit All>\nJobPrivateValues a.secureKey a.userName\n</Limit>\n</Policy>\n",
       {{}, {"a.secureKey", "a.userName"}}},
      // No policy: nothing to change, nothing to report.
      {"Listen x\n# <Policy default>\n", "Listen x\n# <Policy default>\n", {}},
  };
  for (const Case& c : cases) {
    const std::vector<PolicyReport> before = CheckPolicies(c.conf, kKeys);
    ASSERT_EQ(before.size(), c.readableBefore.size()) << c.conf;
    for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(before[i].readable, c.readableBefore[i]) << c.conf;
    const std::string after = HideKeys(c.conf, kKeys);
    EXPECT_EQ(after, c.expected);
    for (const PolicyReport& p : CheckPolicies(after, kKeys))
      EXPECT_TRUE(p.hidden()) << p.name << "\n" << after;
  }
  // Private values shown to everyone are not hidden, whatever they name.
  const auto open =
      CheckPolicies("<Policy p>\nJobPrivateAccess all\nJobPrivateValues all\n</Policy>\n", kKeys);
  ASSERT_EQ(open.size(), 1u);
  EXPECT_TRUE(open[0].everyoneMayRead);
  EXPECT_FALSE(open[0].hidden());
}

// How many of the credential values `user` reads in the queue's jobs
// (Get-Jobs, every attribute), through its own connection to the scheduler;
// 100 when the request fails.
int CredentialValuesSeenBy(const char* user, const std::string& queue) {
  return testsupport::RunAs(user, [&] {
    http_t* http =
        httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr);
    if (!http) return 100;
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOBS);
    const std::string uri = "ipp://localhost/printers/" + queue;
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
    // The scheduler goes by the peer's credentials; the name only says the same.
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, user);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "all");
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "all");
    ipp_t* response = cupsDoRequest(http, request, "/");
    int seen = response && ippGetStatusCode(response) <= IPP_STATUS_OK_EVENTS_COMPLETE ? 0 : 100;
    for (const char* key : securitypane::kPrivateJobKeys)
      if (seen < 100 && ippFindAttribute(response, key, IPP_TAG_ZERO)) ++seen;
    // The job is there for everyone: a value that is not a credential shows.
    if (seen < 100 && !ippFindAttribute(response, "HVQuickColor", IPP_TAG_ZERO)) seen = 100;
    ippDelete(response);
    httpClose(http);
    return seen;
  });
}

platform::TaskResult RunSetup(const std::vector<std::string>& args) {
  const std::string exe = std::string(VN_BINARY_DIR) + "/bin/vn420p-cups-setup";
  std::vector<std::string> argv = {exe};
  argv.insert(argv.end(), args.begin(), args.end());
  platform::TaskResult r;
  EXPECT_EQ(platform::RunTask(exe, argv, &r), 0);
  return r;
}

// A job of one user (daemon) carries every credential value; another user
// (nobody) reads them until the set-up has run, and none of them after it;
// the owner still reads them all. --check says which.
TEST(CupsSetupTest, OtherUsersNoLongerReadTheCredentialValues) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to act as two other users";
  testsupport::PrivateCupsd cupsd("",
                                  "<Policy default>\n  JobPrivateAccess default\n  JobPrivateValues default\n"
                                  "  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n");
  if (!cupsd.addQueue("VN420Pset", "file:///dev/null", testsupport::SamplePpd()))
    GTEST_SKIP() << cupsd.skipReason();
  ASSERT_EQ(std::system("cupsdisable VN420Pset >/dev/null 2>&1"), 0);  // the job stays queued
  const std::string file = cupsd.dir() + "/job.txt";
  ASSERT_EQ(testsupport::RunCommand({"sh", "-c", "echo hello >" + file + "; chmod 644 " + file}), 0);
  ASSERT_EQ(testsupport::RunAs("daemon",
                               [&] {
                                 cups_option_t* options = nullptr;
                                 int n = cupsAddOption("HVQuickColor", "Vivid", 0, &options);
                                 for (const char* key : securitypane::kPrivateJobKeys)
                                   n = cupsAddOption(key, "0123456789ABCDEF", n, &options);
                                 return cupsPrintFile("VN420Pset", file.c_str(), "job", n, options) > 0 ? 0
                                                                                                        : 1;
                               }),
            0);
  const int all = static_cast<int>(std::size(securitypane::kPrivateJobKeys));
  EXPECT_EQ(CredentialValuesSeenBy("nobody", "VN420Pset"), all);
  platform::TaskResult check = RunSetup({"--check"});
  EXPECT_EQ(check.exitStatus, 1) << check.output;
  EXPECT_NE(check.output.find("policy default: readable by other users: " +
                              std::string(securitypane::kSecureKeyKey)),
            std::string::npos)
      << check.output;

  platform::TaskResult setup = RunSetup({});
  EXPECT_EQ(setup.exitStatus, 0) << setup.output;
  EXPECT_EQ(CredentialValuesSeenBy("nobody", "VN420Pset"), 0);
  EXPECT_EQ(CredentialValuesSeenBy("daemon", "VN420Pset"), all) << "the owner still reads them";
  check = RunSetup({"--check"});
  EXPECT_EQ(check.exitStatus, 0) << check.output;
  EXPECT_NE(check.output.find("policy default: hidden\n"), std::string::npos) << check.output;
  // Run again: nothing more to do, the scheduler's file unchanged.
  setup = RunSetup({});
  EXPECT_EQ(setup.exitStatus, 0) << setup.output;
  EXPECT_EQ(setup.output.find("making private"), std::string::npos) << setup.output;
}

}  // namespace
}  // namespace cupssetup
