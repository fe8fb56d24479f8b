// Builds binary property lists byte by byte, so tests can hand readers what
// no writer of this system produces: dates beyond 32-bit seconds with a
// fraction, UIDs, shared and cyclic object references, deep nesting.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace testing_bplist {

class Builder {
 public:
  // Each adder answers the new object's reference.
  uint32_t String(const std::string& ascii) { return Add(Marker(0x50, ascii.size()) + ascii); }
  uint32_t Integer(int64_t v) { return Add("\x13" + BigEndian(static_cast<uint64_t>(v), 8)); }
  // As the binary form keeps an integer above INT64_MAX: 16 bytes, the upper 8 zero.
  uint32_t Unsigned(uint64_t v) { return Add("\x14" + std::string(8, '\0') + BigEndian(v, 8)); }
  uint32_t Real(double d) { return Add("\x23" + BigEndian(Bits(d), 8)); }
  uint32_t Date(double seconds) { return Add("\x33" + BigEndian(Bits(seconds), 8)); }
  uint32_t Uid(uint32_t v) { return Add(std::string(1, '\x83') + BigEndian(v, 4)); }
  uint32_t Data(const std::string& bytes) { return Add(Marker(0x40, bytes.size()) + bytes); }
  uint32_t Bool(bool b) { return Add(b ? "\x09" : "\x08"); }
  uint32_t Array(const std::vector<uint32_t>& refs) { return Add(Marker(0xA0, refs.size()) + Refs(refs)); }
  uint32_t Dict(const std::vector<std::pair<uint32_t, uint32_t>>& entries) {
    std::vector<uint32_t> keys, values;
    for (auto [k, v] : entries) keys.push_back(k), values.push_back(v);
    return Add(Marker(0xD0, entries.size()) + Refs(keys) + Refs(values));
  }
  // Reserves a reference to fill later with Set (for cycles and forward links).
  uint32_t Reserve() { return Add(""); }
  void SetArray(uint32_t ref, const std::vector<uint32_t>& refs) {
    objects_[ref] = Marker(0xA0, refs.size()) + Refs(refs);
  }

  std::string Bytes(uint32_t root) const {
    std::string out = "bplist00";
    std::vector<uint64_t> offsets;
    for (const std::string& o : objects_) offsets.push_back(out.size()), out += o;
    uint64_t table = out.size();
    for (uint64_t o : offsets) out += BigEndian(o, 8);
    std::string trailer(6, '\0');
    trailer += '\x08';  // offset size
    trailer += '\x04';  // reference size
    return out + trailer + BigEndian(objects_.size(), 8) + BigEndian(root, 8) + BigEndian(table, 8);
  }

 private:
  uint32_t Add(std::string object) {
    objects_.push_back(std::move(object));
    return static_cast<uint32_t>(objects_.size() - 1);
  }
  static uint64_t Bits(double d) {
    uint64_t u;
    std::memcpy(&u, &d, sizeof u);
    return u;
  }
  static std::string BigEndian(uint64_t v, int n) {
    std::string s;
    for (int i = n - 1; i >= 0; --i) s += static_cast<char>(v >> (8 * i));
    return s;
  }
  static std::string Marker(int high, size_t count) {
    if (count < 15) return std::string(1, static_cast<char>(high | static_cast<int>(count)));
    return std::string(1, static_cast<char>(high | 0x0F)) + "\x13" + BigEndian(count, 8);
  }
  static std::string Refs(const std::vector<uint32_t>& refs) {
    std::string s;
    for (uint32_t r : refs) s += BigEndian(r, 4);
    return s;
  }
  std::vector<std::string> objects_;
};

// `depth` arrays, each holding the next; the innermost is empty.
inline std::string NestedArrays(int depth) {
  Builder b;
  std::vector<uint32_t> refs;
  for (int i = 0; i < depth; ++i) refs.push_back(b.Reserve());
  for (int i = 0; i < depth; ++i)
    b.SetArray(refs[i], i + 1 < depth ? std::vector<uint32_t>{refs[i + 1]} : std::vector<uint32_t>{});
  return b.Bytes(refs[0]);
}

}  // namespace testing_bplist
