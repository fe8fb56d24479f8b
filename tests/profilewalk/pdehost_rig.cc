#include "tests/profilewalk/pdehost_rig.h"

#include "platform/paths.h"
#include "profile_lists.h"
#include "profilestore/direct_variant.h"

namespace profilewalk::testing {

PdehostRig::PdehostRig() {
  if (!root_.StartService()) error_ = "prefservice did not start";
}

PdehostRig::Run PdehostRig::Pdehost(const std::string& device_uri,
                                    const std::vector<std::string>& args) const {
  testsupport::PdehostCall call;
  call.args = {"--device-uri", device_uri};
  call.args.insert(call.args.end(), args.begin(), args.end());
  call.samplePpd = false;
  call.timeoutSeconds = 120;  // a walk has its own bound; this only stops a hang
  return testsupport::RunPdehost(call);
}

std::string PdehostRig::ProfileFile() const {
  profilestore::ProfilePaths paths;
  profilestore::FormProfilePaths(platform::paths::LoginName(), "VN420P", &paths);
  return paths.profile;
}

bool PdehostRig::ShowEveryProfile() const {
  testsupport::ProfileLists lists;
  if (!testsupport::ReadUserProfiles(platform::paths::LoginName(), lists)) return false;
  for (int c = 0; c < 3; ++c)
    for (int i = 0; i < lists[c].iNum; ++i) lists[c].litem[i].iInMenu = 4;
  return testsupport::WriteUserProfiles(platform::paths::LoginName(), lists);
}

}  // namespace profilewalk::testing
