// mib_walk against a real snmpd serving the printer's profile table, and the
// paths where argument parsing or the session stop the walk.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "files.h"
#include "loopback_listener.h"
#include "profile_lists.h"
#include "profilestore/profile_store.h"
#include "profilewalk/mib_walk.h"
#include "profilewalk/snmp_state.h"
#include "profilewalk/spool.h"
#include "profilewalk/walk_state.h"
#include "snmp_agent.h"
#include "tests/profilewalk/walk_test_util.h"

namespace profilewalk {
namespace {

using profilestore::kLocationCard;
using profilestore::kLocationDisk;
using namespace profilewalk::testing;

constexpr const char* kRoot = "1.3.6.1.4.1.32473.1.1.1.1.6.13.1.1";

// Runs mib_walk on writable copies of `args` (the parser may rewrite them).
int Walk(const std::vector<std::string>& args) {
  std::vector<std::string> copies = args;
  std::vector<char*> argv;
  for (auto& a : copies) argv.push_back(a.data());
  argv.push_back(nullptr);
  return mib_walk(static_cast<int>(copies.size()), argv.data());
}

std::vector<std::string> WalkArgs(const std::string& address, std::vector<std::string> options = {}) {
  std::vector<std::string> args = {"snmpwalk", "-Os", "-c", "public", "-v", "1", "-t", "0.5", "-r", "1"};
  args.insert(args.end(), options.begin(), options.end());
  args.push_back(address);
  args.push_back(kRoot);
  return args;
}

class WalkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rgb_ = NewList();
    sim_ = NewList();
    dst_ = NewList();
  }
  // RGB: a shown printer profile the table has, a hidden one it lacks, a
  // shown one it lacks; DST: a local profile the walk never touches.
  void WriteStartingFile() {
    PutItem(rgb_.get(), 0, 3, "PHOTO.ICM", kLocationCard, 2, 2);
    PutItem(rgb_.get(), 1, 2, "OLD.ICC", kLocationDisk, 9, 1);
    PutItem(rgb_.get(), 2, 4, "SHOWN.ICC", kLocationDisk, 10, 1);
    rgb_->iNum = 3;
    PutItem(dst_.get(), 0, 3, "LOCAL.ICC", 0, 0, 3);
    dst_->iNum = 1;
    ASSERT_EQ(profilestore::HVPListWriteProfile_All(rgb_.get(), sim_.get(), dst_.get()), 0);
  }
  void ReadFile() {
    rgb_ = NewList();
    sim_ = NewList();
    dst_ = NewList();
    ASSERT_EQ(profilestore::HVPListReadProfile_All(rgb_.get(), sim_.get(), dst_.get()), 0)
        << "the profile file must stay readable";
  }
  static const HVProfileItem* Find(const HVProfileList& list, const char* file) {
    for (int i = 0; i < list.iNum; ++i)
      if (std::strcmp(list.litem[i].FileName, file) == 0) return &list.litem[i];
    return nullptr;
  }
  // The starting file after a failed walk: hidden printer items freed, shown
  // ones unconfirmed, local ones kept, nothing added.
  void ExpectAgedAsFailure() {
    ReadFile();
    EXPECT_EQ(rgb_->iNum, 2);
    ASSERT_NE(Find(*rgb_, "PHOTO.ICM"), nullptr);
    EXPECT_EQ(Find(*rgb_, "PHOTO.ICM")->iInMenu, 6);  // 3 with a printer row: salvaged
    EXPECT_EQ(Find(*rgb_, "OLD.ICC"), nullptr);
    EXPECT_EQ(Find(*rgb_, "SHOWN.ICC")->iInMenu, 6);
    EXPECT_EQ(sim_->iNum, 0);
    EXPECT_EQ(dst_->iNum, 1);
    EXPECT_NE(Find(*dst_, "LOCAL.ICC"), nullptr);
  }

  testsupport::ProfileRoot root_;
  std::unique_ptr<HVProfileList> rgb_, sim_, dst_;
};

#define START_AGENT(agent, ...) \
  SnmpAgent agent(__VA_ARGS__); \
  if (!agent.skipReason().empty()) GTEST_SKIP() << agent.skipReason()

