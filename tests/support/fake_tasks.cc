#include "fake_tasks.h"

#include <algorithm>

namespace testsupport {

FakeTasks::FakeTasks(Answer answer) : answer_(std::move(answer)) {
  previous_ = platform::SetTaskRunner(
      [this](const std::string& path, const std::vector<std::string>& argv, platform::TaskResult* result) {
        calls_.push_back(argv);
        result->exitStatus = 0;
        if (answer_) answer_(path, argv, result);
        return platform::noErr;
      });
}

FakeTasks::~FakeTasks() { platform::SetTaskRunner(std::move(previous_)); }

int FakeTasks::Count(const std::string& argument) const {
  return static_cast<int>(std::count_if(
      calls_.begin(), calls_.end(),
      [&](const std::vector<std::string>& argv) { return argv.size() > 1 && argv[1] == argument; }));
}

}  // namespace testsupport
