#include "profilewalk/exchange.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace profilewalk {
namespace {

// The answer of the one request in flight. Process-wide so that a callback
// the library makes late (when it closes a session with the request still
// pending) never reaches a finished call's stack.
struct Pending {
  int reqid = 0;
  bool waiting = false;
  int status = STAT_ERROR;
  netsnmp_pdu* answer = nullptr;
};
Pending g_pending;

int Input(int op, netsnmp_session*, int reqid, netsnmp_pdu* pdu, void* magic) {
  auto* pending = static_cast<Pending*>(magic);
  if (!pending->waiting || reqid != pending->reqid) return 1;
  pending->waiting = false;
  if (op == NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE && pdu != nullptr) {
    pending->answer = snmp_clone_pdu(pdu);
    pending->status = pending->answer != nullptr ? STAT_SUCCESS : STAT_ERROR;
  } else if (op == NETSNMP_CALLBACK_OP_TIMED_OUT) {
    pending->status = STAT_TIMEOUT;
  } else {
    pending->status = STAT_ERROR;
  }
  return 1;
}

// What the library waits on for the session: its descriptors and how long
// until its next retry or time-out (nullopt: nothing pending).
struct Waits {
  std::vector<pollfd> fds;
  bool timed = false;
  std::chrono::microseconds until_timeout{0};
};

Waits SessionWaits(void* sessp) {
  Waits w;
  netsnmp_large_fd_set set;
  netsnmp_large_fd_set_init(&set, FD_SETSIZE);
  int numfds = 0, block = 1;
  timeval tv{};
  snmp_sess_select_info2_flags(sessp, &numfds, &set, &tv, &block, NETSNMP_SELECT_NOALARMS);
  for (int fd = 0; fd < numfds; ++fd)
    if (NETSNMP_LARGE_FD_ISSET(fd, &set)) w.fds.push_back(pollfd{fd, POLLIN, 0});
  netsnmp_large_fd_set_cleanup(&set);
  w.timed = block == 0;
  w.until_timeout = std::chrono::seconds(tv.tv_sec) + std::chrono::microseconds(tv.tv_usec);
  return w;
}

}  // namespace

int BoundedSynchResponse(netsnmp_session* session, netsnmp_pdu* pdu, netsnmp_pdu** response,
                         const ExchangeBounds& bounds, ExchangeEnd* end) {
  using Clock = std::chrono::steady_clock;
  *response = nullptr;
  *end = ExchangeEnd::kOther;
  if (Clock::now() >= bounds.deadline) {
    snmp_free_pdu(pdu);
    *end = ExchangeEnd::kDeadline;
    return STAT_TIMEOUT;
  }
  g_pending = Pending{};
  if (snmp_async_send(session, pdu, Input, &g_pending) == 0) {
    snmp_free_pdu(pdu);
    return STAT_ERROR;
  }
  g_pending.reqid = pdu->reqid;
  g_pending.waiting = true;
  void* sessp = snmp_sess_pointer(session);
  while (g_pending.waiting) {
    Waits w = SessionWaits(sessp);
    auto now = Clock::now();
    if (now >= bounds.deadline) {
      g_pending.waiting = false;
      *end = ExchangeEnd::kDeadline;
      return STAT_TIMEOUT;
    }
    auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(bounds.deadline - now) +
                std::chrono::milliseconds(1);
    if (w.timed) wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(w.until_timeout));
    size_t session_fds = w.fds.size();
    if (bounds.hangup_fd >= 0) w.fds.push_back(pollfd{bounds.hangup_fd, 0, 0});
    int ready = poll(w.fds.data(), w.fds.size(), static_cast<int>(std::min<long long>(wait.count(), 60000)));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) {
      g_pending.waiting = false;
      return STAT_ERROR;
    }
    if (bounds.hangup_fd >= 0 && (w.fds.back().revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
      g_pending.waiting = false;
      *end = ExchangeEnd::kHangUp;
      return STAT_ERROR;
    }
    if (ready == 0) {
      snmp_sess_timeout(sessp);  // a retry, or the time-out callback
      continue;
    }
    netsnmp_large_fd_set readable;
    netsnmp_large_fd_set_init(&readable, FD_SETSIZE);
    bool any = false;
    for (size_t i = 0; i < session_fds; ++i) {
      if (w.fds[i].revents == 0) continue;
      NETSNMP_LARGE_FD_SET(w.fds[i].fd, &readable);
      any = true;
    }
    if (any) snmp_sess_read2(sessp, &readable);
    netsnmp_large_fd_set_cleanup(&readable);
  }
  if (g_pending.status == STAT_SUCCESS) {
    *response = g_pending.answer;
    *end = ExchangeEnd::kAnswered;
  }
  g_pending.answer = nullptr;
  return g_pending.status;
}

}  // namespace profilewalk
