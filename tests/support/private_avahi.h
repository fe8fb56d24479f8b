// A private mDNS responder for tests, inside the network sandbox: a system
// message bus of its own (dbus-daemon with its own configuration and socket)
// and avahi-daemon on it (its own configuration, no chroot, root kept, only
// the sandbox's veth ends), records published with avahi-publish. This
// process and its children reach the bus through DBUS_SYSTEM_BUS_ADDRESS,
// which is set while the object lives.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "child_process.h"

namespace testsupport {

class PrivateAvahi {
 public:
  // Starts bus and daemon with their files in `dir`, which must exist.
  // REQUIRES: EnterNetSandbox() answered kEntered. On failure error() says why.
  explicit PrivateAvahi(const std::string& dir);
  ~PrivateAvahi();
  PrivateAvahi(const PrivateAvahi&) = delete;
  PrivateAvahi& operator=(const PrivateAvahi&) = delete;

  const std::string& error() const { return error_; }
  // REQUIRES: error() is empty.
  ChildProcess& daemon() { return *daemon_; }

  // Start publishing an address record (no reverse record) or a service on
  // `host`'s address records; WaitPublished() waits until every record
  // started so far is established, and is false (with error()) otherwise.
  void PublishAddress(const std::string& host, const std::string& address);
  void PublishService(const std::string& name, const std::string& type, int port, const std::string& host,
                      const std::vector<std::string>& txt = {});
  bool WaitPublished();

 private:
  void Publish(std::vector<std::string> argv);
  bool Fail(const std::string& why);

  std::string dir_, error_;
  std::unique_ptr<ChildProcess> bus_, daemon_;
  std::vector<std::unique_ptr<ChildProcess>> publishers_;
};

}  // namespace testsupport
