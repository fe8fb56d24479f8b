// The Security panel through pdehost and the real bundle: alerts and their
// answers, typed and pasted text, and passwords that never show in clear.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "files.h"
#include "host/dialog.h"
#include "pdehost_runner.h"
#include "samples.h"
#include "scratch_dir.h"
#include "temp_root.h"

namespace host {
namespace {

namespace fs = std::filesystem;
const std::string kPanel = "jp.halvern.print.pde.VN420P.Security";

using ::testing::AnyOf;
using ::testing::HasSubstr;
using ::testing::Not;
using testsupport::ReadText;
using testsupport::ScratchDir;

struct Outcome {
  int status;
  std::string out;  // standard output, then standard error
};

// pdehost with `input` on its standard input and the settings file
// ticket.plist in `dir`; the sample PPD unless args name one.
Outcome Pdehost(const ScratchDir& dir, std::vector<std::string> args, const std::string& input = "") {
  testsupport::PdehostCall call;
  call.args = {"--settings", dir.File("ticket.plist")};
  call.args.insert(call.args.end(), args.begin(), args.end());
  call.input = input;
  testsupport::PdehostRun r = testsupport::RunPdehost(call);
  return {r.status, r.out + r.err};
}

// An alert is printed with its message and buttons and answered by default,
// by title, by number; an answer naming no button fails the command.
TEST(PdehostSecurity, AlertsAreShownAndAnswered) {
  const std::string refuse = "PPDOptionKeyValueDidChange PrintModeVN420P SecurePrint\nprint\n";
  const std::string switchOff = "set " + kPanel + " waitModePopUp 1 --stdin securePasswordEditText\nabc\n";
  struct Case {
    std::vector<std::string> options;
    std::string script;
    int status;
    std::vector<std::string> shown;
  } cases[] = {
      {{},
       refuse,
       1,
       {"alert: Secure Print was switched off", "alert buttons: \"OK\" (default); answered \"OK\"",
        "printing refused\n"}},
      {{"--alert-button", "OK"}, refuse, 1, {"answered \"OK\""}},
      {{"--alert-button", "1"}, switchOff, 0, {"answered \"OK\""}},
      {{}, "alert-button 2\n" + switchOff, 2, {"no button \"2\"", "an alert had no such button"}},
      {{"--alert-button", "Cancel"}, refuse, 2, {"no button \"Cancel\"; the default answered"}},
  };
  for (const Case& c : cases) {
    ScratchDir dir("vn-pdehost-security");
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"--script", "-"});
    Outcome r = Pdehost(dir, args, c.script);
    EXPECT_EQ(r.status, c.status) << c.script << r.out;
    for (const std::string& s : c.shown) EXPECT_THAT(r.out, HasSubstr(s)) << s;
    // A refused print writes no job options.
    EXPECT_THAT(r.out, Not(HasSubstr("PrintModeVN420P=")));
  }
}

// Several buttons: the host picks the one the answer names.
TEST(PdehostSecurity, AlertAnswerChoosesAmongButtons) {
  platform::ui::Alert alert;
  for (const char* b : {"Save", "Cancel", "Don't Save"}) alert.addButtonWithTitle(b);
  struct Case {
    std::vector<std::string> answers;
    int code;
    std::string unknown;
  } cases[] = {
      {{}, platform::ui::kAlertFirstButtonReturn, ""},
      {{"Cancel"}, platform::ui::kAlertSecondButtonReturn, ""},
      {{"3"}, platform::ui::kAlertThirdButtonReturn, ""},
      {{"4"}, platform::ui::kAlertFirstButtonReturn, "4"},
      {{"0"}, platform::ui::kAlertFirstButtonReturn, "0"},
  };
  for (const Case& c : cases) {
    RecordingModalHost host;
    host.alertAnswers.assign(c.answers.begin(), c.answers.end());
    EXPECT_EQ(host.runAlert(alert), c.code) << testing::PrintToString(c.answers);
    ASSERT_EQ(host.alerts.size(), 1u);
    EXPECT_EQ(host.alerts[0].buttons.size(), 3u);
    EXPECT_EQ(host.alerts[0].unknownAnswer, c.unknown);
  }
}

