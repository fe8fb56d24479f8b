// The Debian package, built from this build tree with CPack and unpacked into
// a scratch root (never into /), its maintainer script run there by hand:
// its files, its control fields, its programs running from the root with the
// build tree hidden, its PPD in a private scheduler's driver list, its manual
// pages and lintian.
#include <cups/cups.h>
#include <gmock/gmock.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <vector>

#include "platform/process.h"
#include "private_cupsd.h"
#include "scratch_dir.h"

namespace {
using ::testing::HasSubstr;
using ::testing::Not;

namespace fs = std::filesystem;

constexpr const char* kHelpers =
    "Library/Application Support/HALVERN/VN420P/Helpers/bridgetool.app/Contents/MacOS";
constexpr const char* kPrefs = "Library/Printers/HALVERN/Preferences/jp.halvern.printers.VN420P";
constexpr const char* kPanel = "jp.halvern.pde.VN420P.hvco";

// Every file and link the package installs, with its mode ('l': a link);
// the print dialog's files only in a build with Qt.
const std::map<std::string, std::string> kPackageFiles = {
#if VN_HAVE_QT
    {"usr/bin/pdedialog", "755"},
    {"usr/share/vn420p/locale/ja/LC_MESSAGES/pdedialog.mo", "644"},
    {"usr/share/man/man1/pdedialog.1.gz", "644"},
    {"usr/share/applications/vn420p-pdedialog.desktop", "644"},
#if VN_HAVE_PDF_PREVIEW
    {"usr/lib/vn420p/pdfpreview.so", "644"},
#endif
#endif
    {std::string(kHelpers) + "/bridgetool", "755"},
    {std::string(kHelpers) + "/prefservice", "755"},
    {"usr/bin/pdehost", "755"},
    {"usr/sbin/vn420p-cups-setup", "755"},
    {"Library/Printers/HALVERN/VN420P/Icons/fileExistbzVN420P.icns", "644"},
    {"usr/lib/vn420p/plugins/colorpane.plugin/colorpane.so", "644"},
    {"usr/lib/vn420p/plugins/colorpane.plugin/Resources/PDEMain.ui", "644"},
    {"usr/lib/vn420p/plugins/colorpane.plugin/Resources/locale/en/LC_MESSAGES/colorpane.mo", "644"},
    {"usr/lib/vn420p/plugins/colorpane.plugin/Resources/locale/ja/LC_MESSAGES/colorpane.mo", "644"},
    {"usr/lib/vn420p/plugins/securitypane.plugin/securitypane.so", "644"},
    {"usr/lib/vn420p/plugins/securitypane.plugin/Resources/SecurityPDE.ui", "644"},
    {"usr/lib/vn420p/plugins/securitypane.plugin/Resources/locale/en/LC_MESSAGES/securitypane.mo", "644"},
    {"usr/lib/vn420p/plugins/securitypane.plugin/Resources/locale/ja/LC_MESSAGES/securitypane.mo", "644"},
    {"usr/lib/systemd/user/vn420p-prefservice.service", "644"},
    {"usr/lib/systemd/user/vn420p-prefservice.socket", "644"},
    {"usr/share/ppd/halvern/VN420P.ppd", "644"},
    {"usr/share/vn420p/VN420P.ppd", "l"},
    {"usr/share/man/man1/pdehost.1.gz", "644"},
    {"usr/share/man/man1/bridgetool.1.gz", "644"},
    {"usr/share/man/man8/prefservice.8.gz", "644"},
    {"usr/share/man/man8/vn420p-cups-setup.8.gz", "644"},
    {"usr/share/man/man5/pdehost-settings.5.gz", "644"},
    {"usr/share/man/man5/vn420p-profile.5.gz", "644"},
    {"usr/share/doc/vn420p/copyright", "644"},
    {"usr/share/doc/vn420p/README.Debian", "644"},
    {"usr/share/doc/vn420p/changelog.gz", "644"},
    {"usr/share/lintian/overrides/vn420p", "644"},
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs a shell command line; its standard output and error together.
platform::TaskResult Sh(const std::string& command) {
  platform::TaskResult r;
  platform::RunTask("/bin/sh", {"sh", "-c", "exec 2>&1; " + command}, &r);
  return r;
}

// The package names of a Depends field ("a (>= 1), b | c" -> a, b, c).
std::set<std::string> DependedPackages(const std::string& field) {
  std::set<std::string> names;
  std::string word;
  std::istringstream in(field);
  while (in >> word) {
    if (word.front() == '(' || word.back() == ')' || word == "|") continue;
    if (word.back() == ',') word.pop_back();
    names.insert(word);
  }
  return names;
}

// ldd's lines "name => /path (0x...)" and "/path/name (0x...)" as name -> path.
std::map<std::string, std::string> LoadedLibraries(const std::string& ldd) {
  std::map<std::string, std::string> out;
  std::istringstream in(ldd);
  for (std::string line; std::getline(in, line);) {
    line.erase(0, line.find_first_not_of(" \t"));
    if (size_t paren = line.find(" ("); paren != std::string::npos) line.erase(paren);
    size_t arrow = line.find(" => ");
    if (arrow != std::string::npos)
      out[line.substr(0, arrow)] = line.substr(arrow + 4);
    else if (line.starts_with("/"))
      out[fs::path(line).filename()] = line;
  }
  return out;
}

class PackageTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (geteuid() != 0) return;
    // The scheduler's helpers read the PPDs as lp.
    scratch_ = std::make_unique<testsupport::ScratchDir>("vn-package", 0755);
    root_ = Scratch("root");
    platform::TaskResult r = Sh("cpack --config " + Quote(std::string(VN_BINARY_DIR) + "/CPackConfig.cmake") +
                                " -B " + Quote(Scratch("out")));
    if (r.exitStatus != 0) {
      error_ = "cpack failed:\n" + r.output;
      return;
    }
    for (const auto& e : fs::directory_iterator(Scratch("out")))
      if (e.path().extension() == ".deb") deb_ = e.path();
    if (deb_.empty()) {
      error_ = "cpack made no .deb:\n" + r.output;
      return;
    }
    r = Sh("dpkg-deb -x " + Quote(deb_) + " " + Quote(root_) + " && dpkg-deb -e " + Quote(deb_) + " " +
           Quote(Scratch("control")) + " && DPKG_ROOT=" + Quote(root_) + " sh " +
           Quote(Scratch("control/postinst")) + " configure");
    if (r.exitStatus != 0) error_ = "unpacking or configuring failed:\n" + r.output;
  }
  static void TearDownTestSuite() { scratch_.reset(); }
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "the maintainer script sets the folder's owner: run as root";
    ASSERT_TRUE(error_.empty()) << error_;
  }

  static std::string Field(const std::string& name) {
    std::string v = Sh("dpkg-deb -f " + Quote(deb_) + " " + name).output;
    while (!v.empty() && v.back() == '\n') v.pop_back();
    return v;
  }
  // The installed pdehost with the root as installation root.
  static std::string Pdehost(const std::string& args) {
    return "env VN420P_ROOT=" + Quote(root_) + " " + Quote(root_ + "/usr/bin/pdehost") + " " + args;
  }

  // A path in the suite's scratch folder.
  static std::string Scratch(const std::string& name) { return scratch_->File(name); }

  static inline std::unique_ptr<testsupport::ScratchDir> scratch_;
  static inline std::string root_, deb_, error_;
};

