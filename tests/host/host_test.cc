// The host loads the real bundle with dlopen and drives it as a print dialog;
// pdehost is run as a user runs it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "host/dialog.h"
#include "pdehost_runner.h"
#include "platform/paths.h"
#include "samples.h"
#include "scratch_dir.h"
#include "temp_root.h"

namespace host {
namespace {

namespace fs = std::filesystem;

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::Pair;
using testsupport::PdehostRun;
using testsupport::RunPdehost;
using testsupport::ScratchDir;

DialogOptions Options(const std::string& settings = "") {
  DialogOptions o;
  o.ppdPath = testsupport::SamplePpd();
  o.pluginsDir = testsupport::PluginDir();
  o.settingsPath = settings;
  return o;
}

TEST(DialogTest, LoadsTheBundleAndRunsThePanel) {
  std::string error;
  auto dialog = Dialog::Open(Options(), &error);
  ASSERT_TRUE(dialog) << error;
  // Both bundles, the colour panel first.
  ASSERT_EQ(dialog->panels().size(), 2u);
  EXPECT_EQ(dialog->panels()[1].panel->panelKind(), "jp.halvern.print.pde.VN420P.Security");
  pde::Panel* panel = dialog->findPanel("jp.halvern.pde.VN420P.hvco");
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(dialog->findPanel("Color Options"), panel);
  EXPECT_EQ(dialog->findPanel("nothing"), nullptr);
  EXPECT_EQ(panel->supportedPPDOptionKeys().size(), 26u);
  EXPECT_TRUE(dialog->print(&error)) << error;
  auto options = dialog->ticketOptions();
  EXPECT_THAT(options, Contains(Pair("HVQuickColor", "Standard")));
  EXPECT_THAT(options, Contains(Pair("HVTextHalftone", "Detail")));
}

TEST(DialogTest, ReportsBadInputClearly) {
  std::string error;
  auto o = Options();
  o.ppdPath = "/nonexistent.ppd";
  EXPECT_FALSE(Dialog::Open(o, &error));
  EXPECT_THAT(error, HasSubstr("/nonexistent.ppd"));
  o = Options();
  o.pluginsDir = "/nonexistent";
  EXPECT_FALSE(Dialog::Open(o, &error));
  EXPECT_THAT(error, HasSubstr("no plug-in bundles"));
  ScratchDir dir("vn-pdehost");
  dir.Write("bad.plist", "not a property list");
  EXPECT_FALSE(Dialog::Open(Options(dir.File("bad.plist")), &error));
  EXPECT_THAT(error, HasSubstr("bad.plist"));
}

TEST(PdehostTest, SettingsFileKeepsTheDialogAcrossInvocations) {
  ScratchDir dir("vn-pdehost");
  std::string settings = dir.File("ticket.plist");
  const std::string panel = "jp.halvern.pde.VN420P.hvco";
  PdehostRun set =
      RunPdehost({"--settings", settings, "set", panel, "menu_QuickColor", "Custom",
                  "button_AdvanceColorOptions", "press", "menu_tHalftone", "0", "check_EconomyPrint", "on"});
  ASSERT_EQ(set.status, 0) << set.out;
  PdehostRun ticket = RunPdehost({"--settings", settings, "ticket"});
  EXPECT_THAT(ticket.out, HasSubstr("HVQuickColor=UserDefined\n"));
  EXPECT_THAT(ticket.out, HasSubstr("HVEconoMode=True\n"));
  PdehostRun show = RunPdehost({"--settings", settings, "show", panel, "--json"});
  EXPECT_THAT(show.out, HasSubstr("\"outlet\": \"menu_tHalftone\""));
  PdehostRun summary = RunPdehost({"--settings", settings, "summary"});
  EXPECT_THAT(summary.out, HasSubstr("Quick Color: Custom"));
}

TEST(PdehostTest, RefusedActionsSaveNothing) {
  ScratchDir dir("vn-pdehost");
  std::string settings = dir.File("ticket.plist");
  const std::string panel = "jp.halvern.pde.VN420P.hvco";
  // With a preset Quick Color the Advanced button is disabled.
  PdehostRun r = RunPdehost(
      {"--settings", settings, "set", panel, "menu_QuickColor", "0", "button_AdvanceColorOptions", "press"});
  EXPECT_NE(r.status, 0);
  EXPECT_FALSE(fs::exists(settings));
  EXPECT_NE(RunPdehost({"set", panel, "menu_QuickColor", "17"}).status, 0);
  EXPECT_NE(RunPdehost({"set", panel, "no_such_outlet", "1"}).status, 0);
  EXPECT_NE(RunPdehost({"show", "no such panel"}).status, 0);
  EXPECT_NE(RunPdehost({"frobnicate"}).status, 0);
}

TEST(PdehostTest, ScriptRunsOneDialogSession) {
  ScratchDir dir("vn-pdehost");
  dir.Write("script",
            "# one dialog\n"
            "set jp.halvern.pde.VN420P.hvco menu_QuickColor 'Vivid'\n"
            "print\n");
  PdehostRun r = RunPdehost({"--script", dir.File("script")});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_THAT(r.out, HasSubstr("HVQuickColor=Vivid\n"));
  EXPECT_THAT(r.out, HasSubstr("HVImageHalftone=Detail\n")) << "preset 2 forces image halftone to item 2";
}

// The management window from a script: the bridge tool and the service are
// installed under a private root so that the button is enabled and OK writes.
TEST(PdehostTest, ScriptDrivesTheManagementWindow) {
  testsupport::TempRoot root(true);
  ScratchDir dir("vn-pdehost");
  const std::string p = "set jp.halvern.pde.VN420P.hvco ";
  const std::string browsed = platform::paths::ProfilesFolder() + "/BROWSED.ICC";
  struct Case {
    std::vector<std::string> lines;
    int status;
    std::vector<std::string> shown, absent;  // in the output
  };
  const std::vector<Case> cases = {
      {{p + "button_ManageProfile press _addButton press _fileNameEdit 'A B/C.ICC' _profileNameEdit One "
            "_localOK press",
        "window", p + "_profileTableView 0", "open-panel " + browsed,
        p + "_editButton press _browse press _localOK press", "window --json", p + "_windowOK press",
        "show jp.halvern.pde.VN420P.hvco"},
       0,
       {"window \"Management Profile\"",
        "0: inmenu=1 icon=null filename=\"ABC.ICC\" profilename=\"One\" location=\"Disk\"",
        "\"filename\": \"BROWSED.ICC\"", "BROWSED.ICC(One)Disk"},
       {}},
      // Left open at the end: cancelled, nothing written.
      {{p + "button_ManageProfile press _addButton press _fileNameEdit LOST.ICC _localOK press"}, 0, {}, {}},
      // A refused action inside the window ends it and the command.
      {{p + "button_ManageProfile press _deleteButton press"}, 2, {}, {}},
      {{p + "button_ManageProfile press _profileTableView 7"}, 2, {}, {}},
      {{p + "button_ManageProfile press _profileTableView filename:0"}, 2, {}, {}},
      {{"window"}, 2, {}, {}},
  };
  for (const Case& c : cases) {
    std::string script;
    for (const std::string& line : c.lines) script += line + "\n";
    dir.Write("script", script);
    PdehostRun r = RunPdehost({"--script", dir.File("script")});
    EXPECT_EQ(r.status, c.status) << c.lines[0] << "\n" << r.out;
    for (const std::string& text : c.shown) EXPECT_THAT(r.out, HasSubstr(text)) << text;
    for (const std::string& text : c.absent) EXPECT_THAT(r.out, Not(HasSubstr(text))) << text;
  }
  // The next dialog lists what the window wrote, and nothing of the windows
  // that did not end with OK.
  PdehostRun next = RunPdehost({"show", "jp.halvern.pde.VN420P.hvco"});
  EXPECT_THAT(next.out, HasSubstr("BROWSED.ICC(One)Disk"));
  EXPECT_THAT(next.out, Not(HasSubstr("LOST.ICC")));
}

}  // namespace
}  // namespace host
