#include "platform/unique_fd.h"

#include <unistd.h>

namespace platform {

void UniqueFd::reset(int fd) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

bool UniqueFd::close() {
  int fd = release();
  return fd < 0 || ::close(fd) == 0;
}

}  // namespace platform
