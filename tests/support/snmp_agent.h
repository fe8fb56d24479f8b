// A private snmpd for tests and benchmarks: started on 127.0.0.1 (or another
// local IPv4 address) at a free unprivileged port with its own configuration
// in a scratch folder, serving the printer's profile table through
// profile_agent.py (pass_persist), and stopped and removed again with the
// object.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

#include "scratch_dir.h"

namespace profilewalk::testing {

class SnmpAgent {
 public:
  // `mode` and `extra` are profile_agent.py's arguments; `port` 0 picks a
  // free unprivileged port on `host`, which also is the only source the agent
  // answers. On failure skipReason() says why (tests then skip).
  explicit SnmpAgent(const std::string& mode, const std::string& extra = "", int port = 0,
                     const std::string& host = "127.0.0.1");
  ~SnmpAgent();
  SnmpAgent(const SnmpAgent&) = delete;
  SnmpAgent& operator=(const SnmpAgent&) = delete;

  const std::string& skipReason() const { return skip_reason_; }
  // "<host>:<port>"
  std::string address() const;
  // Stops the agent; later requests time out.
  void Stop();

 private:
  void WarmUp();
  std::string host_, skip_reason_;
  std::unique_ptr<testsupport::ScratchDir> dir_;
  int port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace profilewalk::testing
