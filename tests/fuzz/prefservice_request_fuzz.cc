// The service's request handling on arbitrary bytes: the first byte picks the
// method, the rest is the request string. Runs the real methods on a private
// preference folder. Walk vectors run the real walk as far as it goes without
// the network: refused vectors and those that end in the parser (a vector
// that would reach an agent is only checked). After every input net-snmp's
// settings must be those every walk starts from. Every reply must be one of
// the service's reply strings.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/log.h"
#include "platform/paths.h"
#include "prefservice/service_xpc.h"
#include "profilewalk/mib_walk.h"
#include "profilewalk/snmp_state.h"
#include "protocol/chunks.h"
#include "protocol/file_url.h"
#include "protocol/request.h"
#include "protocol/walk_args.h"

namespace {

char g_base[] = "/tmp/vn-fuzz-prefservice-XXXXXX";

// An accepted vector that names no agent, or stops at -V, -h or -H.
bool EndsInTheParser(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::string_view a = argv[i];
    if (a == "-V" || a == "-h" || a == "-H") return true;
    if (a.size() >= 2 && a[0] == '-') {
      if (a.size() == 2 && std::string_view("vcOCtr").find(a[1]) != std::string_view::npos) ++i;
      continue;
    }
    return false;  // the agent
  }
  return true;
}

void Setup() {
  if (mkdtemp(g_base) == nullptr) std::abort();
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(g_base, ec);
  });
  setenv("VN420P_ROOT", g_base, 1);
  std::filesystem::create_directories(platform::paths::PreferenceFolder());
  platform::log::SetSink([](int, std::string_view) {});
  prefservice::SetWalkFunction([](int argc, char** argv) {
    if (argc < 0 || argc >= 512 || argv[argc] != nullptr) std::abort();
    for (int i = 0; i < argc; ++i)
      if (argv[i] == nullptr) std::abort();
    if (!protocol::RefuseWalkArguments(argc, argv) && !EndsInTheParser(argc, argv)) return 0;
    return profilewalk::mib_walk(argc, argv);
  });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (Setup(), true);
  (void)ready;
  if (size == 0) return 0;
  auto method = static_cast<protocol::Method>(data[0] % protocol::kMethodCount);
  std::string_view request(reinterpret_cast<const char*>(data + 1), size - 1);

  // The parsers alone.
  protocol::ParseSwapRequest(request);
  protocol::ParseWriteRequest(request);
  protocol::ParseWalkRequest(request);
  protocol::PathFromFileURL(request);
  if (auto chunks = protocol::SplitUtf8Every(request, 1 + data[0] % 7)) {
    std::string joined;
    for (const std::string& c : *chunks) joined += c;
    if (joined != request) std::abort();
  }

  // The methods, with the caller's own file names reachable from the input.
  prefservice::HVmacServiceXPC service(prefservice::Caller{getuid(), platform::paths::LoginName()});
  std::string reply = service.Call(method, request);
  if (method == protocol::Method::kMibWalk) {
    if (reply != "iRet=0" && reply != "iRet=1" && reply != "iRet=-1" && reply != "iRet=-2") std::abort();
  } else if (reply != "TRUE" && reply != "FALSE") {
    std::abort();
  }
  if (!profilewalk::NetSnmpStateIsPristine()) std::abort();
  return 0;
}