// Typing runs each character through the field's callbacks; a paste is one
// edit, so a text over the limit is refused whole and a filter acts once.
TEST(PdehostSecurity, TypedAndPastedText) {
  const std::string on = "set " + kPanel + " sectionManagementCheckBox on ";
  const std::string show = "show " + kPanel + "\n";
  struct Case {
    std::string script, field;
    std::string took;  // what pdehost says the field took, "" for all of it
  } cases[] = {
      {on + "sectionNameEditText ABCDEFGHIJ\n" + show, "text=\"ABCDEFGH\"",
       "took \"ABCDEFGH\" of what was typed"},
      {on + "--paste sectionNameEditText ABCDEFGHIJ\n" + show, "sectionNameEditText [textfield] text=\"\"",
       "took \"\" of what was pasted"},
      {on + "--paste sectionNameEditText 'AB\"CD'\n" + show, "text=\"ABCD\"",
       "took \"ABCD\" of what was pasted"},
      {on + "--paste --stdin sectionNameEditText\nABCDEFGH\n" + show, "text=\"ABCDEFGH\"", ""},
      {on + "--stdin sectionNameEditText --paste --stdin sectionPasswordEditText\nAB\n", "", ""},
      {on + "--stdin sectionPasswordEditText\n", "", ""},
      {on + "--paste waitModePopUp 1\n", "", ""},
  };
  for (const Case& c : cases) {
    ScratchDir dir("vn-pdehost-security");
    Outcome r = Pdehost(dir, {"--script", "-"}, c.script);
    if (c.field.empty()) {
      // --stdin past the end of the input, --paste on a pop-up.
      EXPECT_EQ(r.status, 2) << c.script << r.out;
      EXPECT_THAT(
          r.out, AnyOf(HasSubstr("no line left on standard input"), HasSubstr("--paste is for text fields")));
      EXPECT_FALSE(fs::exists(dir.File("ticket.plist"))) << "nothing saved";
      continue;
    }
    EXPECT_EQ(r.status, 0) << c.script << r.out;
    EXPECT_THAT(r.out, HasSubstr(c.field)) << c.script;
    if (c.took.empty()) {
      EXPECT_THAT(r.out, Not(HasSubstr("took")));
    } else {
      EXPECT_THAT(r.out, HasSubstr(c.took)) << c.script;
    }
  }
}

