// The service's listener: accepts connections on the service socket, admits
// only peers with the service's own user id, and serves one request per
// connection on its own thread.
#pragma once

#include <sys/types.h>

#include <string>

#include "platform/ipc.h"

namespace prefservice {

// Spelled as the design spells it (not a typo to fix).
class HVmacprefserviceDelegate {
 public:
  // `uid` is the only peer user admitted; `login` its login name.
  HVmacprefserviceDelegate(uid_t uid, std::string login) : uid_(uid), login_(std::move(login)) {}

  // Whether to serve the connection: only a peer whose SO_PEERCRED user id
  // is the service's own.
  bool shouldAcceptNewConnection(int fd) const;

  // Reads one request (method frame, request frame; a request over
  // kMaxRequestBytes is refused unread; the whole request must arrive within
  // 5 s), runs it for the dialog that started the peer (its parent process)
  // and writes the reply frame. An unknown method gets no reply. Of the
  // connections still sending, at most 16 are kept: a new one drops the one
  // that began first.
  void ServeConnection(platform::ipc::Socket connection) const;

  // Accepts until the listener has been idle for idle_seconds (0: forever)
  // with no request in progress. When `socket_path` is set (the service bound
  // it itself) it is removed before the last pending connections are served,
  // so a new starter never finds a socket nobody will answer.
  void Run(platform::ipc::Socket listener, int idle_seconds, const std::string& socket_path) const;

 private:
  uid_t uid_;
  std::string login_;
};

}  // namespace prefservice
