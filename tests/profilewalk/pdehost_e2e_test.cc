// End to end: pdehost on a printer at "lpd://127.0.0.1:515/queue", its agent
// on 127.0.0.1 port 161. The first dialog's view runs discovery through the
// bridge tool and the service; once the profiles' menu states make them
// shown, the next dialog lists them in the profile pop-ups. Needs root (port
// 161) and snmpd; skipped otherwise.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "tests/profilewalk/pdehost_rig.h"
#include "tests/profilewalk/snmp_agent.h"

namespace profilewalk {
namespace {

using testing::PdehostRig;
using testing::SnmpAgent;

TEST(PdehostEndToEnd, DiscoveredProfilesAppearOnceShown) {
  if (getuid() != 0) GTEST_SKIP() << "port 161 needs root";
  PdehostRig rig;
  ASSERT_EQ(rig.error(), "");
  SnmpAgent agent("table", "", 161);
  if (!agent.skipReason().empty()) GTEST_SKIP() << agent.skipReason();
  const std::string uri = "lpd://127.0.0.1:515/queue", panel = "jp.halvern.pde.VN420P.hvco";

  // The first dialog walks the printer; its profiles arrive hidden.
  PdehostRig::Run first = rig.Pdehost(uri, {"show", panel});
  EXPECT_EQ(first.exitStatus, 0);
  EXPECT_EQ(first.output.find("SRGB01.ICC"), std::string::npos) << first.output;
  ASSERT_TRUE(std::filesystem::exists(rig.ProfileFile()));

  ASSERT_TRUE(rig.ShowEveryProfile());
  PdehostRig::Run second = rig.Pdehost(uri, {"show", panel});
  EXPECT_EQ(second.exitStatus, 0);
  EXPECT_NE(second.output.find("SRGB01.ICC(Office sRGB)Disk"), std::string::npos) << second.output;
  EXPECT_NE(second.output.find("PHOTO.ICM(Photo RGB)Card"), std::string::npos);
  EXPECT_NE(second.output.find("PRESS.ICC(Press CMYK)Disk"), std::string::npos);
  EXPECT_EQ(second.output.find("BAD NAME.ICC"), std::string::npos)
      << "names outside the 8.3 rule are not merged";
}

}  // namespace
}  // namespace profilewalk
