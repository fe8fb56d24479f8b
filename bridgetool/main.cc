// bridgetool: forwards one privileged request to the service and prints its
// reply as one line: "<method>=<reply>". No output when the method is unknown
// or the arguments are too few (exit status 0). When the service cannot be
// reached, is not this user's, or does not answer in time, nothing is printed
// on standard output, standard error says why, and the exit status is 1.
// "bridgetool --version" prints the version instead.
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bridgetool/service_start.h"
#include "platform/ipc.h"
#include "protocol/request.h"
#include "vn420p_version.h"

namespace {

// A reply is one word or "iRet=<n>"; anything longer is not one.
constexpr size_t kMaxReplyBytes = 4096;

// How long to wait for the reply. Only a build for the tests (never
// installed) shortens it, by a factor fixed when it is built: nothing a caller
// sets at run time changes how long the installed tool waits.
#ifdef VN_TEST_REPLY_WAIT_DIVISOR
constexpr int kReplyWaitDivisor = VN_TEST_REPLY_WAIT_DIVISOR;
#else
constexpr int kReplyWaitDivisor = 1;
#endif
std::chrono::milliseconds ReplyWait(protocol::Method method) {
  return std::chrono::milliseconds(protocol::ReplyWaitSeconds(method) * 1000 / kReplyWaitDivisor);
}

int Fail(const char* why) {
  std::fprintf(stderr, "bridgetool: %s\n", why);
  return 1;
}

int Run(int argc, char** argv) {
  if (argc < 2) return 0;
  if (std::string(argv[1]) == "--version") return std::puts("bridgetool " VN420P_VERSION) < 0;
  std::optional<protocol::Method> method = protocol::MethodFromName(argv[1]);
  if (!method) return 0;
  std::vector<std::string> args(argv + 2, argv + argc);
  std::optional<std::string> request = protocol::BuildRequestString(*method, args);
  if (!request) return 0;

  std::string socket_path = platform::ipc::SocketPath(protocol::kServiceName);
  if (socket_path.empty()) return Fail("no private runtime folder of this user for the service socket");
  std::string why;
  platform::ipc::Socket connection =
      bridgetool::ConnectOrStart(socket_path, bridgetool::ServiceExecutablePath(), 5000, &why);
  if (!connection.valid()) return Fail(why.c_str());
  // Only a service of this user may hear the request (and answer it).
  uid_t server = 0;
  if (!platform::ipc::PeerCredentials(connection.fd(), &server, nullptr) || server != geteuid())
    return Fail("the service socket belongs to another user");
  if (!platform::ipc::WriteFrame(connection.fd(), protocol::MethodName(*method)) ||
      !platform::ipc::WriteFrame(connection.fd(), *request))
    return Fail("the service closed the connection");
  shutdown(connection.fd(), SHUT_WR);

  auto deadline = std::chrono::steady_clock::now() + ReplyWait(*method);
  std::string reply;
  switch (platform::ipc::ReadFrameBy(connection.fd(), &reply, kMaxReplyBytes, deadline)) {
    case platform::ipc::FrameStatus::kOk: break;
    case platform::ipc::FrameStatus::kError:
      return Fail(errno == ETIMEDOUT ? "the service did not answer in time" : "the connection to the service failed");
    default: return Fail("the service ended the connection without an answer");
  }
  std::string line = protocol::ReplyLine(*method, reply);
  std::fwrite(line.data(), 1, line.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bridgetool: %s\n", e.what());
    return 1;
  }
}