TEST_F(WalkTest, SuccessMergesTheTable) {
  START_AGENT(agent, "table");
  WriteStartingFile();
  EXPECT_EQ(Walk(WalkArgs(agent.address())), 0);
  // 7 columns of 7 rows, then the first variable past the table ends the walk.
  EXPECT_EQ(numprinted, 49);
  // Rows 1, 2, 3, 5, 6, 7, 8 answer column 1: count 7; row 8 lies beyond it.
  EXPECT_EQ(PlistForSpool.iNum, 7);

  ReadFile();
  ASSERT_NE(Find(*rgb_, "SRGB01.ICC"), nullptr);
  EXPECT_EQ(Find(*rgb_, "SRGB01.ICC")->iInMenu, 2);
  EXPECT_EQ(Find(*rgb_, "SRGB01.ICC")->iLocation, kLocationDisk);
  EXPECT_EQ(Find(*rgb_, "SRGB01.ICC")->iIndexOnDevice, 1);
  EXPECT_STREQ(Find(*rgb_, "SRGB01.ICC")->ProfileName, "Office sRGB");
  EXPECT_EQ(Find(*rgb_, "PHOTO.ICM")->iInMenu, 4);  // shown and confirmed
  EXPECT_EQ(Find(*rgb_, "OLD.ICC")->iInMenu, 1);    // hidden, not confirmed, kept
  EXPECT_EQ(Find(*rgb_, "SHOWN.ICC")->iInMenu, 6);  // 4 -> 3, then salvaged
  EXPECT_EQ(Find(*rgb_, "BAD NAME.ICC"), nullptr);
  EXPECT_EQ(Find(*rgb_, "LONGEXT.ICCX"), nullptr);
  EXPECT_EQ(Find(*rgb_, "NOLOC.ICC"), nullptr);
  EXPECT_EQ(rgb_->iNum, 4);
  ASSERT_NE(Find(*sim_, "PRESS.ICC"), nullptr);
  ASSERT_NE(Find(*dst_, "PRESS.ICC"), nullptr);
  EXPECT_EQ(Find(*dst_, "PRESS.ICC")->iInMenu, 2);
  EXPECT_NE(Find(*dst_, "LOCAL.ICC"), nullptr);
  EXPECT_EQ(sim_->iNum, 1);
  EXPECT_EQ(dst_->iNum, 2);

  // A second walk finds the same table: nothing is added twice.
  EXPECT_EQ(Walk(WalkArgs(agent.address())), 0);
  ReadFile();
  EXPECT_EQ(rgb_->iNum, 4);
  EXPECT_EQ(Find(*rgb_, "SRGB01.ICC")->iInMenu, 2);
  EXPECT_EQ(dst_->iNum, 2);
}

TEST_F(WalkTest, TimeoutAgesAsFailure) {
  START_AGENT(agent, "table");
  WriteStartingFile();
  agent.Stop();
  EXPECT_EQ(Walk(WalkArgs(agent.address(), {"-t", "0.2", "-r", "0"})), 1);
  EXPECT_EQ(numprinted, 0);
  ExpectAgedAsFailure();
}

TEST_F(WalkTest, OutOfOrderAnswerStopsTheWalk) {
  START_AGENT(agent, "outoforder");
  WriteStartingFile();
  sDEBUGmsg[0] = '\0';
  EXPECT_EQ(Walk(WalkArgs(agent.address())), 1);
  EXPECT_NE(std::strstr(sDEBUGmsg, "[SNMP] Error: OID not increasing: "), nullptr) << sDEBUGmsg;
  EXPECT_NE(std::strstr(sDEBUGmsg, ".1.3.6.1.4.1.32473.1.1.1.1.6.13.1.1.2.1.8 >= "), nullptr) << sDEBUGmsg;
  ExpectAgedAsFailure();
}

TEST_F(WalkTest, OrderingCheckOffFollowsTheAgentAndResetsForTheNextWalk) {
  START_AGENT(agent, "outoforder");
  WriteStartingFile();
  // -Cc: the jump back is followed; the agent jumps only once, so the walk
  // then runs through the whole table.
  EXPECT_EQ(Walk(WalkArgs(agent.address(), {"-Cc"})), 0);
  ReadFile();
  EXPECT_NE(Find(*rgb_, "SRGB01.ICC"), nullptr);
  // The store's booleans start false for every walk: without -Cc the order is
  // checked again (a new agent jumps again).
  START_AGENT(again, "outoforder");
  EXPECT_EQ(Walk(WalkArgs(again.address())), 1);
}

TEST_F(WalkTest, EndlessRepeatsEndTheWalk) {
  START_AGENT(agent, "endless");
  WriteStartingFile();
  EXPECT_EQ(Walk(WalkArgs(agent.address())), 1);
  EXPECT_EQ(numprinted, 2);
  ExpectAgedAsFailure();

  // With the ordering check off the request limit ends it.
  const int limit = walk_request_limit;
  walk_request_limit = 50;
  EXPECT_EQ(Walk(WalkArgs(agent.address(), {"-Cc"})), 1);
  walk_request_limit = limit;
  EXPECT_EQ(numprinted, 50);
  ReadFile();
}

