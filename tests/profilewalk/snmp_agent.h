// A private snmpd for tests and benchmarks: started on 127.0.0.1 at a free
// unprivileged port with its own configuration in a scratch folder, serving
// the printer's profile table through profile_agent.py (pass_persist), and
// stopped and removed again with the object.
#pragma once

#include <sys/types.h>

#include <string>

namespace profilewalk::testing {

class SnmpAgent {
 public:
  // `mode` and `extra` are profile_agent.py's arguments; `port` 0 picks a
  // free unprivileged port. On failure skipReason() says why (tests then skip).
  explicit SnmpAgent(const std::string& mode, const std::string& extra = "", int port = 0);
  ~SnmpAgent();
  SnmpAgent(const SnmpAgent&) = delete;
  SnmpAgent& operator=(const SnmpAgent&) = delete;

  const std::string& skipReason() const { return skip_reason_; }
  // "127.0.0.1:<port>"
  std::string address() const;
  // Stops the agent; later requests time out.
  void Stop();

 private:
  void WarmUp();
  std::string dir_, skip_reason_;
  int port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace profilewalk::testing
