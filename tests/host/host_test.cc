// The host loads the real bundle with dlopen and drives it as a print dialog;
// pdehost is run as a user runs it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "host/dialog.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "temp_root.h"

namespace host {
namespace {

namespace fs = std::filesystem;

std::string SamplePPD() { return std::string(VN_SOURCE_DIR) + "/resources/ppd/VN420P.ppd"; }

class ScratchDir {
 public:
  ScratchDir() {
    char tmpl[] = "/tmp/pdehost-test-XXXXXX";
    path_ = mkdtemp(tmpl);
  }
  ~ScratchDir() { fs::remove_all(path_); }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

DialogOptions Options(const std::string& settings = "") {
  DialogOptions o;
  o.ppdPath = SamplePPD();
  o.pluginsDir = VN_PLUGIN_DIR;
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
  auto has = [&](const std::string& k, const std::string& v) {
    return std::find(options.begin(), options.end(), std::make_pair(k, v)) != options.end();
  };
  EXPECT_TRUE(has("HVQuickColor", "Standard"));
  EXPECT_TRUE(has("HVTextHalftone", "Detail"));
}

TEST(DialogTest, ReportsBadInputClearly) {
  std::string error;
  auto o = Options();
  o.ppdPath = "/nonexistent.ppd";
  EXPECT_FALSE(Dialog::Open(o, &error));
  EXPECT_NE(error.find("/nonexistent.ppd"), std::string::npos) << error;
  o = Options();
  o.pluginsDir = "/nonexistent";
  EXPECT_FALSE(Dialog::Open(o, &error));
  EXPECT_NE(error.find("no plug-in bundles"), std::string::npos) << error;
  ScratchDir dir;
  std::ofstream(dir.file("bad.plist")) << "not a property list";
  EXPECT_FALSE(Dialog::Open(Options(dir.file("bad.plist")), &error));
  EXPECT_NE(error.find("bad.plist"), std::string::npos) << error;
}

struct RunResult {
  int status;
  std::string out;
};

RunResult Pdehost(std::vector<std::string> args) {
  std::string exe = std::string(VN_BINARY_DIR) + "/bin/pdehost";
  args.insert(args.begin(), {exe, "--plugins", VN_PLUGIN_DIR, "--ppd", SamplePPD()});
  platform::TaskResult r;
  EXPECT_EQ(platform::RunTask(exe, args, &r), 0);
  return {r.exitStatus, r.output};
}

TEST(PdehostTest, SettingsFileKeepsTheDialogAcrossInvocations) {
  ScratchDir dir;
  std::string settings = dir.file("ticket.plist");
  const std::string panel = "jp.halvern.pde.VN420P.hvco";
  RunResult set = Pdehost({"--settings", settings, "set", panel, "menu_QuickColor", "Custom", "button_AdvanceColorOptions",
                     "press", "menu_tHalftone", "0", "check_EconomyPrint", "on"});
  ASSERT_EQ(set.status, 0) << set.out;
  RunResult ticket = Pdehost({"--settings", settings, "ticket"});
  EXPECT_NE(ticket.out.find("HVQuickColor=UserDefined\n"), std::string::npos) << ticket.out;
  EXPECT_NE(ticket.out.find("HVEconoMode=True\n"), std::string::npos);
  RunResult show = Pdehost({"--settings", settings, "show", panel, "--json"});
  EXPECT_NE(show.out.find("\"outlet\": \"menu_tHalftone\""), std::string::npos);
  RunResult summary = Pdehost({"--settings", settings, "summary"});
  EXPECT_NE(summary.out.find("Quick Color: Custom"), std::string::npos) << summary.out;
}

TEST(PdehostTest, RefusedActionsSaveNothing) {
  ScratchDir dir;
  std::string settings = dir.file("ticket.plist");
  const std::string panel = "jp.halvern.pde.VN420P.hvco";
  // With a preset Quick Color the Advanced button is disabled.
  RunResult r = Pdehost({"--settings", settings, "set", panel, "menu_QuickColor", "0", "button_AdvanceColorOptions", "press"});
  EXPECT_NE(r.status, 0);
  EXPECT_FALSE(fs::exists(settings));
  EXPECT_NE(Pdehost({"set", panel, "menu_QuickColor", "17"}).status, 0);
  EXPECT_NE(Pdehost({"set", panel, "no_such_outlet", "1"}).status, 0);
  EXPECT_NE(Pdehost({"show", "no such panel"}).status, 0);
  EXPECT_NE(Pdehost({"frobnicate"}).status, 0);
}

TEST(PdehostTest, ScriptRunsOneDialogSession) {
  ScratchDir dir;
  std::ofstream(dir.file("script")) << "# one dialog\n"
                                       "set jp.halvern.pde.VN420P.hvco menu_QuickColor 'Vivid'\n"
                                       "print\n";
  RunResult r = Pdehost({"--script", dir.file("script")});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("HVQuickColor=Vivid\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("HVImageHalftone=Detail\n"), std::string::npos) << "preset 2 forces image halftone to item 2";
}

// The management window from a script: the bridge tool and the service are
// installed under a private root so that the button is enabled and OK writes.
TEST(PdehostTest, ScriptDrivesTheManagementWindow) {
  testsupport::TempRoot root(true);
  ScratchDir dir;
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
    std::ofstream script(dir.file("script"), std::ios::trunc);
    for (const std::string& line : c.lines) script << line << "\n";
    script.close();
    RunResult r = Pdehost({"--script", dir.file("script")});
    EXPECT_EQ(r.status, c.status) << c.lines[0] << "\n" << r.out;
    for (const std::string& text : c.shown)
      EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
    for (const std::string& text : c.absent) EXPECT_EQ(r.out.find(text), std::string::npos) << text;
  }
  // The next dialog lists what the window wrote, and nothing of the windows
  // that did not end with OK.
  RunResult next = Pdehost({"show", "jp.halvern.pde.VN420P.hvco"});
  EXPECT_NE(next.out.find("BROWSED.ICC(One)Disk"), std::string::npos) << next.out;
  EXPECT_EQ(next.out.find("LOST.ICC"), std::string::npos) << next.out;
}

}  // namespace
}  // namespace host