TEST_F(PackageTest, InstallsExactlyTheListedFiles) {
  std::map<std::string, std::string> found;
  for (auto it = fs::recursive_directory_iterator(root_); it != fs::recursive_directory_iterator(); ++it) {
    if (it->is_directory() && !it->is_symlink()) continue;
    std::string rel = it->path().lexically_relative(root_).string();
    char mode[8];
    snprintf(mode, sizeof mode, "%o", static_cast<unsigned>(it->symlink_status().permissions()) & 0777);
    found[rel] = it->is_symlink() ? "l" : mode;
  }
  for (const auto& [path, mode] : kPackageFiles) {
    auto f = found.find(path);
    if (f == found.end())
      ADD_FAILURE() << "missing from the package: " << path;
    else
      EXPECT_EQ(f->second, mode) << path;
  }
  for (const auto& [path, mode] : found)
    EXPECT_TRUE(kPackageFiles.count(path)) << "not in the test's list: " << path;
  // The link resolves inside the root, to the PPD CUPS lists.
  EXPECT_TRUE(
      fs::equivalent(root_ + "/usr/share/vn420p/VN420P.ppd", root_ + "/usr/share/ppd/halvern/VN420P.ppd"));
}

TEST_F(PackageTest, ControlFieldsCarryTheBuildVersionAndComputedDepends) {
  EXPECT_EQ(Field("Package"), "vn420p");
  EXPECT_EQ(Field("Version"), VN_VERSION);
  // The package of every library an installed program links directly is in
  // Depends.
  std::set<std::string> depends = DependedPackages(Field("Depends"));
  int libraries = 0;
  for (const std::string& elf :
       {std::string("usr/bin/pdehost"), std::string("usr/lib/vn420p/plugins/colorpane.plugin/colorpane.so"),
        std::string(kHelpers) + "/prefservice",
        std::string(VN_HAVE_QT ? "usr/bin/pdedialog" : "usr/bin/pdehost")}) {
    std::string path = Quote(root_ + "/" + elf);
    std::istringstream needed(Sh("objdump -p " + path + " | awk '$1 == \"NEEDED\" {print $2}'").output);
    std::map<std::string, std::string> loaded = LoadedLibraries(Sh("ldd " + path).output);
    for (std::string lib; needed >> lib; ++libraries) {
      ASSERT_TRUE(loaded.count(lib)) << elf << " needs " << lib << ", which ldd does not find";
      const std::string& file = loaded[lib];
      // usrmerge: a library is registered under either spelling.
      std::string other = file.starts_with("/usr/") ? file.substr(4) : "/usr" + file;
      std::string owner =
          Sh("dpkg-query -S " + Quote(file) + " 2>/dev/null || dpkg-query -S " + Quote(other)).output;
      owner = owner.substr(0, owner.find_first_of(":,"));
      EXPECT_TRUE(depends.count(owner)) << elf << " needs " << lib << " of " << owner;
    }
  }
  EXPECT_GE(libraries, 8) << "libcups, libplist, libicu, net-snmp, libstdc++, libc ...";
}

