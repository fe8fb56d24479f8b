#include "profilewalk/merge.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "profilestore/profile_store.h"
#include "profilewalk/spool.h"

namespace profilewalk {

namespace {

using profilestore::HVProfileItem;
using profilestore::HVProfileList;
using profilestore::kProfileMax;
using profilestore::kProfileTextSize;

constexpr size_t kBaseMax = 27;
constexpr size_t kExtensionMax = 3;

// iNum as a loop bound; a count outside 0..500 never reaches past the slots.
int UsedCount(const HVProfileList& list) { return std::clamp(list.iNum, 0, kProfileMax); }

// FileName as a string of at most 31 bytes, whatever the field holds.
bool FileNamePasses(const HVProfileItem& item) {
  char name[kProfileTextSize];
  std::memcpy(name, item.FileName, kProfileTextSize);
  name[kProfileTextSize - 1] = '\0';
  return bJudgement8point3Format(name);
}

// Removes every used item whose file name is set and fails the rule; true
// when one was removed.
bool RemoveInvalidNames(HVProfileList* list) {
  bool removed = false;
  for (HVProfileItem& item : list->litem) {
    if (item.FileName[0] == '\0' || FileNamePasses(item)) continue;
    std::memset(&item, 0, sizeof item);
    --list->iNum;
    removed = true;
  }
  return removed;
}

}  // namespace

bool FileNameFilter(char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  switch (c) {
    case '!':
    case '#':
    case '$':
    case '%':
    case '&':
    case '\'':
    case '(':
    case ')':
    case '-':
    case '.':
    case '^':
    case '_':
    case '`':
    case '{':
    case '}':
    case '~':
      return true;
    default:
      return false;
  }
}

bool bJudgement8point3Format(const char* name) {
  if (name == nullptr || name[0] == '\0') return false;
  const size_t length = std::strlen(name);
  const char* dot = std::strchr(name, '.');
  if (dot == nullptr) {
    if (length > kBaseMax) return false;
  } else {
    const size_t base = static_cast<size_t>(dot - name);
    const size_t extension = length - base - 1;
    if (base < 1 || base > kBaseMax || extension > kExtensionMax) return false;
  }
  for (size_t i = 0; i < length; ++i) {
    if (!FileNameFilter(name[i])) return false;
  }
  return true;
}

void vDeleteMIBprofilesTemporary(int status, HVProfileList* list) {
  for (HVProfileItem& item : list->litem) {
    switch (item.iInMenu) {
      case 1:
      case 2:
        item.iInMenu = status == 0 ? 1 : 0;
        break;
      case 4:
        item.iInMenu = status == 0 ? 3 : 6;
        break;
      default:
        break;
    }
  }
}

void vRestructDetail(int row, HVProfileList* list) {
  if (row < 0 || row >= kProfileMax) return;
  const HVProfileItem& spooled = PlistForSpool.litem[row];
  const int used = UsedCount(*list);
  for (int i = 0; i < used; ++i) {
    HVProfileItem& item = list->litem[i];
    if (std::memcmp(item.FileName, spooled.FileName, kProfileTextSize) != 0 ||
        item.iLocation != spooled.iLocation)
      continue;
    if (item.iInMenu == 1 || item.iInMenu == 5) {
      item.iInMenu = 2;
    } else if (item.iInMenu == 3 || item.iInMenu == 6) {
      item.iInMenu = 4;
    }
    return;
  }
  for (HVProfileItem& item : list->litem) {
    if (item.iInMenu != 0) continue;
    item = spooled;
    item.iInMenu = 2;
    ++list->iNum;
    return;
  }
}

int vRestructPlistSpool2Current(int status) {
  // Three lists of 44 KB each: off the stack.
  auto lists = std::make_unique<HVProfileList[]>(profilestore::kClassCount);
  for (int c = 0; c < profilestore::kClassCount; ++c) profilestore::ClearProfileList(&lists[c]);
  HVProfileList& rgb = lists[profilestore::kClassRGB];
  HVProfileList& sim = lists[profilestore::kClassSIM];
  HVProfileList& dst = lists[profilestore::kClassDST];

  // A missing or unreadable file leaves the lists empty; the merge goes on.
  profilestore::HVPListReadProfile_All(&rgb, &sim, &dst);

  for (int c = 0; c < profilestore::kClassCount; ++c) vDeleteMIBprofilesTemporary(status, &lists[c]);

  bool removed = false;
  for (int c = 0; c < profilestore::kClassCount; ++c) removed = RemoveInvalidNames(&lists[c]) || removed;
  // Only RGB closes its gaps here; in SIM and DST a merged row may fill one.
  if (removed) profilestore::HVPListPaddingProfile_Dict(&rgb);

  const int spooled = UsedCount(PlistForSpool);
  for (int row = 0; row < spooled; ++row) {
    const HVProfileItem& item = PlistForSpool.litem[row];
    if (item.iLocation != profilestore::kLocationDisk && item.iLocation != profilestore::kLocationCard)
      continue;
    if (!FileNamePasses(item)) continue;
    if (item.iProfileClass == 1 || item.iProfileClass == 2) {
      vRestructDetail(row, &rgb);
    } else if (item.iProfileClass == 3) {
      vRestructDetail(row, &sim);
      vRestructDetail(row, &dst);
    }
  }

  for (int c = 0; c < profilestore::kClassCount; ++c) {
    profilestore::HVPListCleanProfile_Dict(&lists[c]);
    profilestore::HVPListPaddingProfile_Dict(&lists[c]);
    profilestore::HVPListSalvage_Dict(&lists[c]);
  }
  return profilestore::HVPListWriteProfile_All(&rgb, &sim, &dst);
}

}  // namespace profilewalk
