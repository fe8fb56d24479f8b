// Child processes with their standard output on a pipe (the task + pipe of
// the privileged requests).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/status.h"

namespace platform {

struct TaskResult {
  int exitStatus = -1;     // exit code, or -1 when the child did not exit normally
  std::string output;      // everything the child wrote to standard output
};

// Starts path with argv (argv[0] included), reads its standard output to the
// end and waits for it. noErr, or paramErr when it cannot be started
// (result->exitStatus stays -1). Standard input is /dev/null; standard error is
// inherited.
// An empty argv is refused with paramErr. No descriptor of the caller other
// than standard error reaches the child.
OSStatus RunTask(const std::string& path, const std::vector<std::string>& argv, TaskResult* result);

// The process-spawning seam: when a runner is installed, RunTask hands every
// call to it (result already reset) instead of starting a process. Tests of
// callers install a fake; nullptr goes back to real processes. Returns the
// previous runner. Thread-safe.
using TaskRunner =
    std::function<OSStatus(const std::string& path, const std::vector<std::string>& argv, TaskResult* result)>;
TaskRunner SetTaskRunner(TaskRunner runner);

}  // namespace platform
