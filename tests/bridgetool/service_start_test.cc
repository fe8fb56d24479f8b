// Starting the service on demand: the lock, the bounded wait, and a service
// that is missing.
#include "bridgetool/service_start.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "samples.h"
#include "temp_root.h"

namespace bridgetool {
namespace {

TEST(ServiceStart, StartsTheServiceAndConnects) {
  testsupport::TempRoot root;
  platform::ipc::Socket s = ConnectOrStart(root.socket(), testsupport::BuildPath("bin/prefservice"));
  ASSERT_TRUE(s.valid());
  EXPECT_GT(root.ServicePid(), 0);
  // A second call finds it listening.
  EXPECT_TRUE(ConnectOrStart(root.socket(), "").valid());
}

TEST(ServiceStart, MissingServiceGivesNoConnectionQuickly) {
  testsupport::TempRoot root;
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(ConnectOrStart(root.socket(), root.base() + "/no-such-service", 300).valid());
  EXPECT_FALSE(ConnectOrStart(root.socket(), "/bin/true", 300).valid());  // starts, never listens
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(ServiceStart, StaleSocketFileIsReplaced) {
  testsupport::TempRoot root;
  {
    platform::ipc::Socket dead = platform::ipc::Listen(root.socket());
    ASSERT_TRUE(dead.valid());
  }  // closed: the file stays, nobody listens
  ASSERT_TRUE(std::filesystem::exists(root.socket()));
  EXPECT_TRUE(ConnectOrStart(root.socket(), testsupport::BuildPath("bin/prefservice")).valid());
}

}  // namespace
}  // namespace bridgetool
