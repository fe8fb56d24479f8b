#include "colorpane/bridge_request.h"

#include <sys/stat.h>

#include "platform/paths.h"
#include "platform/process.h"
#include "platform/utf8.h"

namespace colorpane {
namespace {

constexpr const char* kModel = "VN420P";
constexpr const char* kReadCommunity = "mvqlpx";
constexpr const char* kProfileTableOid = "1.3.6.1.4.1.32473.1.1.1.1.6.13.1.1";

}  // namespace

bool BridgeToolExists() {
  struct stat st {};
  return stat(platform::paths::BridgeToolPath().c_str(), &st) == 0;
}

std::optional<std::string> RunBridgeTool(protocol::Method method, const std::vector<std::string>& args) {
  if (!BridgeToolExists()) return std::nullopt;
  std::string path = platform::paths::BridgeToolPath();
  std::vector<std::string> argv;
  argv.reserve(args.size() + 2);
  argv.push_back(path);
  argv.emplace_back(protocol::MethodName(method));
  argv.insert(argv.end(), args.begin(), args.end());
  platform::TaskResult result;
  if (platform::RunTask(path, argv, &result) != platform::noErr) return std::nullopt;
  if (!platform::IsValidUtf8(result.output)) return std::nullopt;
  return std::move(result.output);
}

bool SendBridgeRequest(protocol::Method method, const std::vector<std::string>& args) {
  std::optional<std::string> output = RunBridgeTool(method, args);
  return output && protocol::OutputSaysTrue(*output, method);
}

bool SendWalkRequest(const std::string& agent_address, int32_t* walk_status) {
  std::optional<std::string> output = RunBridgeTool(
      protocol::Method::kMibWalk, {kModel, platform::paths::LoginName(), "snmpwalk", "-Os", "-c", kReadCommunity,
                                   "-v", "1", agent_address, kProfileTableOid});
  if (!output) return false;
  std::optional<int> status = protocol::WalkStatusFromOutput(*output);
  if (!status) return false;
  if (walk_status) *walk_status = *status;
  return true;
}

}  // namespace colorpane
