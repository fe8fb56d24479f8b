// The service's request handling on arbitrary bytes: the first byte picks the
// method, the rest is the request string. Runs the real methods on a private
// preference folder (the walk is replaced by a check of its vector). Every
// reply must be one of the service's reply strings.
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
#include "protocol/chunks.h"
#include "protocol/file_url.h"
#include "protocol/request.h"

namespace {

char g_base[] = "/tmp/vn-fuzz-prefservice-XXXXXX";

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
    return 0;
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
  if (auto chunks = protocol::SplitUTF8Every(request, 1 + data[0] % 7)) {
    std::string joined;
    for (const std::string& c : *chunks) joined += c;
    if (joined != request) std::abort();
  }

  // The methods, with the caller's own file names reachable from the input.
  prefservice::HVmacServiceXPC service(prefservice::Caller{getuid(), platform::paths::LoginName()});
  std::string reply = service.Call(method, request);
  if (method == protocol::Method::kMibWalk) {
    if (reply != "iRet=0" && reply != "iRet=1") std::abort();
  } else if (reply != "TRUE" && reply != "FALSE") {
    std::abort();
  }
  return 0;
}
