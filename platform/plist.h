// Property-list values (the Core Foundation property-list types) and their XML
// form. Values are plain C++ values: copying copies, nothing is shared.
//
// XML parsing and serialisation go through libplist. Parsing answers
// std::nullopt for anything that is not a well-formed property list.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

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

enum class Type { kNone, kBool, kInteger, kReal, kString, kData, kDate, kArray, kDict };

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

  Type type() const { return static_cast<Type>(v_.index()); }
  bool isNone() const { return type() == Type::kNone; }
  bool isString() const { return type() == Type::kString; }
  bool isDict() const { return type() == Type::kDict; }
  bool isArray() const { return type() == Type::kArray; }

  // Typed access; nullptr when the value holds another type.
  const std::string* string() const { return std::get_if<std::string>(&v_); }
  const int64_t* integer() const { return std::get_if<int64_t>(&v_); }
  const double* real() const { return std::get_if<double>(&v_); }
  const bool* boolean() const { return std::get_if<bool>(&v_); }
  const Data* data() const { return std::get_if<Data>(&v_); }
  const Date* date() const { return std::get_if<Date>(&v_); }
  const Array* array() const { return std::get_if<Array>(&v_); }
  const Dict* dict() const { return std::get_if<Dict>(&v_); }
  Array* array() { return std::get_if<Array>(&v_); }
  Dict* dict() { return std::get_if<Dict>(&v_); }

  // Dictionary lookup; nullptr when this is no dictionary or the key is absent.
  const Value* find(std::string_view key) const;

  bool operator==(const Value&) const = default;

 private:
  std::variant<std::monostate, bool, int64_t, double, std::string, Data, Date, Array, Dict> v_;
};

// Parses an XML (or binary) property list. std::nullopt when the bytes are not one.
std::optional<Value> Parse(std::string_view bytes);

// Serialises as an XML property list (UTF-8, with the XML declaration and DOCTYPE).
std::string ToXml(const Value& value);

}  // namespace platform::plist
