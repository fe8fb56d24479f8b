#include "prefservice/listener.h"

#include <malloc.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "platform/log.h"
#include "prefservice/service_xpc.h"
#include "protocol/request.h"

namespace prefservice {
namespace {

// The whole request (both frames) must arrive within this long; the bridge
// tool sends it at once.
constexpr auto kRequestDeadline = std::chrono::seconds(5);
// Writing the reply may block this long.
constexpr int kReplyTimeoutSeconds = 5;
// At most this many connections are served at once; more wait in the backlog.
constexpr int kMaxInFlight = 64;
// At most this many may still be sending their request: one more evicts the
// one that has been sending longest, so slow or idle clients can never keep
// a normal request waiting.
constexpr size_t kMaxReceiving = 16;
constexpr size_t kMaxMethodBytes = 64;
// A request this large gives its memory back when it is done.
constexpr size_t kTrimAfterBytes = 1u << 20;

struct InFlight {
  std::mutex m;
  std::condition_variable cv;
  int count = 0;
  // Connections still receiving their request (descriptor), oldest first.
  std::map<uint64_t, int> receiving;
  uint64_t serial = 0;
};

// The parent of a process (from /proc), or 0.
pid_t ParentOf(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat;
  std::getline(in, stat);
  size_t paren = stat.rfind(')');
  if (paren == std::string::npos) return 0;
  char state = 0;
  int ppid = 0;
  if (std::sscanf(stat.c_str() + paren + 1, " %c %d", &state, &ppid) != 2) return 0;
  return ppid;
}

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
  InFlight& flights = Flights();
  auto deadline = std::chrono::steady_clock::now() + kRequestDeadline;
  uint64_t mine = 0;
  {
    std::lock_guard<std::mutex> lock(flights.m);
    if (flights.receiving.size() >= kMaxReceiving) {
      // Ends that client's read at once; its thread then lets go of it.
      shutdown(flights.receiving.begin()->second, SHUT_RDWR);
      flights.receiving.erase(flights.receiving.begin());
      platform::log::Write(LOG_WARNING, "prefservice: dropped the slowest of too many connections still sending");
    }
    mine = ++flights.serial;
    flights.receiving.emplace(mine, connection.fd());
  }
  std::string method_name, request;
  FrameStatus status = platform::ipc::ReadFrameBy(connection.fd(), &method_name, kMaxMethodBytes, deadline);
  std::optional<protocol::Method> method;
  if (status == FrameStatus::kOk) method = protocol::MethodFromName(method_name);
  if (method) status = platform::ipc::ReadFrameBy(connection.fd(), &request, kMaxRequestBytes, deadline);
  {
    std::lock_guard<std::mutex> lock(flights.m);
    flights.receiving.erase(mine);  // unless evicted meanwhile
  }
  if (!method) return;
  if (status == FrameStatus::kTooLarge) {
    platform::log::Write(LOG_WARNING, "prefservice: refused a request larger than the service reads");
    return;
  }
  if (status != FrameStatus::kOk) {
    if (std::chrono::steady_clock::now() >= deadline)
      platform::log::Write(LOG_WARNING, "prefservice: dropped a request not sent in time");
    return;
  }
  // Only the chunked write tells dialogs apart; the others spare the read of /proc.
  pid_t peer = 0, dialog = 0;
  if (*method == protocol::Method::kWriteDataToPlistFile || *method == protocol::Method::kWriteDataToPlistFileRename) {
    platform::ipc::PeerCredentials(connection.fd(), nullptr, &peer);
    if (peer > 0) dialog = ParentOf(peer);
  }
  HVmacServiceXPC service(Caller{uid_, login_, dialog, connection.fd()});
  std::string reply = service.Call(*method, request);
  platform::ipc::SetTimeouts(connection.fd(), kReplyTimeoutSeconds);
  platform::ipc::WriteFrame(connection.fd(), reply);
  if (request.size() >= kTrimAfterBytes) {
    request = std::string();
    malloc_trim(0);
  }
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