TEST_F(PackageTest, EveryCommandReportsTheBuildVersion) {
  for (const std::string& cmd :
       {std::string("usr/bin/pdehost"), std::string(kHelpers) + "/bridgetool",
        std::string(kHelpers) + "/prefservice", std::string("usr/sbin/vn420p-cups-setup"),
        std::string(VN_HAVE_QT ? "usr/bin/pdedialog" : "usr/bin/pdehost")}) {
    platform::TaskResult r = Sh(Quote(root_ + "/" + cmd) + " --version");
    EXPECT_EQ(r.exitStatus, 0) << cmd;
    EXPECT_EQ(r.output, fs::path(cmd).filename().string() + " " VN_VERSION "\n") << cmd;
  }
}

TEST_F(PackageTest, PostinstOpensThePreferenceFolderToPrinterAdministrators) {
  struct stat st {};
  ASSERT_EQ(stat((root_ + "/" + kPrefs).c_str(), &st), 0);
  const group* lpadmin = getgrnam("lpadmin");
  EXPECT_EQ(st.st_mode & 07777, lpadmin ? 01775u : 0755u);
  EXPECT_EQ(st.st_gid, lpadmin ? lpadmin->gr_gid : 0u);

  // Purging removes it with the users' files, and the folders above it.
  std::string other = Scratch("purged");
  fs::create_directories(other + "/" + kPrefs);
  std::ofstream(other + "/" + kPrefs + "/alice-VN420P-profile.plist") << "<plist/>";
  platform::TaskResult r =
      Sh("DPKG_ROOT=" + Quote(other) + " sh " + Quote(Scratch("control/postrm")) + " purge");
  EXPECT_EQ(r.exitStatus, 0) << r.output;
  EXPECT_FALSE(fs::exists(other + "/Library")) << "purge left the preference folders";
}

