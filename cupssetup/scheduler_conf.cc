#include "cupssetup/scheduler_conf.h"

#include <cups/cups.h>
#include <poll.h>
#include <sys/mman.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/read_all.h"
#include "platform/unique_fd.h"
#include "platform/write_all.h"

namespace cupssetup {

namespace {

constexpr const char* kResource = "/admin/conf/cupsd.conf";
constexpr size_t kMaxConfBytes = 4u << 20;

class Connection {
 public:
  Connection()
      : http_(
            httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 30000, nullptr)) {}
  ~Connection() {
    if (http_) httpClose(http_);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  http_t* get() const { return http_; }

 private:
  http_t* http_;
};

std::string Where() { return std::string("the scheduler at ") + cupsServer(); }

std::string Answer(http_status_t status) {
  std::string text = httpStatus(status);
  if (status == HTTP_STATUS_UNAUTHORIZED || status == HTTP_STATUS_FORBIDDEN)
    text += " (run it as root, or as a member of the scheduler's administrator group)";
  return text;
}

// A file in memory for libcups to read from or write to.
platform::UniqueFd MemoryFile() { return platform::UniqueFd(memfd_create("cupsd.conf", MFD_CLOEXEC)); }

}  // namespace

bool ReadSchedulerConf(std::string* conf, std::string* error) {
  Connection http;
  if (!http.get()) {
    *error = "cannot reach " + Where() + ": " + cupsLastErrorString();
    return false;
  }
  platform::UniqueFd file = MemoryFile();
  if (!file.valid()) {
    *error = std::string("cannot make a file in memory: ") + std::strerror(errno);
    return false;
  }
  const http_status_t status = cupsGetFd(http.get(), kResource, file.fd());
  if (status != HTTP_STATUS_OK) {
    *error = Where() + " did not hand out " + kResource + ": " + Answer(status);
    return false;
  }
  conf->clear();
  if (lseek(file.fd(), 0, SEEK_SET) != 0 || !platform::ReadAll(file.fd(), conf, kMaxConfBytes)) {
    *error = Where() + " handed out " + kResource +
             " beyond 4 MiB, or it could not be read back: " + std::strerror(errno);
    return false;
  }
  return true;
}

bool WriteSchedulerConf(const std::string& conf, int seconds, std::string* error) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  {
    Connection http;
    platform::UniqueFd file = MemoryFile();
    if (!http.get() || !file.valid()) {
      *error = "cannot reach " + Where() + ": " + cupsLastErrorString();
      return false;
    }
    if (!platform::WriteAll(file.fd(), conf) || lseek(file.fd(), 0, SEEK_SET) != 0) {
      *error = std::string("cannot make a file in memory: ") + std::strerror(errno);
      return false;
    }
    const http_status_t status = cupsPutFd(http.get(), kResource, file.fd());
    if (status != HTTP_STATUS_CREATED && status != HTTP_STATUS_OK) {
      *error = Where() + " refused the new " + kResource + ": " + Answer(status);
      return false;
    }
    // To restart, the scheduler first closes the connections that wait for
    // a request, this one among them, and takes no new one until it has read
    // the new text: once this one is closed, the next request is answered
    // under the new configuration.
    pollfd closed{httpGetFd(http.get()), POLLIN, 0};
    while (std::chrono::steady_clock::now() < deadline && poll(&closed, 1, 100) == 0) {
    }
  }
  std::string back, why;
  do {
    if (ReadSchedulerConf(&back, &why) && back == conf) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
  } while (std::chrono::steady_clock::now() < deadline);
  *error = Where() + " did not come back with the new " + std::string(kResource) + " within " +
           std::to_string(seconds) + " s" + (why.empty() ? "" : ": " + why);
  return false;
}

}  // namespace cupssetup
