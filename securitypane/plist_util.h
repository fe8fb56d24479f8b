// Small property-list, string and print-settings helpers shared across the
// Security plug-in. Values are lent (pointers into the container) unless the
// name says Create.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/plist.h"
#include "platform/print_settings.h"

namespace securitypane {

namespace plist = platform::plist;

// Kinds of the typed lookups. Any other number accepts any present value.
// Property lists here hold no URL values, so kValueKindURL never matches.
enum ValueKind : int {
  kValueKindDictionary = 1,
  kValueKindArray = 2,
  kValueKindString = 3,
  kValueKindURL = 4,
  kValueKindNumber = 5,  // integer or real
  kValueKindBoolean = 6,
};

// True for a present value of that type.
bool CFTypeIsValid(const plist::Value* value, plist::Type type);

// The value under `key` when `dictionary` is a non-empty dictionary and the
// value has the kind; nullptr otherwise.
const plist::Value* CFDictionaryGetValueWithType(const plist::Value* dictionary, std::string_view key,
                                                 int kind);
// The same, into *out; true when found (*out is nullptr otherwise).
bool CFDictionaryGetValueIfPresentWithType(const plist::Value* dictionary, std::string_view key,
                                           const plist::Value** out, int kind);
// The element at `index` when `array` is an array, 0 <= index < count and the
// element has the kind (0 or above 6: any element).
const plist::Value* CFArrayGetValueAtIndexWithType(const plist::Value* array, long index, int kind);

// True for a missing or empty string.
bool CFStringIsEmpty(const std::string* s);
// "%d".
std::string CFStringCreateWithIntValue(int value);
// False when either is missing; otherwise equality, case-folded unless
// case_sensitive.
bool CFStringEqualTo(const std::string* a, const std::string* b, bool case_sensitive);

// Mutability of a parsed property list. Values here are plain C++ values and
// always mutable by their owner; the parameter keeps the call sites' intent.
enum class PListMutability { kImmutable, kMutableContainers, kMutableContainersAndLeaves };

// The property list in the file, or nullopt when it cannot be read or parsed.
std::optional<plist::Value> MyPListCreateFromPathString(const std::string& path, PListMutability mutability);
// The same, answering only a dictionary.
std::optional<plist::Value> MyPListCreateDictionaryFromPath(const std::string& path);
std::optional<plist::Value> MyPListCreateDictionaryMutableFromPath(const std::string& path);

// The packed system version this platform reports (0x1040 = 10.4.0 form).
uint16_t GetSystemVersion();

// Print settings item lookup: the value under the key, or nullptr (also
// without settings); ContainsKey is true when the lookup succeeds.
const plist::Value* HVDictionaryGetValue(const platform::PrintSettings* settings, std::string_view key);
bool HVDictionaryContainsKey(const platform::PrintSettings* settings, std::string_view key);

}  // namespace securitypane
