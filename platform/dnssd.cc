#include "platform/dnssd.h"

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/error.h>
#include <avahi-common/simple-watch.h>
#include <sys/socket.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace platform::dnssd {

namespace {

std::mutex& SeamMutex() {
  static std::mutex mutex;
  return mutex;
}
Resolver& InstalledResolver() {
  static Resolver resolver;
  return resolver;
}

struct PollDeleter {
  void operator()(AvahiSimplePoll* poll) const { avahi_simple_poll_free(poll); }
};
struct ClientDeleter {
  void operator()(AvahiClient* client) const { avahi_client_free(client); }
};
struct ResolverDeleter {
  void operator()(AvahiServiceResolver* resolver) const { avahi_service_resolver_free(resolver); }
};

struct Outcome {
  bool done = false;
  bool found = false;
  Address address;
};

void ClientCallback(AvahiClient*, AvahiClientState, void*) {}

void ResolverCallback(AvahiServiceResolver*, AvahiIfIndex, AvahiProtocol, AvahiResolverEvent event,
                      const char*, const char*, const char*, const char*, const AvahiAddress* address,
                      uint16_t, AvahiStringList*, AvahiLookupResultFlags, void* userdata) {
  auto* outcome = static_cast<Outcome*>(userdata);
  outcome->done = true;
  if (event != AVAHI_RESOLVER_FOUND || address == nullptr) return;
  if (address->proto == AVAHI_PROTO_INET) {
    outcome->address.family = AF_INET;
    std::memcpy(outcome->address.bytes, &address->data.ipv4.address, 4);
    outcome->found = true;
  } else if (address->proto == AVAHI_PROTO_INET6) {
    outcome->address.family = AF_INET6;
    std::memcpy(outcome->address.bytes, address->data.ipv6.address, 16);
    outcome->found = true;
  }
}

using Clock = std::chrono::steady_clock;

ResolveResult ResolveWithDaemon(const std::string& name, const std::string& type, const std::string& domain,
                                Clock::time_point deadline, Address* first) {
  std::unique_ptr<AvahiSimplePoll, PollDeleter> poll(avahi_simple_poll_new());
  if (!poll) return ResolveResult::kFailed;
  int error = 0;
  // Without AVAHI_CLIENT_NO_FAIL a missing daemon fails here, at once.
  std::unique_ptr<AvahiClient, ClientDeleter> client(avahi_client_new(
      avahi_simple_poll_get(poll.get()), static_cast<AvahiClientFlags>(0), ClientCallback, nullptr, &error));
  if (!client) return ResolveResult::kNoDaemon;

  Outcome outcome;
  std::unique_ptr<AvahiServiceResolver, ResolverDeleter> resolver(
      avahi_service_resolver_new(client.get(), AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, name.c_str(),
                                 type.c_str(), domain.empty() ? nullptr : domain.c_str(), AVAHI_PROTO_INET,
                                 static_cast<AvahiLookupFlags>(0), ResolverCallback, &outcome));
  if (!resolver) return ResolveResult::kFailed;

  while (!outcome.done) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return ResolveResult::kTimedOut;
    if (avahi_simple_poll_iterate(poll.get(), static_cast<int>(left)) != 0) return ResolveResult::kFailed;
  }
  if (!outcome.found) return ResolveResult::kFailed;
  *first = outcome.address;
  return ResolveResult::kResolved;
}

// The client reaches the daemon through blocking D-Bus calls, which wait for
// the bus's own default of 25 s when the daemon stalls. So the resolution
// runs on a worker of its own and the caller waits only until the limit; a
// worker left behind ends by itself when its calls return. Plug-in modules
// stay mapped until exit, so its code outlives any unloading.
ResolveResult ResolveWithinLimit(const std::string& name, const std::string& type, const std::string& domain,
                                 double timeout_seconds, Address* first) {
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(timeout_seconds));
  struct Job {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    ResolveResult result = ResolveResult::kTimedOut;
    Address address;
  };
  auto job = std::make_shared<Job>();
  try {
    std::thread([job, name, type, domain, deadline] {
      Address address;
      const ResolveResult result = ResolveWithDaemon(name, type, domain, deadline, &address);
      std::lock_guard<std::mutex> lock(job->mutex);
      job->result = result;
      job->address = address;
      job->done = true;
      job->finished.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return ResolveWithDaemon(name, type, domain, deadline, first);  // no thread to spare: wait in place
  }
  // A moment past the limit, so that the worker's own answer at the limit wins.
  std::unique_lock<std::mutex> lock(job->mutex);
  if (!job->finished.wait_until(lock, deadline + std::chrono::milliseconds(50), [&] { return job->done; }))
    return ResolveResult::kTimedOut;
  *first = job->address;
  return job->result;
}

}  // namespace

ResolveResult Resolve(const std::string& name, const std::string& type, const std::string& domain,
                      double timeout_seconds, Address* first) {
  Resolver resolver;
  {
    std::lock_guard<std::mutex> lock(SeamMutex());
    resolver = InstalledResolver();
  }
  Address address;
  ResolveResult result = resolver ? resolver(name, type, domain, timeout_seconds, &address)
                                  : ResolveWithinLimit(name, type, domain, timeout_seconds, &address);
  if (result == ResolveResult::kResolved && first != nullptr) *first = address;
  return result;
}

Resolver SetResolver(Resolver resolver) {
  std::lock_guard<std::mutex> lock(SeamMutex());
  Resolver previous = std::move(InstalledResolver());
  InstalledResolver() = std::move(resolver);
  return previous;
}

}  // namespace platform::dnssd
