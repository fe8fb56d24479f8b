// Writing a whole buffer to a descriptor whose writes may come back short
// (pipes, sockets, interrupted calls). Header-only: the bridge tool builds
// from a short list of sources.
#pragma once

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace platform {

// Writes every byte of `bytes` to `fd`, going on after short writes and
// EINTR. On a socket a peer that has gone away is an error (EPIPE), never a
// SIGPIPE. False with errno set when a write fails; how much of `bytes`
// reached the file is then unknown.
inline bool WriteAll(int fd, std::string_view bytes) {
  // send() with MSG_NOSIGNAL keeps a closed peer from killing the process;
  // anything that is not a socket answers ENOTSOCK once and gets write().
  bool socket = true;
  while (!bytes.empty()) {
    ssize_t n =
        socket ? send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) : write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == ENOTSOCK && socket) {
      socket = false;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) {  // no progress and no reason: do not spin
      errno = EIO;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace platform
