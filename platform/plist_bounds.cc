// The bounds check every property list passes before libplist parses it. Both
// scans are iterative: libplist's parsers, its tree release and the
// conversion to values all recurse, so nesting is bounded here first.
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/plist.h"

namespace platform::plist {
namespace {

// Just past the first `token` in [from, end); nullptr when it never comes.
const char* After(const char* from, const char* end, std::string_view token) {
  if (from > end) return nullptr;
  auto found =
      static_cast<const char*>(memmem(from, static_cast<size_t>(end - from), token.data(), token.size()));
  return found != nullptr ? found + token.size() : nullptr;
}

// Just past the '>' that ends a tag begun at `from`; quoted attribute values
// may hold '>'. nullptr when the tag never ends.
const char* AfterTag(const char* p, const char* end) {
  char quote = 0;
  for (; p < end; ++p) {
    if (quote != 0) {
      if (*p == quote) quote = 0;
    } else if (*p == '"' || *p == '\'') {
      quote = *p;
    } else if (*p == '>') {
      return p + 1;
    }
  }
  return nullptr;
}

bool XmlWithinBounds(std::string_view bytes, const Limits& limits) {
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  int depth = 0;
  size_t values = 0;
  while ((p = static_cast<const char*>(std::memchr(p, '<', static_cast<size_t>(end - p)))) != nullptr) {
    size_t rest = static_cast<size_t>(end - p);
    const char* next = nullptr;
    if (rest >= 2 && p[1] == '/') {
      next = AfterTag(p + 2, end);
      if (--depth < 0) return false;
    } else if (rest >= 4 && std::memcmp(p, "<!--", 4) == 0) {
      next = After(p + 4, end, "-->");
    } else if (rest >= 9 && std::memcmp(p, "<![CDATA[", 9) == 0) {
      next = After(p + 9, end, "]]>");
    } else if (rest >= 2 && p[1] == '?') {
      next = After(p + 2, end, "?>");
    } else if (rest >= 2 && p[1] == '!') {
      next = AfterTag(p + 2, end);
    } else {
      next = AfterTag(p + 1, end);
      if (next != nullptr && next[-2] != '/' && ++depth > limits.maxDepth) return false;
      // Every element but <plist> and <key> is a value.
      std::string_view name(p + 1, static_cast<size_t>(end - p - 1));
      if (name.substr(0, 3) != "key" && name.substr(0, 5) != "plist" && ++values > limits.maxValues)
        return false;
    }
    if (next == nullptr) return false;
    p = next;
  }
  return true;
}

// The binary form: a table of objects addressed by number; arrays, sets and
// dictionaries hold object numbers. Each object is visited once; its height
// and the number of values it expands to are remembered, so shared objects
// cost nothing twice and a cycle is found when an object is met on its own
// path.
class BinaryScan {
 public:
  BinaryScan(std::string_view bytes, const Limits& limits) : b_(bytes), limits_(limits) {}

  bool Run() {
    if (b_.size() < 8 + 32) return false;
    const size_t trailer = b_.size() - 32;
    offset_size_ = Byte(trailer + 6);
    ref_size_ = Byte(trailer + 7);
    uint64_t count = Number(trailer + 8, 8);
    uint64_t root = Number(trailer + 16, 8);
    table_ = Number(trailer + 24, 8);
    if (offset_size_ < 1 || offset_size_ > 8 || ref_size_ < 1 || ref_size_ > 8) return false;
    if (count == 0 || root >= count || table_ < 8 || table_ > trailer) return false;
    if (count > (trailer - table_) / offset_size_) return false;
    end_ = trailer;
    height_.assign(count, 0);
    values_.assign(count, 0);
    state_.assign(count, kUnseen);
    return Visit(root) && height_[root] + 1 <= static_cast<uint64_t>(limits_.maxDepth) &&
           values_[root] <= limits_.maxValues;
  }

