#include "prefservice/own_files.h"

#include <gtest/gtest.h>

namespace prefservice {
namespace {

constexpr std::string_view kFolder = "/r/Prefs/";

TEST(ClassifyOwnFile, TheThreeNamesOfTheCaller) {
  auto f = ClassifyOwnFile("/r/Prefs/al-ice-VN420P-profile.plist", kFolder, "al-ice");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->kind, FileKind::kProfile);
  EXPECT_EQ(f->model, "VN420P");
  EXPECT_EQ(f->name, "al-ice-VN420P-profile.plist");
  EXPECT_EQ(ClassifyOwnFile("/r/Prefs/bob-M1-profile.prev.plist", kFolder, "bob")->kind, FileKind::kPrev);
  EXPECT_EQ(ClassifyOwnFile("/r/Prefs/bob-M1-profile.spool.plist", kFolder, "bob")->kind, FileKind::kSpool);
}

TEST(ClassifyOwnFile, AnythingElseIsRefused) {
  for (std::string_view path : {
           "/r/Prefs/bob-VN420P-profile.plist",       // another user's
           "/r/Prefs/al-VN420P-profile.plist",        // a prefix of the login
           "/r/Prefs/al-ice-profile.plist",           // no model: "ice" would be the login's tail
           "/r/Prefs/al-ice--profile.plist",          // empty model
           "/r/Prefs/al-ice-.x-profile.plist",        // hidden model name
           "/r/Prefs/al-ice-VN420P-profile.plist.tmp",
           "/r/Prefs/../Prefs/al-ice-VN420P-profile.plist",
           "/r/Prefs/sub/al-ice-VN420P-profile.plist",
           "/r/Prefsal-ice-VN420P-profile.plist",
           "/r/Prefs/",
           "al-ice-VN420P-profile.plist",
       })
    EXPECT_FALSE(ClassifyOwnFile(path, kFolder, "al-ice")) << path;
  EXPECT_FALSE(ClassifyOwnFile("/r/Prefs/-VN420P-profile.plist", kFolder, ""));
  EXPECT_FALSE(ClassifyOwnFile("/r/Prefs/a-VN420P-profile.plist", "/r/Prefs", "a"));  // folder must end in '/'
}

TEST(IsSafeModelName, LettersDigitsUnderscoreDot) {
  EXPECT_TRUE(IsSafeModelName("VN420P"));
  EXPECT_TRUE(IsSafeModelName("a_b.c"));
  for (std::string_view m : std::initializer_list<std::string_view>{"", ".", "..", "a-b", "a/b", "a b", std::string_view("a\0b", 3)})
    EXPECT_FALSE(IsSafeModelName(m)) << m;
  EXPECT_FALSE(IsSafeModelName(std::string(65, 'a')));
}

}  // namespace
}  // namespace prefservice
