// End to end: pdehost on a printer at "lpd://127.0.0.1:515/queue", its agent
// on 127.0.0.1 port 161. The first dialog's view runs discovery through the
// bridge tool and the service; once the profiles' menu states make them
// shown, the next dialog lists them in the profile pop-ups. Needs root (port
// 161) and snmpd; skipped otherwise.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <optional>

#include "files.h"
#include "platform/paths.h"
#include "snmp_agent.h"
#include "tests/profilewalk/pdehost_rig.h"

namespace profilewalk {
namespace {
using ::testing::Contains, ::testing::HasSubstr, ::testing::Not;
using testing::PdehostRig, testing::SnmpAgent;

// The rig and the printer's agent on port 161.
class PdehostEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (getuid() != 0) GTEST_SKIP() << "port 161 needs root";
    ASSERT_EQ(rig.emplace().error(), "");
    agent = std::make_unique<SnmpAgent>("table", "", 161);
    if (!agent->skipReason().empty()) GTEST_SKIP() << agent->skipReason();
  }

  std::optional<PdehostRig> rig;
  std::unique_ptr<SnmpAgent> agent;
  const std::string uri = "lpd://127.0.0.1:515/queue", panel = "jp.halvern.pde.VN420P.hvco";
};

TEST_F(PdehostEndToEnd, DiscoveredProfilesAppearOnceShown) {
  // The first dialog walks the printer; its profiles arrive hidden.
  PdehostRig::Run first = rig->Pdehost(uri, {"show", panel});
  EXPECT_EQ(first.status, 0);
  EXPECT_THAT(first.out, Not(HasSubstr("SRGB01.ICC")));
  ASSERT_TRUE(std::filesystem::exists(rig->ProfileFile()));

  ASSERT_TRUE(rig->ShowEveryProfile());
  PdehostRig::Run second = rig->Pdehost(uri, {"show", panel});
  EXPECT_EQ(second.status, 0);
  EXPECT_THAT(second.out, HasSubstr("SRGB01.ICC(Office sRGB)Disk"));
  EXPECT_THAT(second.out, HasSubstr("PHOTO.ICM(Photo RGB)Card"));
  EXPECT_THAT(second.out, HasSubstr("PRESS.ICC(Press CMYK)Disk"));
  EXPECT_THAT(second.out, Not(HasSubstr("BAD NAME.ICC"))) << "names outside the 8.3 rule are not merged";
}

// The items listed under a pop-up in the text of "show".
std::vector<std::string> MenuItems(const std::string& show, const std::string& outlet) {
  std::vector<std::string> items;
  size_t at = show.find("\n" + outlet + " [popup]");
  if (at == std::string::npos) return items;
  size_t line = show.find('\n', at + 1);
  while (line != std::string::npos && show.compare(line + 1, 4, "    ") == 0) {
    size_t end = show.find('\n', line + 1);
    items.push_back(show.substr(line + 5, end - line - 5));
    line = end;
  }
  return items;
}

TEST_F(PdehostEndToEnd, ManagementWindowShowsOneDiscoveredProfileAndAddsATypedOne) {
  // The first dialog walks the printer: its profiles arrive confirmed, hidden.
  EXPECT_EQ(rig->Pdehost(uri, {"show", panel}).status, 0);

  const std::string script = rig->root() + "/window.txt";
  testsupport::WriteText(script, "set " + panel + " button_ManageProfile press\n" + "window\n" + "set " +
                                     panel + " _profileTableView inmenu:0\n" + "set " + panel +
                                     " _profileMenu 1 _addButton press _fileNameEdit TYPED.ICC " +
                                     "_profileNameEdit Typed _localOK press\n" + "set " + panel +
                                     " _windowOK press\n" + "show " + panel + "\n");
  PdehostRig::Run run = rig->Pdehost(uri, {"--script", script});
  EXPECT_EQ(run.status, 0) << run.out;
  // The window lists the printer's profiles with the confirmed icon.
  const std::string icon = platform::paths::FileExistsIcon();
  EXPECT_THAT(run.out, HasSubstr("0: inmenu=0 icon=\"" + icon + "\" filename=\"SRGB01.ICC\""));

  // This dialog and the next list both in the right menus.
  for (const std::string& show : {run.out, rig->Pdehost(uri, {"show", panel}).out}) {
    EXPECT_THAT(MenuItems(show, "menu_iRGBSource"), Contains(HasSubstr("SRGB01.ICC(Office sRGB)Disk")))
        << show;
    EXPECT_THAT(MenuItems(show, "menu_iRGBSource"), Not(Contains(HasSubstr("PHOTO.ICM"))))
        << "not made shown";
    EXPECT_THAT(MenuItems(show, "menu_sSimulationProfile"), Contains(HasSubstr("TYPED.ICC(Typed)Disk")))
        << show;
    EXPECT_THAT(MenuItems(show, "menu_iRGBSource"), Not(Contains(HasSubstr("TYPED.ICC"))));
  }
}

}  // namespace
}  // namespace profilewalk
