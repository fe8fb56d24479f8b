// Bonjour discovery against a real mDNS responder. Inside a private network
// namespace, avahi-daemon (on its own system bus) publishes the printer's
// services and address on the "printer" veth end, where the test agent
// answers SNMP on port 161; pdehost, given the device URI of a CUPS queue,
// resolves it through the daemon, walks the agent through the bridge tool and
// the service, and merges the profiles. Skipped only where the namespaces
// cannot be created.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "child_process.h"
#include "files.h"
#include "net_sandbox.h"
#include "platform/dnssd.h"
#include "private_avahi.h"
#include "snmp_agent.h"
#include "tests/profilewalk/pdehost_rig.h"

namespace profilewalk {
namespace {
using ::testing::HasSubstr;
using ::testing::Not;

using platform::dnssd::ResolveResult;
using testing::PdehostRig;
using testing::SnmpAgent;

// A name that needs escapes in a URI: spaces, brackets, "@", "%" and UTF-8.
constexpr char kPrinterName[] = "VN420P B\xC3\xBCro (2F) @ 100%";
constexpr char kPrinterNameInUri[] = "VN420P%20B%C3%BCro%20%282F%29%20%40%20100%25";
constexpr char kDottedName[] = "Floor.2 VN420P";
constexpr char kIPv6OnlyName[] = "VN420P IPv6 only";
constexpr char kPrinterHost[] = "vn420p-office.local";
constexpr char kIPv6OnlyHost[] = "vn420p-v6.local";
constexpr char kUuid[] = "uuid=4a1e6c2e-77a0-4f6b-9d43-5c0e2f1b7a20";
constexpr char kPanel[] = "jp.halvern.pde.VN420P.hvco";

class BonjourEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string why;
    switch (testsupport::EnterNetSandbox(&why)) {
      case testsupport::SandboxState::kUnavailable:
        skip_ = "no private network namespace here, so no mDNS daemon: " + why;
        return;
      case testsupport::SandboxState::kBroken:
        error_ = why;
        return;
      case testsupport::SandboxState::kEntered:
        break;
    }
    std::filesystem::create_directories("/tmp/avahi");  // /tmp is the sandbox's own
    avahi_ = std::make_unique<testsupport::PrivateAvahi>("/tmp/avahi");
    // The printer's host has an IPv6 address besides its IPv4 one; the other
    // host has only the IPv6 one.
    avahi_->PublishAddress(kPrinterHost, testsupport::kSandboxPrinterAddress6);
    avahi_->PublishAddress(kPrinterHost, testsupport::kSandboxPrinterAddress);
    avahi_->PublishAddress(kIPv6OnlyHost, testsupport::kSandboxPrinterAddress6);
    for (const auto& [type, port] :
         {std::pair{"_pdl-datastream._tcp", 9100}, {"_ipp._tcp", 631}, {"_printer._tcp", 515}})
      avahi_->PublishService(kPrinterName, type, port, kPrinterHost, {kUuid});
    avahi_->PublishService(kDottedName, "_ipp._tcp", 631, kPrinterHost);
    avahi_->PublishService(kIPv6OnlyName, "_ipp._tcp", 631, kIPv6OnlyHost);
    if (!avahi_->WaitPublished()) {
      error_ = avahi_->error();
      return;
    }
    agent_ = std::make_unique<SnmpAgent>("table", "", 161, testsupport::kSandboxPrinterAddress);
    if (!agent_->skipReason().empty()) error_ = "test agent: " + agent_->skipReason();
  }
  static void TearDownTestSuite() {
    agent_.reset();
    avahi_.reset();
  }
  void SetUp() override {
    if (!skip_.empty()) GTEST_SKIP() << skip_;
    ASSERT_EQ(error_, "");
  }

  static inline std::string skip_, error_;
  static inline std::unique_ptr<testsupport::PrivateAvahi> avahi_;
  static inline std::unique_ptr<SnmpAgent> agent_;
};

// What discovery asks the daemon, and what the daemon answers.
TEST_F(BonjourEndToEnd, TheDaemonResolvesPublishedInstancesToIPv4) {
  struct Case {
    const char *name, *type, *domain;
    bool resolves;
  } cases[] = {
      {kPrinterName, "_pdl-datastream._tcp", "local", true},
      {kPrinterName, "_ipp._tcp", "local", true},
      {kPrinterName, "_printer._tcp", "local", true},
      {kDottedName, "_ipp._tcp", "local", true},     // published and resolvable when asked whole
      {"Floor", "2 VN420P._ipp", "_tcp", false},     // what the URI's split at "." asks instead
      {kIPv6OnlyName, "_ipp._tcp", "local", false},  // no IPv4 address to give
      {"VN420P not published", "_ipp._tcp", "local", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + "." + c.type + "." + c.domain);
    platform::dnssd::Address first;
    const ResolveResult result = platform::dnssd::Resolve(c.name, c.type, c.domain, 1.0, &first);
    EXPECT_EQ(result == ResolveResult::kResolved, c.resolves) << static_cast<int>(result);
    if (!c.resolves) continue;
    EXPECT_EQ(first.family, AF_INET);
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", first.bytes[0], first.bytes[1], first.bytes[2],
                  first.bytes[3]);
    EXPECT_STREQ(text, testsupport::kSandboxPrinterAddress);
  }
}

