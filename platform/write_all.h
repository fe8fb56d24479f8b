// Writing a whole buffer to a descriptor whose writes may come back short
// (pipes, sockets, interrupted calls).
#pragma once

#include <string_view>

namespace platform {

// Writes every byte of `bytes` to `fd`, going on after short writes and
// EINTR. On a socket a peer that has gone away is an error (EPIPE), never a
// SIGPIPE. False with errno set when a write fails; how much of `bytes`
// reached the file is then unknown.
bool WriteAll(int fd, std::string_view bytes);

}  // namespace platform
