// Stands in for every program platform::RunTask would start while the object
// lives (the process seam): records each call's argv and lets the test answer
// it; the previous runner comes back with the destructor.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/process.h"

namespace testsupport {

class FakeTasks {
 public:
  // Fills in the result of one call (already reset: exit status 0, no output).
  using Answer = std::function<void(const std::string& path, const std::vector<std::string>& argv,
                                    platform::TaskResult* result)>;

  explicit FakeTasks(Answer answer = nullptr);
  ~FakeTasks();
  FakeTasks(const FakeTasks&) = delete;
  FakeTasks& operator=(const FakeTasks&) = delete;

  // Every call's argv, in order.
  const std::vector<std::vector<std::string>>& calls() const { return calls_; }
  // How many calls had `argument` as argv[1] (the bridge tool's method).
  int Count(const std::string& argument) const;

 private:
  Answer answer_;
  std::vector<std::vector<std::string>> calls_;
  platform::TaskRunner previous_;
};

}  // namespace testsupport
