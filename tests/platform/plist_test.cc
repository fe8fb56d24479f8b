// The property-list door: every type through XML and binary, and the bounds
// every reader gets.
#include "platform/plist.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "bplist_builder.h"

namespace platform::plist {
namespace {

using testing_bplist::Builder;
using testing_bplist::NestedArrays;

TEST(PlistDoor, EveryTypeSurvivesBothForms) {
  const Value cases[] = {
      true,
      false,
      Value(int64_t{-5}),
      Value(std::numeric_limits<int64_t>::max()),
      Value(std::numeric_limits<int64_t>::min()),
      Value::Unsigned(uint64_t{1} << 63),
      Value::Unsigned(std::numeric_limits<uint64_t>::max()),
      0.1,
      1e300,
      -2.5,
      "",
      "text \xC3\xBC <&>",
      Data{},
      Data{{0, 1, 255}},
      Date{-3e9},  // 1905: before 32-bit seconds reach
      Date{5e9},   // 2159
      Date{0},
      Uid{7},
      Uid{0xFFFFFFFF},
      Array{},
      Dict{},
      Array{Dict{{"a", Array{}}, {"b", Uid{1}}}, Date{-1}},
  };
  for (const Value& v : cases) {
    Value doc(Dict{{"k", v}});
    for (const std::string& bytes : {ToXml(doc), ToBinary(doc)}) {
      auto back = Parse(bytes);
      ASSERT_TRUE(back) << ToXml(doc);
      EXPECT_EQ(*back, doc) << ToXml(doc);
    }
  }
  // The binary form keeps a date's fraction as well.
  Value dated(Dict{{"d", Date{-4e9 + 0.125}}});
  EXPECT_EQ(Parse(ToBinary(dated)), dated);
}

TEST(PlistDoor, BinaryValuesArriveUnchanged) {
  Builder b;
  uint32_t k[8];
  for (int i = 0; i < 8; ++i) k[i] = b.String("k" + std::to_string(i));
  uint32_t root = b.Dict({{k[0], b.Date(4102444800.25)},  // 2131, with a fraction
                          {k[1], b.Date(-2209075199.75)},
                          {k[2], b.Uid(42)},
                          {k[3], b.Real(0.1)},
                          {k[4], b.Data(std::string("\0\xff", 2))},
                          {k[5], b.Array({})},
                          {k[6], b.Dict({})},
                          {k[7], b.Integer(-7)}});
  auto v = Parse(b.Bytes(root));
  ASSERT_TRUE(v);
  Value want(Dict{{"k0", Date{4102444800.25}},
                  {"k1", Date{-2209075199.75}},
                  {"k2", Uid{42}},
                  {"k3", 0.1},
                  {"k4", Data{{0, 0xff}}},
                  {"k5", Array{}},
                  {"k6", Dict{}},
                  {"k7", Value(int64_t{-7})}});
  EXPECT_EQ(*v, want);
}

std::string XmlNest(int depth, const std::string& open = "<array>", const std::string& close = "</array>") {
  std::string s = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
  for (int i = 0; i < depth; ++i) s += open;
  for (int i = 0; i < depth; ++i) s += close;
  return s + "</plist>";
}

// Binary: 30 arrays, each holding the next one twice (2^30 values once shared
// objects are expanded), and an array that holds itself.
std::string SharedBinary() {
  Builder b;
  uint32_t ref = b.Array({});
  for (int i = 0; i < 30; ++i) ref = b.Array({ref, ref});
  return b.Bytes(ref);
}
std::string CyclicBinary() {
  Builder b;
  uint32_t self = b.Reserve();
  b.SetArray(self, {self});
  return b.Bytes(self);
}

// An XML property list of exactly `size` bytes: one string of `*length`
// bytes padded to fit.
std::string XmlOfSize(size_t size, size_t* length = nullptr) {
  const std::string head = "<?xml version=\"1.0\"?><plist version=\"1.0\"><string>",
                    tail = "</string></plist>";
  const size_t n = size - head.size() - tail.size();
  if (length != nullptr) *length = n;
  return head + std::string(n, 'x') + tail;
}

TEST(PlistDoor, BoundsHoldForEveryForm) {
  const Limits limits;  // depth counts <plist> and the innermost array
  struct Case {
    const char* what;
    std::string bytes;
    bool within;
  } cases[] = {
      {"xml at the depth bound", XmlNest(limits.maxDepth - 1), true},
      {"xml past the depth bound", XmlNest(limits.maxDepth), false},
      {"xml 30,000 deep (450 KB)", XmlNest(30000), false},
      {"binary at the depth bound", NestedArrays(limits.maxDepth - 1), true},
      {"binary past the depth bound", NestedArrays(limits.maxDepth), false},
      {"binary 30,000 deep", NestedArrays(30000), false},
      {"binary shared objects past the value bound", SharedBinary(), false},
      {"binary cycle", CyclicBinary(), false},
      {"binary truncated", NestedArrays(3).substr(0, 20), false},
      {"a quoted '>' cannot hide an open tag", XmlNest(limits.maxDepth, "<array a=\"/>\">"), false},
      {"a comment cannot hide nesting", XmlNest(limits.maxDepth, "<!-- </array></array> --><array>"), false},
      {"unterminated comment", "<plist><!-- <array>", false},
      {"unterminated tag", "<plist><dict", false},
      {"over the size bound", std::string(limits.maxBytes + 1, ' '), false},
      {"xml of exactly the size bound", XmlOfSize(limits.maxBytes), true},
      {"xml one byte past the size bound", XmlOfSize(limits.maxBytes + 1), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WithinBounds(c.bytes, limits), c.within) << c.what;
    if (!c.within) {
      EXPECT_FALSE(Parse(c.bytes)) << c.what;
    }
  }
  EXPECT_TRUE(Parse(XmlNest(limits.maxDepth - 1)));
  EXPECT_TRUE(Parse(NestedArrays(limits.maxDepth - 1)));
  size_t length = 0;
  auto largest = Parse(XmlOfSize(limits.maxBytes, &length));
  ASSERT_TRUE(largest);
  EXPECT_EQ(*largest, Value(std::string(length, 'x')));
  // Values are counted in both forms.
  std::string many = "<plist><array>";
  for (int i = 0; i < 9; ++i) many += i % 2 ? "<true/>" : "<dict><key>k</key><string>v</string></dict>";
  many += "</array></plist>";
  EXPECT_TRUE(WithinBounds(many, Limits{.maxValues = 15}));  // the array, 5 dicts, 5 strings, 4 booleans
  EXPECT_FALSE(WithinBounds(many, Limits{.maxValues = 14}));
  // A tighter bound of the caller's own.
  EXPECT_FALSE(Parse(XmlNest(4), Limits{.maxDepth = 4}));
  EXPECT_TRUE(Parse(XmlNest(3), Limits{.maxDepth = 4}));
}

}  // namespace
}  // namespace platform::plist
