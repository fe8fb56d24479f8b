#include "net_sandbox.h"

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "child_process.h"

namespace testsupport {

namespace {

struct Outcome {
  SandboxState state;
  std::string why;
};

std::string Errno(const std::string& what) { return what + ": " + std::strerror(errno); }

// Kills every process of this network namespace but the caller, until none
// is left (only this test's processes live in it).
void KillNamespace() {
  struct stat own;
  if (stat("/proc/self/ns/net", &own) != 0) return;
  for (int round = 0; round < 100; ++round) {
    bool found = false;
    DIR* proc = opendir("/proc");
    if (proc == nullptr) return;
    while (const dirent* entry = readdir(proc)) {
      const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
      struct stat ns;
      if (pid <= 0 || pid == getpid() ||
          stat(("/proc/" + std::string(entry->d_name) + "/ns/net").c_str(), &ns) != 0)
        continue;
      if (ns.st_dev == own.st_dev && ns.st_ino == own.st_ino) {
        kill(pid, SIGKILL);
        found = true;
      }
    }
    closedir(proc);
    if (!found) return;
    usleep(50 * 1000);
  }
}

// A reaper waits for this process to end, however it ends (the pipe's only
// writer goes), and then ends every process started in the sandbox; the
// namespaces and their mounts go with the last of them.
bool StartReaper() {
  int alive[2];
  if (pipe2(alive, O_CLOEXEC) != 0) return false;
  const pid_t reaper = fork();
  if (reaper < 0) return false;
  if (reaper == 0) {
    close(alive[1]);
    char byte;
    ssize_t n;
    do n = read(alive[0], &byte, 1);
    while (n < 0 && errno == EINTR);
    KillNamespace();
    _exit(0);
  }
  close(alive[0]);  // the write end stays open for the life of this process
  return true;
}

Outcome Enter() {
  if (unshare(CLONE_NEWNET | CLONE_NEWNS) != 0)
    return {SandboxState::kUnavailable, Errno("cannot create network and mount namespaces (unshare)")};
  if (!StartReaper()) return {SandboxState::kBroken, Errno("cannot start the sandbox's reaper")};
  // Mounts made here stay here, and vanish with the namespace.
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
    return {SandboxState::kBroken, Errno("cannot make the mounts private")};
  // A tree that runs from under /tmp or /run (a clone there) stays in view:
  // its top folder is bound back into the private mount.
  std::string exe(PATH_MAX, '\0');
  ssize_t length = readlink("/proc/self/exe", exe.data(), exe.size());
  exe.resize(length > 0 ? static_cast<size_t>(length) : 0);
  for (const char* dir : {"/tmp", "/run"}) {
    const std::string prefix = std::string(dir) + "/";
    std::string tree;
    int treeFd = -1;
    if (exe.rfind(prefix, 0) == 0 && exe.find('/', prefix.size()) != std::string::npos) {
      tree = exe.substr(0, exe.find('/', prefix.size()));
      treeFd = open(tree.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    if (mount("tmpfs", dir, "tmpfs", MS_NOSUID | MS_NODEV, "mode=1777") != 0)
      return {SandboxState::kBroken, Errno(std::string("cannot mount a private ") + dir)};
    if (treeFd >= 0) {
      const std::string source = "/proc/self/fd/" + std::to_string(treeFd);
      bool bound = mkdir(tree.c_str(), 0755) == 0 &&
                   mount(source.c_str(), tree.c_str(), nullptr, MS_BIND | MS_REC, nullptr) == 0;
      std::string why = bound ? "" : Errno("cannot keep " + tree + " in view");
      close(treeFd);
      if (!bound) return {SandboxState::kBroken, why};
    }
  }

  const std::string host = kSandboxHostInterface, printer = kSandboxPrinterInterface;
  const std::vector<std::vector<std::string>> steps = {
      {"ip", "link", "set", "lo", "up"},
      {"ip", "link", "add", host, "type", "veth", "peer", "name", printer},
      {"ip", "addr", "add", std::string(kSandboxHostAddress) + "/16", "dev", host},
      {"ip", "addr", "add", std::string(kSandboxPrinterAddress) + "/16", "dev", printer},
      {"ip", "link", "set", host, "multicast", "on", "up"},
      {"ip", "link", "set", printer, "multicast", "on", "up"},
  };
  for (const auto& step : steps) {
    if (RunCommand(step) != 0) {
      std::string command;
      for (const std::string& part : step) command += (command.empty() ? "" : " ") + part;
      return {SandboxState::kBroken, "\"" + command + "\" failed in the private network namespace"};
    }
  }
  return {SandboxState::kEntered, ""};
}

}  // namespace

SandboxState EnterNetSandbox(std::string* why) {
  static const Outcome outcome = Enter();
  if (why != nullptr) *why = outcome.why;
  return outcome.state;
}

}  // namespace testsupport
