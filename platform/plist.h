// Property-list values (the Core Foundation property-list types) and their XML
// form. Values are plain C++ values: copying copies, nothing is shared.
//
// This is the one door through which every property list read from a file,
// a socket or an argument enters the system: the bytes are checked against
// Limits (size, nesting, values) before libplist sees them, so no input can
// make a parser or a conversion recurse without bound. Every value type is
// carried unchanged: dates keep their 64-bit range and their fraction, UIDs
// stay UIDs, empty containers stay empty containers.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/plist_node.h"

namespace platform::plist {

class Value;
using Array = std::vector<Value>;
using Dict = std::map<std::string, Value, std::less<>>;

struct Data {
  std::vector<uint8_t> bytes;
  bool operator==(const Data&) const = default;
};

// Seconds since 2001-01-01 00:00:00 UTC, as Core Foundation counts them.
struct Date {
  double seconds = 0;
  bool operator==(const Date&) const = default;
};

// A keyed archive's object reference.
struct Uid {
  uint64_t value = 0;
  bool operator==(const Uid&) const = default;
};

// An integer above INT64_MAX. Property lists hold integers of the signed and
// of the unsigned 64-bit range; one past the signed range keeps this form so
// that it is written back as the same number, never wrapped to a negative.
struct BigUnsigned {
  uint64_t value = 0;
  bool operator==(const BigUnsigned&) const = default;
};

enum class Type { kNone, kBool, kInteger, kReal, kString, kData, kDate, kArray, kDict, kUid };

class Value {
 public:
  Value() = default;
  Value(bool b) : v_(b) {}
  Value(int i) : v_(int64_t{i}) {}
  Value(int64_t i) : v_(i) {}
  Value(double d) : v_(d) {}
  Value(const char* s) : v_(std::string(s)) {}
  Value(std::string s) : v_(std::move(s)) {}
  Value(std::string_view s) : v_(std::string(s)) {}
  Value(Data d) : v_(std::move(d)) {}
  Value(Date d) : v_(d) {}
  Value(Array a) : v_(std::move(a)) {}
  Value(Dict d) : v_(std::move(d)) {}
  Value(Uid u) : v_(u) {}
  // An integer of the unsigned range: the signed form up to INT64_MAX (so one
  // number has one form), BigUnsigned above it.
  static Value Unsigned(uint64_t u);

  // Both integer forms are of type kInteger.
  Type type() const {
    return std::holds_alternative<BigUnsigned>(v_) ? Type::kInteger : static_cast<Type>(v_.index());
  }
  bool isNone() const { return type() == Type::kNone; }
  bool isString() const { return type() == Type::kString; }
  bool isDict() const { return type() == Type::kDict; }
  bool isArray() const { return type() == Type::kArray; }

  // Typed access; nullptr when the value holds another type.
  const std::string* string() const { return std::get_if<std::string>(&v_); }
  // An integer in the signed 64-bit range; nullptr for one above it.
  const int64_t* integer() const { return std::get_if<int64_t>(&v_); }
  // An integer above INT64_MAX; nullptr for any other value.
  const uint64_t* bigUnsigned() const {
    const BigUnsigned* u = std::get_if<BigUnsigned>(&v_);
    return u ? &u->value : nullptr;
  }
  const double* real() const { return std::get_if<double>(&v_); }
  const bool* boolean() const { return std::get_if<bool>(&v_); }
  const Data* data() const { return std::get_if<Data>(&v_); }
  const Date* date() const { return std::get_if<Date>(&v_); }
  const Uid* uid() const { return std::get_if<Uid>(&v_); }
  const Array* array() const { return std::get_if<Array>(&v_); }
  const Dict* dict() const { return std::get_if<Dict>(&v_); }
  Array* array() { return std::get_if<Array>(&v_); }
  Dict* dict() { return std::get_if<Dict>(&v_); }

  // Dictionary lookup; nullptr when this is no dictionary or the key is absent.
  const Value* find(std::string_view key) const;

  bool operator==(const Value&) const = default;

 private:
  // In the order of Type; BigUnsigned, the second integer form, comes last.
  std::variant<std::monostate, bool, int64_t, double, std::string, Data, Date, Array, Dict, Uid, BigUnsigned>
      v_;
};

// What a reader accepts. Depth counts nested elements the way the XML form
// writes them: <plist>, every array or dictionary, and the innermost value
// (<plist><array><string/></array></plist> is 3 deep). Values counts every
// value once per place it appears (a binary list may share one object; its
// dictionary keys count as values too).
struct Limits {
  size_t maxBytes = 16u << 20;
  int maxDepth = 32;
  size_t maxValues = 1u << 21;
};

// Whether the bytes (XML or binary) stay within the limits. Malformed markup
// that would hide nesting (an unterminated tag, comment or section; a binary
// object table that points outside the bytes or into itself) counts as out
// of bounds.
bool WithinBounds(std::string_view bytes, const Limits& limits = {});

// Parses an XML or binary property list within the limits; nullptr when the
// bytes are out of bounds or not a property list.
NodePtr ParseNode(const std::string& bytes, const Limits& limits = {});

// The same as a Value; std::nullopt when the bytes are out of bounds or not a
// property list.
std::optional<Value> Parse(std::string_view bytes, const Limits& limits = {});

// Serialises as an XML property list (UTF-8, with the XML declaration and
// DOCTYPE). A UID is written the way the XML form keeps it, as a dictionary
// {"CF$UID": n}; XML dates carry whole seconds. An integer above INT64_MAX
// is written unsigned (in the binary form as a 16-byte integer, as readers
// of that form expect).
std::string ToXml(const Value& value);
// Serialises as a binary property list (dates keep their fraction).
std::string ToBinary(const Value& value);

}  // namespace platform::plist
