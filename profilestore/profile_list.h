// Profile items and the fixed-size profile lists, and the operations that act
// on a list in memory only (recount, clean, salvage, padding, the window merge).
//
// Lists are plain value records owned by the caller; nothing here allocates or
// keeps state. Used items are expected at the front, in the first iNum slots.
// None of these functions is safe to call on the same list from two threads.
#pragma once

#include <cstdint>

namespace profilestore {

inline constexpr int kProfileMax = 500;          // slots in a list
inline constexpr int kProfileTextSize = 32;      // bytes of FileName / ProfileName, NUL included
inline constexpr int32_t kKeptItemMarker = 501;  // iIndexOnDevice of an item kept by clean

// List classes, in the order every all-lists operation takes them.
inline constexpr int kClassRGB = 0;
inline constexpr int kClassSIM = 1;
inline constexpr int kClassDST = 2;
inline constexpr int kClassCount = 3;

// iLocation codes.
inline constexpr int32_t kLocationDisk = 4;
inline constexpr int32_t kLocationCard = 5;

// One profile. iInMenu is the menu state: 0 free slot; 1, 2, 5 hidden; 3, 4, 6
// shown (2 and 4 confirmed by the last walk). iDriver is never stored on disk.
struct HVProfileItem {
  int32_t iIndexOnDevice;
  int32_t iInMenu;
  int32_t iProfileClass;
  char FileName[kProfileTextSize];     // UTF-8, NUL-terminated, zero padded
  char ProfileName[kProfileTextSize];  // UTF-8, NUL-terminated, zero padded
  int32_t iLocation;
  int32_t iDriver;
};

struct HVProfileList {
  HVProfileItem litem[kProfileMax];
  int32_t iNum;
};

// Key texts the file's keys are formed from, each in a 32-byte field.
extern const char cIndexOnDeviceKey[32];
extern const char cInMenuKey[32];
extern const char cProfileClassKey[32];
extern const char cFileNameKey[32];
extern const char cProfileNameKey[32];
extern const char cLocationKey[32];
extern const char cPlistVersionKey[32];

// "RGB", "SIM", "DST" for list classes 0 to 2; nullptr otherwise.
const char* ClassKey(int list_class);

// Zeroes a whole list (every slot and iNum).
void ClearProfileList(HVProfileList* list);

// Recount: when the number of slots with a non-zero menu state differs from
// iNum, zeroes every slot from that number on (whatever it held) and sets iNum
// to it. An item standing behind a free slot is lost in that case.
void HVPlistCheckWithInMenu_Dict(HVProfileList* list);

// Clean, for slots with no printer row (iIndexOnDevice 0) and a file name:
// shown items (3, 4) become kept items (501, state 3); the others are erased
// and iNum drops by one each.
void HVPListCleanProfile_Dict(HVProfileList* list);

// Salvage: items with a printer row, a file name and state 3 become state 6.
void HVPListSalvage_Dict(HVProfileList* list);

// Padding: moves used slots forward over free ones, keeping order. A vacated
// slot is zeroed except for iProfileClass, which keeps its old value. iNum is
// not changed.
void HVPListPaddingProfile_Dict(HVProfileList* list);

// Window merge of one class into `out` (which the caller zeroes): the file
// list's items in states 2 and 4 that match no deleted and no edited item
// (same FileName and iLocation), then every edited item, at most 500 in all.
// out->iNum is set to the number placed. Counts outside 0..500 are clamped.
void HVPListMapping_Pap(const HVProfileList* edited, const HVProfileList* file, HVProfileList* out,
                        const HVProfileList* deleted);

// The store's diagnostic hook; it emits nothing.
void MyDebugMessage(const char* text, int32_t number);

}  // namespace profilestore
