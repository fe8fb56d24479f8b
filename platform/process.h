// Child processes with their standard output on a pipe (the task + pipe of
// the privileged requests).
#pragma once

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
OSStatus RunTask(const std::string& path, const std::vector<std::string>& argv, TaskResult* result);

}  // namespace platform
