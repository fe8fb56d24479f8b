#include "profilestore/profile_store.h"

#include <cstring>
#include <memory>

namespace profilestore {
namespace {

// Through the variant, so that a confined variant's checks cover reads too.
PlistPtr ReadCurrentProfileFile() {
  FileVariant& variant = CurrentFileVariant();
  std::string bytes;
  if (!variant.ReadData(variant.ProfilePath(), &bytes, kMaxProfileFileBytes)) return nullptr;
  return ParseProfileBytes(bytes);
}

int ReadOneClass(HVProfileList* list, int list_class, bool for_window) {
  if (list == nullptr || ClassKey(list_class) == nullptr) return -1;
  PlistPtr root = ReadCurrentProfileFile();
  if (!root) return -1;
  plist_t class_dict = CompleteClassDictionary(root.get(), list_class);
  if (class_dict == nullptr) return -1;
  FillListFromClass(class_dict, for_window, list);
  return 0;
}

// Steps after the administrator test: serialise and hand to the variant.
int WriteLists(const HVProfileList& rgb, const HVProfileList& sim, const HVProfileList& dst) {
  FileVariant& variant = CurrentFileVariant();
  std::string path = variant.ProfilePath();
  if (path.empty()) return -1;
  XmlBytes bytes = SerialiseProfileLists(rgb, sim, dst);
  if (bytes.empty()) return -1;
  return variant.WriteData(bytes.view(), path) ? 0 : -1;
}

// Three zeroed lists in working storage (each list is about 44 KB).
struct WorkLists {
  HVProfileList list[kClassCount];
  WorkLists() { std::memset(list, 0, sizeof list); }
};

}  // namespace

int HVPListReadProfile_All(HVProfileList* rgb, HVProfileList* sim, HVProfileList* dst) {
  if (rgb == nullptr || sim == nullptr || dst == nullptr) return -1;
  PlistPtr root = ReadCurrentProfileFile();
  if (!root) return -1;
  plist_t classes[kClassCount];
  for (int c = 0; c < kClassCount; ++c) {
    classes[c] = CompleteClassDictionary(root.get(), c);
    if (classes[c] == nullptr) return -1;
  }
  HVProfileList* lists[kClassCount] = {rgb, sim, dst};
  for (int c = 0; c < kClassCount; ++c) FillListFromClass(classes[c], false, lists[c]);
  return 0;
}

int HVPListReadProfile_Dict(HVProfileList* list, int list_class) {
  return ReadOneClass(list, list_class, false);
}

int HVPListReadProfile_Dict_Pap(HVProfileList* list, int list_class) {
  return ReadOneClass(list, list_class, true);
}

int HVPListWriteProfile_All(const HVProfileList* rgb, const HVProfileList* sim, const HVProfileList* dst) {
  if (rgb == nullptr || sim == nullptr || dst == nullptr) return -1;
  if (HVPListIsAdminProfile() != 1) return -1;
  return WriteLists(*rgb, *sim, *dst);
}

int HVPListWriteProfile_Dict(const HVProfileList* list, int list_class, HVProfileList* rgb_out,
                             HVProfileList* sim_out, HVProfileList* dst_out) {
  if (list == nullptr || ClassKey(list_class) == nullptr) return -1;
  auto work = std::make_unique<WorkLists>();
  HVPListReadProfile_All(&work->list[kClassRGB], &work->list[kClassSIM], &work->list[kClassDST]);
  HVProfileList* outs[kClassCount] = {rgb_out, sim_out, dst_out};
  for (int c = 0; c < kClassCount; ++c) {
    if (outs[c] != nullptr) *outs[c] = work->list[c];
  }
  const HVProfileList* written[kClassCount] = {&work->list[0], &work->list[1], &work->list[2]};
  written[list_class] = list;
  int result = HVPListWriteProfile_All(written[0], written[1], written[2]);
  if (outs[list_class] != nullptr) *outs[list_class] = *list;
  return result;
}

int HVPListMappingProfile_All_Pap(const HVProfileList* rgb, const HVProfileList* sim,
                                  const HVProfileList* dst, HVProfileList* rgb_out, HVProfileList* sim_out,
                                  HVProfileList* dst_out, const HVProfileList* rgb_deleted,
                                  const HVProfileList* sim_deleted, const HVProfileList* dst_deleted) {
  auto file = std::make_unique<WorkLists>();
  HVPListReadProfile_All(&file->list[kClassRGB], &file->list[kClassSIM], &file->list[kClassDST]);
  const HVProfileList* edited[kClassCount] = {rgb, sim, dst};
  HVProfileList* outs[kClassCount] = {rgb_out, sim_out, dst_out};
  const HVProfileList* deleted[kClassCount] = {rgb_deleted, sim_deleted, dst_deleted};
  for (int c = 0; c < kClassCount; ++c) {
    if (edited[c] != nullptr && outs[c] != nullptr)
      HVPListMapping_Pap(edited[c], &file->list[c], outs[c], deleted[c]);
  }
  return 0;
}

int HVPListWriteProfile_All_Pap(const HVProfileList* rgb, const HVProfileList* sim, const HVProfileList* dst,
                                const HVProfileList* rgb_deleted, const HVProfileList* sim_deleted,
                                const HVProfileList* dst_deleted) {
  auto merged = std::make_unique<WorkLists>();
  if (HVPListIsAdminProfile() != 1) return -1;
  HVPListMappingProfile_All_Pap(rgb, sim, dst, &merged->list[kClassRGB], &merged->list[kClassSIM],
                                &merged->list[kClassDST], rgb_deleted, sim_deleted, dst_deleted);
  return WriteLists(merged->list[kClassRGB], merged->list[kClassSIM], merged->list[kClassDST]);
}

void ReadDictionaryIntEntry(plist_t dict, const char* key, int32_t* out) {
  if (dict == nullptr || key == nullptr || out == nullptr || plist_get_node_type(dict) != PLIST_DICT) return;
  TakeIntEntry(plist_dict_get_item(dict, key), out);
}

void ReadDictionaryStringEntry(plist_t dict, const char* key, char out[kProfileTextSize]) {
  if (dict == nullptr || key == nullptr || out == nullptr || plist_get_node_type(dict) != PLIST_DICT) return;
  TakeTextEntry(plist_dict_get_item(dict, key), out);
}

PlistPtr CreatePropsDictionary(int list_class, const HVProfileList* list, plist_t* class_dict,
                               PropsFields* fields) {
  PlistPtr result(plist_new_dict());
  const char* class_key = ClassKey(list_class);
  if (class_key == nullptr || list == nullptr) return result;
  PlistPtr built = BuildClassDictionary(*list);
  plist_t borrowed = built.get();
  plist_dict_set_item(result.get(), class_key, built.release());
  if (class_dict != nullptr) *class_dict = borrowed;
  if (fields != nullptr) HVPListMappingGetSubDict(borrowed, fields, nullptr);
  return result;
}

int HVPListMappingGetMainDict_FromPlist(PlistPtr* rgb, PlistPtr* sim, PlistPtr* dst) {
  PlistPtr root = ReadCurrentProfileFile();
  if (!root) return -1;
  PlistPtr* outs[kClassCount] = {rgb, sim, dst};
  int result = 0;
  for (int c = 0; c < kClassCount; ++c) {
    plist_t class_dict = plist_dict_get_item(root.get(), ClassKey(c));
    if (class_dict == nullptr || plist_get_node_type(class_dict) != PLIST_DICT) {
      result = -1;
      continue;
    }
    if (outs[c] != nullptr) outs[c]->reset(plist_copy(class_dict));
  }
  return result;
}

int HVPListMappingGetSubDict(plist_t class_dict, PropsFields* fields, int32_t* num) {
  if (class_dict == nullptr || plist_get_node_type(class_dict) != PLIST_DICT) return -1;
  plist_t found[kFieldCount];
  for (int f = 0; f < kFieldCount; ++f) {
    found[f] = plist_dict_get_item(class_dict, FieldKey(static_cast<ProfileField>(f)));
    if (found[f] == nullptr || plist_get_node_type(found[f]) != PLIST_DICT) return -1;
  }
  if (fields != nullptr) {
    *fields = PropsFields{found[kFieldIndexOnDevice], found[kFieldInMenu],   found[kFieldProfileClass],
                          found[kFieldLocation],      found[kFieldFileName], found[kFieldProfileName]};
  }
  if (num != nullptr) ReadDictionaryIntEntry(class_dict, "iNum", num);
  return 0;
}

}  // namespace profilestore
