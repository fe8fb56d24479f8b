#include "colorpane/profile_discovery.h"

#include <sys/socket.h>

#include <cstdio>
#include <string_view>

#include "colorpane/bridge_request.h"
#include "platform/dnssd.h"
#include "platform/hex_digit.h"
#include "platform/paths.h"
#include "platform/utf8.h"
#include "profilestore/file_variant.h"
#include "protocol/request.h"
#include "protocol/walk_args.h"

namespace colorpane {

namespace {

constexpr double kResolveTimeoutSeconds = 1.0;
constexpr size_t kHostTextMax = 254;  // the Mac Roman host buffer
constexpr size_t kAgentAddressMax = 255;

// The walk request through the bridge tool: everything after the request
// name goes on its command line; the status is read from its reply line.
bool SendThroughBridgeTool(const std::vector<std::string>& arguments, int32_t* walk_status) {
  if (arguments.empty()) return false;
  std::optional<std::string> output =
      RunBridgeTool(protocol::Method::kMibWalk, {arguments.begin() + 1, arguments.end()});
  if (!output) return false;
  std::optional<int> status = protocol::WalkStatusFromOutput(*output);
  if (!status) return false;
  *walk_status = *status;
  return true;
}

WalkRequestSender& InstalledSender() {
  static WalkRequestSender sender = SendThroughBridgeTool;
  return sender;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The URL's network location: everything between "//" and the path, query or
// fragment, escapes left as they are. nullopt without one.
std::optional<std::string> NetLocation(const std::string& uri) {
  const size_t scheme_end = uri.find("://");
  if (scheme_end == std::string::npos) return std::nullopt;
  const size_t start = scheme_end + 3;
  const size_t end = uri.find_first_of("/?#", start);
  std::string location = uri.substr(start, end == std::string::npos ? std::string::npos : end - start);
  if (location.empty()) return std::nullopt;
  return location;
}

// The host name: the network location without user information and port.
std::optional<std::string> HostName(const std::string& uri) {
  std::optional<std::string> location = NetLocation(uri);
  if (!location) return std::nullopt;
  std::string host = *location;
  const size_t at = host.rfind('@');
  if (at != std::string::npos) host.erase(0, at + 1);
  if (!host.empty() && host.front() == '[') {
    const size_t close = host.find(']');
    host = close == std::string::npos ? std::string() : host.substr(1, close - 1);
  } else {
    const size_t colon = host.find(':');
    if (colon != std::string::npos) host.erase(colon);
  }
  if (host.empty()) return std::nullopt;
  return host;
}

// Every %XX decoded; nullopt for a broken escape or bytes that are not UTF-8,
// as the platform's decoder refuses them.
std::optional<std::string> DecodePercentEscapes(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = platform::HexValue(text[i + 1]), low = platform::HexValue(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  if (!platform::IsValidUtf8(out)) return std::nullopt;
  return out;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

// Kind 1: the host name "<name>.<_type>.<_proto>.<domain>[.]" resolved to its
// first address, as dotted IPv4 text.
std::optional<std::string> BonjourHostText(const std::string& uri) {
  std::optional<std::string> host = HostName(uri);
  if (!host) return std::nullopt;
  const std::vector<std::string> parts = Split(*host, '.');
  // Fewer than four parts leave no service type and domain to ask for.
  if (parts.size() < 4) return std::nullopt;
  std::optional<std::string> name = DecodePercentEscapes(parts[0]);
  if (!name) return std::nullopt;
  const std::string type = parts[1] + "." + parts[2];
  const std::string& domain = parts[3];
  platform::dnssd::Address first;
  if (platform::dnssd::Resolve(*name, type, domain, kResolveTimeoutSeconds, &first) !=
      platform::dnssd::ResolveResult::kResolved)
    return std::nullopt;
  // The walk needs an IPv4 dotted address; anything else ends discovery.
  if (first.family != AF_INET) return std::nullopt;
  char text[16];
  std::snprintf(text, sizeof text, "%d.%d.%d.%d", first.bytes[0], first.bytes[1], first.bytes[2],
                first.bytes[3]);
  return std::string(text);
}

}  // namespace

int16_t commoniGetProtocolByUrl(const char* url) {
  if (url == nullptr) return kConnectionOther;
  const std::string_view text(url);
  if (StartsWith(text, "mdns://")) return kConnectionBonjour;
  if (StartsWith(text, "dnssd://")) return kConnectionBonjour;
  if (StartsWith(text, "lpd://")) return kConnectionLPD;
  if (StartsWith(text, "pap://")) return kConnectionPAP;
  if (StartsWith(text, "usb://")) return kConnectionUSB;
  return kConnectionOther;
}

int16_t commoniGetProtocol(const platform::PrintSession* session) {
  if (session == nullptr) return kConnectionOther;
  const platform::Printer* printer = nullptr;
  if (platform::PMSessionGetCurrentPrinter(session, &printer) != platform::noErr || printer == nullptr)
    return kConnectionOther;
  std::string uri;
  if (platform::PMPrinterCopyDeviceURI(printer, &uri) != platform::noErr || uri.empty())
    return kConnectionOther;
  return commoniGetProtocolByUrl(uri.c_str());
}

std::optional<std::string> DiscoveryAgentAddress(const std::string& uri) {
  std::optional<std::string> host_text;
  switch (commoniGetProtocolByUrl(uri.c_str())) {
    case kConnectionBonjour:
      host_text = BonjourHostText(uri);
      break;
    case kConnectionLPD:
      host_text = NetLocation(uri);
      if (host_text && host_text->size() > kHostTextMax) host_text->resize(kHostTextMax);
      break;
    default:
      return std::nullopt;  // no walk for pap, usb and other connections
  }
  if (!host_text) return std::nullopt;
  std::string agent = host_text->substr(0, host_text->find(':'));
  if (agent.size() > kAgentAddressMax) agent.resize(kAgentAddressMax);
  // The service refuses anything else; a host like "-Lf..." would otherwise
  // travel as an option.
  if (!protocol::IsAgentAddress(agent)) return std::nullopt;
  return agent;
}

std::vector<std::string> MibWalkArguments(const std::string& login_name, const std::string& agent_address) {
  return {"mibwalk_XPC",
          "VN420P",
          login_name,
          "snmpwalk",
          "-Os",
          "-c",
          "mvqlpx",
          "-v",
          "1",
          agent_address,
          "1.3.6.1.4.1.32473.1.1.1.1.6.13.1.1"};
}

WalkRequestSender SetWalkRequestSender(WalkRequestSender sender) {
  WalkRequestSender previous = std::move(InstalledSender());
  InstalledSender() = std::move(sender);
  return previous;
}

int32_t commonGetProfilesFromMIB(const platform::PrintSession* session) {
  // The backup comes first, so it is taken even when no walk follows.
  profilestore::HVPListSwapProfile(profilestore::kSwapSave);
  if (session == nullptr) return 0;
  const platform::Printer* printer = nullptr;
  if (platform::PMSessionGetCurrentPrinter(session, &printer) != platform::noErr || printer == nullptr)
    return 0;
  std::string uri;
  if (platform::PMPrinterCopyDeviceURI(printer, &uri) != platform::noErr || uri.empty()) return 0;
  std::optional<std::string> agent = DiscoveryAgentAddress(uri);
  if (!agent || !InstalledSender()) return 0;
  // The status is not acted on: the merged profiles show when the menus are
  // next built from the profile file.
  int32_t walk_status = 0;
  InstalledSender()(MibWalkArguments(platform::paths::LoginName(), *agent), &walk_status);
  return 0;
}

}  // namespace colorpane
