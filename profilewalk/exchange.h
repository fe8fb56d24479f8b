// One request and its answer on an open session, bounded: what the walk uses
// in place of the library's own synchronous call, so that a walk ends by its
// deadline whatever the agent's time-outs and retries, and at once when its
// caller hangs up. REQUIRES: WalkMutex() held (the library's session calls
// are not thread-safe).
#pragma once

#include <net-snmp/library/large_fd_set.h>
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <chrono>

namespace profilewalk {

struct ExchangeBounds {
  // No answer is waited for past this point; no request is sent after it.
  std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
  // A descriptor whose hang-up (POLLHUP or POLLERR) ends the exchange; -1: none.
  int hangup_fd = -1;
};

enum class ExchangeEnd { kAnswered, kDeadline, kHangUp, kOther };

// Sends `pdu` (consumed in every case) and waits for its answer as the
// library's synchronous call does (the session's own time-out and retries),
// but no longer than the bounds allow. Answers STAT_SUCCESS with *response
// set (the caller frees it), STAT_TIMEOUT (the agent's silence or the
// deadline) or STAT_ERROR; *end says which way it ended.
int BoundedSynchResponse(netsnmp_session* session, netsnmp_pdu* pdu, netsnmp_pdu** response,
                         const ExchangeBounds& bounds, ExchangeEnd* end);

}  // namespace profilewalk
