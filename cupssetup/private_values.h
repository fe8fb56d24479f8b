// The scheduler's policies (the <Policy> sections of cupsd.conf) and the
// job values they keep private: a value named by a policy's
// JobPrivateValues is shown only to those its JobPrivateAccess names (by
// default the job's owner and the administrators); every other user asking
// for the job's attributes gets it left out.
//
// The scheduler adds up every JobPrivateValues line of a policy; a policy
// without one keeps the "default" values. "all" makes every value private;
// "none" adds nothing (names beside it still count).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cupssetup {

struct PolicyReport {
  std::string name;
  std::vector<std::string> readable;  // of the keys asked about, those other users can read
  bool everyoneMayRead = false;       // JobPrivateAccess all: private values are shown to all
  bool hidden() const { return readable.empty() && !everyoneMayRead; }
};

// Each <Policy> section of the configuration text, in order, judged for
// `keys`. Empty when the text has none (the scheduler then runs a built-in
// policy of its own).
std::vector<PolicyReport> CheckPolicies(std::string_view conf, const std::vector<std::string>& keys);

// The text with `keys` made private in every policy: the keys a policy does
// not yet name are added to its last JobPrivateValues line, or, in a policy
// without one, in a line "JobPrivateValues default KEYS" after its <Policy>
// line. The values already there stay; every other line keeps its bytes.
// JobPrivateAccess is the administrator's and is not changed.
std::string HideKeys(std::string_view conf, const std::vector<std::string>& keys);

}  // namespace cupssetup
