#include "bridgetool/service_start.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/unique_fd.h"

extern char** environ;

namespace bridgetool {
namespace {

// A service started here ends itself after this long without a request.
constexpr const char* kIdleExitArg = "--idle-exit=120";

// Starts the service; its pid, or -1.
pid_t Start(const std::string& service_path) {
  posix_spawn_file_actions_t fa;
  posix_spawnattr_t attr;
  if (posix_spawn_file_actions_init(&fa) != 0) return false;
  if (posix_spawnattr_init(&attr) != 0) {
    posix_spawn_file_actions_destroy(&fa);
    return false;
  }
  // Detached from the caller: its own session, and none of our descriptors
  // (the caller reads our standard output to its end).
  bool ok = posix_spawn_file_actions_addopen(&fa, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0 &&
            posix_spawn_file_actions_addopen(&fa, STDOUT_FILENO, "/dev/null", O_WRONLY, 0) == 0 &&
            posix_spawn_file_actions_addopen(&fa, STDERR_FILENO, "/dev/null", O_WRONLY, 0) == 0 &&
            posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID) == 0;
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
  ok = ok && posix_spawn_file_actions_addclosefrom_np(&fa, STDERR_FILENO + 1) == 0;
#endif
  pid_t pid = -1;
  std::vector<char*> argv = {const_cast<char*>(service_path.c_str()), const_cast<char*>(kIdleExitArg), nullptr};
  ok = ok && posix_spawn(&pid, service_path.c_str(), &fa, &attr, argv.data(), environ) == 0;
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&fa);
  return ok ? pid : -1;
}

bool NobodyListens(int err) { return err == ENOENT || err == ECONNREFUSED; }

}  // namespace

std::string ServiceExecutablePath() {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || !self.has_parent_path()) return {};
  return (self.parent_path() / "prefservice").string();
}

platform::ipc::Socket ConnectOrStart(const std::string& socket_path, const std::string& service_path, int wait_ms,
                                     std::string* why) {
  std::string ignored;
  if (why == nullptr) why = &ignored;
  *why = "the service cannot be reached";
  platform::ipc::Socket s = platform::ipc::Connect(socket_path);
  if (s.valid() || !NobodyListens(errno) || service_path.empty()) return s;

  std::string lock_path = socket_path + ".start.lock";
  // Closing drops the lock.
  platform::UniqueFd lock(open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!lock.valid() || flock(lock.fd(), LOCK_EX) != 0) return s;

  // Another starter may have won while we waited for the lock.
  s = platform::ipc::Connect(socket_path);
  if (s.valid() || !NobodyListens(errno)) return s;
  // Something that is no socket at the name would make every start fail.
  struct stat st {};
  if (lstat(socket_path.c_str(), &st) == 0 && !S_ISSOCK(st.st_mode)) {
    if (S_ISDIR(st.st_mode) || unlink(socket_path.c_str()) != 0) {
      *why = "something that is no socket stands at " + socket_path;
      return s;
    }
  }
  pid_t service = access(service_path.c_str(), X_OK) == 0 ? Start(service_path) : -1;
  if (service < 0) {
    *why = "the service cannot be started from " + service_path;
    return s;
  }

  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
  auto pause = std::chrono::microseconds(200);
  while (std::chrono::steady_clock::now() < deadline) {
    s = platform::ipc::Connect(socket_path);
    if (s.valid()) return s;
    // A service that ended already will not listen (another one serves
    // this user's preference folder, or it could not bind).
    if (waitpid(service, nullptr, WNOHANG) == service) {
      *why = "the service ended at once: another may serve this user's preference folder";
      return s;
    }
    std::this_thread::sleep_for(pause);
    if (pause < std::chrono::milliseconds(10)) pause *= 2;
  }
  *why = "the service did not start listening";
  return s;
}

}  // namespace bridgetool
