// The plug-in's delegating store against the real tool and service: a whole
// profile file written and read back, swaps, a load test and a crash test.
#include <gtest/gtest.h>
#include <plist/plist.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <random>

#include "colorpane/delegating_variant.h"
#include "colorpane/profile_hooks.h"
#include "files.h"
#include "platform/paths.h"
#include "profile_lists.h"
#include "profilestore/profile_store.h"
#include "protocol/file_url.h"
#include "temp_root.h"

namespace {

using profilestore::HVProfileList;
using testsupport::ReadText;
using testsupport::RunBridge;

using testsupport::FullLists;

bool IsPropertyList(const std::string& bytes) {
  plist_t root = nullptr;
  plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
  if (root == nullptr) return false;
  plist_free(root);
  return true;
}

class DelegatingStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    colorpane::InstallDelegatingVariant();
    profile_ = root_.File(platform::paths::LoginName());
  }
  void TearDown() override { profilestore::SetFileVariant(nullptr); }
  int Write(testsupport::ProfileLists& l) {
    return profilestore::HVPListWriteProfile_All(&l[0], &l[1], &l[2]);
  }

  testsupport::TempRoot root_{true};
  std::string profile_;
};

TEST_F(DelegatingStoreTest, FullProfileFileReadsBackEqual) {
  auto lists = FullLists(0);
  ASSERT_EQ(Write(lists), 0);
  std::string bytes = ReadText(profile_);
  EXPECT_GT(bytes.size(), 2 * 90000u);  // it travelled in several chunks
  // Nothing beside the profile file: no staging file left, at any name.
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(profile_).parent_path()))
    EXPECT_EQ(entry.path(), profile_);
  auto back = std::make_unique<HVProfileList[]>(3);
  for (int c = 0; c < 3; ++c) profilestore::ClearProfileList(&back[c]);
  ASSERT_EQ(profilestore::HVPListReadProfile_All(&back[0], &back[1], &back[2]), 0);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(memcmp(&back[c], &lists[c], sizeof(HVProfileList)), 0) << "class " << c;
}

// What enables the panel's "Management Profile" button and discovery.
TEST_F(DelegatingStoreTest, AdministratorProfileAsksTheService) {
  EXPECT_TRUE(colorpane::IsAdministratorProfile());
  EXPECT_GT(root_.ServicePid(), 0);
  EXPECT_FALSE(std::filesystem::exists(profile_));
  // No preference folder: the service cannot create the file.
  std::filesystem::remove_all(root_.folder());
  EXPECT_FALSE(colorpane::IsAdministratorProfile());
  // No tool: nothing to ask.
  std::filesystem::create_directories(root_.folder());
  std::filesystem::remove(platform::paths::BridgeToolPath());
  EXPECT_FALSE(colorpane::IsAdministratorProfile());
}

TEST_F(DelegatingStoreTest, SwapsExistenceAndRemovalThroughTheService) {
  std::string prev = root_.File(platform::paths::LoginName(), "profile.prev.plist");
  EXPECT_EQ(profilestore::HVPListIsAdminProfile(), 1);
  EXPECT_EQ(profilestore::HVPListExistProfile(), 0);
  auto a = FullLists(1), b = FullLists(2);
  ASSERT_EQ(Write(a), 0);
  std::string bytes_a = ReadText(profile_);
  EXPECT_EQ(profilestore::HVPListExistProfile(), 1);
  profilestore::HVPListSwapProfile(profilestore::kSwapSave);
  EXPECT_EQ(ReadText(prev), bytes_a);
  ASSERT_EQ(Write(b), 0);
  EXPECT_NE(ReadText(profile_), bytes_a);
  profilestore::HVPListSwapProfile(profilestore::kSwapRestore);
  EXPECT_EQ(ReadText(profile_), bytes_a);
  EXPECT_FALSE(std::filesystem::exists(prev));
  EXPECT_EQ(profilestore::HVPListRemove(1), 0);
  EXPECT_EQ(profilestore::HVPListRemove(profilestore::kRemovePrev), 0);  // nothing to remove
  EXPECT_EQ(profilestore::HVPListRemove(profilestore::kRemoveProfile), 1);
  EXPECT_FALSE(std::filesystem::exists(profile_));
}