// pdehost and the helpers run from the root alone: the source and build
// trees are hidden behind empty folders in a private mount namespace, whose
// own pid namespace also ends the service that bridgetool starts.
TEST_F(PackageTest, InstalledProgramsRunWithoutTheBuildTree) {
  std::string hide;
  if (Sh("unshare --mount --pid --fork true").exitStatus == 0) {
    for (const char* tree : {VN_BINARY_DIR, VN_SOURCE_DIR})  // a build tree inside the source first
      hide += "mount -t tmpfs none " + Quote(tree) + " && ";
  } else {
    std::cerr << "no mount namespace here: the build tree stays visible\n";
  }
  auto isolated = [&](const std::string& command) {
    if (hide.empty()) return Sh(command);
    return Sh("unshare --mount --pid --fork sh -c " + Quote(hide + command));
  };

  // The colour panel on the default PPD, which is the installed one.
  platform::TaskResult r = isolated(Pdehost("show " + std::string(kPanel)));
  ASSERT_EQ(r.exitStatus, 0) << r.output;
  EXPECT_THAT(r.output, HasSubstr("menu_QuickColor [popup]"));
  EXPECT_THAT(r.output, HasSubstr("Vivid (Vivid)")) << "the PPD's choices:\n";
  // The installed string tables: the Japanese panel name differs from the key.
  r = isolated("LANGUAGE=ja LC_ALL=C.UTF-8 " + Pdehost("panels"));
  ASSERT_EQ(r.exitStatus, 0) << r.output;
  EXPECT_THAT(r.output, Not(HasSubstr("Color Options\t")));
  EXPECT_THAT(r.output, HasSubstr("\t" + std::string(kPanel)));

  // The installed bridge tool starts the installed service, whose
  // administrator test passes for root and for printer administrators in the
  // folder postinst made, and for nobody else.
  const group* lpadmin = getgrnam("lpadmin");
  const passwd* nobody = getpwnam("nobody");
  struct Case {
    std::string user, groups, reply;
  };
  std::vector<Case> cases = {{"root", "", "TRUE"}};
  if (lpadmin && nobody) {
    cases.push_back({"nobody", "--groups=" + std::to_string(lpadmin->gr_gid), "TRUE"});
    cases.push_back({"nobody", "--clear-groups", "FALSE"});
  }
  for (const Case& c : cases) {
    const passwd* pw = getpwnam(c.user.c_str());
    ASSERT_NE(pw, nullptr) << c.user;
    std::string run = Scratch("run-" + c.user + c.groups);
    fs::create_directories(run);
    ASSERT_EQ(chown(run.c_str(), pw->pw_uid, pw->pw_gid), 0);
    chmod(run.c_str(), 0700);
    std::string as = c.groups.empty() ? ""
                                      : "setpriv --reuid=" + c.user +
                                            " --regid=" + std::to_string(pw->pw_gid) + " " + c.groups + " ";
    std::string profile = root_ + "/" + kPrefs + "/" + c.user + "-VN420P-profile.plist";
    r = isolated(as + "env VN420P_ROOT=" + Quote(root_) + " XDG_RUNTIME_DIR=" + Quote(run) + " " +
                 Quote(root_ + "/" + kHelpers + "/bridgetool") + " hvPListIsAdminProfile_XPC " +
                 Quote(profile));
    EXPECT_EQ(r.output, "hvPListIsAdminProfile_XPC=" + c.reply + "\n") << c.user << " " << c.groups;
  }
}

