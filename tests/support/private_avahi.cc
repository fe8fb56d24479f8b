#include "private_avahi.h"

#include <stdlib.h>
#include <unistd.h>

#include <fstream>

#include "files.h"
#include "net_sandbox.h"

namespace testsupport {

namespace {
constexpr double kStartSeconds = 15;  // generous: two cores shared with builds
}  // namespace

PrivateAvahi::PrivateAvahi(const std::string& dir) : dir_(dir) {
  const std::string socket = dir_ + "/system_bus_socket";
  // Any local client may own and call any name: only this test's processes
  // can reach the socket.
  std::ofstream(dir_ + "/bus.conf") << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus "
                                       "Configuration 1.0//EN\"\n"
                                       " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                                    << "<busconfig>\n  <type>system</type>\n  <listen>unix:path=" << socket
                                    << "</listen>\n  <auth>EXTERNAL</auth>\n"
                                    << "  <policy context=\"default\">\n    <allow user=\"*\"/>\n"
                                    << "    <allow own=\"*\"/>\n    <allow send_destination=\"*\"/>\n"
                                    << "    <allow receive_sender=\"*\"/>\n  </policy>\n</busconfig>\n";
  bus_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{"dbus-daemon", "--config-file=" + dir_ + "/bus.conf", "--nofork",
                               "--nopidfile", "--print-address=1"},
      dir_ + "/bus.log");
  if (!WaitForText(dir_ + "/bus.log", "unix:path=", kStartSeconds, bus_.get())) {
    Fail("dbus-daemon (package dbus) did not start: " + ReadText(dir_ + "/bus.log"));
    return;
  }
  setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + socket).c_str(), 1);

  std::ofstream(dir_ + "/avahi-daemon.conf")
      << "[server]\nhost-name=vn420p-sandbox\nuse-ipv4=yes\nuse-ipv6=yes\nallow-interfaces="
      << kSandboxHostInterface << "," << kSandboxPrinterInterface << "\nenable-dbus=yes\n"
      << "[wide-area]\nenable-wide-area=no\n[publish]\npublish-hinfo=no\npublish-workstation=no\n";
  // No init system: the daemon runs in the foreground as our child; /run is the
  // sandbox's own, so its pid file and socket collide with nothing.
  daemon_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{"avahi-daemon", "--file=" + dir_ + "/avahi-daemon.conf", "--no-chroot",
                               "--no-drop-root", "--no-rlimits", "--no-proc-title"},
      dir_ + "/avahi-daemon.log");
  if (!WaitForText(dir_ + "/avahi-daemon.log", "Server startup complete", kStartSeconds, daemon_.get()))
    Fail("avahi-daemon (package avahi-daemon) did not start: " + ReadText(dir_ + "/avahi-daemon.log"));
}

PrivateAvahi::~PrivateAvahi() {
  publishers_.clear();
  daemon_.reset();
  bus_.reset();
  unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

bool PrivateAvahi::Fail(const std::string& why) {
  if (error_.empty()) error_ = why;
  return false;
}

void PrivateAvahi::Publish(std::vector<std::string> argv) {
  const std::string log = dir_ + "/publish-" + std::to_string(publishers_.size()) + ".log";
  publishers_.push_back(std::make_unique<ChildProcess>(argv, log));
}

void PrivateAvahi::PublishAddress(const std::string& host, const std::string& address) {
  Publish({"avahi-publish", "--address", "--no-reverse", host, address});
}

void PrivateAvahi::PublishService(const std::string& name, const std::string& type, int port,
                                  const std::string& host, const std::vector<std::string>& txt) {
  std::vector<std::string> argv = {"avahi-publish",     "--service", "--host=" + host, name, type,
                                   std::to_string(port)};
  argv.insert(argv.end(), txt.begin(), txt.end());
  Publish(argv);
}

bool PrivateAvahi::WaitPublished() {
  if (!error_.empty()) return false;
  for (const auto& publisher : publishers_)
    if (!WaitForText(publisher->log(), "Established under name", kStartSeconds, publisher.get()))
      return Fail("avahi-publish (package avahi-utils) did not establish its record: " +
                  ReadText(publisher->log()));
  return true;
}

}  // namespace testsupport
