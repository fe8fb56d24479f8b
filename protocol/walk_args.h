// The walk's argument vector as the service accepts it: what device profile
// discovery needs and nothing that reaches further into the SNMP library
// (log files, debug tokens, input options, MIB paths, other transports,
// other SNMP versions and their security settings).
//
// Plain text checks; no state, thread-safe.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace protocol {

// Bounds on the walk's own time-out options; with them one request (with its
// retries) takes at most kMaxWalkRequestSeconds.
inline constexpr double kMaxWalkTimeoutSeconds = 10;
inline constexpr int kMaxWalkRetries = 5;
inline constexpr double kMaxWalkRequestSeconds = 20;

// A dotted IPv4 address or a host name (letters, digits, '-' inside labels,
// labels joined by '.'), with an optional ":port" of 1 to 65535.
bool IsAgentAddress(std::string_view text);

// nullopt when the vector may be handed to the walk; otherwise why not.
// Accepted: "snmpwalk", then options, then the agent address, then at most
// the root object identifier. Options: -v 1, -c community, -O output letters,
// -C letters, -t seconds (above 0, at most 10), -r retries (0 to 5) with the
// time of one request within bounds, and -V, -h, -H, which print and end
// the parse. An option's value may be attached ("-Os") or the next element.
std::optional<std::string> RefuseWalkArguments(int argc, const char* const* argv);

}  // namespace protocol
