#include "pdehost_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "files.h"
#include "samples.h"
#include "scratch_dir.h"

extern char** environ;

namespace testsupport {

namespace {

using Clock = std::chrono::steady_clock;

// Waits for `pid` until `deadline`; then SIGTERM, and SIGKILL 2 s later.
int WaitWithin(pid_t pid, Clock::time_point deadline) {
  int status = 0;
  bool overran = false;
  auto pause = std::chrono::microseconds(200);
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0) return -1;
    const auto now = Clock::now();
    if (now > deadline) {
      kill(pid, overran ? SIGKILL : SIGTERM);
      if (!overran) deadline = now + std::chrono::seconds(2);
      overran = true;
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::microseconds(5000));
  }
  if (overran) return 124;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

}  // namespace

std::string PdehostPath() {
  const char* other = std::getenv("VN_PDEHOST");
  return other != nullptr ? other : BuildPath("bin/pdehost");
}

std::string PdehostPluginDir() {
  if (std::getenv("VN_PDEHOST") == nullptr) return PluginDir();
  return (std::filesystem::path(PdehostPath()).parent_path().parent_path() / "plugins").string();
}

PdehostRun RunPdehost(const PdehostCall& call) {
  ScratchDir io("vn-pdehost-io");
  const std::string in = io.Write("stdin", call.input), out = io.File("stdout"), err = io.File("stderr");
  const std::string exe = PdehostPath();
  std::vector<std::string> argv = {exe, "--plugins", PdehostPluginDir()};
  const bool names_ppd = std::any_of(call.args.begin(), call.args.end(),
                                     [](const std::string& a) { return a == "--ppd" || a == "--printer"; });
  if (call.samplePpd && !names_ppd) argv.insert(argv.end(), {"--ppd", SamplePpd()});
  argv.insert(argv.end(), call.args.begin(), call.args.end());
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (call.mergeErr)
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
  else
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  // Nothing else of the test process reaches the program.
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);

  PdehostRun run;
  const auto start = Clock::now();
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, exe.c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return run;
  const auto limit =
      std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(call.timeoutSeconds));
  run.status = WaitWithin(pid, start + limit);
  run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  run.out = ReadText(out);
  if (!call.mergeErr) run.err = ReadText(err);
  return run;
}

}  // namespace testsupport
