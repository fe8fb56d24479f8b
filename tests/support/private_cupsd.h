// A private CUPS scheduler for tests: cupsd started on a Unix socket in a
// scratch folder with its own configuration, queues added with lpadmin, and
// everything removed again. libcups in this process and in children (through
// CUPS_SERVER) talk to it.
#pragma once

#include <sys/types.h>

#include <string>

namespace testsupport {

class PrivateCupsd {
 public:
  // Starts the scheduler; on failure skipReason() says why (tests then skip).
  // With `model_dir`, the scheduler's data folder is a private copy of the
  // system's whose "model" folder is `model_dir`, so that its driver list
  // (lpinfo -m) holds the PPDs there. `conf` is added to its cupsd.conf
  // (a <Policy> section, say).
  explicit PrivateCupsd(const std::string& model_dir = "", const std::string& conf = "");
  ~PrivateCupsd();
  PrivateCupsd(const PrivateCupsd&) = delete;
  PrivateCupsd& operator=(const PrivateCupsd&) = delete;

  const std::string& skipReason() const { return skip_reason_; }
  const std::string& dir() const { return dir_; }
  const std::string& socket() const { return socket_; }
  // lpadmin -p NAME -E -v URI [-P PPD]; false (and a skip reason) on failure.
  bool addQueue(const std::string& name, const std::string& uri, const std::string& ppd = "");

 private:
  std::string dir_, socket_, skip_reason_;
  pid_t pid_ = -1;
};

// A job's attribute as the scheduler (CUPS_SERVER) recorded it, in IPP's
// text form; "" when absent.
std::string JobAttribute(const std::string& queue, int job, const char* name);

}  // namespace testsupport
