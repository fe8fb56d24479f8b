// DNS-SD resolution: a service instance (name, type, domain) to its first
// IPv4 address, the way device discovery needs it for Bonjour printers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform::dnssd {

struct Address {
  int family = 0;          // AF_INET or AF_INET6; 0 when nothing was resolved
  uint8_t bytes[16] = {};  // network byte order; the first 4 for AF_INET
};

enum class ResolveResult {
  kResolved,  // *first holds the address
  kNoDaemon,  // the DNS-SD daemon cannot be reached
  kFailed,    // the daemon refused the request or the instance does not exist
  kTimedOut,  // no answer within the limit
};

// Resolves the instance `name` of service type `type` ("_ipp._tcp") in
// `domain` ("local") with a limit of `timeout_seconds`, asking for an IPv4
// address. Blocks for at most about the limit, also when the daemon stalls
// (kTimedOut; the daemon is then left to a worker thread that ends on its
// own); answers at once when no daemon runs. Thread-safe (each call has its
// own connection).
ResolveResult Resolve(const std::string& name, const std::string& type, const std::string& domain,
                      double timeout_seconds, Address* first);

// The resolver seam: when one is installed, Resolve hands every call to it.
// Tests install a fake; nullptr goes back to the daemon. Returns the previous
// one. Thread-safe.
using Resolver =
    std::function<ResolveResult(const std::string& name, const std::string& type, const std::string& domain,
                                double timeout_seconds, Address* first)>;
Resolver SetResolver(Resolver resolver);

}  // namespace platform::dnssd
