#include "profilewalk/spool.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace profilewalk {

profilestore::HVProfileList PlistForSpool;

namespace {

using profilestore::kProfileTextSize;

bool IntegerValue(const netsnmp_variable_list* var, int32_t* out) {
  if (var->type != ASN_INTEGER || var->val.integer == nullptr) return false;
  *out = static_cast<int32_t>(static_cast<uint32_t>(*var->val.integer));
  return true;
}

// Copies an OCTET STRING into a 32-byte field, zero beyond the copied bytes.
// Longer values: empty when `cut` is false, else cut to the last whole UTF-8
// character that fits in 31 bytes.
void StringValue(const netsnmp_variable_list* var, char (&field)[kProfileTextSize], bool cut) {
  if (var->type != ASN_OCTET_STR) return;
  std::memset(field, 0, sizeof field);
  if (var->val.string == nullptr) return;
  size_t length = var->val_len;
  if (length > kProfileTextSize - 1) {
    if (!cut) return;
    length = kProfileTextSize - 1;
    // Back off over continuation bytes so the lead byte of a split character goes too.
    while (length > 0 && (var->val.string[length] & 0xC0) == 0x80) --length;
  }
  std::memcpy(field, var->val.string, length);
}

}  // namespace

void vSpoolPlist(const oid* name, size_t name_length, const netsnmp_variable_list* var, int clear) {
  if (clear == 1) {
    profilestore::ClearProfileList(&PlistForSpool);
    return;
  }
  if (name == nullptr || var == nullptr || name_length < kProfileOidMinLength) return;
  if (!std::equal(kProfileTableOid, kProfileTableOid + kProfileTableOidLength, name)) return;
  const oid row = name[17];
  if (row == 0 || row > static_cast<oid>(profilestore::kProfileMax)) return;
  profilestore::HVProfileItem& item = PlistForSpool.litem[row - 1];
  switch (name[15]) {
    case iOidIndexOnDevice:
      if (IntegerValue(var, &item.iIndexOnDevice) && PlistForSpool.iNum < profilestore::kProfileMax)
        ++PlistForSpool.iNum;
      break;
    case iOidSourceType:
      IntegerValue(var, &item.iLocation);
      break;
    case iOidProfileName:
      StringValue(var, item.ProfileName, true);
      break;
    case iOidFileName:
      StringValue(var, item.FileName, false);
      break;
    case iOidProfileClass:
      IntegerValue(var, &item.iProfileClass);
      break;
    case iOidProfileAvailability:
      IntegerValue(var, &item.iDriver);
      break;
    default:
      break;
  }
}

}  // namespace profilewalk
