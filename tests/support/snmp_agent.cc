#include "snmp_agent.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <thread>
#include <vector>

#include "child_process.h"
#include "platform/process.h"

extern char** environ;

namespace profilewalk::testing {

namespace {

sockaddr_in Address(const std::string& host, int port) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  inet_pton(AF_INET, host.c_str(), &addr.sin_addr);
  return addr;
}

// A UDP port on `host` that nothing uses right now.
int FreeUdpPort(const std::string& host) {
  int fd = socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0) return 0;
  sockaddr_in addr = Address(host, 0);
  socklen_t len = sizeof addr;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
    port = ntohs(addr.sin_port);
  close(fd);
  return port;
}

bool PortTaken(const std::string& host, int port) {
  int fd = socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0) return false;
  sockaddr_in addr = Address(host, port);
  bool taken = bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 && errno == EADDRINUSE;
  close(fd);
  return taken;
}

}  // namespace

SnmpAgent::SnmpAgent(const std::string& mode, const std::string& extra, int port, const std::string& host)
    : host_(host) {
  const std::string snmpd = testsupport::FindProgram("snmpd", {"/usr/sbin", "/usr/local/sbin"});
  const std::string python = testsupport::FindProgram("python3", {});
  if (snmpd.empty()) {
    skip_reason_ = "snmpd is not installed";
    return;
  }
  if (python.empty()) {
    skip_reason_ = "python3 is not installed";
    return;
  }
  dir_ = std::make_unique<testsupport::ScratchDir>("profilewalk-agent");
  const std::string dir = dir_->path();
  dir_->MakeDir("persist");
  port_ = port != 0 ? port : FreeUdpPort(host_);
  if (port_ == 0 || (port != 0 && PortTaken(host_, port))) {
    skip_reason_ = "UDP port " + std::to_string(port) + " is not free";
    return;
  }

  const std::string handler = dir + "/handler.sh";
  std::ofstream(handler) << "#!/bin/sh\nexec " << python << " " << PROFILE_AGENT_SCRIPT << " " << mode << " "
                         << extra << "\n";
  chmod(handler.c_str(), 0755);
  // The persistent folder gets its own snmpd.conf from the agent; keep ours apart.
  const std::string conf = dir + "/agent.conf";
  std::ofstream(conf) << "agentaddress udp:" << host_ << ":" << port_ << "\n"
                      << "view profiles included .1.3.6.1.4.1.32473\n"
                      << "rocommunity public " << host_
                      << " -V profiles\n"
                      // the read community the plug-in's walk request names
                      << "rocommunity mvqlpx " << host_ << " -V profiles\n"
                      << "pass_persist .1.3.6.1.4.1.32473.1.1.1.1.6.13.1.1 " << handler << "\n";

  const std::string log = dir + "/snmpd.log", pidfile = dir + "/snmpd.pid";
  std::vector<std::string> args = {snmpd, "-f", "-C", "-c", conf, "-Lf", log, "-p", pidfile};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  std::vector<std::string> env_strings = {"SNMP_PERSISTENT_DIR=" + dir + "/persist", "MIBS="};
  for (char** e = environ; *e != nullptr; ++e) {
    std::string entry = *e;
    if (entry.rfind("SNMP_PERSISTENT_DIR=", 0) == 0 || entry.rfind("MIBS=", 0) == 0) continue;
    env_strings.push_back(entry);
  }
  std::vector<char*> envp;
  for (auto& e : env_strings) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  int rc = posix_spawn(&pid_, snmpd.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    pid_ = -1;
    skip_reason_ = "snmpd could not be started";
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!PortTaken(host_, port_)) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      skip_reason_ = "snmpd exited at start; see " + log;
      return;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      skip_reason_ = "snmpd did not open its port";
      Stop();
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  WarmUp();
}

// snmpd starts the pass_persist handler at the first request for its
// subtree; a python start on a loaded machine can outlast the short
// timeouts the tests use, so one generous request starts it first.
void SnmpAgent::WarmUp() {
  const std::string getnext = testsupport::FindProgram("snmpgetnext", {"/usr/bin"});
  if (getnext.empty()) return;
  platform::TaskResult ignored;
  platform::RunTask(getnext,
                    {getnext, "-v1", "-c", "public", "-t", "10", "-r", "0", address(),
                     ".1.3.6.1.4.1.32473.1.1.1.1.6.13.1.1"},
                    &ignored);
}

SnmpAgent::~SnmpAgent() { Stop(); }

std::string SnmpAgent::address() const { return host_ + ":" + std::to_string(port_); }

void SnmpAgent::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  int status = 0;
  while (waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid_ = -1;
}

}  // namespace profilewalk::testing
