// The plug-in's side of device discovery: connection kinds, the agent
// address (LPD and Bonjour through a fake resolver), the walk request's
// arguments and the order of the steps. Also the DNS-SD stand-in's seam and
// its behaviour without a daemon.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "colorpane/profile_discovery.h"
#include "fake_tasks.h"
#include "files.h"
#include "platform/dnssd.h"
#include "platform/paths.h"
#include "platform/printing.h"
#include "platform/process.h"
#include "profilestore/file_variant.h"
#include "samples.h"
#include "temp_root.h"

namespace colorpane {
namespace {

using platform::dnssd::Address;
using platform::dnssd::ResolveResult;

// ---- connection kinds ----

TEST(ConnectionKind, EverySchemeAtTheStart) {
  EXPECT_EQ(commoniGetProtocolByUrl("mdns://Printer._ipp._tcp.local./"), 1);
  EXPECT_EQ(commoniGetProtocolByUrl("dnssd://Printer._pdl-datastream._tcp.local./?uuid=1"), 1);
  EXPECT_EQ(commoniGetProtocolByUrl("lpd://192.168.0.5/queue"), 0);
  EXPECT_EQ(commoniGetProtocolByUrl("pap://zone/printer"), 2);
  EXPECT_EQ(commoniGetProtocolByUrl("usb://HALVERN/VN420P?serial=1"), 3);
  EXPECT_EQ(commoniGetProtocolByUrl("ipp://host/printers/q"), -1);
  EXPECT_EQ(commoniGetProtocolByUrl("socket://host:9100"), -1);
  EXPECT_EQ(commoniGetProtocolByUrl(""), -1);
  EXPECT_EQ(commoniGetProtocolByUrl(nullptr), -1);
}

TEST(ConnectionKind, OnlyAtPositionZeroAndCaseSensitive) {
  EXPECT_EQ(commoniGetProtocolByUrl("x-lpd://host/q"), -1);
  EXPECT_EQ(commoniGetProtocolByUrl(" lpd://host/q"), -1);
  EXPECT_EQ(commoniGetProtocolByUrl("ipp://host/lpd://q"), -1);
  EXPECT_EQ(commoniGetProtocolByUrl("LPD://host/q"), -1);
  EXPECT_EQ(commoniGetProtocolByUrl("lpd:/host/q"), -1);
}

TEST(ConnectionKind, FromTheSessionsPrinter) {
  std::string error;
  const std::string ppd = testsupport::SamplePpd();
  auto lpd = platform::PrintSession::FromPpdFile(ppd, "lpd://10.0.0.1/q", &error);
  ASSERT_NE(lpd, nullptr) << error;
  EXPECT_EQ(commoniGetProtocol(lpd.get()), 0);
  auto usb = platform::PrintSession::FromPpdFile(ppd, "usb://HALVERN/VN420P", &error);
  EXPECT_EQ(commoniGetProtocol(usb.get()), 3);
  auto none = platform::PrintSession::FromPpdFile(ppd, "", &error);
  EXPECT_EQ(commoniGetProtocol(none.get()), -1);
  EXPECT_EQ(commoniGetProtocol(nullptr), -1);
}

// ---- agent addresses ----

TEST(AgentAddress, LpdNetworkLocationWithoutPort) {
  EXPECT_EQ(DiscoveryAgentAddress("lpd://127.0.0.1:515/queue"), "127.0.0.1");
  EXPECT_EQ(DiscoveryAgentAddress("lpd://192.168.1.20/queue"), "192.168.1.20");
  EXPECT_EQ(DiscoveryAgentAddress("lpd://printer.example"), "printer.example");
  EXPECT_EQ(DiscoveryAgentAddress("lpd:///queue"), std::nullopt);
  // A host the service would refuse (or take as an option) is not sent.
  std::string label(63, 'h');
  std::string longest = label + "." + label + "." + label + "." + std::string(61, 'h');
  EXPECT_EQ(DiscoveryAgentAddress("lpd://" + longest + ":515/q"), longest);
  for (std::string host : {std::string(300, 'h'), std::string(64, 'h'), std::string("-Lf%2Ftmp%2Fx"),
                           std::string("-d"), std::string("a..b"), std::string("h_st"), std::string("300.1.1.1"),
                           std::string("1.2.3")})
    EXPECT_EQ(DiscoveryAgentAddress("lpd://" + host + "/q"), std::nullopt) << host;
}

TEST(AgentAddress, NoWalkForOtherConnections) {
  EXPECT_EQ(DiscoveryAgentAddress("pap://zone/printer"), std::nullopt);
  EXPECT_EQ(DiscoveryAgentAddress("usb://HALVERN/VN420P"), std::nullopt);
  EXPECT_EQ(DiscoveryAgentAddress("ipp://10.0.0.1/ipp/print"), std::nullopt);
  EXPECT_EQ(DiscoveryAgentAddress("socket://10.0.0.1:9100"), std::nullopt);
}

// A fake DNS-SD daemon: records what it was asked and answers `result`/`address`.
class FakeResolver {
 public:
  FakeResolver() {
    previous_ =
        platform::dnssd::SetResolver([this](const std::string& name, const std::string& type,
                                            const std::string& domain, double timeout, Address* first) {
          ++calls;
          this->name = name;
          this->type = type;
          this->domain = domain;
          this->timeout = timeout;
          if (result == ResolveResult::kResolved) *first = address;
          return result;
        });
  }
  ~FakeResolver() { platform::dnssd::SetResolver(std::move(previous_)); }
  void AnswerIPv4(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    result = ResolveResult::kResolved;
    address = Address{};
    address.family = AF_INET;
    address.bytes[0] = a, address.bytes[1] = b, address.bytes[2] = c, address.bytes[3] = d;
  }

