#include "protocol/walk_args.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace protocol {
namespace {

bool Accepted(const std::vector<std::string>& args) {
  std::vector<const char*> argv;
  for (const auto& a : args) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  return !RefuseWalkArguments(static_cast<int>(args.size()), argv.data());
}

TEST(AgentAddress, IPv4OrHostNameWithAnOptionalPort) {
  for (std::string_view ok : {"127.0.0.1", "10.0.0.255:161", "printer", "printer.example.jp:1161", "a-b.c9", "1.2.3.4:65535"})
    EXPECT_TRUE(IsAgentAddress(ok)) << ok;
  for (std::string_view bad :
       {"", "-Lf/tmp/x", "unix:/tmp/s", "udp:1.2.3.4", "tcp:host:161", "1.2.3.4:0", "1.2.3.4:65536",
        "1.2.3.4:", "256.1.1.1", "1.2.3", "1.2.3.4.5", "host_name", "-host", "host-", "a..b", "[::1]", "::1",
        "host:161:1", "h o", "ipx:00000001:000000000001",
        // the library's transport names before a port: never a host
        "tcp:16199", "unix:16199", "udp6:16199", "tcp6:16199", "udp:16199", "TCP:16199", "udpv6:16199",
        "tcpipv6:16199", "dtls:16199", "tls:16199", "ssh:16199", "unix"})
    EXPECT_FALSE(IsAgentAddress(bad)) << bad;
  EXPECT_FALSE(IsAgentAddress(std::string(64, 'h')));
  EXPECT_FALSE(IsAgentAddress(std::string(254, 'h')));
  // A host whose name merely begins like a transport is one.
  EXPECT_TRUE(IsAgentAddress("tcpprinter:161"));
  EXPECT_EQ(UdpAgent("printer:1161"), "udp:printer:1161");
  // Where the agent stands, for the walk to hand it on as UDP.
  const char* argv[] = {"snmpwalk", "-Os", "-c", "public", "printer", "1.3.6", nullptr};
  int agent = -2;
  EXPECT_FALSE(RefuseWalkArguments(6, argv, &agent));
  EXPECT_EQ(agent, 4);
  EXPECT_FALSE(RefuseWalkArguments(2, argv, &agent));
  EXPECT_EQ(agent, -1);
}

TEST(WalkArguments, WhatDiscoveryAndTheTestsUse) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"snmpwalk", "-Os", "-c", "mvqlpx", "-v", "1", "192.168.1.20",
            "1.3.6.1.4.1.32473.1.1.1.1.6.13.1.1"},
           {"snmpwalk", "-v1", "-cpublic", "-t", "0.5", "-r", "1", "-Cc", "-Cip", "127.0.0.1:1161", ".1.3.6"},
           {"snmpwalk", "-O", "nqs", "-t", "10", "-r", "1", "printer"},
           {"snmpwalk", "-Cxc"},  // no agent: the parser says so
           {"snmpwalk"},
           {"snmpwalk", "-V"},
           {"snmpwalk", "-h"},
           {"snmpwalk", "-H"},
           {"snmpwalk", "-c", "-L", "host"},                   // a community may look like an option
           {"snmpwalk", "-c", std::string(255, 'c'), "host"},  // the longest community
           {"snmpwalk", "-t", "10", "-r", "1", "host"},        // one request within 20 s exactly
           {"snmpwalk", "-t", "5", "-r", "3", "host"},
       })
    EXPECT_TRUE(Accepted(args)) << ::testing::PrintToString(args);
}

TEST(WalkArguments, EverythingElseIsRefused) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {},
           {"snmpget", "host"},
           {"snmpwalk", "-L", "f", "/tmp/log", "host"},
           {"snmpwalk", "-Lf/tmp/log", "host"},
           {"snmpwalk", "-D", "ALL", "host"},
           {"snmpwalk", "-d", "host"},
           {"snmpwalk", "-I", "r", "host"},
           {"snmpwalk", "-m", "ALL", "host"},
           {"snmpwalk", "-M", "/tmp", "host"},
           {"snmpwalk", "-P", "u", "host"},
           {"snmpwalk", "-Y", "defAuthType SHA", "host"},
           {"snmpwalk", "-v", "3", "-a", "SHA", "host"},
           {"snmpwalk", "-v", "2c", "host"},
           {"snmpwalk", "-u", "user", "-l", "authPriv", "-A", "pw", "host"},
           {"snmpwalk", "-3m", "0x01", "host"},
           {"snmpwalk", "-T", "a=b", "host"},
           {"snmpwalk", "--help", "host"},
           {"snmpwalk", "--defVersion=3", "host"},
           {"snmpwalk", "-Vh"},
           {"snmpwalk", "-Oz", "host"},
           {"snmpwalk", "-C", "c;", "host"},
           {"snmpwalk", "-t", "600", "host"},
           {"snmpwalk", "-t", "0", "host"},
           {"snmpwalk", "-t", "1e3", "host"},
           {"snmpwalk", "-r", "99", "host"},
           {"snmpwalk", "-t", "10", "-r", "5", "host"},  // one request could hold the service for a minute
           {"snmpwalk", "-c", std::string(256, 'c'), "host"},  // one byte past the longest community
           {"snmpwalk", "-t", "10", "-r", "2", "host"},        // 30 s for one request
           {"snmpwalk", "-t", "5.000001", "-r", "3", "host"},  // just past 20 s
           {"snmpwalk", "-c"},
           {"snmpwalk", "unix:/run/x.sock"},
           {"snmpwalk", "-v", "1", "-Lo"},
           {"snmpwalk", "host", "1.3.6", "1.3.7"},
           {"snmpwalk", "host", "-Lf", "/tmp/x"},
           {"snmpwalk", "host", "1.3.6", "-Dall"},
       })
    EXPECT_FALSE(Accepted(args)) << ::testing::PrintToString(args);
}

}  // namespace
}  // namespace protocol
