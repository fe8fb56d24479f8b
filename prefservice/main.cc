// prefservice: answers the privileged requests of the colour plug-in's bridge
// tool on the service socket. Started on demand: by systemd socket activation
// (the socket arrives as descriptor 3), or by the bridge tool, in which case
// it binds the socket itself. Options: --idle-exit=SECONDS ends the service
// after that long without a connection (0, the default: never); --version
// prints the version.
#include <fcntl.h>
#include <malloc.h>
#include <sys/file.h>
#include <unistd.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "platform/ipc.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "prefservice/listener.h"
#include "protocol/request.h"
#include "vn420p_version.h"

namespace {

// One service per user and preference folder, whatever runtime folder it
// listens in: two would undo each other's steps on the same files. The lock
// lives in the user's private folder and is held for the life of the
// process; a predecessor that is just ending is waited for briefly.
bool TakeFolderLock() {
  std::string dir = platform::ipc::PrivateFolder();
  if (dir.empty()) return false;
  std::string folder = platform::paths::PreferenceFolder();
  struct stat st {};
  std::string key = stat(folder.c_str(), &st) == 0
                        ? std::to_string(st.st_dev) + "-" + std::to_string(st.st_ino)
                        : std::to_string(std::hash<std::string>()(folder));
  std::string path = dir + "/prefservice-" + key + ".lock";
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (std::chrono::steady_clock::now() >= until) {
      close(fd);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;  // the descriptor stays open: the lock is ours until exit
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
  prefservice::HVmacprefserviceDelegate delegate(geteuid(), platform::paths::LoginName());

  platform::ipc::Socket listener(platform::ipc::ActivatedSocket());
  if (!TakeFolderLock()) {
    platform::log::Write(LOG_ERR, "prefservice: another service already serves this user's preference folder");
    return 1;
  }
  std::string socket_path;
  if (!listener.valid()) {
    socket_path = platform::ipc::SocketPath(protocol::kServiceName);
    if (socket_path.empty()) return 0;
    // One service per socket: the lock is held for the life of the process; a
    // second instance waits for an exiting first one and then finds the
    // socket gone, or gives up when it still answers.
    std::string lock_path = socket_path + ".service.lock";
    int lock_fd = open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock_fd < 0 || flock(lock_fd, LOCK_EX) != 0) return 0;
    listener = platform::ipc::Listen(socket_path);
    if (!listener.valid()) {
      platform::log::Writef(LOG_ERR, "prefservice: cannot listen on %s: %s", socket_path.c_str(), strerror(errno));
      return 0;
    }
  }
  delegate.Run(std::move(listener), idle_seconds, socket_path);
  return 0;
}
