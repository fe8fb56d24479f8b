// A private network for integration tests that need real network daemons
// (mDNS) without touching the machine's own network. The calling process
// enters new network and mount namespaces: two veth ends carry the
// link-local addresses below, /tmp and /run are private tmpfs mounts (the
// top folder of the running test's tree stays in view if it lies there), and
// every process started in the sandbox is killed when this process ends,
// however it ends; nothing is left behind.
#pragma once

#include <string>

namespace testsupport {

// The veth ends and their addresses: the "host" end and the "printer" end.
inline constexpr char kSandboxHostInterface[] = "vn420p0";
inline constexpr char kSandboxPrinterInterface[] = "vn420p1";
inline constexpr char kSandboxHostAddress[] = "169.254.77.1";
inline constexpr char kSandboxPrinterAddress[] = "169.254.77.2";
inline constexpr char kSandboxPrinterAddress6[] = "fe80::77:2";

enum class SandboxState {
  kEntered,      // this process is inside, the link is up
  kUnavailable,  // namespaces cannot be created here (no privilege): skip
  kBroken,       // namespaces exist but the link could not be set up: fail
};

// Enters the sandbox once per process (later calls answer the first call's
// outcome); *why says what went wrong. REQUIRES: no other thread runs in this
// process.
SandboxState EnterNetSandbox(std::string* why);

}  // namespace testsupport
