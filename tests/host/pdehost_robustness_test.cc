// pdehost against hostile and unusual input: settings files of every kind of
// path and value, deep nesting, names that are not UTF-8; and the lifecycle
// calls a person reaches by moving around the dialog.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "bplist_builder.h"
#include "env.h"
#include "files.h"
#include "pdehost_runner.h"
#include "platform/paths.h"
#include "platform/plist.h"
#include "scratch_dir.h"

namespace platform::plist {
void PrintTo(const Value& v, std::ostream* os) { *os << ToXml(v); }
}  // namespace platform::plist

namespace host {
namespace {

namespace fs = std::filesystem;
namespace plist = platform::plist;
const std::string kPanel = "jp.halvern.pde.VN420P.hvco";

using ::testing::HasSubstr;
using ::testing::Not;
using testsupport::ReadText;
using testsupport::ScratchDir;
using testsupport::WriteText;

struct Outcome {
  int status;
  std::string out;  // standard output and standard error
};

// pdehost (VN_PDEHOST names another build's), its standard error merged into
// its output, stopped after 20 s (status 124).
Outcome Pdehost(std::vector<std::string> args) {
  testsupport::PdehostCall call;
  call.args = std::move(args);
  call.mergeErr = true;
  testsupport::PdehostRun r = testsupport::RunPdehost(call);
  return {r.status, r.out};
}

const plist::Dict kForeignEntries = {
    {"past", plist::Date{-3e9}},   // 1905
    {"future", plist::Date{5e9}},  // 2159
    {"real", 0.1},
    {"big", 1e300},
    {"data", plist::Data{{0, 1, 255}}},
    {"uid", plist::Uid{12}},
    {"emptyArray", plist::Array{}},
    {"emptyDict", plist::Dict{}},
    {"nested", plist::Dict{{"a", plist::Array{plist::Date{-1e10}, plist::Uid{1}}}}},
};

TEST(PdehostSettings, EntriesThePanesDoNotOwnSurviveASave) {
  ScratchDir dir("vn-pdehost-robust");
  // The XML form, and the binary form with a fraction in a far date.
  testing_bplist::Builder b;
  uint32_t root = b.Dict({{b.String("past"), b.Date(-3e9 + 0.25)},
                          {b.String("uid"), b.Uid(7)},
                          {b.String("future"), b.Date(5e9 + 0.5)},
                          {b.String("real"), b.Real(-2.5)}});
  struct Case {
    std::string name, bytes;
    plist::Dict want;
  } cases[] = {
      {"ticket.plist", plist::ToXml(plist::Value(kForeignEntries)), kForeignEntries},
      {"binary.plist",
       b.Bytes(root),
       {{"past", plist::Date{-3e9 + 0.25}},
        {"uid", plist::Uid{7}},
        {"future", plist::Date{5e9 + 0.5}},
        {"real", -2.5}}},
  };
  for (const Case& c : cases) {
    std::string path = dir.File(c.name);
    WriteText(path, c.bytes);
    Outcome r = Pdehost({"--settings", path, "set", kPanel, "menu_QuickColor", "Vivid"});
    ASSERT_EQ(r.status, 0) << r.out;
    auto saved = plist::Parse(ReadText(path));
    ASSERT_TRUE(saved && saved->dict()) << c.name;
    EXPECT_EQ(*saved->find("HVQuickColor")->string(), "Vivid");
    for (const auto& [key, value] : c.want) {
      const plist::Value* got = saved->find(key);
      ASSERT_NE(got, nullptr) << c.name << ": " << key << " was deleted";
      EXPECT_EQ(*got, value) << c.name << ": " << key;
    }
    EXPECT_EQ(ReadText(path).substr(0, 6) == "bplist", c.bytes.substr(0, 6) == "bplist")
        << "the file keeps its form";
  }
}

TEST(PdehostSettings, NestingIsBoundedNotFatal) {
  ScratchDir dir("vn-pdehost-robust");
  auto nest = [](int depth) {
    std::string s = "<plist version=\"1.0\"><dict><key>deep</key>";
    for (int i = 0; i < depth; ++i) s += "<array>";
    for (int i = 0; i < depth; ++i) s += "</array>";
    return s + "</dict></plist>";
  };
  const plist::Limits limits;
  struct Case {
    int arrays;
    bool loads;
  } cases[] = {{limits.maxDepth - 2, true}, {limits.maxDepth - 1, false}, {30000, false}};
  for (const Case& c : cases) {
    std::string path = dir.File("deep.plist");
    WriteText(path, nest(c.arrays));
    if (c.arrays == 30000) {
      EXPECT_GT(ReadText(path).size(), 400000u);
    }
    Outcome r = Pdehost({"--settings", path, "ticket"});
    EXPECT_EQ(r.status, c.loads ? 0 : 1) << c.arrays << ": " << r.out;
    if (!c.loads) {
      EXPECT_THAT(r.out, HasSubstr(path));
    }
  }
}

TEST(PdehostSettings, PathsThatAreNoRegularFile) {
  ScratchDir dir("vn-pdehost-robust");
  std::string fifo = dir.File("fifo"), target = dir.File("target.plist"), link = dir.File("link.plist");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  WriteText(target, plist::ToXml(plist::Value(plist::Dict{{"keep", "me"}})));
  ASSERT_EQ(chmod(target.c_str(), 0640), 0);
  fs::create_symlink(target, link);
  fs::create_symlink(dir.File("missing.plist"), dir.File("dangling.plist"));
  struct Case {
    std::string path, says;
  } refused[] = {
      {fifo, "not a regular file"},
      {dir.File(""), "not a regular file"},
      {"/dev/null", "not a regular file"},
      {dir.File("dangling.plist"), "symbolic link to a missing file"},
  };
  for (const Case& c : refused) {
    Outcome r = Pdehost({"--settings", c.path, "set", kPanel, "menu_QuickColor", "Vivid"});
    EXPECT_EQ(r.status, 1) << c.path << ": " << r.out;
    EXPECT_THAT(r.out, HasSubstr(c.says)) << c.path;
  }
  EXPECT_FALSE(fs::exists(dir.File("missing.plist")));

  // A link is followed: its target is written, keeps its mode, and stays the
  // link's target.
  ASSERT_EQ(Pdehost({"--settings", link, "set", kPanel, "menu_QuickColor", "Vivid"}).status, 0);
  EXPECT_TRUE(fs::is_symlink(link));
  auto saved = plist::Parse(ReadText(target));
  ASSERT_TRUE(saved);
  EXPECT_EQ(*saved->find("keep")->string(), "me");
  EXPECT_EQ(*saved->find("HVQuickColor")->string(), "Vivid");
  struct stat st {};
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(PdehostSettings, ModesAndOwnersAreKeptAndNewFilesArePrivate) {
  ScratchDir dir("vn-pdehost-robust");
  // As root, a file of another owner keeps that owner too.
  const uid_t other = getuid() == 0 ? 65534 : getuid();
  for (mode_t mode : {0600, 0644, 0660}) {
    std::string path = dir.File("t" + std::to_string(mode));
    WriteText(path, plist::ToXml(plist::Value(plist::Dict{})));
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
    ASSERT_EQ(chown(path.c_str(), other, static_cast<gid_t>(-1)), 0);
    ASSERT_EQ(Pdehost({"--settings", path, "set", kPanel, "menu_QuickColor", "Vivid"}).status, 0);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, mode);
    EXPECT_EQ(st.st_uid, other);
  }
  std::string fresh = dir.File("new.plist");
  ASSERT_EQ(Pdehost({"--settings", fresh, "print"}).status, 0);
  struct stat st {};
  ASSERT_EQ(stat(fresh.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST(PdehostSettings, AnUnwritablePathIsNoRefusalToPrint) {
  ScratchDir dir("vn-pdehost-robust");
  std::string path = dir.File("no/such/folder/ticket.plist");
  Outcome r = Pdehost({"--settings", path, "print"});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_THAT(r.out, Not(HasSubstr("refused")));
  EXPECT_THAT(r.out, HasSubstr("cannot write " + path));
  EXPECT_THAT(r.out, HasSubstr("No such file or directory"));
}

// A profile file whose destination list shows the given names.
void WriteProfiles(const std::vector<std::string>& names) {
  std::string fields[] = {"IndexOnDevice", "InMenu", "ProfileClass", "Location", "FileName", "ProfileName"};
  auto cls = [&](bool filled) {
    std::string s = "<dict>";
    for (const std::string& f : fields) {
      s += "<key>" + f + "</key><dict>";
      for (size_t i = 0; filled && i < names.size(); ++i) {
        char slot[24];
        std::snprintf(slot, sizeof slot, "%04zu", i);
        s += "<key>" + f + slot + "</key>";
        if (f == "InMenu")
          s += "<integer>3</integer>";
        else if (f == "Location")
          s += "<integer>4</integer>";
        else if (f == "FileName")
          s += "<string>F" + std::string(slot) + ".ICC</string>";
        else if (f == "ProfileName")
          s += "<string>" + names[i] + "</string>";
        else
          s += "<integer>0</integer>";
      }
      s += "</dict>";
    }
    return s + "<key>iNum</key><integer>" + std::to_string(filled ? names.size() : 0) + "</integer></dict>";
  };
  std::string folder = platform::paths::PreferenceFolder();
  fs::create_directories(folder);
  WriteText(folder + "/" + platform::paths::LoginName() + "-VN420P-profile.plist",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict><key>RGB</key>" +
                cls(false) + "<key>SIM</key>" + cls(false) + "<key>DST</key>" + cls(true) +
                "</dict></plist>");
}

TEST(PdehostOutput, NamesCutAtAnyByteShowAsUtf8) {
  ScratchDir root("vn-pdehost-robust");
  testsupport::ScopedEnv root_env("VN420P_ROOT", root.path());
  std::vector<std::string> names, shown;
  for (std::string c : {"\u00e9", "\u20ac", "\U0001F600"}) {
    for (size_t prefix = 31 - c.size(); prefix <= 30; ++prefix) {
      names.push_back(std::string(prefix, 'm') + c + "x");
      shown.push_back(prefix + c.size() <= 31 ? std::string(prefix, 'm') + c : std::string(prefix, 'm'));
    }
  }
  names.push_back("bad \xff\xfe name");  // not UTF-8 in the file itself
  WriteProfiles(names);
  for (const char* form : {"--json", ""}) {
    std::vector<std::string> args = {"show", kPanel};
    if (*form) args.push_back(form);
    Outcome r = Pdehost(args);
    ASSERT_EQ(r.status, 0) << r.out;
    if (*form) {
      EXPECT_TRUE(nlohmann::json::accept(r.out));
    }
    // Each name whole, in its menu item's title "FILE(NAME)Disk".
    for (const std::string& s : shown) EXPECT_THAT(r.out, HasSubstr("(" + s + ")")) << s;
    EXPECT_THAT(r.out, HasSubstr("bad \xEF\xBF\xBD"));
    EXPECT_THAT(r.out, Not(HasSubstr("\xff")));
  }
  Outcome summary = Pdehost({"summary", "--json"});
  EXPECT_EQ(summary.status, 0) << summary.out;
}

TEST(PdehostLifecycle, SwitchingPanelsAndPPDChanges) {
  ScratchDir dir("vn-pdehost-robust");
  WriteText(dir.File("script"), "show " + kPanel +
                                    "\n"
                                    "set " +
                                    kPanel +
                                    " menu_QuickColor Custom button_AdvanceColorOptions press\n"
                                    "show " +
                                    kPanel +
                                    "\n"
                                    "shouldHide " +
                                    kPanel +
                                    "\n"
                                    "willShow " +
                                    kPanel +
                                    "\n"
                                    "show " +
                                    kPanel +
                                    "\n"
                                    "PPDOptionKeyValueDidChange HVQuickColor Vivid\n"
                                    "show " +
                                    kPanel + " --json\n");
  Outcome r = Pdehost({"--script", dir.File("script")});
  ASSERT_EQ(r.status, 0) << r.out;
  std::vector<std::string> panes;
  for (size_t at = 0; (at = r.out.find("on screen: ", at)) != std::string::npos; at += 11)
    panes.push_back(r.out.substr(at + 11, r.out.find('\n', at) - at - 11));
  EXPECT_EQ(panes, (std::vector<std::string>{"onColorView", "onAdvancedView", "onColorView"})) << r.out;
  EXPECT_THAT(r.out, HasSubstr("shouldHide: YES\n"));
  // Another panel's PPD change leaves the colour panel as it was.
  auto json = nlohmann::json::parse(r.out.substr(r.out.rfind("\n[") + 1));
  for (const auto& o : json) {
    std::string outlet = o["outlet"];
    if (outlet == "menu_QuickColor") {
      EXPECT_EQ(o["selectedTitle"], "Custom");
    } else if (outlet == "onColorView" || outlet == "onAdvancedView") {
      EXPECT_EQ(o["onScreen"].get<bool>(), outlet == "onColorView");
    }
  }
  EXPECT_NE(Pdehost({"PPDOptionKeyValueDidChange", "HVQuickColor", "NoSuchChoice"}).status, 0);
  EXPECT_NE(Pdehost({"PPDOptionKeyValueDidChange", "NoSuchOption", "x"}).status, 0);
  EXPECT_NE(Pdehost({"willShow", "no such panel"}).status, 0);
}

}  // namespace
}  // namespace host
