// PPD text generated for tests and benchmarks: the Security pane's three
// options, a PageSize option, filler options and any number of constraints.
#pragma once

#include <string>
#include <vector>

#include "scratch_dir.h"

namespace securitypane::testing {

struct GeneratedPpd {
  int fillerOptions = 64;                     // "Filler0".. with choices "A", "B"
  int unrelatedConstraints = 0;               // between filler options
  std::vector<std::string> extraConstraints;  // "*UIConstraints: ..." lines, written first
  std::vector<std::string> extraLines;        // written before the constraints
};

// The whole PPD text.
std::string GeneratePpd(const GeneratedPpd& shape);
// The text in a file of a fresh temporary folder, removed with the object.
class ScopedPpdFile {
 public:
  explicit ScopedPpdFile(const std::string& text) : path_(dir_.Write("generated.ppd", text)) {}
  const std::string& path() const { return path_; }

 private:
  testsupport::ScratchDir dir_{"vn-genppd"};
  std::string path_;
};

}  // namespace securitypane::testing
