// A temporary installation root and runtime folder for one test, with the
// helper tools installed at their launch path (and the service started when
// asked), and the helpers that run them or run code as another user.
#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "child_process.h"
#include "env.h"
#include "platform/process.h"
#include "scratch_dir.h"

namespace testsupport {

// The uid and primary gid of user `name`; false when there is no such user.
bool UserIds(const char* name, uid_t* uid, gid_t* gid);

// Sets VN420P_ROOT and XDG_RUNTIME_DIR to fresh folders in `parent` (the
// temporary folder when empty) for the object's lifetime (one root at a
// time; the old values come back after) and creates the preference folder.
// When `install` is set, copies the build's bridgetool and prefservice to the
// launch path.
class TempRoot {
 public:
  explicit TempRoot(bool install = false, std::string_view parent = "");
  ~TempRoot();
  TempRoot(const TempRoot&) = delete;
  TempRoot& operator=(const TempRoot&) = delete;

  void Install();
  // Starts the installed service as a child of the test (stopped with the
  // root) and waits until its socket is there; false when it did not come up.
  bool StartService();

  // The preference folder shared and world-writable as installed (mode
  // 1777), every folder on the way reachable for other users.
  void ShareFolder() const;
  // The folder shared, the base and runtime folders handed to user `name`,
  // for a test that then runs as that user (ScopedUser).
  bool HandTo(const char* name) const;

  const std::string& base() const { return base_.path(); }
  const std::string& root() const { return root_; }
  const std::string& runtime() const { return runtime_; }
  const std::string& folder() const { return folder_; }
  std::string socket() const;
  // A user's file in the preference folder ("<user>-VN420P-<suffix>").
  std::string File(const std::string& user, const std::string& suffix = "profile.plist") const {
    return folder_ + user + "-VN420P-" + suffix;
  }

  // The pid of the process listening on the service socket (SO_PEERCRED of a
  // connection names the listener), or -1.
  pid_t ServicePid() const;
  // Kills the service of this root, if one runs, and waits until it is gone.
  void StopService() const;

 private:
  ScratchDir base_;
  std::string root_, runtime_, folder_;
  std::optional<ScopedEnv> root_env_, runtime_env_;
  std::unique_ptr<ChildProcess> service_;
};

// Runs the installed bridgetool with the method and arguments.
platform::TaskResult RunBridge(const std::vector<std::string>& args);

// Starts fn in a forked child as user `name` (real, effective and saved ids,
// no supplementary groups, so nothing of root's rights is left), killed by an
// alarm after `seconds` (0: never); the child's pid, or -1. The child must not
// use the test framework; it reports through its exit code.
pid_t StartAs(const char* name, const std::function<int()>& fn, unsigned seconds = 0);
// StartAs, waited for: the child's exit code, or -1 when it crashed or was killed.
int RunAs(const char* name, const std::function<int()>& fn, unsigned seconds = 0);
inline int RunAsNobody(const std::function<int()>& fn) { return RunAs("nobody", fn); }
uid_t NobodyUid();

// The rest of a test runs as user `name`: real and effective ids (and so
// every program the test starts) are the user's, with no supplementary
// groups; only the saved id stays root, so the destructor can return to it.
// Does nothing (ok() false) when not root or there is no such user.
class ScopedUser {
 public:
  explicit ScopedUser(const char* name);
  ~ScopedUser();
  ScopedUser(const ScopedUser&) = delete;
  ScopedUser& operator=(const ScopedUser&) = delete;
  bool ok() const { return ok_; }

 private:
  bool switched_ = false, ok_ = false;
};

}  // namespace testsupport
