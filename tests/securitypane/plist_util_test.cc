// The typed property-list lookups, string helpers and plist file reading.
#include "securitypane/plist_util.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace securitypane {
namespace {

plist::Value Sample() {
  plist::Dict d;
  d["dict"] = plist::Dict{{"k", "v"}};
  d["array"] = plist::Array{1, "two"};
  d["string"] = "text";
  d["int"] = 5;
  d["real"] = 2.5;
  d["bool"] = true;
  return plist::Value(std::move(d));
}

TEST(PlistUtil, DictionaryLookupByKind) {
  const plist::Value v = Sample();
  EXPECT_NE(CFDictionaryGetValueWithType(&v, "dict", kValueKindDictionary), nullptr);
  EXPECT_EQ(CFDictionaryGetValueWithType(&v, "dict", kValueKindArray), nullptr);
  EXPECT_NE(CFDictionaryGetValueWithType(&v, "array", kValueKindArray), nullptr);
  EXPECT_EQ(*CFDictionaryGetValueWithType(&v, "string", kValueKindString)->string(), "text");
  EXPECT_EQ(CFDictionaryGetValueWithType(&v, "string", kValueKindURL), nullptr);
  EXPECT_NE(CFDictionaryGetValueWithType(&v, "int", kValueKindNumber), nullptr);
  EXPECT_NE(CFDictionaryGetValueWithType(&v, "real", kValueKindNumber), nullptr);
  EXPECT_EQ(CFDictionaryGetValueWithType(&v, "bool", kValueKindNumber), nullptr);
  EXPECT_NE(CFDictionaryGetValueWithType(&v, "bool", kValueKindBoolean), nullptr);
  EXPECT_NE(CFDictionaryGetValueWithType(&v, "bool", 0), nullptr);
  EXPECT_NE(CFDictionaryGetValueWithType(&v, "int", 99), nullptr);
  EXPECT_EQ(CFDictionaryGetValueWithType(&v, "missing", 0), nullptr);

  const plist::Value empty{plist::Dict{}};
  const plist::Value not_dict{"x"};
  EXPECT_EQ(CFDictionaryGetValueWithType(&empty, "k", 0), nullptr);
  EXPECT_EQ(CFDictionaryGetValueWithType(&not_dict, "k", 0), nullptr);
  EXPECT_EQ(CFDictionaryGetValueWithType(nullptr, "k", 0), nullptr);

  const plist::Value* out = &v;
  EXPECT_FALSE(CFDictionaryGetValueIfPresentWithType(&v, "int", &out, kValueKindString));
  EXPECT_EQ(out, nullptr);
  EXPECT_TRUE(CFDictionaryGetValueIfPresentWithType(&v, "int", &out, kValueKindNumber));
  EXPECT_EQ(*out->integer(), 5);
}

TEST(PlistUtil, ArrayLookupChecksIndexAndKind) {
  const plist::Value a{plist::Array{1, "two"}};
  EXPECT_EQ(*CFArrayGetValueAtIndexWithType(&a, 1, kValueKindString)->string(), "two");
  EXPECT_EQ(CFArrayGetValueAtIndexWithType(&a, 0, kValueKindString), nullptr);
  EXPECT_NE(CFArrayGetValueAtIndexWithType(&a, 0, 0), nullptr);
  EXPECT_NE(CFArrayGetValueAtIndexWithType(&a, 0, 7), nullptr);
  EXPECT_EQ(CFArrayGetValueAtIndexWithType(&a, 2, 0), nullptr);
  EXPECT_EQ(CFArrayGetValueAtIndexWithType(&a, -1, 0), nullptr);
  const plist::Value s{"x"};
  EXPECT_EQ(CFArrayGetValueAtIndexWithType(&s, 0, 0), nullptr);
}

TEST(PlistUtil, StringHelpers) {
  const std::string empty, abc = "abc", ABC = "ABC",
                           strasse =
                               "Stra\xC3\x9F"
                               "e",
                           STRASSE = "STRASSE";
  EXPECT_TRUE(CFStringIsEmpty(nullptr));
  EXPECT_TRUE(CFStringIsEmpty(&empty));
  EXPECT_FALSE(CFStringIsEmpty(&abc));
  EXPECT_EQ(CFStringCreateWithIntValue(-42), "-42");
  EXPECT_TRUE(CFStringEqualTo(&abc, &ABC, false));
  EXPECT_FALSE(CFStringEqualTo(&abc, &ABC, true));
  EXPECT_TRUE(CFStringEqualTo(&strasse, &STRASSE, false));
  EXPECT_FALSE(CFStringEqualTo(&abc, nullptr, false));
  EXPECT_FALSE(CFStringEqualTo(nullptr, nullptr, true));
  const plist::Value v{"s"};
  EXPECT_TRUE(CFTypeIsValid(&v, plist::Type::kString));
  EXPECT_FALSE(CFTypeIsValid(&v, plist::Type::kDict));
  EXPECT_FALSE(CFTypeIsValid(nullptr, plist::Type::kString));
}

class PlistFile : public ::testing::Test {
 protected:
  std::string path_;
  void SetUp() override {
    char tmpl[] = "/tmp/securitypane_plist_XXXXXX";
    int fd = mkstemp(tmpl);
    ASSERT_GE(fd, 0);
    close(fd);
    path_ = tmpl;
  }
  void TearDown() override { std::remove(path_.c_str()); }
  void Write(const std::string& text) { std::ofstream(path_) << text; }
};

TEST_F(PlistFile, ReadsDictionariesAndRefusesOtherContent) {
  Write(plist::ToXml(Sample()));
  auto v = MyPListCreateDictionaryFromPath(path_);
  ASSERT_TRUE(v);
  EXPECT_EQ(*v, Sample());
  EXPECT_TRUE(MyPListCreateDictionaryMutableFromPath(path_));

  Write(plist::ToXml(plist::Value(plist::Array{1})));
  EXPECT_TRUE(MyPListCreateFromPathString(path_, PListMutability::kImmutable));
  EXPECT_FALSE(MyPListCreateDictionaryFromPath(path_));

  Write("not a property list");
  EXPECT_FALSE(MyPListCreateFromPathString(path_, PListMutability::kImmutable));
  EXPECT_FALSE(MyPListCreateFromPathString(path_ + ".missing", PListMutability::kImmutable));

  // Nesting at the readers' bound is read; past it, and 30,000 deep, refused.
  const int bound = plist::Limits{}.maxDepth;
  for (int dicts : {bound - 2, bound - 1, 30000}) {
    std::string deep = "<plist version=\"1.0\">";
    for (int i = 0; i < dicts; ++i) deep += "<dict><key>k</key>";
    deep += "<true/>";
    for (int i = 0; i < dicts; ++i) deep += "</dict>";
    Write(deep + "</plist>");
    EXPECT_EQ(MyPListCreateDictionaryFromPath(path_).has_value(), dicts + 2 <= bound) << dicts;
  }
}

TEST(PrintSettingsAccess, LookupAndContains) {
  platform::PrintSettings s;
  s.setValue("k", plist::Value("v"));
  EXPECT_EQ(*HVDictionaryGetValue(&s, "k")->string(), "v");
  EXPECT_EQ(HVDictionaryGetValue(&s, "absent"), nullptr);
  EXPECT_EQ(HVDictionaryGetValue(nullptr, "k"), nullptr);
  EXPECT_TRUE(HVDictionaryContainsKey(&s, "k"));
  EXPECT_FALSE(HVDictionaryContainsKey(&s, "absent"));
  EXPECT_GE(GetSystemVersion(), 0x1040);
}

}  // namespace
}  // namespace securitypane
