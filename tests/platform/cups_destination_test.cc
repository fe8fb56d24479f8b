// PrintSession::FromDestination against a private CUPS scheduler: a cupsd
// started on a Unix socket in a scratch folder, with one queue on the sample
// PPD and one raw queue. Skipped where cupsd or lpadmin is not installed.
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "platform/printing.h"

extern char** environ;

namespace platform {
namespace {

namespace fs = std::filesystem;

bool Installed(const char* program) {
  return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

class CupsDestinationTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!Installed("cupsd") || !Installed("lpadmin")) {
      skip_reason_ = "cupsd or lpadmin not installed";
      return;
    }
    std::string tmpl = (fs::temp_directory_path() / "vn-cupsd-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) {
      skip_reason_ = "no scratch folder";
      return;
    }
    dir_ = tmpl;
    fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    for (const char* sub : {"spool", "cache", "state", "log", "ppd"})
      fs::create_directories(dir_ + "/" + sub);
    socket_ = dir_ + "/cups.sock";

    // cupsd refuses to run its helpers as root; as any other user it runs them as that user.
    std::string user = "lp";
    if (getuid() != 0) {
      const passwd* pw = getpwuid(getuid());
      user = pw ? pw->pw_name : "";
    }
    std::ofstream(dir_ + "/cupsd.conf") << "Listen " << socket_ << "\nLogLevel warn\nBrowsing No\n"
                                        << "<Location />\nOrder allow,deny\nAllow all\n</Location>\n"
                                        << "<Location /admin>\nOrder allow,deny\nAllow all\n</Location>\n";
    std::ofstream(dir_ + "/cups-files.conf")
        << "ServerRoot " << dir_ << "\nRequestRoot " << dir_ << "/spool\nTempDir " << dir_ << "/spool\n"
        << "CacheDir " << dir_ << "/cache\nStateDir " << dir_ << "/state\n"
        << "AccessLog " << dir_ << "/log/access_log\nErrorLog " << dir_ << "/log/error_log\n"
        << "PageLog " << dir_ << "/log/page_log\nServerBin /usr/lib/cups\nDataDir /usr/share/cups\n"
        << "FileDevice Yes\nSandboxing Relaxed\nUser " << user << "\nGroup " << user << "\n";

    std::string conf = dir_ + "/cupsd.conf", files = dir_ + "/cups-files.conf";
    std::string cupsd = "cupsd", fg = "-f", c = "-c", s = "-s";
    char* argv[] = {cupsd.data(), fg.data(), c.data(), conf.data(), s.data(), files.data(), nullptr};
    if (posix_spawnp(&cupsd_pid_, "cupsd", nullptr, nullptr, argv, environ) != 0) {
      cupsd_pid_ = -1;
      skip_reason_ = "cupsd did not start";
      return;
    }
    for (int i = 0; i < 100 && !fs::exists(socket_); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!fs::exists(socket_)) {
      skip_reason_ = "cupsd did not listen; see " + dir_ + "/log/error_log";
      return;
    }
    setenv("CUPS_SERVER", socket_.c_str(), 1);  // for lpadmin
    cupsSetServer(socket_.c_str());             // for this process
    const std::string ppd = std::string(VN_SOURCE_DIR) + "/resources/ppd/VN420P.ppd";
    const std::string quiet = " >/dev/null 2>&1";
    if (std::system(("lpadmin -p VN420Ptest -E -v file:///dev/null -P '" + ppd + "'" + quiet).c_str()) != 0 ||
        std::system(("lpadmin -p VN420Praw -E -v file:///dev/null" + quiet).c_str()) != 0) {
      skip_reason_ = "lpadmin could not add the test queues";
    }
  }

  static void TearDownTestSuite() {
    cupsSetServer(nullptr);
    unsetenv("CUPS_SERVER");
    if (cupsd_pid_ > 0) {
      kill(cupsd_pid_, SIGTERM);
      waitpid(cupsd_pid_, nullptr, 0);
      cupsd_pid_ = -1;
    }
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
  }

  void SetUp() override {
    if (!skip_reason_.empty()) GTEST_SKIP() << skip_reason_;
  }

  // Points libcups' temporary files at a folder of our own for one test.
  class ClientTempDir {
   public:
    ClientTempDir() : path_(dir_ + "/client-tmp") {
      fs::create_directories(path_);
      const char* old = getenv("TMPDIR");
      if (old) old_ = old;
      setenv("TMPDIR", path_.c_str(), 1);
    }
    ~ClientTempDir() {
      if (old_)
        setenv("TMPDIR", old_->c_str(), 1);
      else
        unsetenv("TMPDIR");
    }
    const std::string& path() const { return path_; }
    bool empty() const { return fs::is_empty(path_); }

   private:
    std::string path_;
    std::optional<std::string> old_;
  };

  static inline std::string dir_, socket_, skip_reason_;
  static inline pid_t cupsd_pid_ = -1;
};

TEST_F(CupsDestinationTest, QueueWithPPD) {
  ClientTempDir tmp;
  {
    // libcups does put its temporary files there.
    char name[1024];
    int fd = cupsTempFd(name, sizeof(name));
    ASSERT_GE(fd, 0);
    close(fd);
    EXPECT_EQ(fs::path(name).parent_path(), fs::path(tmp.path()));
    unlink(name);
  }
  std::string error;
  auto session = PrintSession::FromDestination("VN420Ptest", &error);
  ASSERT_NE(session, nullptr) << error;
  EXPECT_EQ(session->currentPrinter().id(), "VN420Ptest");
  EXPECT_EQ(session->currentPrinter().deviceURI(), "file:///dev/null");
  ASSERT_NE(session->ppd(), nullptr);
  EXPECT_NE(ppd::FindOption(session->ppd(), "HVQuickColor"), nullptr);
  EXPECT_EQ(session->defaultPageFormat().paper().id, "Letter");
  // The fetched copy of the PPD does not stay behind.
  EXPECT_TRUE(tmp.empty());
}

TEST_F(CupsDestinationTest, RawQueueHasNoPPD) {
  std::string error;
  EXPECT_EQ(PrintSession::FromDestination("VN420Praw", &error), nullptr);
  EXPECT_NE(error.find("\"VN420Praw\""), std::string::npos) << error;
}

TEST_F(CupsDestinationTest, UnknownQueue) {
  std::string error;
  EXPECT_EQ(PrintSession::FromDestination("VN420Pmissing", &error), nullptr);
  EXPECT_EQ(error, "no such destination \"VN420Pmissing\"");
}

}  // namespace
}  // namespace platform
