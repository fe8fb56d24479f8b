// prefservice: answers the privileged requests of the colour plug-in's bridge
// tool on the service socket. Started on demand: by systemd socket activation
// (the socket arrives as descriptor 3), or by the bridge tool, in which case
// it binds the socket itself. Options: --idle-exit=SECONDS ends the service
// after that long without a connection (0, the default: never); --version
// prints the version.
#include <fcntl.h>
#include <malloc.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/ipc.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/unique_fd.h"
#include "prefservice/listener.h"
#include "protocol/request.h"
#include "vn420p_version.h"

namespace {

// The folders in which one service per user and preference folder is agreed
// on: each a real folder of this user closed to others, so no other user can
// take a lock there first. The login manager's runtime folder and the private
// folder in /tmp are the same for every session of the user, whatever
// XDG_RUNTIME_DIR says, and the runtime folder in use is one too. A folder
// another user made or opened is passed over (never trusted), so at worst
// two services of one user on different runtime folders are not kept apart;
// no other user can keep this one from starting.
std::vector<std::string> LockFolders() {
  std::vector<std::string> found;
  std::vector<std::pair<dev_t, ino_t>> seen;
  for (const std::string& dir : {"/run/user/" + std::to_string(geteuid()), platform::ipc::PrivateFolder(),
                                 platform::ipc::RuntimeDirectory()}) {
    struct stat st {};
    if (dir.empty() || !platform::ipc::IsPrivateFolder(dir) || stat(dir.c_str(), &st) != 0) continue;
    if (std::find(seen.begin(), seen.end(), std::make_pair(st.st_dev, st.st_ino)) != seen.end()) continue;
    seen.emplace_back(st.st_dev, st.st_ino);
    found.push_back(dir);
  }
  return found;
}

// One service per user and preference folder, whatever runtime folder it
// listens in: two would undo each other's steps on the same files. A lock is
// taken in every folder of LockFolders(), in that order (so two starters
// never each hold one the other waits for), and held for the life of the
// process; a predecessor that is just ending is waited for briefly. False
// (*why set) when another service holds one, or no folder is usable.
bool TakeFolderLocks(std::string* why) {
  std::string folder = platform::paths::PreferenceFolder();
  struct stat st {};
  std::string key = stat(folder.c_str(), &st) == 0
                        ? std::to_string(st.st_dev) + "-" + std::to_string(st.st_ino)
                        : std::to_string(std::hash<std::string>()(folder));
  std::vector<std::string> dirs = LockFolders();
  if (dirs.empty()) {
    *why = "no folder of this user closed to others for the service's lock";
    return false;
  }
  for (const std::string& dir : dirs) {
    std::string path = dir + "/prefservice-" + key + ".lock";
    platform::UniqueFd lock(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!lock.valid()) {
      *why = "cannot open " + path + ": " + std::strerror(errno);
      return false;
    }
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (flock(lock.fd(), LOCK_EX | LOCK_NB) != 0) {
      if (std::chrono::steady_clock::now() >= until) {
        *why = "another service already serves this user's preference folder (" + path + ")";
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    lock.release();  // stays open: the lock is ours until exit
  }
  return true;
}

// The service never works relative to the folder it was started in: a
// relative installation root is made whole first.
void LeaveStartingFolder() {
  const char* root = getenv("VN420P_ROOT");
  if (root != nullptr && root[0] != '\0' && root[0] != '/') {
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd) != nullptr) setenv("VN420P_ROOT", (std::string(cwd) + "/" + root).c_str(), 1);
  }
  if (chdir("/") != 0) platform::log::Writef(LOG_WARNING, "prefservice: chdir /: %s", strerror(errno));
}

}  // namespace

int main(int argc, char** argv) {
  int idle_seconds = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) return std::puts("prefservice " VN420P_VERSION) < 0;
    if (std::strncmp(argv[i], "--idle-exit=", 12) == 0) idle_seconds = std::atoi(argv[i] + 12);
  }
  // Requests move strings of a few hundred kilobytes; keep them in the heap
  // instead of mapping and unmapping (and faulting in) each one.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
  LeaveStartingFolder();
  prefservice::HVmacprefserviceDelegate delegate(geteuid(), platform::paths::LoginName());

  platform::ipc::Socket listener(platform::ipc::ActivatedSocket());
  std::string why;
  if (!TakeFolderLocks(&why)) {
    platform::log::Writef(LOG_ERR, "prefservice: %s", why.c_str());
    return 1;
  }
  std::string socket_path;
  platform::UniqueFd service_lock;  // held until the service ends
  if (!listener.valid()) {
    socket_path = platform::ipc::SocketPath(protocol::kServiceName);
    if (socket_path.empty()) return 0;
    // One service per socket: the lock is held for the life of the process; a
    // second instance waits for an exiting first one and then finds the
    // socket gone, or gives up when it still answers.
    std::string lock_path = socket_path + ".service.lock";
    service_lock.reset(open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!service_lock.valid() || flock(service_lock.fd(), LOCK_EX) != 0) return 0;
    listener = platform::ipc::Listen(socket_path);
    if (!listener.valid()) {
      platform::log::Writef(LOG_ERR, "prefservice: cannot listen on %s: %s", socket_path.c_str(), strerror(errno));
      return 0;
    }
  }
  delegate.Run(std::move(listener), idle_seconds, socket_path);
  return 0;
}
