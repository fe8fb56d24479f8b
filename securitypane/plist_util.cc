#include "securitypane/plist_util.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include "platform/file_util.h"

namespace securitypane {
namespace {

bool HasKind(const plist::Value& v, int kind) {
  switch (kind) {
    case kValueKindDictionary:
      return v.type() == plist::Type::kDict;
    case kValueKindArray:
      return v.type() == plist::Type::kArray;
    case kValueKindString:
      return v.type() == plist::Type::kString;
    case kValueKindURL:
      return false;
    case kValueKindNumber:
      return v.type() == plist::Type::kInteger || v.type() == plist::Type::kReal;
    case kValueKindBoolean:
      return v.type() == plist::Type::kBool;
    default:
      return !v.isNone();
  }
}

// Largest property-list file read; preference and settings files are tiny.
constexpr size_t kMaxPListFile = 16u << 20;

}  // namespace

bool CFTypeIsValid(const plist::Value* value, plist::Type type) {
  return value && !value->isNone() && value->type() == type;
}

const plist::Value* CFDictionaryGetValueWithType(const plist::Value* dictionary, std::string_view key,
                                                 int kind) {
  if (!dictionary || !dictionary->dict() || dictionary->dict()->empty()) return nullptr;
  const plist::Value* v = dictionary->find(key);
  return v && HasKind(*v, kind) ? v : nullptr;
}

bool CFDictionaryGetValueIfPresentWithType(const plist::Value* dictionary, std::string_view key,
                                           const plist::Value** out, int kind) {
  const plist::Value* v = CFDictionaryGetValueWithType(dictionary, key, kind);
  if (out) *out = v;
  return v != nullptr;
}

const plist::Value* CFArrayGetValueAtIndexWithType(const plist::Value* array, long index, int kind) {
  if (!array || !array->array() || index < 0) return nullptr;
  const plist::Array& a = *array->array();
  if (static_cast<unsigned long>(index) >= a.size()) return nullptr;
  const plist::Value& v = a[static_cast<size_t>(index)];
  return HasKind(v, kind) ? &v : nullptr;
}

bool CFStringIsEmpty(const std::string* s) { return !s || s->empty(); }

std::string CFStringCreateWithIntValue(int value) { return std::to_string(value); }

bool CFStringEqualTo(const std::string* a, const std::string* b, bool case_sensitive) {
  if (!a || !b) return false;
  if (case_sensitive) return *a == *b;
  const icu::UnicodeString ua = icu::UnicodeString::fromUTF8(*a);
  const icu::UnicodeString ub = icu::UnicodeString::fromUTF8(*b);
  return ua.caseCompare(ub, U_FOLD_CASE_DEFAULT) == 0;
}

std::optional<plist::Value> MyPListCreateFromPathString(const std::string& path,
                                                        PListMutability /*mutability*/) {
  std::string bytes;
  if (platform::ReadFile(path, &bytes, kMaxPListFile) != platform::noErr) return std::nullopt;
  return plist::Parse(bytes);
}

std::optional<plist::Value> MyPListCreateDictionaryFromPath(const std::string& path) {
  auto v = MyPListCreateFromPathString(path, PListMutability::kImmutable);
  if (!v || !v->isDict()) return std::nullopt;
  return v;
}

std::optional<plist::Value> MyPListCreateDictionaryMutableFromPath(const std::string& path) {
  auto v = MyPListCreateFromPathString(path, PListMutability::kMutableContainers);
  if (!v || !v->isDict()) return std::nullopt;
  return v;
}

uint16_t GetSystemVersion() { return 0x1040; }

const plist::Value* HVDictionaryGetValue(const platform::PrintSettings* settings, std::string_view key) {
  const plist::Value* v = nullptr;
  if (platform::PMPrintSettingsGetValue(settings, key, &v) != platform::noErr) return nullptr;
  return v;
}

bool HVDictionaryContainsKey(const platform::PrintSettings* settings, std::string_view key) {
  const plist::Value* v = nullptr;
  return platform::PMPrintSettingsGetValue(settings, key, &v) == platform::noErr;
}

}  // namespace securitypane
