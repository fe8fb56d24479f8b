// pdehost with the privileged chain installed under a scratch installation
// root: bridgetool at its launch path, prefservice beside it and started here
// (so that it stops with the rig), the preference folder ready. The rig sets
// VN420P_ROOT and XDG_RUNTIME_DIR while it lives; one rig at a time.
#pragma once

#include <string>
#include <vector>

#include "pdehost_runner.h"
#include "temp_root.h"

namespace profilewalk::testing {

class PdehostRig {
 public:
  PdehostRig();

  // Empty when the rig is ready, else what went wrong.
  const std::string& error() const { return error_; }
  // The installation root.
  const std::string& root() const { return root_.root(); }

  using Run = testsupport::PdehostRun;
  // pdehost --plugins <build> --device-uri URI ARGS...
  Run Pdehost(const std::string& device_uri, const std::vector<std::string>& args) const;

  // The user's profile file under the rig's root.
  std::string ProfileFile() const;
  // What the management window does when the user ticks every profile: every
  // item of the three lists becomes shown in menus. False when the file
  // cannot be read or written.
  bool ShowEveryProfile() const;

 private:
  testsupport::TempRoot root_{true};
  std::string error_;
};

}  // namespace profilewalk::testing
