#include "profilestore/profile_format.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/file_util.h"
#include "platform/plist.h"
#include "platform/utf8.h"

namespace profilestore {
namespace {

constexpr const char* kINumKey = "iNum";

bool IsInt(plist_t node) { return node != nullptr && plist_get_node_type(node) == PLIST_UINT; }
bool IsString(plist_t node) { return node != nullptr && plist_get_node_type(node) == PLIST_STRING; }
bool IsDict(plist_t node) { return node != nullptr && plist_get_node_type(node) == PLIST_DICT; }

int32_t IntValue(plist_t node) {
  uint64_t value = 0;
  plist_get_uint_val(node, &value);
  // Integers are 32-bit signed in the file; wider values keep their low bits.
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

// "<key text>NNNN" into `key` (room for 32 + 5 bytes).
void FormSlotKey(const char* key_text, size_t key_text_length, int slot, char* key) {
  std::memcpy(key, key_text, key_text_length);
  key[key_text_length] = static_cast<char>('0' + slot / 1000);
  key[key_text_length + 1] = static_cast<char>('0' + slot / 100 % 10);
  key[key_text_length + 2] = static_cast<char>('0' + slot / 10 % 10);
  key[key_text_length + 3] = static_cast<char>('0' + slot % 10);
  key[key_text_length + 4] = '\0';
}

// Slot number of a field-dictionary key "<key text>NNNN", or -1.
int SlotOfKey(const char* key, const char* key_text, size_t key_text_length) {
  if (std::strncmp(key, key_text, key_text_length) != 0) return -1;
  const char* digits = key + key_text_length;
  int slot = 0;
  for (int i = 0; i < 4; ++i) {
    if (digits[i] < '0' || digits[i] > '9') return -1;
    slot = slot * 10 + (digits[i] - '0');
  }
  if (digits[4] != '\0' || slot >= kProfileMax) return -1;
  return slot;
}

// One pass over a field dictionary, noting each slot's entry. Lookups by key
// would be quadratic: libplist searches small dictionaries linearly. Files are
// normally in slot order, so each key is first compared with the expected one
// and only parsed when it differs.
void CollectEntries(plist_t field_dict, ProfileField field, plist_t* entries) {
  const char* key_text = FieldKey(field);
  size_t key_text_length = std::strlen(key_text);
  char expected[kProfileTextSize + 8];
  plist_dict_iter iter = nullptr;
  plist_dict_new_iter(field_dict, &iter);
  if (iter == nullptr) return;
  for (int position = 0;; ++position) {
    plist_t value = nullptr;
    plist_dict_next_item(field_dict, iter, nullptr, &value);
    if (value == nullptr) break;
    plist_t key_node = plist_dict_item_get_key(value);
    if (key_node == nullptr) continue;
    int slot = -1;
    if (position < kProfileMax) {
      FormSlotKey(key_text, key_text_length, position, expected);
      if (plist_key_val_compare(key_node, expected) == 0) slot = position;
    }
    if (slot < 0) {
      char* key = nullptr;
      plist_get_key_val(key_node, &key);
      if (key != nullptr) slot = SlotOfKey(key, key_text, key_text_length);
      std::free(key);
    }
    // The first of duplicate keys wins, as a lookup would find it.
    if (slot >= 0 && entries[slot] == nullptr) entries[slot] = value;
  }
  std::free(iter);
}

void StoreField(ProfileField field, plist_t node, HVProfileItem* item) {
  switch (field) {
    case kFieldIndexOnDevice:
      TakeIntEntry(node, &item->iIndexOnDevice);
      break;
    case kFieldInMenu:
      TakeIntEntry(node, &item->iInMenu);
      break;
    case kFieldProfileClass:
      TakeIntEntry(node, &item->iProfileClass);
      break;
    case kFieldFileName:
      TakeTextEntry(node, item->FileName);
      break;
    case kFieldProfileName:
      TakeTextEntry(node, item->ProfileName);
      break;
    case kFieldLocation:
      TakeIntEntry(node, &item->iLocation);
      break;
    case kFieldCount:
      break;
  }
}

PlistPtr MakeClassTemplate();

// The value nodes of one class dictionary, by field and slot.
struct ClassNodes {
  plist_t num = nullptr;
  plist_t values[kFieldCount][kProfileMax] = {};
};

// Finds the nodes of a class dictionary laid out as the template is (every
// slot present, in slot order).
bool FindClassNodes(plist_t class_dict, ClassNodes* nodes) {
  nodes->num = plist_dict_get_item(class_dict, kINumKey);
  if (nodes->num == nullptr) return false;
  for (int f = 0; f < kFieldCount; ++f) {
    plist_t field_dict = plist_dict_get_item(class_dict, FieldKey(static_cast<ProfileField>(f)));
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(field_dict, &iter);
    if (iter == nullptr) return false;
    int i = 0;
    for (; i < kProfileMax; ++i) {
      plist_dict_next_item(field_dict, iter, nullptr, &nodes->values[f][i]);
      if (nodes->values[f][i] == nullptr) break;
    }
    std::free(iter);
    if (i != kProfileMax) return false;
  }
  return true;
}

void SetInt(plist_t node, int32_t value) {
  plist_set_uint_val(node, static_cast<uint64_t>(static_cast<int64_t>(value)));
}

// Sets a text node, leaving it alone when it already holds the text.
// REQUIRES: the text is storable.
void SetText(plist_t node, const char* field) {
  char text[kProfileTextSize];
  size_t length = strnlen(field, kProfileTextSize - 1);
  std::memcpy(text, field, length);
  text[length] = '\0';
  uint64_t current_length = 0;
  const char* current = plist_get_string_ptr(node, &current_length);
  if (current != nullptr && current_length == length && std::memcmp(current, text, length) == 0) return;
  plist_set_string_val(node, text);
}

// Writes every slot of `list` into the nodes; texts that are not storable
// are left as they are (the caller removes their entries).
void FillClassNodes(const HVProfileList& list, const ClassNodes& nodes) {
  SetInt(nodes.num, list.iNum);
  for (int i = 0; i < kProfileMax; ++i) {
    const HVProfileItem& item = list.litem[i];
    SetInt(nodes.values[kFieldIndexOnDevice][i], item.iIndexOnDevice);
    SetInt(nodes.values[kFieldInMenu][i], item.iInMenu);
    SetInt(nodes.values[kFieldProfileClass][i], item.iProfileClass);
    SetInt(nodes.values[kFieldLocation][i], item.iLocation);
    if (IsStorableText(item.FileName)) SetText(nodes.values[kFieldFileName][i], item.FileName);
    if (IsStorableText(item.ProfileName)) SetText(nodes.values[kFieldProfileName][i], item.ProfileName);
  }
}

bool AllTextsStorable(const HVProfileList& list) {
  for (const HVProfileItem& item : list.litem) {
    if (!IsStorableText(item.FileName) || !IsStorableText(item.ProfileName)) return false;
  }
  return true;
}

XmlBytes ToXml(plist_t root) {
  char* xml = nullptr;
  uint32_t length = 0;
  plist_to_xml(root, &xml, &length);
  return XmlBytes(xml, length);
}

// A whole file's tree with its value nodes found, reused across writes.
struct CachedFile {
  PlistPtr root;
  ClassNodes nodes[kClassCount];

  static std::unique_ptr<CachedFile> Make() {
    auto cached = std::make_unique<CachedFile>();
    cached->root.reset(plist_new_dict());
    auto empty = std::make_unique<HVProfileList>();
    ClearProfileList(empty.get());
    for (int c = 0; c < kClassCount; ++c) {
      PlistPtr class_dict = BuildClassDictionary(*empty);
      if (!class_dict || !FindClassNodes(class_dict.get(), &cached->nodes[c])) return nullptr;
      plist_dict_set_item(cached->root.get(), ClassKey(c), class_dict.release());
    }
    plist_dict_set_item(cached->root.get(), cPlistVersionKey, plist_new_uint(1));
    return cached;
  }
};

}  // namespace

const char* FieldKey(ProfileField field) {
  switch (field) {
    case kFieldIndexOnDevice:
      return cIndexOnDeviceKey;
    case kFieldInMenu:
      return cInMenuKey;
    case kFieldProfileClass:
      return cProfileClassKey;
    case kFieldFileName:
      return cFileNameKey;
    case kFieldProfileName:
      return cProfileNameKey;
    case kFieldLocation:
      return cLocationKey;
    case kFieldCount:
      break;
  }
  return "";
}

bool WithinXmlBounds(std::string_view bytes) { return platform::plist::WithinBounds(bytes, kProfileLimits); }

namespace {

PlistPtr ParseBounded(const std::string& text) {
  PlistPtr root = platform::plist::ParseNode(text, kProfileLimits);
  if (!IsDict(root.get())) return nullptr;
  return root;
}

}  // namespace

PlistPtr ParseProfileBytes(std::string_view bytes) { return ParseBounded(std::string(bytes)); }

PlistPtr ReadProfileFile(const std::string& path) {
  if (path.empty()) return nullptr;
  std::string bytes;
  if (platform::ReadFile(path, &bytes, kMaxProfileFileBytes) != platform::noErr) return nullptr;
  return ParseBounded(bytes);
}

plist_t CompleteClassDictionary(plist_t root, int list_class) {
  const char* class_key = ClassKey(list_class);
  if (class_key == nullptr || !IsDict(root)) return nullptr;
  plist_t class_dict = plist_dict_get_item(root, class_key);
  if (!IsDict(class_dict)) return nullptr;
  for (int f = 0; f < kFieldCount; ++f) {
    if (!IsDict(plist_dict_get_item(class_dict, FieldKey(static_cast<ProfileField>(f))))) return nullptr;
  }
  return class_dict;
}

void FillListFromClass(plist_t class_dict, bool for_window, HVProfileList* list) {
  auto entries = std::make_unique<plist_t[]>(kFieldCount * kProfileMax);
  for (int f = 0; f < kFieldCount; ++f) {
    auto field = static_cast<ProfileField>(f);
    CollectEntries(plist_dict_get_item(class_dict, FieldKey(field)), field, &entries[f * kProfileMax]);
  }
  auto entry = [&](int field, int slot) { return entries[field * kProfileMax + slot]; };

  if (!for_window) {
    for (int i = 0; i < kProfileMax; ++i) {
      for (int f = 0; f < kFieldCount; ++f)
        StoreField(static_cast<ProfileField>(f), entry(f, i), &list->litem[i]);
    }
  } else {
    int d = 0;
    for (int i = 0; i < kProfileMax; ++i) {
      HVProfileItem& to = list->litem[d];
      plist_t in_menu = entry(kFieldInMenu, i);
      if (IsInt(in_menu)) {
        int32_t state = IntValue(in_menu);
        if (state == 2) continue;  // confirmed but hidden: the window never sees it
        to.iInMenu = state == 4 ? 6 : state;
      }
      for (int f = 0; f < kFieldCount; ++f) {
        if (f != kFieldInMenu) StoreField(static_cast<ProfileField>(f), entry(f, i), &to);
      }
      ++d;
    }
  }
  plist_t num = plist_dict_get_item(class_dict, kINumKey);
  if (IsInt(num)) list->iNum = IntValue(num);
  HVPlistCheckWithInMenu_Dict(list);
}

bool TakeIntEntry(plist_t node, int32_t* out) {
  if (!IsInt(node)) return false;
  *out = IntValue(node);
  return true;
}

bool TakeTextEntry(plist_t node, char out[kProfileTextSize]) {
  if (!IsString(node)) return false;
  uint64_t length = 0;
  const char* text = plist_get_string_ptr(node, &length);
  std::memset(out, 0, kProfileTextSize);
  if (text == nullptr) return true;
  size_t cut = length < kProfileTextSize ? static_cast<size_t>(length) : kProfileTextSize - 1;
  // The cut ends at a whole character: a name cut inside one would not be
  // UTF-8 and the next write would drop it. A character straddling byte 31 is
  // left out (at most three continuation bytes are stepped over).
  if (cut < length) {
    for (size_t back = 0; back < 3 && cut > 0 && (static_cast<uint8_t>(text[cut]) & 0xC0) == 0x80; ++back) --cut;
  }
  std::memcpy(out, text, cut);
  return true;
}

bool IsStorableText(const char* field) {
  return platform::IsValidUtf8(std::string_view(field, strnlen(field, kProfileTextSize - 1)));
}

PlistPtr BuildClassDictionary(const HVProfileList& list) {
  // Filling a copy of a prepared dictionary is several times faster than
  // inserting 3000 entries: libplist searches each key before inserting it.
  static const PlistPtr kTemplate = MakeClassTemplate();
  PlistPtr class_dict(plist_copy(kTemplate.get()));
  ClassNodes nodes;
  if (!FindClassNodes(class_dict.get(), &nodes)) return nullptr;
  FillClassNodes(list, nodes);
  // A slot whose text is not UTF-8 gets no entry at all.
  char key[kProfileTextSize + 8];
  for (ProfileField field : {kFieldFileName, kFieldProfileName}) {
    const char* key_text = FieldKey(field);
    for (int i = 0; i < kProfileMax; ++i) {
      const HVProfileItem& item = list.litem[i];
      if (IsStorableText(field == kFieldFileName ? item.FileName : item.ProfileName)) continue;
      FormSlotKey(key_text, std::strlen(key_text), i, key);
      plist_dict_remove_item(plist_dict_get_item(class_dict.get(), key_text), key);
    }
  }
  return class_dict;
}

XmlBytes SerialiseProfileLists(const HVProfileList& rgb, const HVProfileList& sim, const HVProfileList& dst) {
  const HVProfileList* lists[kClassCount] = {&rgb, &sim, &dst};
  // The common case reuses one tree and updates it in place, which spares
  // building and freeing some 27,000 nodes per write. Lists with a text that
  // gets no entry, or a writer that finds the tree busy, build a fresh one.
  static std::mutex cache_mutex;
  static std::unique_ptr<CachedFile> cache;
  std::unique_lock<std::mutex> lock(cache_mutex, std::try_to_lock);
  bool all_storable = AllTextsStorable(rgb) && AllTextsStorable(sim) && AllTextsStorable(dst);
  if (lock.owns_lock() && all_storable) {
    if (!cache) cache = CachedFile::Make();
    if (cache) {
      for (int c = 0; c < kClassCount; ++c) FillClassNodes(*lists[c], cache->nodes[c]);
      return ToXml(cache->root.get());
    }
  }
  if (lock.owns_lock()) lock.unlock();

  PlistPtr root(plist_new_dict());
  for (int c = 0; c < kClassCount; ++c) {
    PlistPtr class_dict = BuildClassDictionary(*lists[c]);
    if (!class_dict) return {};
    plist_dict_set_item(root.get(), ClassKey(c), class_dict.release());
  }
  plist_dict_set_item(root.get(), cPlistVersionKey, plist_new_uint(1));
  return ToXml(root.get());
}

}  // namespace profilestore

namespace profilestore {
namespace {

// A class dictionary with "iNum" 0 and all 500 slots of every field at 0 or "".
PlistPtr MakeClassTemplate() {
  PlistPtr class_dict(plist_new_dict());
  plist_dict_set_item(class_dict.get(), kINumKey, plist_new_uint(0));
  char key[kProfileTextSize + 8];
  for (int f = 0; f < kFieldCount; ++f) {
    auto field = static_cast<ProfileField>(f);
    const char* key_text = FieldKey(field);
    size_t key_text_length = std::strlen(key_text);
    bool text = field == kFieldFileName || field == kFieldProfileName;
    plist_t field_dict = plist_new_dict();
    for (int i = 0; i < kProfileMax; ++i) {
      FormSlotKey(key_text, key_text_length, i, key);
      plist_dict_set_item(field_dict, key, text ? plist_new_string("") : plist_new_uint(0));
    }
    plist_dict_set_item(class_dict.get(), key_text, field_dict);
  }
  return class_dict;
}

}  // namespace
}  // namespace profilestore
