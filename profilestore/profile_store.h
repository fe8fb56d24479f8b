// Reading and writing the profile lists of the current user's profile file.
//
// Paths and the final write go through the installed FileVariant
// (file_variant.h); everything else is the same in both variants. Results are
// 0 for success and -1 for failure. A reader that fails leaves the lists as
// they were. List classes are 0 (RGB), 1 (SIM) and 2 (DST); others fail.
// Not safe for concurrent use on the same file: writes replace the whole file
// and the read-merge-write operations can lose a change made in between.
#pragma once

#include <plist/plist.h>

#include <cstdint>

#include "profilestore/file_variant.h"
#include "profilestore/profile_format.h"
#include "profilestore/profile_list.h"

namespace profilestore {

// Reads all three lists; -1 (lists untouched) when the file cannot be read or
// parsed, lacks a class, or a class lacks a field dictionary.
int HVPListReadProfile_All(HVProfileList* rgb, HVProfileList* sim, HVProfileList* dst);
// Reads one list; only that class is checked.
int HVPListReadProfile_Dict(HVProfileList* list, int list_class);
// Reads one list for the management window: state-2 items are left out and
// the gap closed, state 4 arrives as 6. The caller passes a zeroed list.
int HVPListReadProfile_Dict_Pap(HVProfileList* list, int list_class);

// Writes the three lists (all 500 slots each) after the administrator test.
int HVPListWriteProfile_All(const HVProfileList* rgb, const HVProfileList* sim, const HVProfileList* dst);
// Replaces one class in the file: reads the file's lists (a read failure
// leaves them empty), puts `list` in place of its class and writes all three.
// Each supplied out-list ends up holding what was written for its class.
int HVPListWriteProfile_Dict(const HVProfileList* list, int list_class, HVProfileList* rgb_out = nullptr,
                             HVProfileList* sim_out = nullptr, HVProfileList* dst_out = nullptr);
// Management window save: merges the edited lists with the file's confirmed
// items not deleted (`*_deleted`) and writes the result.
int HVPListWriteProfile_All_Pap(const HVProfileList* rgb, const HVProfileList* sim, const HVProfileList* dst,
                                const HVProfileList* rgb_deleted, const HVProfileList* sim_deleted,
                                const HVProfileList* dst_deleted);
// The merge of HVPListWriteProfile_All_Pap alone, into caller-zeroed out-lists. Always 0.
int HVPListMappingProfile_All_Pap(const HVProfileList* rgb, const HVProfileList* sim,
                                  const HVProfileList* dst, HVProfileList* rgb_out, HVProfileList* sim_out,
                                  HVProfileList* dst_out, const HVProfileList* rgb_deleted,
                                  const HVProfileList* sim_deleted, const HVProfileList* dst_deleted);

// Entry readers. Absent key or wrong type: the out value is left as it was.
// Text is cut bytewise to 31 bytes and zero padded.
void ReadDictionaryIntEntry(plist_t dict, const char* key, int32_t* out);
void ReadDictionaryStringEntry(plist_t dict, const char* key, char out[kProfileTextSize]);

// The six field dictionaries in the order IndexOnDevice, InMenu, ProfileClass,
// Location, FileName, ProfileName.
struct PropsFields {
  plist_t index_on_device, in_menu, profile_class, location, file_name, profile_name;
};

// Builds {class key: class dictionary} for `list` (empty for a class outside
// 0..2). The returned tree is the caller's; *class_dict and *fields, when
// asked for, point into it (libplist nodes have one owner).
PlistPtr CreatePropsDictionary(int list_class, const HVProfileList* list, plist_t* class_dict = nullptr,
                               PropsFields* fields = nullptr);
// Copies of the file's "RGB", "SIM" and "DST" class dictionaries, each handed
// out when present; 0 only when all three were.
int HVPListMappingGetMainDict_FromPlist(PlistPtr* rgb, PlistPtr* sim, PlistPtr* dst);
// The class dictionary's six field dictionaries (borrowed) and its "iNum"
// when present; -1 as soon as one is missing.
int HVPListMappingGetSubDict(plist_t class_dict, PropsFields* fields, int32_t* num);

}  // namespace profilestore
