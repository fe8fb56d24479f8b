// vn420p-cups-setup: makes the credential values the Security panel writes
// into print jobs (the encrypted passwords, the user and section names, the
// login name) private in the CUPS scheduler's policies, so that other users
// asking for the jobs' attributes do not get them. An administrator runs it
// once; the package's scripts never do, since it rewrites the scheduler's
// configuration. --check only says whether they are private.
#include <CLI/CLI.hpp>
#include <iostream>
#include <string>
#include <vector>

#include "cupssetup/private_values.h"
#include "cupssetup/scheduler_conf.h"
#include "securitypane/settings_keys.h"
#include "vn420p_version.h"

namespace {

constexpr int kHidden = 0, kNotHidden = 1, kFailed = 2;

std::string Join(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : " ") + w;
  return out;
}

int Fail(const std::string& why) {
  std::cerr << "vn420p-cups-setup: " << why << "\n";
  return kFailed;
}

// Says, policy by policy, what other users can read; the exit status.
int Report(const std::vector<cupssetup::PolicyReport>& policies) {
  bool hidden = true;
  for (const auto& p : policies) {
    std::cout << "policy " << p.name << ": ";
    if (p.hidden())
      std::cout << "hidden\n";
    else if (!p.readable.empty())
      std::cout << "readable by other users: " << Join(p.readable) << "\n";
    else
      std::cout << "JobPrivateAccess all shows every private value to every user\n";
    hidden = hidden && p.hidden();
  }
  std::cout << (hidden ? "The credential values of print jobs are hidden from other users.\n"
                       : "The credential values of print jobs are NOT hidden from other users.\n");
  return hidden ? kHidden : kNotHidden;
}

int Run(int argc, char** argv) {
  bool check = false;
  int timeout = 30;
  CLI::App app{
      "vn420p-cups-setup: makes the VN420P credential values of print jobs (job options "
      "jp.halvern.printers.VN420P.secureKey, userName, userKey, sectionName, sectionKey, loginName) private "
      "in every policy of the CUPS scheduler (cupsd.conf's JobPrivateValues), through the scheduler's "
      "administration interface. Run it as root."};
  app.set_version_flag("--version", "vn420p-cups-setup " VN420P_VERSION);
  app.add_flag("--check", check,
               "only say whether they are private (exit status 0: yes, 1: no, 2: cannot tell)");
  app.add_option("--timeout", timeout, "seconds to wait for the scheduler to restart (default 30)")
      ->check(CLI::Range(1, 600));
  app.footer(
      "Exit status: 0 the values are private, 1 they are not, 2 the scheduler's configuration could not be "
      "read or written.\nThe scheduler is the one libcups uses (CUPS_SERVER, else the local one).");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }

  const std::vector<std::string> keys(std::begin(securitypane::kPrivateJobKeys),
                                      std::end(securitypane::kPrivateJobKeys));
  std::string conf, error;
  if (!cupssetup::ReadSchedulerConf(&conf, &error)) return Fail(error);
  const auto before = cupssetup::CheckPolicies(conf, keys);
  if (before.empty())
    return Fail(
        "the scheduler's cupsd.conf has no <Policy> section, so it runs a built-in policy this command does "
        "not rewrite; add a <Policy default> section (see cupsd.conf(5)) and run it again");
  if (check) return Report(before);

  const std::string changed = cupssetup::HideKeys(conf, keys);
  if (changed != conf) {
    for (const auto& p : before)
      if (!p.readable.empty())
        std::cout << "policy " << p.name << ": making private: " << Join(p.readable) << "\n";
    if (!cupssetup::WriteSchedulerConf(changed, timeout, &error)) return Fail(error);
    if (!cupssetup::ReadSchedulerConf(&conf, &error)) return Fail(error);
  }
  return Report(cupssetup::CheckPolicies(conf, keys));
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
}