// Passwords typed, pasted, or read from standard input reach the job
// encrypted and are shown nowhere: not by any command, not in a failure,
// not in the settings file, which stays private.
TEST(PdehostSecurity, NoPasswordInClearText) {
  const std::string secure = "Secret77", user = "Us3rPassword", section = "Sec#1x";
  const std::string setup = "set " + kPanel +
                            " userAuthenticationCheckBox on userRadioButton 1 userNameEditText bob"
                            " sectionManagementCheckBox on sectionNameEditText team\n";
  struct Case {
    std::string script;  // on standard input: the script, or the lines --stdin reads
    int status;
    std::string shown;  // expected in the output
    std::vector<std::string> args = {"--script", "-"};
  } cases[] = {
      {setup + "set " + kPanel + " --stdin userPasswordEditText --paste --stdin sectionPasswordEditText\n" +
           user + "\n" + section + "\nshow " + kPanel + "\nshow " + kPanel +
           " --json\nsummary\nticket\nprint\n",
       0, "userPasswordEditText [securefield] text=\"************\""},
      // A disabled field: the failure names the field, not the text.
      {"set " + kPanel + " --stdin securePasswordEditText\n" + secure + "\n", 2,
       "securePasswordEditText (text hidden)"},
      {"set " + kPanel + " waitModePopUp 1 --stdin securePasswordEditText\n" + secure + "\nprint\n", 0,
       "jp.halvern.printers.VN420P.secureKey="},
      // From the command line: the modifiers stay where they are.
      {secure + "\n", 0, "", {"set", kPanel, "waitModePopUp", "1", "--stdin", "securePasswordEditText"}},
      {"set " + kPanel + " waitModePopUp 1 --stdin securePasswordEditText\n" + secure + "x\nshow " + kPanel +
           "\n",
       0, "took 8 bytes of what was typed"},
  };
  for (const Case& c : cases) {
    ScratchDir dir("vn-pdehost-security");
    Outcome r = Pdehost(dir, c.args, c.script);
    EXPECT_EQ(r.status, c.status) << c.script << r.out;
    if (c.args[0] == "set") {
      Outcome shown = Pdehost(dir, {"show", kPanel});
      EXPECT_THAT(shown.out, HasSubstr("securePasswordEditText [securefield] text=\"********\""));
    }
    if (!c.shown.empty()) {
      EXPECT_THAT(r.out, HasSubstr(c.shown)) << c.shown;
    }
    const std::string saved = ReadText(dir.File("ticket.plist"));
    for (const std::string& password : {secure, user, section}) {
      EXPECT_THAT(r.out, Not(HasSubstr(password))) << password << " shown:\n";
      EXPECT_THAT(saved, Not(HasSubstr(password))) << password << " in the settings file";
    }
    if (c.status != 0) continue;
    struct stat st {};
    ASSERT_EQ(stat(dir.File("ticket.plist").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u) << "a new settings file holding credentials is private";
  }
}

// A settings file that is to hold credentials is private: one others may
// read is tightened, saying so, and the next dialog decrypts them into the
// fields; one without credentials keeps its mode.
TEST(PdehostSecurity, CredentialsMakeTheFilePrivateAndComeBack) {
  const std::string credential =
      "set " + kPanel + " waitModePopUp 1 --stdin securePasswordEditText\nPw0rd!\n";
  struct Case {
    mode_t before;
    std::string script;
    mode_t after;
    bool told;  // a line says the file was made private
  } cases[] = {
      {0600, credential, 0600, false},
      {0640, credential, 0600, true},
      {0644, credential, 0600, true},
      {0644, "set jp.halvern.pde.VN420P.hvco menu_QuickColor Vivid\n", 0644, false},
  };
  for (const Case& c : cases) {
    ScratchDir dir("vn-pdehost-security");
    dir.Write("ticket.plist", "<plist version=\"1.0\"><dict/></plist>");
    ASSERT_EQ(chmod(dir.File("ticket.plist").c_str(), c.before), 0);
    Outcome r = Pdehost(dir, {"--script", "-"}, c.script);
    ASSERT_EQ(r.status, 0) << r.out;
    struct stat st {};
    ASSERT_EQ(stat(dir.File("ticket.plist").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, c.after) << std::oct << c.before << "\n" << r.out;
    EXPECT_EQ(r.out.find("made private (mode 0600, was 0") != std::string::npos, c.told) << r.out;
    if (c.after != 0600) continue;
    Outcome next = Pdehost(dir, {"show", kPanel});
    EXPECT_THAT(next.out, HasSubstr("securePasswordEditText [securefield] text=\"******\""));
  }
}

// A settings file others may read that is not the user's to make private
// is refused when a credential is to go in: nothing is written to it.
TEST(PdehostSecurity, AnotherUsersOpenSettingsFileTakesNoCredentials) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  ScratchDir dir("vn-pdehost-security");
  ASSERT_EQ(chmod(dir.File("").c_str(), 0777), 0);
  const std::string before = "<plist version=\"1.0\"><dict/></plist>";
  dir.Write("ticket.plist", before);
  ASSERT_EQ(chmod(dir.File("ticket.plist").c_str(), 0666), 0);
  Outcome r;
  {
    testsupport::ScopedUser asDaemon("daemon");
    ASSERT_TRUE(asDaemon.ok());
    r = Pdehost(dir, {"--script", "-"},
                "set " + kPanel + " waitModePopUp 1 --stdin securePasswordEditText\nPw0rd!\n");
  }
  EXPECT_NE(r.status, 0) << r.out;
  EXPECT_THAT(r.out, HasSubstr("not yours to make private; nothing was written"));
  EXPECT_EQ(ReadText(dir.File("ticket.plist")), before);
  struct stat st {};
  ASSERT_EQ(stat(dir.File("ticket.plist").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0666u);
}

// A secure field's text never comes as an argument (where every user sees
// it in the process list) nor as a script word: refused, naming --stdin,
// and nothing saved.
TEST(PdehostSecurity, SecureFieldsTakeNoArgument) {
  const std::vector<std::string> on = {"waitModePopUp",   "1", "userAuthenticationCheckBox", "on",
                                       "userRadioButton", "1", "sectionManagementCheckBox",  "on"};
  for (const std::string outlet :
       {"securePasswordEditText", "userPasswordEditText", "sectionPasswordEditText"}) {
    for (bool fromScript : {false, true}) {
      ScratchDir dir("vn-pdehost-security");
      std::vector<std::string> words = {"set", kPanel};
      words.insert(words.end(), on.begin(), on.end());
      words.insert(words.end(), {outlet, "Hid3me"});
      std::vector<std::string> args = words;
      std::string script;
      if (fromScript) {
        args = {"--script", "-"};
        for (const std::string& w : words) script += w + " ";
        script += "\n";
      }
      Outcome r = Pdehost(dir, args, script);
      EXPECT_EQ(r.status, 2) << outlet << r.out;
      EXPECT_THAT(r.out, HasSubstr(outlet + ": a password is never taken from an argument"));
      EXPECT_THAT(r.out, HasSubstr("--stdin " + outlet));
      EXPECT_THAT(r.out, Not(HasSubstr("Hid3me")));
      EXPECT_FALSE(fs::exists(dir.File("ticket.plist"))) << outlet << ": nothing saved";
    }
  }
}

// A page set-up changed while the dialog is open tells the pane that the
// paper changed; it refreshes, so a PPD constraint on the paper applies.
TEST(PdehostSecurity, PaperChangesReachThePane) {
  ScratchDir dir("vn-pdehost-security");
  std::string ppd = ReadText(testsupport::SamplePpd());
  ppd +=
      "*UIConstraints: *PageSize Env10 *PrintModeVN420P SecurePrint\n"
      "*UIConstraints: *PrintModeVN420P SecurePrint *PageSize Env10\n";
  dir.Write("env10.ppd", ppd);
  const std::string show = "show " + kPanel + "\n";
  struct Case {
    std::string script;
    bool secureAllowed;
  } cases[] = {
      {show, true},
      {"page-setup paper Env10\n" + show, false},
      {"page-setup paper Env10\npage-setup paper A4 orientation landscape\n" + show, true},
      {"page-setup custom-size 216x360\n" + show, true},
  };
  for (const Case& c : cases) {
    Outcome r = Pdehost(dir, {"--ppd", dir.File("env10.ppd"), "--script", "-"}, c.script);
    ASSERT_EQ(r.status, 0) << c.script << r.out;
    EXPECT_EQ(r.out.find("1: Secure Print (SecurePrint) disabled") == std::string::npos, c.secureAllowed)
        << c.script << r.out;
  }
  EXPECT_EQ(Pdehost(dir, {"page-setup", "paper", "Nope"}).status, 2);
  EXPECT_EQ(Pdehost(dir, {"page-setup", "paper", "A4", "custom-size", "1x1"}).status, 2);
}

// While pdehost or pdedialog runs it is not dumpable: its /proc files
// belong to root, not to the user it runs as (as root, it runs as nobody
// for the check).
TEST(PdehostSecurity, NoCoreDumpWhileCredentialsAreHeld) {
  const std::string common =
      " --plugins " + testsupport::PdehostPluginDir() + " --ppd " + testsupport::SamplePpd();
  struct Case {
    std::string exe, args, env;
    bool runsUntilClosed;  // else it ends with its script on standard input
  } cases[] = {
      {testsupport::PdehostPath(), common + " --script -", "", false},
      {testsupport::BuildPath("bin/pdedialog"), common, "QT_QPA_PLATFORM=offscreen ", true},
  };
  for (const Case& c : cases) {
    if (!fs::exists(c.exe)) continue;  // pdedialog is not built without Qt
    ScratchDir dir("vn-pdehost-security");
    ASSERT_EQ(chmod(dir.File("").c_str(), 0777), 0);
    std::string command = "echo $$ >" + dir.File("pid") + "; " + c.env + "exec ";
    if (getuid() == 0) command += "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    command += c.exe + c.args + " >/dev/null 2>&1";
    FILE* in = popen(command.c_str(), "w");
    ASSERT_NE(in, nullptr);
    uid_t owner = 1;
    std::string pid;
    // Once the shell (and setpriv) have become the program.
    for (int i = 0; i < 200 && owner != 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      pid = ReadText(dir.File("pid"));
      if (pid.empty()) continue;
      if (pid.back() == '\n') pid.pop_back();
      const std::string cmdline = ReadText("/proc/" + pid + "/cmdline");
      struct stat st {};
      if (cmdline.rfind(c.exe + '\0', 0) == 0 && stat(("/proc/" + pid + "/status").c_str(), &st) == 0)
        owner = st.st_uid;
    }
    if (c.runsUntilClosed && !pid.empty()) kill(std::stoi(pid), SIGTERM);
    std::fputs("panels\n", in);
    const int status = pclose(in);
    if (!c.runsUntilClosed) {
      EXPECT_EQ(status, 0);
    }
    EXPECT_EQ(owner, 0u) << c.exe;
  }
}

}  // namespace
}  // namespace host
