// bridgetool: forwards one privileged request to the service and prints its
// reply as one line: "<method>=<reply>". No output when the method is unknown,
// the arguments are too few, the service cannot be reached or the connection
// drops before the reply. The exit status is always 0.
// "bridgetool --version" prints the version instead.
#include <sys/socket.h>

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

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 0;
  if (std::string(argv[1]) == "--version") return std::puts("bridgetool " VN420P_VERSION) < 0;
  std::optional<protocol::Method> method = protocol::MethodFromName(argv[1]);
  if (!method) return 0;
  std::vector<std::string> args(argv + 2, argv + argc);
  std::optional<std::string> request = protocol::BuildRequestString(*method, args);
  if (!request) return 0;

  std::string socket_path = platform::ipc::SocketPath(protocol::kServiceName);
  if (socket_path.empty()) return 0;
  platform::ipc::Socket connection = bridgetool::ConnectOrStart(socket_path, bridgetool::ServiceExecutablePath());
  if (!connection.valid()) return 0;
  if (!platform::ipc::WriteFrame(connection.fd(), protocol::MethodName(*method)) ||
      !platform::ipc::WriteFrame(connection.fd(), *request))
    return 0;
  shutdown(connection.fd(), SHUT_WR);

  // No time limit, as the caller expects; a service that dies ends the wait.
  std::string reply;
  if (platform::ipc::ReadFrame(connection.fd(), &reply, kMaxReplyBytes) != platform::ipc::FrameStatus::kOk) return 0;
  std::string line = protocol::ReplyLine(*method, reply);
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
  return 0;
}
