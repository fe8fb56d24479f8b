#include "profilestore/profile_list.h"

#include <cstring>

namespace profilestore {

const char cIndexOnDeviceKey[32] = "IndexOnDevice";
const char cInMenuKey[32] = "InMenu";
const char cProfileClassKey[32] = "ProfileClass";
const char cFileNameKey[32] = "FileName";
const char cProfileNameKey[32] = "ProfileName";
const char cLocationKey[32] = "Location";
const char cPlistVersionKey[32] = "PlistVersion";

namespace {

// A list's count as a loop bound: a corrupt iNum must not walk off the array.
int UsedCount(const HVProfileList* list) {
  if (list->iNum < 0) return 0;
  return list->iNum > kProfileMax ? kProfileMax : list->iNum;
}

bool SameProfile(const HVProfileItem& a, const HVProfileItem& b) {
  return a.iLocation == b.iLocation && std::strncmp(a.FileName, b.FileName, kProfileTextSize) == 0;
}

bool MatchesAny(const HVProfileItem& item, const HVProfileList* list) {
  if (list == nullptr) return false;
  int n = UsedCount(list);
  for (int i = 0; i < n; ++i) {
    if (SameProfile(item, list->litem[i])) return true;
  }
  return false;
}

}  // namespace

const char* ClassKey(int list_class) {
  switch (list_class) {
    case kClassRGB:
      return "RGB";
    case kClassSIM:
      return "SIM";
    case kClassDST:
      return "DST";
    default:
      return nullptr;
  }
}

void ClearProfileList(HVProfileList* list) { std::memset(list, 0, sizeof *list); }

void HVPlistCheckWithInMenu_Dict(HVProfileList* list) {
  int32_t count = 0;
  for (const HVProfileItem& item : list->litem) {
    if (item.iInMenu != 0) ++count;
  }
  if (count == list->iNum) return;
  std::memset(&list->litem[count], 0, sizeof(HVProfileItem) * static_cast<size_t>(kProfileMax - count));
  list->iNum = count;
}

void HVPListCleanProfile_Dict(HVProfileList* list) {
  for (HVProfileItem& item : list->litem) {
    if (item.iIndexOnDevice != 0 || item.FileName[0] == '\0') continue;
    if (item.iInMenu == 3 || item.iInMenu == 4) {
      item.iIndexOnDevice = kKeptItemMarker;
      item.iInMenu = 3;
    } else {
      std::memset(&item, 0, sizeof item);
      --list->iNum;
    }
  }
}

void HVPListSalvage_Dict(HVProfileList* list) {
  for (HVProfileItem& item : list->litem) {
    if (item.iIndexOnDevice != 0 && item.FileName[0] != '\0' && item.iInMenu == 3) item.iInMenu = 6;
  }
}

void HVPListPaddingProfile_Dict(HVProfileList* list) {
  for (int i = 0; i < kProfileMax; ++i) {
    if (list->litem[i].iInMenu != 0) continue;
    int j = i + 1;
    while (j < kProfileMax && list->litem[j].iInMenu == 0) ++j;
    if (j == kProfileMax) continue;
    HVProfileItem& from = list->litem[j];
    list->litem[i] = from;
    int32_t keep_class = from.iProfileClass;
    std::memset(&from, 0, sizeof from);
    from.iProfileClass = keep_class;
  }
}

void HVPListMapping_Pap(const HVProfileList* edited, const HVProfileList* file, HVProfileList* out,
                        const HVProfileList* deleted) {
  int n = 0;
  int file_count = UsedCount(file);
  for (int i = 0; i < file_count; ++i) {
    const HVProfileItem& f = file->litem[i];
    if (n > kProfileMax - 1) continue;
    if (f.iInMenu != 4 && f.iInMenu != 2) continue;
    if (MatchesAny(f, deleted) || MatchesAny(f, edited)) continue;
    out->litem[n++] = f;
  }
  int edited_count = UsedCount(edited);
  for (int i = 0; i < edited_count; ++i) {
    if (n < kProfileMax) out->litem[n++] = edited->litem[i];
  }
  out->iNum = n;
}

void MyDebugMessage(const char*, int32_t) {}

}  // namespace profilestore