 private:
  enum : uint8_t { kUnseen, kOnPath, kDone };
  struct Frame {
    uint64_t object;
    size_t refs;     // where its references begin
    uint64_t count;  // how many
    uint64_t next = 0;
  };

  uint8_t Byte(size_t at) const { return static_cast<uint8_t>(b_[at]); }
  uint64_t Number(size_t at, size_t n) const {
    uint64_t v = 0;
    for (size_t i = 0; i < n; ++i) v = v << 8 | Byte(at + i);
    return v;
  }

  // Where the object's references begin and how many it holds; count 0 for
  // an object that holds none. False when the object lies outside the bytes.
  bool Container(uint64_t object, size_t* refs, uint64_t* count) const {
    uint64_t offset = Number(static_cast<size_t>(table_ + object * offset_size_), offset_size_);
    if (offset < 8 || offset >= end_) return false;
    uint8_t marker = Byte(offset);
    uint8_t kind = marker >> 4;
    *count = 0;
    if (kind != 0xA && kind != 0xC && kind != 0xD) return true;
    size_t p = offset + 1;
    uint64_t n = marker & 0x0F;
    if (n == 0x0F) {
      if (p >= end_ || (Byte(p) & 0xF0) != 0x10) return false;
      size_t width = size_t{1} << (Byte(p) & 0x0F);
      if (width > 8 || p + 1 + width > end_) return false;
      n = Number(p + 1, width);
      p += 1 + width;
    }
    if (kind == 0xD) {
      if (n > (std::numeric_limits<uint64_t>::max)() / 2) return false;
      n *= 2;  // keys, then values
    }
    if (n > (end_ - p) / ref_size_) return false;
    *refs = p;
    *count = n;
    return true;
  }

  bool Visit(uint64_t root) {
    std::vector<Frame> path;
    auto enter = [&](uint64_t object) {
      Frame f{object, 0, 0};
      if (!Container(object, &f.refs, &f.count)) return false;
      height_[object] = 1;
      values_[object] = 1;
      if (f.count == 0) {
        state_[object] = kDone;
        return true;
      }
      if (path.size() + 2 > static_cast<size_t>(limits_.maxDepth)) return false;
      state_[object] = kOnPath;
      path.push_back(f);
      return true;
    };
    if (!enter(root)) return false;
    while (!path.empty()) {
      Frame& f = path.back();
      if (f.next == f.count) {
        state_[f.object] = kDone;
        uint64_t done = f.object;
        path.pop_back();
        if (!path.empty()) Absorb(path.back().object, done);
        continue;
      }
      uint64_t child = Number(f.refs + f.next * ref_size_, ref_size_);
      ++f.next;
      uint64_t parent = f.object;
      if (child >= state_.size() || state_[child] == kOnPath) return false;
      if (state_[child] == kDone) {
        Absorb(parent, child);
      } else if (!enter(child)) {
        return false;
      } else if (state_[child] == kDone) {
        Absorb(parent, child);
      }
      if (values_[parent] > limits_.maxValues) return false;
    }
    return true;
  }

  void Absorb(uint64_t parent, uint64_t child) {
    height_[parent] = std::max(height_[parent], height_[child] + 1);
    values_[parent] = std::min<uint64_t>(values_[parent] + values_[child], limits_.maxValues + 1);
  }

  std::string_view b_;
  const Limits& limits_;
  size_t offset_size_ = 0, ref_size_ = 0;
  uint64_t table_ = 0;
  size_t end_ = 0;
  std::vector<uint64_t> height_, values_;
  std::vector<uint8_t> state_;
};

}  // namespace

bool WithinBounds(std::string_view bytes, const Limits& limits) {
  if (bytes.empty() || bytes.size() > limits.maxBytes) return false;
  // The form libplist takes it for: binary exactly when it begins "bplist00".
  if (bytes.substr(0, 8) == "bplist00") return BinaryScan(bytes, limits).Run();
  return XmlWithinBounds(bytes, limits);
}

}  // namespace platform::plist
