// A temporary installation root and runtime folder for one test, with the
// helper tools installed at their launch path, and the helpers that run them.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/ipc.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "protocol/request.h"

namespace vntest {

namespace fs = std::filesystem;

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// The uid and primary gid of user `name`; false when there is no such user.
inline bool UserIds(const char* name, uid_t* uid, gid_t* gid) {
  struct passwd* pw = getpwnam(name);
  if (pw == nullptr) return false;
  *uid = pw->pw_uid;
  *gid = pw->pw_gid;
  return true;
}

// Sets VN420P_ROOT and XDG_RUNTIME_DIR to fresh folders for the object's
// lifetime and creates the preference folder. When `install` is set, copies
// the build's bridgetool and prefservice to the launch path.
class TempRoot {
 public:
  explicit TempRoot(bool install = false) {
    char tmpl[] = "/tmp/vn-ipc-XXXXXX";
    base_ = mkdtemp(tmpl);
    chmod(base_.c_str(), 0755);
    root_ = base_ + "/root";
    runtime_ = base_ + "/run";
    fs::create_directories(root_);
    fs::create_directories(runtime_);
    chmod(runtime_.c_str(), 0700);
    setenv("VN420P_ROOT", root_.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
    folder_ = platform::paths::PreferenceFolder();
    fs::create_directories(folder_);
    if (install) Install();
  }
  ~TempRoot() {
    StopService();
    unsetenv("VN420P_ROOT");
    unsetenv("XDG_RUNTIME_DIR");
    std::error_code ec;
    fs::remove_all(base_, ec);
  }

  void Install() {
    std::string tool = platform::paths::BridgeToolPath();
    fs::path dir = fs::path(tool).parent_path();
    fs::create_directories(dir);
    fs::copy_file(std::string(VN_BINARY_DIR) + "/bin/bridgetool", tool, fs::copy_options::overwrite_existing);
    fs::copy_file(std::string(VN_BINARY_DIR) + "/bin/prefservice", (dir / "prefservice").string(),
                  fs::copy_options::overwrite_existing);
    // Every folder on the way stays readable for a test that drops privileges.
    for (fs::path p = dir; p.string().size() > base_.size(); p = p.parent_path()) chmod(p.c_str(), 0755);
    chmod(root_.c_str(), 0755);
  }

  // The preference folder shared and world-writable as installed (mode
  // 1777), every folder on the way reachable for other users.
  void ShareFolder() const {
    fs::path folder = fs::path(folder_).parent_path();
    for (fs::path p = folder; p.string().size() > base_.size(); p = p.parent_path()) chmod(p.c_str(), 0755);
    chmod(folder.c_str(), 01777);
  }
  // The folder shared, the base and runtime folders handed to user `name`,
  // for a test that then runs as that user (ScopedUser).
  bool HandTo(const char* name) const;

  const std::string& base() const { return base_; }
  const std::string& root() const { return root_; }
  const std::string& runtime() const { return runtime_; }
  const std::string& folder() const { return folder_; }
  std::string socket() const { return runtime_ + "/" + std::string(protocol::kServiceName); }
  std::string File(const std::string& user, const std::string& suffix = "profile.plist") const {
    return folder_ + user + "-VN420P-" + suffix;
  }

  // The pid of the process listening on the service socket (SO_PEERCRED of a
  // connection names the listener), or -1.
  pid_t ServicePid() const {
    platform::ipc::Socket s = platform::ipc::Connect(socket());
    pid_t pid = -1;
    if (!s.valid() || !platform::ipc::PeerCredentials(s.fd(), nullptr, &pid)) return -1;
    return pid;
  }

  // Kills the service of this root, if one runs, and waits until it is gone.
  void StopService() const {
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

 private:
  std::string base_, root_, runtime_, folder_;
};

inline bool TempRoot::HandTo(const char* name) const {
  uid_t uid;
  gid_t gid;
  if (!UserIds(name, &uid, &gid)) return false;
  ShareFolder();
  return chown(base_.c_str(), uid, gid) == 0 && chown(runtime_.c_str(), uid, gid) == 0;
}

// Runs the installed bridgetool with the method and arguments.
inline platform::TaskResult RunBridge(const std::vector<std::string>& args) {
  std::string tool = platform::paths::BridgeToolPath();
  std::vector<std::string> argv{tool};
  argv.insert(argv.end(), args.begin(), args.end());
  platform::TaskResult result;
  platform::RunTask(tool, argv, &result);
  return result;
}

// Starts fn in a forked child as user `name` (real, effective and saved ids,
// no supplementary groups, so nothing of root's rights is left), killed by an
// alarm after `seconds` (0: never); the child's pid, or -1. The child must not
// use the test framework; it reports through its exit code.
inline pid_t StartAs(const char* name, const std::function<int()>& fn, unsigned seconds = 0) {
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

// StartAs, waited for: the child's exit code, or -1 when it crashed or was killed.
inline int RunAs(const char* name, const std::function<int()>& fn, unsigned seconds = 0) {
  pid_t pid = StartAs(name, fn, seconds);
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The rest of a test runs as user `name`: real and effective ids (and so
// every program the test starts) are the user's, with no supplementary
// groups; only the saved id stays root, so the destructor can return to it.
// Does nothing (ok() false) when not root or there is no such user.
class ScopedUser {
 public:
  explicit ScopedUser(const char* name) {
    uid_t uid;
    gid_t gid;
    if (geteuid() != 0 || !UserIds(name, &uid, &gid)) return;
    switched_ = true;
    ok_ = setgroups(0, nullptr) == 0 && setresgid(gid, gid, 0) == 0 && setresuid(uid, uid, 0) == 0;
  }
  ~ScopedUser() {
    // Back to root for the folder's removal (the uid first: it allows the gid).
    if (switched_ && (setresuid(0, 0, 0) != 0 || setresgid(0, 0, 0) != 0)) std::abort();
  }
  ScopedUser(const ScopedUser&) = delete;
  ScopedUser& operator=(const ScopedUser&) = delete;
  bool ok() const { return ok_; }

 private:
  bool switched_ = false, ok_ = false;
};

inline int RunAsNobody(const std::function<int()>& fn) { return RunAs("nobody", fn); }

inline uid_t NobodyUid() {
  uid_t uid = 0;
  gid_t gid;
  UserIds("nobody", &uid, &gid);
  return uid;
}

}  // namespace vntest
