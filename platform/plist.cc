#include "platform/plist.h"

#include <plist/plist.h>

#include <limits>
#include <memory>

namespace platform::plist {
namespace {

struct NodeDeleter {
  void operator()(plist_t node) const { plist_free(node); }
};
using Node = std::unique_ptr<void, NodeDeleter>;


Value FromNode(plist_t node) {
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      uint8_t b = 0;
      plist_get_bool_val(node, &b);
      return Value(b != 0);
    }
    case PLIST_UINT: {
      uint64_t u = 0;
      plist_get_uint_val(node, &u);
      return Value(static_cast<int64_t>(u));
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
    case PLIST_KEY: {
      char* k = nullptr;
      plist_get_key_val(node, &k);
      Value v(std::string(k ? k : ""));
      free(k);
      return v;
    }
    case PLIST_DATA: {
      uint64_t len = 0;
      const char* p = plist_get_data_ptr(node, &len);
      Data d;
      if (p) d.bytes.assign(p, p + len);
      return Value(std::move(d));
    }
    case PLIST_DATE: {
      int32_t sec = 0, usec = 0;
      plist_get_date_val(node, &sec, &usec);
      return Value(Date{sec + usec / 1e6});
    }
    case PLIST_ARRAY: {
      Array a;
      uint32_t n = plist_array_get_size(node);
      a.reserve(n);
      for (uint32_t i = 0; i < n; ++i) a.push_back(FromNode(plist_array_get_item(node, i)));
      return Value(std::move(a));
    }
    case PLIST_DICT: {
      Dict d;
      plist_dict_iter it = nullptr;
      plist_dict_new_iter(node, &it);
      for (;;) {
        char* key = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(node, it, &key, &item);
        if (!key) break;
        d.insert_or_assign(std::string(key), FromNode(item));
        free(key);
      }
      free(it);
      return Value(std::move(d));
    }
    default:
      return Value();
  }
}

plist_t ToNode(const Value& v) {
  switch (v.type()) {
    case Type::kBool:
      return plist_new_bool(*v.boolean());
    case Type::kInteger:
      return plist_new_uint(static_cast<uint64_t>(*v.integer()));
    case Type::kReal:
      return plist_new_real(*v.real());
    case Type::kString:
      return plist_new_string(v.string()->c_str());
    case Type::kData: {
      const auto& b = v.data()->bytes;
      return plist_new_data(reinterpret_cast<const char*>(b.data()), b.size());
    }
    case Type::kDate: {
      double s = v.date()->seconds;
      auto whole = static_cast<int32_t>(s);
      return plist_new_date(whole, static_cast<int32_t>((s - whole) * 1e6));
    }
    case Type::kArray: {
      plist_t a = plist_new_array();
      for (const Value& item : *v.array()) plist_array_append_item(a, ToNode(item));
      return a;
    }
    case Type::kDict: {
      plist_t d = plist_new_dict();
      for (const auto& [key, item] : *v.dict()) plist_dict_set_item(d, key.c_str(), ToNode(item));
      return d;
    }
    case Type::kNone:
      break;
  }
  // A property list has no null; an empty string keeps the document valid.
  return plist_new_string("");
}

}  // namespace

const Value* Value::find(std::string_view key) const {
  const Dict* d = dict();
  if (!d) return nullptr;
  auto it = d->find(key);
  return it == d->end() ? nullptr : &it->second;
}

std::optional<Value> Parse(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > std::numeric_limits<uint32_t>::max()) return std::nullopt;
  plist_t raw = nullptr;
  plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &raw);
  if (!raw) return std::nullopt;
  Node node(raw);
  return FromNode(raw);
}

std::string ToXml(const Value& value) {
  Node node(ToNode(value));
  char* xml = nullptr;
  uint32_t len = 0;
  plist_to_xml(node.get(), &xml, &len);
  std::string out(xml ? xml : "", xml ? len : 0);
  plist_to_xml_free(xml);
  return out;
}

}  // namespace platform::plist