// The device URIs CUPS gives such queues (with and without the root's full
// stop): each is resolved, walked, merged, and once shown its profiles are in
// the menus.
TEST_F(BonjourEndToEnd, QueueUrisAreResolvedWalkedAndShown) {
  const std::string name = kPrinterNameInUri;
  for (const std::string& uri :
       {"dnssd://" + name + "._pdl-datastream._tcp.local./?" + kUuid,
        "dnssd://" + name + "._ipp._tcp.local./?" + kUuid, "dnssd://" + name + "._ipp._tcp.local/?" + kUuid,
        "mdns://" + name + "._printer._tcp.local."}) {
    SCOPED_TRACE(uri);
    PdehostRig rig;
    ASSERT_EQ(rig.error(), "");
    PdehostRig::Run first = rig.Pdehost(uri, {"show", kPanel});
    EXPECT_EQ(first.status, 0);
    EXPECT_THAT(first.out, Not(HasSubstr("SRGB01.ICC"))) << "merged profiles arrive hidden";
    EXPECT_THAT(testsupport::ReadText(rig.ProfileFile()), HasSubstr("SRGB01.ICC"))
        << "the walk did not reach the agent at " << testsupport::kSandboxPrinterAddress;

    ASSERT_TRUE(rig.ShowEveryProfile());
    PdehostRig::Run second = rig.Pdehost(uri, {"show", kPanel});
    EXPECT_EQ(second.status, 0);
    for (const char* entry :
         {"SRGB01.ICC(Office sRGB)Disk", "PHOTO.ICM(Photo RGB)Card", "PRESS.ICC(Press CMYK)Disk"})
      EXPECT_THAT(second.out, HasSubstr(entry)) << entry;
  }
}

// Unpublished, IPv6-only and full-stop names end discovery without a walk:
// no walk request reaches the service, so no profile file is written. The
// time each holds the dialog is printed against a dialog without discovery.
TEST_F(BonjourEndToEnd, UnresolvedServicesEndWithoutAWalk) {
  PdehostRig baseline_rig;
  ASSERT_EQ(baseline_rig.error(), "");
  const double baseline = baseline_rig.Pdehost("usb://HALVERN/VN420P", {"show", kPanel}).seconds;
  for (const std::string& uri : {std::string("dnssd://VN420P%20not%20published._ipp._tcp.local./?") + kUuid,
                                 std::string("dnssd://VN420P%20IPv6%20only._ipp._tcp.local./"),
                                 std::string("dnssd://Floor.2%20VN420P._ipp._tcp.local./")}) {
    SCOPED_TRACE(uri);
    PdehostRig rig;
    ASSERT_EQ(rig.error(), "");
    PdehostRig::Run run = rig.Pdehost(uri, {"show", kPanel});
    EXPECT_EQ(run.status, 0);
    EXPECT_FALSE(std::filesystem::exists(rig.ProfileFile())) << "a walk was requested";
    std::printf("dialog view with %s: %.3f s (%.3f s without discovery)\n", uri.c_str(), run.seconds,
                baseline);
  }
}

// A daemon that has stopped answering holds the dialog no longer than the
// limit either: resolution ends as timed out, and no walk follows.
TEST_F(BonjourEndToEnd, AStalledDaemonEndsResolutionAtTheLimit) {
  const pid_t daemon = avahi_->daemon().pid();
  ASSERT_GT(daemon, 0);
  ASSERT_EQ(kill(daemon, SIGSTOP), 0);
  struct Resume {
    pid_t pid;
    ~Resume() { kill(pid, SIGCONT); }
  } resume{daemon};

  platform::dnssd::Address first;
  EXPECT_EQ(platform::dnssd::Resolve(kPrinterName, "_ipp._tcp", "local", 1.0, &first),
            ResolveResult::kTimedOut);
  EXPECT_EQ(first.family, 0);
  PdehostRig rig;
  ASSERT_EQ(rig.error(), "");
  const std::string uri = std::string("dnssd://") + kPrinterNameInUri + "._ipp._tcp.local./?" + kUuid;
  PdehostRig::Run run = rig.Pdehost(uri, {"show", kPanel});
  EXPECT_EQ(run.status, 0);
  EXPECT_FALSE(std::filesystem::exists(rig.ProfileFile())) << "a walk was requested";
  std::printf("dialog view with the daemon stopped: %.3f s\n", run.seconds);
}

}  // namespace
}  // namespace profilewalk