TEST_F(WalkTest, HostileValuesStayInTheirFields) {
  START_AGENT(agent, "robust");
  WriteStartingFile();
  EXPECT_EQ(Walk(WalkArgs(agent.address())), 0);
  // Column 1 of rows 1, 2, 3 and of the long OID naming row 5 count; row 0,
  // row 100000, the short OID and the string-typed row 4 do not.
  EXPECT_EQ(PlistForSpool.iNum, 4);
  EXPECT_EQ(PlistForSpool.litem[1].FileName[0], '\0');  // 1004-byte name
  EXPECT_EQ(PlistForSpool.litem[1].iLocation, 0);       // string in an INTEGER column
  EXPECT_EQ(PlistForSpool.litem[1].iProfileClass, 0);   // Counter32
  EXPECT_EQ(PlistForSpool.litem[1].ProfileName[0], '\0');
  EXPECT_EQ(std::string(PlistForSpool.litem[0].ProfileName), std::string(31, 'X'));
  ReadFile();
  ASSERT_NE(Find(*rgb_, "OK1.ICC"), nullptr);
  EXPECT_EQ(std::string(Find(*rgb_, "OK1.ICC")->ProfileName), std::string(31, 'X'));
  EXPECT_EQ(Find(*rgb_, "ROWZERO.ICC"), nullptr);
  EXPECT_EQ(Find(*rgb_, "ROWBIG.ICC"), nullptr);
  EXPECT_NE(Find(*sim_, "OK3.ICC"), nullptr);
  EXPECT_NE(Find(*dst_, "OK3.ICC"), nullptr);
  EXPECT_EQ(rgb_->iNum, 4);  // PHOTO.ICM, OLD.ICC, SHOWN.ICC, OK1.ICC
}

TEST_F(WalkTest, WalksFromTwoThreadsDoNotOverlap) {
  START_AGENT(agent, "table");
  WriteStartingFile();
  int first = -9, second = -9;
  std::thread a([&] { first = Walk(WalkArgs(agent.address())); });
  std::thread b([&] { second = Walk(WalkArgs(agent.address())); });
  a.join();
  b.join();
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 0);
  ReadFile();
  EXPECT_EQ(rgb_->iNum, 4);
  EXPECT_EQ(dst_->iNum, 2);
}

// Vectors beyond what the walk needs never reach the library's parser: each
// is refused with the parse-error status, and the walk after it (in the same
// process, as in the service) runs from the same library settings as ever.
// Under AddressSanitizer this also shows that no parsing state of a refused
// or finished request is used by the next.
TEST_F(WalkTest, RefusedVectorsThenAValidWalk) {
  START_AGENT(agent, "table");
  std::string log = root_.root() + "/walk.log";
  for (const auto& refused : std::vector<std::vector<std::string>>{
           {"snmpwalk", "-v", "1", "-c", "public", "-Lf", log, agent.address(), kRoot},
           {"snmpwalk", "-v", "1", "-c", "public", "-Dall", agent.address(), kRoot},
           {"snmpwalk", "-v", "1", "-c", "public", "-Ib", agent.address(), kRoot},
           {"snmpwalk", "-v", "3", "-a", "SHA", "-x", "AES", "-u", "u", "-l", "authPriv", "-A", "password1",
            "-X", "password2", agent.address(), kRoot},
           {"snmpwalk", "-Y", "defAuthType SHA", "-Y", "defSecurityName x", "-v", "1", agent.address(), kRoot},
           {"snmpwalk", "-v", "1", "-c", "public", "unix:" + root_.root() + "/agent.sock", kRoot},
           {"snmpwalk", "-v", "1", "-c", "public", "-t", "100", "-r", "50", agent.address(), kRoot},
           {"snmpwalk", "-v", "1", "-c", "public", "-Lf" + log},
           // Stops the parse inside a bundle: its rest must not be read by the next walk's parse.
           {"snmpwalk", "-VaMD5", "-v", "1", agent.address()},
           {"snmpwalk", "-hl3", agent.address()},
       }) {
    EXPECT_EQ(Walk(refused), -1) << ::testing::PrintToString(refused);
    EXPECT_TRUE(NetSnmpStateIsPristine());
    EXPECT_EQ(Walk(WalkArgs(agent.address())), 0);
    EXPECT_EQ(numprinted, 49);
    EXPECT_TRUE(NetSnmpStateIsPristine());
  }
  EXPECT_FALSE(std::filesystem::exists(log));
  // Options that print and end the parse keep their statuses, and what they
  // leave behind in the parser is not carried into the next walk.
  for (const auto& [option, status] : std::vector<std::pair<std::string, int>>{{"-V", -2}, {"-h", -1}, {"-H", -2}}) {
    EXPECT_EQ(Walk({"snmpwalk", "-Os", option}), status) << option;
    EXPECT_EQ(Walk(WalkArgs(agent.address())), 0);
  }
}

