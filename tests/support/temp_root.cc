#include "temp_root.h"

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/ipc.h"
#include "platform/paths.h"
#include "protocol/request.h"
#include "samples.h"

namespace testsupport {

namespace fs = std::filesystem;

bool UserIds(const char* name, uid_t* uid, gid_t* gid) {
  struct passwd* pw = getpwnam(name);
  if (pw == nullptr) return false;
  *uid = pw->pw_uid;
  *gid = pw->pw_gid;
  return true;
}

TempRoot::TempRoot(bool install, std::string_view parent) : base_("vn-ipc", 0755, parent) {
  root_ = base_.MakeDir("root");
  runtime_ = base_.MakeDir("run");
  chmod(runtime_.c_str(), 0700);
  root_env_.emplace("VN420P_ROOT", root_);
  runtime_env_.emplace("XDG_RUNTIME_DIR", runtime_);
  folder_ = platform::paths::PreferenceFolder();
  fs::create_directories(folder_);
  if (install) Install();
}

TempRoot::~TempRoot() {
  service_.reset();
  StopService();
}

void TempRoot::Install() {
  std::string tool = platform::paths::BridgeToolPath();
  fs::path dir = fs::path(tool).parent_path();
  fs::create_directories(dir);
  fs::copy_file(BuildPath("bin/bridgetool"), tool, fs::copy_options::overwrite_existing);
  fs::copy_file(BuildPath("bin/prefservice"), (dir / "prefservice").string(),
                fs::copy_options::overwrite_existing);
  // Every folder on the way stays readable for a test that drops privileges.
  for (fs::path p = dir; p.string().size() > base().size(); p = p.parent_path()) chmod(p.c_str(), 0755);
  chmod(root_.c_str(), 0755);
}

bool TempRoot::StartService() {
  const std::string service =
      (fs::path(platform::paths::BridgeToolPath()).parent_path() / "prefservice").string();
  service_ = std::make_unique<ChildProcess>(std::vector<std::string>{service}, base_.File("prefservice.log"));
  for (int i = 0; i < 500 && access(socket().c_str(), F_OK) != 0; ++i) {
    if (!service_->running()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return access(socket().c_str(), F_OK) == 0;
}

void TempRoot::ShareFolder() const {
  fs::path folder = fs::path(folder_).parent_path();
  for (fs::path p = folder; p.string().size() > base().size(); p = p.parent_path()) chmod(p.c_str(), 0755);
  chmod(folder.c_str(), 01777);
}

bool TempRoot::HandTo(const char* name) const {
  uid_t uid;
  gid_t gid;
  if (!UserIds(name, &uid, &gid)) return false;
  ShareFolder();
  return chown(base().c_str(), uid, gid) == 0 && chown(runtime_.c_str(), uid, gid) == 0;
}

std::string TempRoot::socket() const { return runtime_ + "/" + std::string(protocol::kServiceName); }

pid_t TempRoot::ServicePid() const {
  platform::ipc::Socket s = platform::ipc::Connect(socket());
  pid_t pid = -1;
  if (!s.valid() || !platform::ipc::PeerCredentials(s.fd(), nullptr, &pid)) return -1;
  return pid;
}

void TempRoot::StopService() const {
  for (int i = 0; i < 3; ++i) {
    pid_t pid = ServicePid();
    if (pid <= 0) return;
    kill(pid, SIGKILL);
    // Gone once its socket no longer answers (it may stay a zombie of
    // whoever adopted it).
    for (int t = 0; t < 500 && ServicePid() == pid; ++t)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

platform::TaskResult RunBridge(const std::vector<std::string>& args) {
  std::string tool = platform::paths::BridgeToolPath();
  std::vector<std::string> argv{tool};
  argv.insert(argv.end(), args.begin(), args.end());
  platform::TaskResult result;
  platform::RunTask(tool, argv, &result);
  return result;
}

pid_t StartAs(const char* name, const std::function<int()>& fn, unsigned seconds) {
  uid_t uid;
  gid_t gid;
  if (!UserIds(name, &uid, &gid)) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    if (setgroups(0, nullptr) != 0 || setresgid(gid, gid, gid) != 0 || setresuid(uid, uid, uid) != 0)
      _exit(100);
    if (seconds > 0) alarm(seconds);
    _exit(fn());
  }
  return pid;
}

int RunAs(const char* name, const std::function<int()>& fn, unsigned seconds) {
  pid_t pid = StartAs(name, fn, seconds);
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

uid_t NobodyUid() {
  uid_t uid = 0;
  gid_t gid;
  UserIds("nobody", &uid, &gid);
  return uid;
}

ScopedUser::ScopedUser(const char* name) {
  uid_t uid;
  gid_t gid;
  if (geteuid() != 0 || !UserIds(name, &uid, &gid)) return;
  switched_ = true;
  ok_ = setgroups(0, nullptr) == 0 && setresgid(gid, gid, 0) == 0 && setresuid(uid, uid, 0) == 0;
}

ScopedUser::~ScopedUser() {
  // Back to root for the folder's removal (the uid first: it allows the gid).
  if (switched_ && (setresuid(0, 0, 0) != 0 || setresgid(0, 0, 0) != 0)) std::abort();
}

}  // namespace testsupport
