// Device profile discovery, the plug-in's side: the printer's connection
// kind from its device URI, its IPv4 agent address, and the walk request
// that makes the privileged service walk the printer's profile table and
// merge it into the user's profile file.
//
// Everything runs on the caller's thread and blocks it for the walk; nothing
// here is reported to the user.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/printing.h"

namespace colorpane {

// Connection kinds of a device URI.
inline constexpr int16_t kConnectionLPD = 0;
inline constexpr int16_t kConnectionBonjour = 1;
inline constexpr int16_t kConnectionPAP = 2;
inline constexpr int16_t kConnectionUSB = 3;
inline constexpr int16_t kConnectionOther = -1;

// "mdns://" and "dnssd://" 1, "lpd://" 0, "pap://" 2, "usb://" 3, tested in
// that order, case-sensitively, at the start of `url`; -1 for anything else
// and for nullptr.
int16_t commoniGetProtocolByUrl(const char* url);
// The kind of the session's current printer; -1 for a null session or a
// printer without a device URI.
int16_t commoniGetProtocol(const platform::PrintSession* session);
// Saves the profile file to its previous copy (always, first), then, for an
// LPD or Bonjour printer whose IPv4 address can be worked out, sends the walk
// request and waits for it. Always 0.
int32_t commonGetProfilesFromMIB(const platform::PrintSession* session);

// The agent address the walk is sent to for `uri`: the LPD network location,
// or the Bonjour instance resolved (1.0 s limit) to its first address, which
// must be IPv4; cut at its first ":". nullopt when there is no walk for the URI
// or the host is no IPv4 address or host name (protocol/walk_args.h).
std::optional<std::string> DiscoveryAgentAddress(const std::string& uri);

// The eleven arguments of the walk request, the request name first.
std::vector<std::string> MibWalkArguments(const std::string& login_name, const std::string& agent_address);

// Sends the walk request (the eleven arguments above) and waits for it; true
// with *walk_status set when a walk status came back. The installed sender
// starts the bridge tool (nothing is started when it is missing); tests
// install a fake, and nullptr makes discovery end before the request.
// Returns the previous sender. Not thread-safe against a running discovery.
using WalkRequestSender =
    std::function<bool(const std::vector<std::string>& arguments, int32_t* walk_status)>;
WalkRequestSender SetWalkRequestSender(WalkRequestSender sender);

}  // namespace colorpane