// 8 clients x 200 requests of mixed kinds against one service; each client
// has its own model's files so its write sequences are its own.
TEST(LoadTest, EightClientsTwoHundredRequestsEach) {
  testsupport::TempRoot root(true);
  std::string login = platform::paths::LoginName();
  constexpr int kClients = 8, kRequests = 200;
  std::atomic<int> wrong{0};
  std::vector<std::string> last(kClients);
  std::vector<std::thread> clients;
  for (int k = 0; k < kClients; ++k) {
    clients.emplace_back([&, k] {
      std::string model = "M" + std::to_string(k);
      std::string file = root.folder() + login + "-" + model + "-profile.plist";
      std::string prev = root.folder() + login + "-" + model + "-profile.prev.plist";
      std::string url = protocol::FileURLFromPath(file);
      for (int i = 0; i < kRequests; ++i) {
        std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>n</key>"
                          "<string>" + model + " " + std::to_string(i) + " é</string></dict></plist>\n";
        std::vector<std::string> args;
        std::string expect;
        switch (i % 8) {
          case 0: args = {"hvPListIsAdminProfile_XPC", file}; expect = "TRUE"; break;
          case 1: args = {"writeDictionaryToPlistFile_XPC", url, doc}; expect = "TRUE"; last[k] = doc; break;
          case 2: args = {"hvPListExistProfile_XPC", file}; expect = "TRUE"; break;
          case 3: args = {"writeDataToPlistFile_XPC", url, doc.substr(0, 50)}; expect = "TRUE"; last[k] = doc; break;
          case 4: args = {"writeDataToPlistFile_XPC", url, doc.substr(50)}; expect = "TRUE"; break;
          case 5: args = {"writeDataToPlistFileRename_XPC", url}; expect = "TRUE"; break;
          case 6: args = {"hvPListSwapProfile_XPC", "2", file, prev}; expect = "TRUE"; break;
          case 7: args = {"mibwalk_XPC", model, "someoneelse"}; expect = "iRet=1"; break;
        }
        // Case 4 continues the chunk of case 3, which used the previous i.
        if (i % 8 == 4) args[2] = last[k].substr(50);
        std::string out = RunBridge(args).output;
        if (out != args[0] + "=" + expect + "\n") {
          ++wrong;
          ADD_FAILURE() << "client " << k << " request " << i << ": " << out;
        }
      }
    });
  }
  for (auto& t : clients) t.join();
  EXPECT_EQ(wrong, 0);
  for (int k = 0; k < kClients; ++k) {
    std::string bytes = ReadText(root.folder() + login + "-M" + std::to_string(k) + "-profile.plist");
    EXPECT_TRUE(IsPropertyList(bytes));
    EXPECT_EQ(bytes, last[k]);
  }
}

// The service is killed at random moments during 200 delegating writes of
// whole profile files: after each write the file holds the old or the new content,
// never a part, and a write after a failed one succeeds.
TEST_F(DelegatingStoreTest, KilledServiceNeverLeavesAPartialFile) {
  auto a = FullLists(3), b = FullLists(4);
  ASSERT_EQ(Write(b), 0);
  const std::string bytes_b = ReadText(profile_);
  auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Write(a), 0);
  auto one_write = std::chrono::steady_clock::now() - start;
  const std::string bytes_a = ReadText(profile_);
  ASSERT_NE(bytes_a, bytes_b);

  std::mt19937 rng(7);
  int writes = 0, failed = 0;
  std::string current = bytes_a;
  // Bounded in time as well: a slow (sanitizer) build stops early.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(35);
  for (int i = 0; writes < 200 && std::chrono::steady_clock::now() < deadline; ++i) {
    bool even = i % 2 == 0;
    const std::string& wanted = even ? bytes_b : bytes_a;
    auto delay = std::chrono::duration_cast<std::chrono::microseconds>(one_write) * (rng() % 1200) / 1000;
    std::atomic<bool> done{false};
    std::thread killer([&] {
      auto until = std::chrono::steady_clock::now() + delay;
      while (!done && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(std::chrono::microseconds(200));
      if (done) return;
      pid_t pid = root_.ServicePid();
      if (pid <= 0) return;
      kill(pid, SIGKILL);
      // Dead once its socket stops answering; the next write must not meet it dying.
      for (int t = 0; t < 500 && root_.ServicePid() == pid; ++t) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    int rc = Write(even ? b : a);
    done = true;
    killer.join();
    ++writes;
    std::string now = ReadText(profile_);
    ASSERT_TRUE(now == current || now == wanted) << "write " << i << " left " << now.size() << " bytes";
    if (rc == 0) {
      EXPECT_EQ(now, wanted);
    }
    if (rc != 0) {
      ++failed;
      ASSERT_EQ(Write(even ? b : a), 0) << "the write after a killed one failed";
      ++writes;
      now = ReadText(profile_);
      ASSERT_EQ(now, wanted);
    }
    current = now;
  }
  if (writes >= 200) {
    EXPECT_GT(failed, 0) << "no write was interrupted";
  } else {
    // A slow (sanitizer) build: the tool's start-up dominates, so most kills
    // land between requests; the invariants above were still checked.
    EXPECT_GE(writes, 10) << "far too slow";
    std::printf("crash test stopped at its time limit after %d writes (%d interrupted)\n", writes, failed);
  }
  RecordProperty("interrupted_writes", failed);
}

}  // namespace