TEST_F(PackageTest, CupsListsThePpdAndPrintsThroughAQueueMadeFromIt) {
  testsupport::PrivateCupsd cupsd(root_ + "/usr/share/ppd");
  if (!cupsd.skipReason().empty()) GTEST_SKIP() << cupsd.skipReason();
  platform::TaskResult r = Sh("lpinfo -m");
  ASSERT_EQ(r.exitStatus, 0) << r.output;
  std::string name;
  std::istringstream models(r.output);
  for (std::string line; std::getline(models, line);)
    if (line.ends_with(" HALVERN VN420P, 1.0")) name = line.substr(0, line.find(' '));
  ASSERT_EQ(name, "halvern/VN420P.ppd") << "lpinfo -m:\n" << r.output;

  r = Sh("lpadmin -p VN420Pq -E -v file:///dev/null -m " + name + " && cupsdisable VN420Pq");
  ASSERT_EQ(r.exitStatus, 0) << r.output;
  std::string file = Scratch("job.txt");
  std::ofstream(file) << "hello\n";
  r = Sh(Pdehost("--printer VN420Pq print " + Quote(file)));
  ASSERT_EQ(r.exitStatus, 0) << r.output;
  EXPECT_THAT(r.output, HasSubstr("HVQuickColor="));
  cups_job_t* jobs = nullptr;
  int n = cupsGetJobs(&jobs, "VN420Pq", 0, CUPS_WHICHJOBS_ALL);
  cupsFreeJobs(n, jobs);
  EXPECT_EQ(n, 1) << "the queue holds the job pdehost submitted";
}

// The desktop entry is valid and offers the dialog, with the file, for the
// documents a person prints.
TEST_F(PackageTest, DesktopEntryOffersTheDialogForDocuments) {
  if (!VN_HAVE_QT) GTEST_SKIP() << "no print dialog in a build without Qt";
  const std::string entry = root_ + "/usr/share/applications/vn420p-pdedialog.desktop";
  if (Sh("command -v desktop-file-validate").exitStatus != 0)
    GTEST_SKIP() << "desktop-file-utils is not installed";
  platform::TaskResult r = Sh("desktop-file-validate " + Quote(entry));
  EXPECT_EQ(r.exitStatus, 0) << r.output;
  EXPECT_EQ(r.output, "");
  std::ifstream in(entry);
  std::map<std::string, std::string> keys;
  for (std::string line; std::getline(in, line);)
    if (size_t eq = line.find('='); eq != std::string::npos) keys[line.substr(0, eq)] = line.substr(eq + 1);
  EXPECT_EQ(keys["Exec"], "pdedialog %f");
  EXPECT_EQ(keys["Name"], "Print with VN420P options");
  for (const char* type :
       {"application/pdf;", "application/postscript;", "image/png;", "image/jpeg;", "text/plain;"})
    EXPECT_NE(keys["MimeType"].find(type), std::string::npos) << type;
  // The command it runs is the one the package installs.
  EXPECT_TRUE(fs::exists(root_ + "/usr/bin/pdedialog"));
}

TEST_F(PackageTest, ManualPagesRenderWithoutWarnings) {
  int pages = 0;
  for (const auto& [path, mode] : kPackageFiles) {
    if (!path.starts_with("usr/share/man/")) continue;
    ++pages;
    std::string page = Quote(root_ + "/" + path);
    for (const std::string& check :
         {"zcat " + page + " | groff -ww -man -Tutf8 -z", "man --warnings -l " + page + " >/dev/null"}) {
      platform::TaskResult r = Sh("LC_ALL=C.UTF-8 MANWIDTH=80 " + check);
      EXPECT_EQ(r.exitStatus, 0) << check << "\n" << r.output;
      EXPECT_EQ(r.output, "") << check;
    }
  }
  EXPECT_EQ(pages, VN_HAVE_QT ? 7 : 6);
}

TEST_F(PackageTest, LintianFindsNoErrorOrWarning) {
  if (Sh("command -v lintian").exitStatus != 0) GTEST_SKIP() << "lintian is not installed";
  platform::TaskResult r = Sh("lintian --fail-on error,warning " + Quote(deb_));
  EXPECT_EQ(r.exitStatus, 0) << r.output;
}

}  // namespace
