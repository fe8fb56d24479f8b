#include "prefservice/listener.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/log.h"
#include "prefservice/service_xpc.h"
#include "protocol/request.h"

namespace prefservice {
namespace {

// A client that stalls mid-request is dropped after this long.
constexpr int kIoTimeoutSeconds = 30;
// At most this many connections are served at once; more wait in the backlog.
constexpr int kMaxInFlight = 32;
constexpr size_t kMaxMethodBytes = 64;

struct InFlight {
  std::mutex m;
  std::condition_variable cv;
  int count = 0;
};

InFlight& Flights() {
  static InFlight f;
  return f;
}

}  // namespace

bool HVmacprefserviceDelegate::shouldAcceptNewConnection(int fd) const {
  uid_t uid = 0;
  pid_t pid = 0;
  if (!platform::ipc::PeerCredentials(fd, &uid, &pid)) {
    platform::log::Write(LOG_WARNING, "prefservice: refused a connection without peer credentials");
    return false;
  }
  if (uid != uid_) {
    platform::log::Writef(LOG_WARNING, "prefservice: refused a connection from uid %u (pid %d)",
                          static_cast<unsigned>(uid), static_cast<int>(pid));
    return false;
  }
  return true;
}

void HVmacprefserviceDelegate::ServeConnection(platform::ipc::Socket connection) const {
  using platform::ipc::FrameStatus;
  platform::ipc::SetTimeouts(connection.fd(), kIoTimeoutSeconds);
  std::string method_name, request;
  if (platform::ipc::ReadFrame(connection.fd(), &method_name, kMaxMethodBytes) != FrameStatus::kOk) return;
  std::optional<protocol::Method> method = protocol::MethodFromName(method_name);
  if (!method) return;
  FrameStatus status = platform::ipc::ReadFrame(connection.fd(), &request, kMaxRequestBytes);
  if (status == FrameStatus::kTooLarge) {
    platform::log::Write(LOG_WARNING, "prefservice: refused a request larger than the service reads");
    return;
  }
  if (status != FrameStatus::kOk) return;
  HVmacServiceXPC service(Caller{uid_, login_});
  std::string reply = service.Call(*method, request);
  platform::ipc::WriteFrame(connection.fd(), reply);
}

void HVmacprefserviceDelegate::Run(platform::ipc::Socket listener, int idle_seconds,
                                   const std::string& socket_path) const {
  InFlight& flights = Flights();
  // Requests in progress finish before the process ends.
  struct WaitForFlights {
    InFlight& f;
    ~WaitForFlights() {
      std::unique_lock<std::mutex> lock(f.m);
      f.cv.wait(lock, [&] { return f.count == 0; });
    }
  } wait_at_end{flights};
  auto last_activity = std::chrono::steady_clock::now();
  bool draining = false;
  for (;;) {
    pollfd p{listener.fd(), POLLIN, 0};
    int rc = poll(&p, 1, draining ? 0 : (idle_seconds > 0 ? 1000 : -1));
    if (rc < 0 && errno != EINTR) return;
    if (rc <= 0) {
      if (draining) return;  // nothing left in the backlog
      std::lock_guard<std::mutex> lock(flights.m);
      if (flights.count > 0) last_activity = std::chrono::steady_clock::now();
      if (idle_seconds > 0 && std::chrono::steady_clock::now() - last_activity >= std::chrono::seconds(idle_seconds)) {
        // Idle: new starters must find no socket, then serve what is queued.
        if (!socket_path.empty()) unlink(socket_path.c_str());
        draining = true;
      }
      continue;
    }
    platform::ipc::Socket connection(accept4(listener.fd(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!connection.valid()) {
      // Out of descriptors or memory: let running requests finish first.
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) poll(nullptr, 0, 50);
      continue;
    }
    last_activity = std::chrono::steady_clock::now();
    if (!shouldAcceptNewConnection(connection.fd())) continue;
    {
      std::unique_lock<std::mutex> lock(flights.m);
      flights.cv.wait(lock, [&] { return flights.count < kMaxInFlight; });
      ++flights.count;
    }
    std::thread([this, c = std::move(connection), &flights]() mutable {
      ServeConnection(std::move(c));
      std::lock_guard<std::mutex> lock(flights.m);
      --flights.count;
      flights.cv.notify_all();
    }).detach();
  }
}

}  // namespace prefservice
