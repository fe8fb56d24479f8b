#include "private_cupsd.h"

#include <cups/cups.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

extern char** environ;

namespace testsupport {

namespace fs = std::filesystem;

namespace {
constexpr const char* kSystemDataDir = "/usr/share/cups";

bool Installed(const char* program) {
  return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

// `dir`: links to every entry of the system's data folder but "model", which
// links to model_dir.
bool MakeDataDir(const fs::path& dir, const fs::path& model_dir) {
  std::error_code ec;
  if (!fs::create_directory(dir, ec)) return false;
  for (const auto& entry : fs::directory_iterator(kSystemDataDir, ec)) {
    if (entry.path().filename() == "model") continue;
    fs::create_symlink(entry.path(), dir / entry.path().filename(), ec);
    if (ec) return false;
  }
  fs::create_directory_symlink(fs::absolute(model_dir), dir / "model", ec);
  return !ec;
}
}  // namespace

PrivateCupsd::PrivateCupsd(const std::string& model_dir, const std::string& conf) {
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
  for (const char* sub : {"spool", "cache", "state", "log", "ppd"}) fs::create_directories(dir_ + "/" + sub);
  socket_ = dir_ + "/cups.sock";
  std::string data_dir = kSystemDataDir;
  if (!model_dir.empty()) {
    data_dir = dir_ + "/data";
    if (!MakeDataDir(data_dir, model_dir)) {
      skip_reason_ = "cannot make a data folder for " + model_dir;
      return;
    }
  }

  // cupsd refuses to run its helpers as root; as any other user it runs them as that user.
  std::string user = "lp";
  if (getuid() != 0) {
    const passwd* pw = getpwuid(getuid());
    user = pw ? pw->pw_name : "";
  }
  std::ofstream(dir_ + "/cupsd.conf") << "Listen " << socket_ << "\nLogLevel warn\nBrowsing No\n"
                                      << "<Location />\nOrder allow,deny\nAllow all\n</Location>\n"
                                      << "<Location /admin>\nOrder allow,deny\nAllow all\n</Location>\n"
                                      << conf;
  std::ofstream(dir_ + "/cups-files.conf")
      << "ServerRoot " << dir_ << "\nRequestRoot " << dir_ << "/spool\nTempDir " << dir_ << "/spool\n"
      << "CacheDir " << dir_ << "/cache\nStateDir " << dir_ << "/state\n"
      << "AccessLog " << dir_ << "/log/access_log\nErrorLog " << dir_ << "/log/error_log\n"
      << "PageLog " << dir_ << "/log/page_log\nServerBin /usr/lib/cups\nDataDir " << data_dir << "\n"
      << "FileDevice Yes\nSandboxing Relaxed\nUser " << user << "\nGroup " << user << "\n";

  std::string conf_file = dir_ + "/cupsd.conf", files = dir_ + "/cups-files.conf";
  std::string cupsd = "cupsd", fg = "-f", c = "-c", s = "-s";
  char* argv[] = {cupsd.data(), fg.data(), c.data(), conf_file.data(), s.data(), files.data(), nullptr};
  if (posix_spawnp(&pid_, "cupsd", nullptr, nullptr, argv, environ) != 0) {
    pid_ = -1;
    skip_reason_ = "cupsd did not start";
    return;
  }
  for (int i = 0; i < 100 && !fs::exists(socket_); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (!fs::exists(socket_)) {
    skip_reason_ = "cupsd did not listen; see " + dir_ + "/log/error_log";
    return;
  }
  setenv("CUPS_SERVER", socket_.c_str(), 1);  // for lpadmin and child processes
  cupsSetServer(socket_.c_str());             // for this process
}

bool PrivateCupsd::addQueue(const std::string& name, const std::string& uri, const std::string& ppd) {
  if (!skip_reason_.empty()) return false;
  std::string cmd = "lpadmin -p " + name + " -E -v " + uri;
  if (!ppd.empty()) cmd += " -P '" + ppd + "'";
  if (std::system((cmd + " >/dev/null 2>&1").c_str()) == 0) return true;
  skip_reason_ = "lpadmin could not add the queue " + name;
  return false;
}

PrivateCupsd::~PrivateCupsd() {
  cupsSetServer(nullptr);
  unsetenv("CUPS_SERVER");
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  std::error_code ec;
  if (!dir_.empty()) fs::remove_all(dir_, ec);
}

std::string JobAttribute(const std::string& queue, int job, const char* name) {
  ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
  const std::string uri = "ipp://localhost/printers/" + queue;
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
  ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", job);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "all");
  ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
  std::string value;
  if (ipp_attribute_t* attr = ippFindAttribute(response, name, IPP_TAG_ZERO)) {
    char buf[256];
    ippAttributeString(attr, buf, sizeof buf);
    value = buf;
  }
  ippDelete(response);
  return value;
}

}  // namespace testsupport
