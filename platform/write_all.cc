#include "platform/write_all.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

bool WriteAll(int fd, std::string_view bytes) {
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
