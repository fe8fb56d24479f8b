// The profile file's format: an XML property list whose root holds the class
// dictionaries "RGB", "SIM", "DST" and "PlistVersion" 1. A class dictionary
// holds "iNum" and six field dictionaries keyed "%s%04d" (key text, slot).
//
// Parsing is bounded (size, element nesting) before the bytes reach libplist;
// anything that is not a property list with a dictionary root is rejected as a
// whole, and an entry of the wrong type counts as absent.
#pragma once

#include <plist/plist.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/plist.h"
#include "profilestore/profile_list.h"

namespace profilestore {

// An owned libplist node (and its whole subtree).
using PlistPtr = platform::plist::NodePtr;

// Far above the largest file the store writes (three lists of 500 slots with
// 31-byte names whose characters all need escaping stay near 1 MiB).
inline constexpr size_t kMaxProfileFileBytes = 8u << 20;
// The file nests five elements deep (plist, root, class, field, value).
inline constexpr int kMaxElementDepth = 16;
inline constexpr platform::plist::Limits kProfileLimits{.maxBytes = kMaxProfileFileBytes,
                                                        .maxDepth = kMaxElementDepth};

// Field dictionaries in the order the readers visit a slot's fields.
enum ProfileField {
  kFieldIndexOnDevice,
  kFieldInMenu,
  kFieldProfileClass,
  kFieldFileName,
  kFieldProfileName,
  kFieldLocation,
  kFieldCount
};
const char* FieldKey(ProfileField field);

// Whether the bytes stay within the profile file's bounds (the property-list
// door's check with kProfileLimits).
bool WithinXmlBounds(std::string_view bytes);

// Parses an XML property list whose root is a dictionary; nullptr otherwise.
PlistPtr ParseProfileBytes(std::string_view bytes);

// Reads and parses the file at `path`; nullptr when it cannot be read or is
// not a bounded property list with a dictionary root.
PlistPtr ReadProfileFile(const std::string& path);

// The class dictionary of `list_class` in `root`, when it and all six field
// dictionaries are dictionaries; nullptr otherwise.
plist_t CompleteClassDictionary(plist_t root, int list_class);

// Fills `list` from a complete class dictionary and ends with the recount.
// for_window: the management window's reading (state-2 items dropped and the
// gap closed, state 4 read as 6).
void FillListFromClass(plist_t class_dict, bool for_window, HVProfileList* list);

// Builds a class dictionary holding all 500 slots of `list`. Owned by the caller.
PlistPtr BuildClassDictionary(const HVProfileList& list);

// XML bytes as libplist hands them out (no copy of the whole file).
class XmlBytes {
 public:
  XmlBytes() = default;
  XmlBytes(char* xml, uint32_t length) : xml_(xml), length_(length) {}
  std::string_view view() const { return {xml_.get(), xml_ ? length_ : 0}; }
  bool empty() const { return view().empty(); }

 private:
  struct Free {
    void operator()(char* xml) const { plist_to_xml_free(xml); }
  };
  std::unique_ptr<char, Free> xml_;
  uint32_t length_ = 0;
};

// The whole file for three lists (RGB, SIM, DST); empty when serialisation failed.
XmlBytes SerialiseProfileLists(const HVProfileList& rgb, const HVProfileList& sim, const HVProfileList& dst);

// Entry values. An integer entry is taken as 32-bit signed (low bits of a
// wider value); a text entry is cut to at most 31 bytes at a character
// boundary and zero padded.
// Both answer false, leaving the target alone, for a node of another type.
bool TakeIntEntry(plist_t node, int32_t* out);
bool TakeTextEntry(plist_t node, char out[kProfileTextSize]);

// Whether the field's bytes (up to its first NUL, at most 31) are valid UTF-8;
// a field that is not gets no entry in the file.
bool IsStorableText(const char* field);

}  // namespace profilestore
