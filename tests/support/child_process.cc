#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "files.h"

extern char** environ;

namespace testsupport {

namespace {

using Clock = std::chrono::steady_clock;

pid_t Spawn(const std::vector<std::string>& argv, const std::string& out) {
  if (argv.empty()) return -1;
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = -1;
  std::string program = FindProgram(argv[0]);
  if (program.empty()) program = argv[0];
  const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

}  // namespace

std::string FindProgram(const std::string& name, const std::vector<std::string>& extra_dirs) {
  if (name.find('/') != std::string::npos) return name;
  std::vector<std::string> dirs;
  const std::string path = getenv("PATH") != nullptr ? getenv("PATH") : "";
  for (size_t start = 0; start <= path.size();) {
    size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) dirs.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  dirs.insert(dirs.end(), extra_dirs.begin(), extra_dirs.end());
  for (const std::string& dir : dirs) {
    const std::string candidate = dir + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& log_path)
    : pid_(Spawn(argv, log_path)), log_(log_path) {}

bool ChildProcess::running() {
  if (pid_ <= 0) return false;
  if (waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1;
  return pid_ > 0;
}

void ChildProcess::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  const auto deadline = Clock::now() + std::chrono::seconds(3);
  while (waitpid(pid_, nullptr, WNOHANG) == 0) {
    if (Clock::now() > deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid_ = -1;
}

int RunCommand(const std::vector<std::string>& argv) {
  const pid_t pid = Spawn(argv, "/dev/null");
  int status = 0;
  if (pid <= 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

bool WaitForText(const std::string& path, const std::string& text, double seconds, ChildProcess* process) {
  const auto deadline =
      Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  for (;;) {
    const bool ended = process != nullptr && !process->running();
    if (ReadText(path).find(text) != std::string::npos) return true;
    if (ended || Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace testsupport
