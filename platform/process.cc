#include "platform/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "platform/read_all.h"
#include "platform/unique_fd.h"

extern char** environ;

namespace platform {
namespace {

std::mutex g_runner_mutex;
TaskRunner& Runner() {
  static auto* runner = new TaskRunner();
  return *runner;
}

struct FileActions {
  posix_spawn_file_actions_t fa;
  bool ok;
  FileActions() : ok(posix_spawn_file_actions_init(&fa) == 0) {}
  ~FileActions() {
    if (ok) posix_spawn_file_actions_destroy(&fa);
  }
};

OSStatus Spawn(const std::string& path, const std::vector<std::string>& argv, TaskResult* result) {
  int p[2];
  // Close-on-exec: neither end may leak into this child or any other one.
  if (pipe2(p, O_CLOEXEC) != 0) return paramErr;
  UniqueFd read_end(p[0]), write_end(p[1]);
  // With standard descriptors closed the pipe may land on 0..2, where the
  // child's redirections would overwrite it; move it up first.
  for (UniqueFd* end : {&read_end, &write_end}) {
    if (end->fd() > STDERR_FILENO) continue;
    int moved = fcntl(end->fd(), F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    if (moved < 0) return paramErr;
    end->reset(moved);
  }

  FileActions actions;
  if (!actions.ok) return paramErr;
  if (posix_spawn_file_actions_addopen(&actions.fa, STDIN_FILENO, "/dev/null", O_RDONLY, 0) != 0 ||
      posix_spawn_file_actions_adddup2(&actions.fa, write_end.fd(), STDOUT_FILENO) != 0)
    return paramErr;
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
  // Descriptors the parent opened without close-on-exec stay out too.
  posix_spawn_file_actions_addclosefrom_np(&actions.fa, STDERR_FILENO + 1);
#endif

  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  pid_t pid = -1;
  if (posix_spawn(&pid, path.c_str(), &actions.fa, nullptr, args.data(), environ) != 0) return paramErr;
  write_end.reset();  // so the read below sees the end when the child exits

  ReadAll(read_end.fd(), &result->output);  // a failed read ends the output like its end
  read_end.reset();

  int status = 0;
  pid_t w;
  do {
    w = waitpid(pid, &status, 0);
  } while (w < 0 && errno == EINTR);
  if (w == pid && WIFEXITED(status)) result->exitStatus = WEXITSTATUS(status);
  return noErr;
}

}  // namespace

OSStatus RunTask(const std::string& path, const std::vector<std::string>& argv, TaskResult* result) {
  if (result == nullptr) return paramErr;
  *result = TaskResult();
  TaskRunner runner;
  {
    std::lock_guard<std::mutex> lock(g_runner_mutex);
    runner = Runner();
  }
  if (runner) return runner(path, argv, result);
  if (path.empty() || argv.empty()) return paramErr;
  return Spawn(path, argv, result);
}

TaskRunner SetTaskRunner(TaskRunner runner) {
  std::lock_guard<std::mutex> lock(g_runner_mutex);
  TaskRunner previous = std::move(Runner());
  Runner() = std::move(runner);
  return previous;
}

}  // namespace platform
