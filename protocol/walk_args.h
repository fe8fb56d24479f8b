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
// A walk sends no request after this long...
inline constexpr double kWalkRequestSeconds = 60;
// ...so the whole walk, every request and its retries included, ends within
// this long; the service answers a walk request within it once the walk began.
inline constexpr double kMaxWalkSeconds = kWalkRequestSeconds + kMaxWalkRequestSeconds;

// A dotted IPv4 address or a host name (letters, digits, '-' inside labels,
// labels joined by '.'), with an optional ":port" of 1 to 65535. A host that
// is the name of a transport of the SNMP library ("tcp", "unix", "udp6", ...)
// is refused: "tcp:16199" would open a TCP connection, "unix:16199" a socket
// in the working folder.
bool IsAgentAddress(std::string_view text);
// The agent as the SNMP library is handed it: over UDP and IPv4 only,
// whatever the address would otherwise be read as ("udp:" + agent).
std::string UdpAgent(std::string_view agent);

// nullopt when the vector may be handed to the walk; otherwise why not.
// Accepted: "snmpwalk", then options, then the agent address, then at most
// the root object identifier. Options: -v 1, -c community, -O output letters,
// -C letters, -t seconds (above 0, at most 10), -r retries (0 to 5) with the
// time of one request within bounds, and -V, -h, -H, which print and end
// the parse. An option's value may be attached ("-Os") or the next element.
// When accepted and an agent follows the options, *agent_index (when given)
// is its index, else -1.
std::optional<std::string> RefuseWalkArguments(int argc, const char* const* argv, int* agent_index = nullptr);

}  // namespace protocol
