// A daemon or helper started for a test, its standard output and error in a
// log file; stopped (SIGTERM, then SIGKILL after 3 s) and reaped with the
// object. Also: a command run to its end, and waiting for a line in a log.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace testsupport {

class ChildProcess {
 public:
  // Starts argv[0] (found with FindProgram) with argv;
  // running() says whether it did.
  ChildProcess(const std::vector<std::string>& argv, const std::string& log_path);
  ~ChildProcess() { Stop(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // False once it could not start or has exited (it is then reaped).
  bool running();
  void Stop();
  const std::string& log() const { return log_; }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  std::string log_;
};

// The program `name` in PATH, then in `extra_dirs` (system folders a user's
// PATH may leave out); `name` itself when it holds a '/'; "" when not found.
std::string FindProgram(const std::string& name,
                        const std::vector<std::string>& extra_dirs = {"/usr/sbin", "/sbin"});

// Runs argv to its end, output discarded; its exit status, or -1 when it did
// not start or did not exit normally.
int RunCommand(const std::vector<std::string>& argv);

// Waits until `path` contains `text` or `seconds` pass, returning early (false)
// when `process` is given and ends first.
bool WaitForText(const std::string& path, const std::string& text, double seconds,
                 ChildProcess* process = nullptr);

}  // namespace testsupport
