// One owned file descriptor: closed when the owner goes, handed on by move.
// Every descriptor the tree opens and keeps past one statement lives in one,
// so an early return cannot leak it. Header-only: the bridge tool builds
// from a short list of sources.
#pragma once

#include <unistd.h>

namespace platform {

class UniqueFd {
 public:
  UniqueFd() = default;
  // Takes `fd` (a negative value holds nothing).
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int fd() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Gives the descriptor up without closing it; the owner holds nothing after.
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes what it holds (a failed close is not reported) and takes `fd`.
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  // Closes now and answers whether close(2) succeeded (true when nothing was
  // held), for writes whose last error only close reports. errno tells why.
  bool close() {
    int fd = release();
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_ = -1;
};

}  // namespace platform
