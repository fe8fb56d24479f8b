// Reading a descriptor to its end, within a bound. Header-only, like
// write_all.h.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Appends what `fd` gives until its end to *out, going on after EINTR. False
// when a read fails (errno set) or more than max_bytes arrive (errno EFBIG,
// nothing past the bound is kept); what was read before stays in *out.
inline bool ReadAll(int fd, std::string* out, size_t max_bytes = SIZE_MAX) {
  char block[65536];
  size_t total = 0;
  for (;;) {
    ssize_t n = read(fd, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (static_cast<size_t>(n) > max_bytes - total) {
      errno = EFBIG;
      return false;
    }
    total += static_cast<size_t>(n);
    out->append(block, static_cast<size_t>(n));
  }
}

}  // namespace platform
