#include "platform/plist.h"

#include <plist/plist.h>

#include <cstdlib>
#include <cstring>

namespace platform::plist {
namespace {

constexpr const char* kUidKey = "CF$UID";

uint64_t BigEndian(const char* p, int n) {
  uint64_t v = 0;
  for (int i = 0; i < n; ++i) v = v << 8 | static_cast<uint8_t>(p[i]);
  return v;
}

std::string BigEndianBytes(uint64_t v) {
  std::string out(8, '\0');
  for (int i = 0; i < 8; ++i) out[static_cast<size_t>(i)] = static_cast<char>(v >> (56 - 8 * i));
  return out;
}

// libplist hands some values out and takes them in narrower than it keeps
// them: a date as 32-bit seconds (its store is a double), an integer as 64
// bits without saying whether they are signed (it knows: an integer above
// INT64_MAX is kept, and written, as a 16-byte one). Its binary form holds
// the whole value, so such values cross through a one-object binary list.

// The binary form of a lone node's object: marker byte first ("" when it
// cannot be written).
std::string ObjectBytes(plist_t node) {
  char* bin = nullptr;
  uint32_t length = 0;
  plist_to_bin(node, &bin, &length);
  // "bplist00", then the only object, then the offset table and the trailer.
  std::string object = bin != nullptr && length > 8 + 1 + 32 ? std::string(bin + 8, length - 8 - 1 - 32) : "";
  plist_to_bin_free(bin);
  return object;
}

// The node a one-object binary list of `object` (marker byte first) gives.
plist_t NodeFromObject(const std::string& object) {
  std::string bin = "bplist00" + object;
  const size_t table = bin.size();  // well below 256: a 1-byte offset
  bin += '\x08';
  std::string trailer(32, '\0');
  trailer[6] = 1;   // offset size
  trailer[7] = 1;   // reference size
  trailer[15] = 1;  // one object; the root is object 0
  trailer[31] = static_cast<char>(table);
  bin += trailer;
  plist_t node = nullptr;
  plist_from_bin(bin.data(), static_cast<uint32_t>(bin.size()), &node);
  return node;
}

double DateSeconds(plist_t node) {
  const std::string object = ObjectBytes(node);
  double seconds = 0;
  if (object.size() == 9 && static_cast<uint8_t>(object[0]) == 0x33) {  // marker, 8 bytes big-endian
    uint64_t bits = BigEndian(object.data() + 1, 8);
    std::memcpy(&seconds, &bits, sizeof seconds);
  }
  return seconds;
}

plist_t NewDate(double seconds) {
  uint64_t bits = 0;
  std::memcpy(&bits, &seconds, sizeof bits);
  plist_t node = NodeFromObject("\x33" + BigEndianBytes(bits));
  return node != nullptr ? node : plist_new_date(0, 0);
}

// An integer node whose 64 bits read above INT64_MAX: a negative number, or
// (written as 16 bytes) an unsigned one.
Value LargeInteger(plist_t node, uint64_t bits) {
  const std::string object = ObjectBytes(node);
  if (!object.empty() && static_cast<uint8_t>(object[0]) == 0x14) return Value::Unsigned(bits);
  return Value(static_cast<int64_t>(bits));
}

// Only a number up to INT64_MAX goes through plist_new_uint, which libplist
// versions mark as signed or unsigned differently above it.
plist_t NewInteger(uint64_t bits, bool isUnsigned) {
  if (bits <= static_cast<uint64_t>(INT64_MAX)) return plist_new_uint(bits);
  plist_t node = NodeFromObject(isUnsigned ? "\x14" + std::string(8, '\0') + BigEndianBytes(bits)
                                           : "\x13" + BigEndianBytes(bits));
  return node != nullptr ? node : plist_new_uint(bits);
}

// A value that holds no other values.
Value Scalar(plist_t node) {
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      uint8_t b = 0;
      plist_get_bool_val(node, &b);
      return Value(b != 0);
    }
    case PLIST_UINT: {
      uint64_t u = 0;
      plist_get_uint_val(node, &u);
      return u <= static_cast<uint64_t>(INT64_MAX) ? Value(static_cast<int64_t>(u)) : LargeInteger(node, u);
    }
    case PLIST_REAL: {
      double d = 0;
      plist_get_real_val(node, &d);
      return Value(d);
    }
    case PLIST_STRING: {
      uint64_t len = 0;
      const char* s = plist_get_string_ptr(node, &len);
      return Value(std::string(s ? s : "", s ? len : 0));
    }
    case PLIST_DATA: {
      uint64_t len = 0;
      const char* p = plist_get_data_ptr(node, &len);
      Data d;
      if (p) d.bytes.assign(p, p + len);
      return Value(std::move(d));
    }
    case PLIST_DATE:
      return Value(Date{DateSeconds(node)});
    case PLIST_UID: {
      uint64_t u = 0;
      plist_get_uid_val(node, &u);
      return Value(Uid{u});
    }
    default:
      return Value();
  }
}

// The XML form writes a UID as the dictionary {"CF$UID": n}.
bool IsUidDict(plist_t node, uint64_t* value) {
  if (plist_dict_get_size(node) != 1) return false;
  plist_t item = plist_dict_get_item(node, kUidKey);
  if (item == nullptr || plist_get_node_type(item) != PLIST_UINT) return false;
  plist_get_uint_val(item, value);
  return *value <= 0xFFFFFFFFu;
}