  int calls = 0;
  std::string name, type, domain;
  double timeout = 0;
  ResolveResult result = ResolveResult::kTimedOut;
  Address address;

 private:
  platform::dnssd::Resolver previous_;
};

TEST(AgentAddress, BonjourInstanceResolvedToDottedIPv4) {
  FakeResolver resolver;
  resolver.AnswerIPv4(192, 168, 0, 250);
  EXPECT_EQ(DiscoveryAgentAddress("dnssd://HALVERN%20VN420P%20%28Office%29._ipp._tcp.local./?uuid=x"),
            "192.168.0.250");
  EXPECT_EQ(resolver.name, "HALVERN VN420P (Office)");
  EXPECT_EQ(resolver.type, "_ipp._tcp");
  EXPECT_EQ(resolver.domain, "local");
  EXPECT_DOUBLE_EQ(resolver.timeout, 1.0);
  EXPECT_EQ(DiscoveryAgentAddress("mdns://Printer._printer._tcp.local/"), "192.168.0.250");
  EXPECT_EQ(resolver.type, "_printer._tcp");
  EXPECT_EQ(resolver.calls, 2);
}

TEST(AgentAddress, ServiceNameWithAFullStopSplitsWrongAndFails) {
  FakeResolver resolver;
  resolver.result = ResolveResult::kFailed;
  EXPECT_EQ(DiscoveryAgentAddress("dnssd://Floor.2._ipp._tcp.local./"), std::nullopt);
  EXPECT_EQ(resolver.name, "Floor");
  EXPECT_EQ(resolver.type, "2._ipp");
  EXPECT_EQ(resolver.domain, "_tcp");
}

TEST(AgentAddress, BonjourFailuresEndDiscovery) {
  FakeResolver resolver;
  resolver.AnswerIPv4(10, 0, 0, 1);
  // Fewer than four parts: nothing is asked.
  EXPECT_EQ(DiscoveryAgentAddress("dnssd://Printer._ipp._tcp/"), std::nullopt);
  EXPECT_EQ(DiscoveryAgentAddress("dnssd:///"), std::nullopt);
  // A broken escape or an escape that is not UTF-8.
  EXPECT_EQ(DiscoveryAgentAddress("dnssd://Bad%2._ipp._tcp.local./"), std::nullopt);
  EXPECT_EQ(DiscoveryAgentAddress("dnssd://Bad%FF._ipp._tcp.local./"), std::nullopt);
  EXPECT_EQ(resolver.calls, 0);
  // The first address is IPv6.
  resolver.address.family = AF_INET6;
  EXPECT_EQ(DiscoveryAgentAddress("dnssd://Printer._ipp._tcp.local./"), std::nullopt);
  // Timeout, no daemon.
  resolver.result = ResolveResult::kTimedOut;
  EXPECT_EQ(DiscoveryAgentAddress("dnssd://Printer._ipp._tcp.local./"), std::nullopt);
  resolver.result = ResolveResult::kNoDaemon;
  EXPECT_EQ(DiscoveryAgentAddress("dnssd://Printer._ipp._tcp.local./"), std::nullopt);
  EXPECT_EQ(resolver.calls, 3);
}

TEST(WalkArguments, ElevenInOrder) {
  const std::vector<std::string> expected = {
      "mibwalk_XPC", "VN420P",
      "alice",  // the tool's method, the model, the user
      "snmpwalk",    "-Os",
      "-c",          "mvqlpx",
      "-v",          "1",                                    // the walk and its options
      "10.1.2.3",    "1.3.6.1.4.1.32473.1.1.1.1.6.13.1.1"};  // the agent and the table
  EXPECT_EQ(MibWalkArguments("alice", "10.1.2.3"), expected);
}

// ---- the whole start of discovery ----

// Records the file operations the store asks of its variant.
class RecordingVariant : public profilestore::FileVariant {
 public:
  std::string ProfilePath() override { return "/p/profile.plist"; }
  std::string PrevPath() override { return "/p/profile.prev.plist"; }
  int IsAdmin(const std::string&) override {
    events->push_back("admin");
    return 1;
  }
  void Swap(int mode, const std::string&, const std::string&) override {
    events->push_back("swap " + std::to_string(mode));
  }
  int Exist(const std::string&) override { return 0; }
  int Remove(const std::string&) override { return 0; }
  bool WriteData(std::string_view, const std::string&) override { return false; }
  std::vector<std::string>* events = nullptr;
};

class Discovery : public ::testing::Test {
 protected:
  void SetUp() override {
    variant_.events = &events_;
    previous_variant_ = profilestore::SetFileVariant(&variant_);
    previous_sender_ = SetWalkRequestSender([this](const std::vector<std::string>& args, int32_t* status) {
      events_.push_back("walk " + args[9]);
      sent_ = args;
      *status = 1;
      return true;
    });
  }
  void TearDown() override {
    SetWalkRequestSender(std::move(previous_sender_));
    profilestore::SetFileVariant(previous_variant_);
  }
  std::unique_ptr<platform::PrintSession> Session(const std::string& uri) {
    std::string error;
    auto session = platform::PrintSession::FromPpdFile(testsupport::SamplePpd(), uri, &error);
    EXPECT_NE(session, nullptr) << error;
    return session;
  }

