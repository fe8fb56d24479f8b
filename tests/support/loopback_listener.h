// A listener on the loopback interface (or a Unix socket) that counts what
// reaches it and never answers: a printer that is switched off, or a
// transport a request must never reach.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>

#include "platform/unique_fd.h"

namespace testsupport {

class LoopbackListener {
 public:
  enum Kind { kUdp4, kTcp4, kUdp6, kTcp6, kUnix };

  // `port` 0 picks a free one; a Unix listener binds `unix_path`.
  explicit LoopbackListener(Kind kind, int port = 0, const std::string& unix_path = "") : kind_(kind) {
    int family = kind == kUnix ? AF_UNIX : (kind == kUdp6 || kind == kTcp6) ? AF_INET6 : AF_INET;
    bool datagram = kind == kUdp4 || kind == kUdp6;
    fd_.reset(socket(family, (datagram ? SOCK_DGRAM : SOCK_STREAM) | SOCK_CLOEXEC, 0));
    if (!fd_.valid()) return;
    sockaddr_storage addr{};
    socklen_t len = 0;
    if (family == AF_INET) {
      auto* in = reinterpret_cast<sockaddr_in*>(&addr);
      in->sin_family = AF_INET;
      in->sin_port = htons(static_cast<uint16_t>(port));
      in->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      len = sizeof *in;
    } else if (family == AF_INET6) {
      auto* in6 = reinterpret_cast<sockaddr_in6*>(&addr);
      in6->sin6_family = AF_INET6;
      in6->sin6_port = htons(static_cast<uint16_t>(port));
      in6->sin6_addr = in6addr_loopback;
      len = sizeof *in6;
    } else {
      auto* un = reinterpret_cast<sockaddr_un*>(&addr);
      un->sun_family = AF_UNIX;
      std::strncpy(un->sun_path, unix_path.c_str(), sizeof un->sun_path - 1);
      len = sizeof *un;
    }
    if (bind(fd_.fd(), reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
        (!datagram && listen(fd_.fd(), 8) != 0)) {
      fd_.reset();
      return;
    }
    if (family != AF_UNIX) {
      getsockname(fd_.fd(), reinterpret_cast<sockaddr*>(&addr), &len);
      port_ = ntohs(family == AF_INET ? reinterpret_cast<sockaddr_in*>(&addr)->sin_port
                                      : reinterpret_cast<sockaddr_in6*>(&addr)->sin6_port);
    }
  }
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  bool valid() const { return fd_.valid(); }
  int port() const { return port_; }
  // "127.0.0.1:<port>".
  std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

  // Whether a datagram or a connection arrives within `wait`; takes it.
  bool Heard(std::chrono::milliseconds wait) {
    pollfd p{fd_.fd(), POLLIN, 0};
    if (!fd_.valid() || poll(&p, 1, static_cast<int>(wait.count())) <= 0) return false;
    if (kind_ == kUdp4 || kind_ == kUdp6) {
      char packet[2048];
      return recv(fd_.fd(), packet, sizeof packet, 0) >= 0;
    }
    platform::UniqueFd connection(accept(fd_.fd(), nullptr, nullptr));  // closed at once
    return true;
  }

 private:
  Kind kind_;
  platform::UniqueFd fd_;
  int port_ = 0;
};

}  // namespace testsupport