// Iterative, so the depth of the tree never reaches the call stack.
Value FromNode(plist_t root) {
  struct Frame {
    plist_t node;
    Value* out;
    uint32_t next = 0;
    plist_dict_iter iter = nullptr;
  };
  std::vector<Frame> stack;
  auto begin = [&](plist_t node, Value* out) {
    plist_type type = plist_get_node_type(node);
    uint64_t uid = 0;
    if (type == PLIST_ARRAY) {
      Array a;
      a.reserve(plist_array_get_size(node));  // children are filled in place
      *out = Value(std::move(a));
      stack.push_back({node, out});
    } else if (type == PLIST_DICT && IsUidDict(node, &uid)) {
      *out = Value(Uid{uid});
    } else if (type == PLIST_DICT) {
      *out = Value(Dict{});
      Frame f{node, out};
      plist_dict_new_iter(node, &f.iter);
      stack.push_back(f);
    } else {
      *out = Scalar(node);
    }
  };
  Value result;
  begin(root, &result);
  while (!stack.empty()) {
    Frame& f = stack.back();
    if (Array* a = f.out->array()) {
      if (f.next >= plist_array_get_size(f.node)) {
        stack.pop_back();
        continue;
      }
      plist_t item = plist_array_get_item(f.node, f.next++);
      a->emplace_back();
      begin(item, &a->back());
      continue;
    }
    char* key = nullptr;
    plist_t item = nullptr;
    if (f.iter != nullptr) plist_dict_next_item(f.node, f.iter, &key, &item);
    if (key == nullptr) {
      free(f.iter);
      stack.pop_back();
      continue;
    }
    Value& slot = f.out->dict()->insert_or_assign(std::string(key), Value()).first->second;
    free(key);
    begin(item, &slot);
  }
  return result;
}

plist_t ScalarNode(const Value& v) {
  switch (v.type()) {
    case Type::kBool:
      return plist_new_bool(*v.boolean());
    case Type::kInteger:
      if (const uint64_t* u = v.bigUnsigned()) return NewInteger(*u, true);
      return NewInteger(static_cast<uint64_t>(*v.integer()), false);
    case Type::kReal:
      return plist_new_real(*v.real());
    case Type::kString:
      return plist_new_string(v.string()->c_str());
    case Type::kData: {
      const auto& b = v.data()->bytes;
      return plist_new_data(reinterpret_cast<const char*>(b.data()), b.size());
    }
    case Type::kDate:
      return NewDate(v.date()->seconds);
    case Type::kUid:
      return plist_new_uid(v.uid()->value);
    default:
      // A property list has no null; an empty string keeps the document valid.
      return plist_new_string("");
  }
}

// Iterative, as FromNode.
plist_t ToNode(const Value& root) {
  struct Frame {
    const Value* value;
    plist_t node;
    size_t next = 0;
    Dict::const_iterator it{};
  };
  std::vector<Frame> stack;
  auto make = [&](const Value& v) -> plist_t {
    if (const Array* a = v.array()) {
      plist_t node = plist_new_array();
      if (!a->empty()) stack.push_back({&v, node});
      return node;
    }
    if (const Dict* d = v.dict()) {
      plist_t node = plist_new_dict();
      if (!d->empty()) stack.push_back({&v, node, 0, d->begin()});
      return node;
    }
    return ScalarNode(v);
  };
  plist_t result = make(root);
  while (!stack.empty()) {
    Frame& f = stack.back();
    plist_t parent = f.node;
    if (const Array* a = f.value->array()) {
      const Value& item = (*a)[f.next++];
      if (f.next == a->size()) stack.pop_back();
      plist_array_append_item(parent, make(item));
    } else {
      const Dict* d = f.value->dict();
      auto it = f.it++;
      if (f.it == d->end()) stack.pop_back();
      plist_dict_set_item(parent, it->first.c_str(), make(it->second));
    }
  }
  return result;
}

}  // namespace

Value Value::Unsigned(uint64_t u) {
  if (u <= static_cast<uint64_t>(INT64_MAX)) return Value(static_cast<int64_t>(u));
  Value v;
  v.v_ = BigUnsigned{u};
  return v;
}

const Value* Value::find(std::string_view key) const {
  const Dict* d = dict();
  if (!d) return nullptr;
  auto it = d->find(key);
  return it == d->end() ? nullptr : &it->second;
}

NodePtr ParseNode(const std::string& bytes, const Limits& limits) {
  if (!WithinBounds(bytes, limits) || bytes.size() > UINT32_MAX) return nullptr;
  plist_t raw = nullptr;
  plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &raw);
  return NodePtr(raw);
}

std::optional<Value> Parse(std::string_view bytes, const Limits& limits) {
  NodePtr node = ParseNode(std::string(bytes), limits);
  if (!node) return std::nullopt;
  return FromNode(node.get());
}

namespace {

// Serialises through one of libplist's writers and frees what it handed out.
std::string Serialise(const Value& value, void (*write)(plist_t, char**, uint32_t*),
                      void (*release)(char*)) {
  NodePtr node(ToNode(value));
  char* bytes = nullptr;
  uint32_t len = 0;
  write(node.get(), &bytes, &len);
  std::string out(bytes ? bytes : "", bytes ? len : 0);
  release(bytes);
  return out;
}

}  // namespace

std::string ToXml(const Value& value) { return Serialise(value, plist_to_xml, plist_to_xml_free); }

std::string ToBinary(const Value& value) { return Serialise(value, plist_to_bin, plist_to_bin_free); }

}  // namespace platform::plist
