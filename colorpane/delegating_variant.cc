#include "colorpane/delegating_variant.h"

#include "colorpane/bridge_request.h"
#include "platform/paths.h"
#include "profilestore/direct_variant.h"
#include "protocol/chunks.h"
#include "protocol/file_url.h"

namespace colorpane {
namespace {

using protocol::Method;

constexpr const char* kModel = "VN420P";

profilestore::ProfilePaths UserPaths() {
  profilestore::ProfilePaths paths{};
  profilestore::FormProfilePaths(platform::paths::LoginName(), kModel, &paths);
  return paths;
}

}  // namespace

std::string DelegatingVariant::ProfilePath() { return UserPaths().profile; }

std::string DelegatingVariant::PrevPath() { return UserPaths().prev; }

int DelegatingVariant::IsAdmin(const std::string& path) {
  return SendBridgeRequest(Method::kIsAdminProfile, {path}) ? 1 : 0;
}

void DelegatingVariant::Swap(int mode, const std::string& profile, const std::string& prev) {
  RunBridgeTool(Method::kSwapProfile, {std::to_string(mode), profile.empty() ? "NULL" : profile,
                                       prev.empty() ? "NULL" : prev});
}

int DelegatingVariant::Exist(const std::string& path) {
  return SendBridgeRequest(Method::kExistProfile, {path}) ? 1 : 0;
}

int DelegatingVariant::Remove(const std::string& path) {
  return SendBridgeRequest(Method::kRemove, {path}) ? 1 : 0;
}

bool DelegatingVariant::WriteData(std::string_view bytes, const std::string& path) {
  if (!BridgeToolExists()) return false;
  std::optional<std::vector<std::string>> chunks = protocol::SplitUtf8Every(bytes, protocol::kChunkUnits);
  if (!chunks) return false;
  std::string url = protocol::FileURLFromPath(path);
  for (const std::string& chunk : *chunks)
    if (!SendBridgeRequest(Method::kWriteDataToPlistFile, {url, chunk})) return false;
  return SendBridgeRequest(Method::kWriteDataToPlistFileRename, {url});
}

void InstallDelegatingVariant() {
  static DelegatingVariant variant;
  if (&profilestore::CurrentFileVariant() != &variant) profilestore::SetFileVariant(&variant);
}

}  // namespace colorpane