// Output letters change library settings; the next walk never sees them.
TEST_F(WalkTest, OutputOptionsDoNotOutliveTheirWalk) {
  START_AGENT(agent, "table");
  EXPECT_EQ(Walk(WalkArgs(agent.address(), {"-Onqe"})), 0);
  EXPECT_TRUE(NetSnmpStateIsPristine());
  EXPECT_EQ(Walk(WalkArgs(agent.address())), 0);
  EXPECT_TRUE(NetSnmpStateIsPristine());
}

TEST_F(WalkTest, TheWholeWalkEndsAtItsCeiling) {
  START_AGENT(agent, "table");
  WriteStartingFile();
  double saved = walk_seconds_limit;
  walk_seconds_limit = 0;
  EXPECT_EQ(Walk(WalkArgs(agent.address())), 1);
  walk_seconds_limit = saved;
  EXPECT_EQ(numprinted, 1);  // one answer, then no further request
  ExpectAgedAsFailure();
}

// Against an agent that never answers, with an extra GET before the walk
// (-Ci) and a request that alone could take 3 s: the whole walk still ends
// within both limits, the last request's included (lowered here), and is
// merged as a failure. A caller that hangs up ends the walk at once, and the
// profile file stays as it was.
TEST_F(WalkTest, TheWholeWalkEndsWithinItsBoundOrWhenItsCallerHangsUp) {
  testsupport::LoopbackListener silent(testsupport::LoopbackListener::kUdp4);
  ASSERT_TRUE(silent.valid());
  const std::vector<std::string> args = {"snmpwalk", "-v", "1",  "-c", "public",         "-Ci",
                                         "-t",       "3",  "-r", "0",  silent.address(), kRoot};
  using Clock = std::chrono::steady_clock;
  WriteStartingFile();
  double saved_limit = walk_seconds_limit, saved_last = walk_last_request_seconds;
  walk_seconds_limit = 0.2;
  walk_last_request_seconds = 0.5;
  auto start = Clock::now();
  EXPECT_EQ(Walk(args), 1);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500)) << "the walk ran past its bound";
  walk_seconds_limit = saved_limit;
  walk_last_request_seconds = saved_last;
  EXPECT_TRUE(silent.Heard(std::chrono::milliseconds(100)));
  ExpectAgedAsFailure();

  WriteStartingFile();
  std::string before = testsupport::ReadText(root_.profile());
  int ends[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
  std::thread caller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    close(ends[1]);
  });
  walk_hangup_fd = ends[0];
  start = Clock::now();
  EXPECT_EQ(Walk(args), 1);
  auto took = Clock::now() - start;
  walk_hangup_fd = -1;
  caller.join();
  close(ends[0]);
  EXPECT_LT(took, std::chrono::milliseconds(2500)) << "the walk outlived its caller";
  EXPECT_EQ(testsupport::ReadText(root_.profile()), before)
      << "a walk whose caller hung up was merged";
  EXPECT_TRUE(NetSnmpStateIsPristine());
}

// ---- paths that end before any request ----

TEST_F(WalkTest, ParserStopsAreMergedAsFailures) {
  WriteStartingFile();
  EXPECT_EQ(Walk({"snmpwalk"}), -1);  // no agent named
  ExpectAgedAsFailure();
  EXPECT_EQ(Walk({"snmpwalk", "-V"}), -2);
  EXPECT_EQ(Walk({"snmpwalk", "-v", "9", "127.0.0.1"}), -1);
  EXPECT_EQ(mib_walk(0, nullptr), -1);
  char* empty[] = {nullptr};
  EXPECT_EQ(mib_walk(0, empty), -1);
  ReadFile();
}

TEST_F(WalkTest, UnknownOptionLettersAreNotedAndParsingGoesOn) {
  sDEBUGmsg[0] = '\0';
  EXPECT_EQ(Walk({"snmpwalk", "-Cxc"}), -1);  // still no agent
  EXPECT_STREQ(sDEBUGmsg, "Unknown flag passed to -C: x\n");
}

TEST_F(WalkTest, BadRootAndBadSessionAreStatusOne) {
  WriteStartingFile();
  EXPECT_EQ(Walk({"snmpwalk", "-v", "1", "-c", "public", "127.0.0.1:1", "1.3.6.1.x.y"}), 1);
  ExpectAgedAsFailure();
  // A name that does not resolve: the session cannot be opened.
  EXPECT_EQ(Walk({"snmpwalk", "-v", "1", "-c", "public", "no-such-host.invalid", kRoot}), 1);
  ReadFile();
}

}  // namespace
}  // namespace profilewalk
