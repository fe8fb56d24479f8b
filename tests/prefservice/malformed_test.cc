// 1000 malformed request strings, built by mutating valid ones, run through
// every method: the service answers each with one of its reply strings and
// touches nothing outside the preference folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "files.h"
#include "platform/paths.h"
#include "prefservice/service_xpc.h"
#include "protocol/file_url.h"
#include "temp_root.h"

namespace prefservice {
namespace {

using protocol::Method;

TEST(MalformedRequests, EveryOneGetsAPlainReply) {
  testsupport::TempRoot root;
  std::string login = platform::paths::LoginName();
  std::string outside = root.base() + "/outside";
  testsupport::WriteText(outside, "keep");
  WalkFunction previous = SetWalkFunction([](int argc, char** argv) {
    for (int i = 0; i < argc; ++i)
      if (argv[i] == nullptr) return 99;
    return argv[argc] == nullptr ? 5 : 98;
  });
  std::string profile = root.File(login);
  std::string url = protocol::FileURLFromPath(profile);
  const std::vector<std::string> seeds = {
      profile,
      url + ":AddURL:END<?xml version=\"1.0\"?><plist version=\"1.0\"><dict/></plist>",
      "2:ARG_iSwapType" + profile + ":ARG_cFooCurrentString" + root.File(login, "profile.prev.plist") +
          ":ARG_cFooPrevString",
      "VN420P:ModelName:END" + login + ":USErName:ENDsnmpwalk:arg:-Os:arg:",
      "file://" + outside,
  };
  const std::vector<std::string> pieces = {":AddURL:END", ":ARG_iSwapType", ":ModelName:END", ":USErName:END",
                                           ":arg:",       "NULL",           "../",            "%",
                                           std::string(1, '\0'), "\xC3",    "/",              "%2e%2e/"};
  std::mt19937 rng(20261207);
  HVmacServiceXPC service(Caller{getuid(), login});
  for (int i = 0; i < 1000; ++i) {
    std::string s = seeds[rng() % seeds.size()];
    int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits; ++e) {
      size_t at = s.empty() ? 0 : rng() % (s.size() + 1);
      switch (rng() % 4) {
        case 0: s.insert(at, pieces[rng() % pieces.size()]); break;
        case 1: s.erase(at, rng() % 16); break;
        case 2: if (!s.empty() && at < s.size()) s[at] = static_cast<char>(rng()); break;
        case 3: s = s.substr(0, at); break;
      }
    }
    Method m = static_cast<Method>(rng() % protocol::kMethodCount);
    std::string reply = service.Call(m, s);
    if (m == Method::kMibWalk) {
      EXPECT_TRUE(reply == "iRet=5" || reply == "iRet=1") << reply;
    } else {
      EXPECT_TRUE(reply == "TRUE" || reply == "FALSE") << reply;
    }
  }
  SetWalkFunction(previous);
  EXPECT_EQ(testsupport::ReadText(outside), "keep");
  // Nothing was created outside the preference folder.
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root.base())) {
    std::string p = entry.path().string();
    if (entry.is_regular_file() && p != outside) {
      EXPECT_EQ(p.rfind(root.folder(), 0), 0u) << p;
    }
  }
}

}  // namespace
}  // namespace prefservice