  RecordingVariant variant_;
  profilestore::FileVariant* previous_variant_ = nullptr;
  WalkRequestSender previous_sender_;
  std::vector<std::string> events_;
  std::vector<std::string> sent_;
};

TEST_F(Discovery, BackupThenWalkForLpd) {
  auto session = Session("lpd://127.0.0.1:515/queue");
  EXPECT_EQ(commonGetProfilesFromMIB(session.get()), 0);
  const std::vector<std::string> expected = {"admin", "swap 2", "walk 127.0.0.1"};
  EXPECT_EQ(events_, expected);
  EXPECT_EQ(sent_, MibWalkArguments(platform::paths::LoginName(), "127.0.0.1"));
}

TEST_F(Discovery, BackupEvenWhenNoWalkFollows) {
  for (const char* uri : {"usb://HALVERN/VN420P", "pap://zone/p", "ipp://h/q", "socket://h", ""}) {
    events_.clear();
    auto session = Session(uri);
    EXPECT_EQ(commonGetProfilesFromMIB(session.get()), 0);
    EXPECT_EQ(events_, (std::vector<std::string>{"admin", "swap 2"})) << uri;
  }
  events_.clear();
  EXPECT_EQ(commonGetProfilesFromMIB(nullptr), 0);
  EXPECT_EQ(events_, (std::vector<std::string>{"admin", "swap 2"}));
}

TEST_F(Discovery, BonjourPrinterIsWalkedAtItsResolvedAddress) {
  FakeResolver resolver;
  resolver.AnswerIPv4(172, 16, 5, 9);
  auto session = Session("dnssd://VN420P%20Floor%202._ipp._tcp.local./?uuid=abc");
  commonGetProfilesFromMIB(session.get());
  EXPECT_EQ(events_.back(), "walk 172.16.5.9");
  resolver.result = ResolveResult::kNoDaemon;
  events_.clear();
  commonGetProfilesFromMIB(session.get());
  EXPECT_EQ(events_, (std::vector<std::string>{"admin", "swap 2"}));
}

TEST_F(Discovery, WithoutASenderDiscoveryEndsQuietly) {
  SetWalkRequestSender(nullptr);
  auto session = Session("lpd://10.0.0.2/q");
  EXPECT_EQ(commonGetProfilesFromMIB(session.get()), 0);
  EXPECT_EQ(events_, (std::vector<std::string>{"admin", "swap 2"}));
}

TEST_F(Discovery, DefaultSenderRunsTheBridgeToolWithTheElevenArguments) {
  // previous_sender_ is the installed default: put it back for this test.
  SetWalkRequestSender(previous_sender_);
  testsupport::TempRoot root;
  testsupport::FakeTasks tasks([](const std::string&, const std::vector<std::string>&,
                                  platform::TaskResult* r) { r->output = "mibwalk_XPC=iRet=0\n"; });
  auto session = Session("lpd://10.9.8.7:515/q");

  // No tool at its launch path: nothing is started.
  commonGetProfilesFromMIB(session.get());
  EXPECT_TRUE(tasks.calls().empty());

  const std::string tool = platform::paths::BridgeToolPath();
  std::filesystem::create_directories(std::filesystem::path(tool).parent_path());
  testsupport::WriteText(tool, "#!/bin/sh\n");
  commonGetProfilesFromMIB(session.get());
  ASSERT_EQ(tasks.calls().size(), 1u);
  std::vector<std::string> expected = {tool};
  for (const std::string& a : MibWalkArguments(platform::paths::LoginName(), "10.9.8.7"))
    expected.push_back(a);
  EXPECT_EQ(tasks.calls()[0], expected);
}

// ---- the DNS-SD stand-in itself ----

TEST(Dnssd, SeamIsUsedAndRemoved) {
  {
    FakeResolver resolver;
    resolver.AnswerIPv4(1, 2, 3, 4);
    Address first;
    EXPECT_EQ(platform::dnssd::Resolve("n", "_ipp._tcp", "local", 1.0, &first), ResolveResult::kResolved);
    EXPECT_EQ(first.family, AF_INET);
    EXPECT_EQ(first.bytes[3], 4);
    resolver.result = ResolveResult::kFailed;
    Address untouched;
    EXPECT_EQ(platform::dnssd::Resolve("n", "_ipp._tcp", "local", 1.0, &untouched), ResolveResult::kFailed);
    EXPECT_EQ(untouched.family, 0);
  }
  // Back on the daemon: an instance that does not exist never resolves,
  // whether or not a daemon runs here (none does in CI).
  Address first;
  const ResolveResult result =
      platform::dnssd::Resolve("no such printer 7f3a", "_ipp._tcp", "local", 0.2, &first);
  EXPECT_NE(result, ResolveResult::kResolved);
  EXPECT_EQ(first.family, 0);
}

}  // namespace
}  // namespace colorpane
