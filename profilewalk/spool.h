// The spool table: the rows of the printer's profile table that one walk has
// read, by the table's column layout. Process-wide, like the rest of the walk
// state; touched only while WalkMutex() is held.
#pragma once

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <cstddef>

#include "profilestore/profile_list.h"

namespace profilewalk {

// 1.3.6.1.4.1.32473.1.1.1.1.6.13.1.1: the printer's profile table. Sub-
// identifier 16 of a variable is the column, 17 an index the walk ignores and
// 18 the row number (row n is spool item n - 1).
inline constexpr oid kProfileTableOid[] = {1, 3, 6, 1, 4, 1, 32473, 1, 1, 1, 1, 6, 13, 1, 1};
inline constexpr size_t kProfileTableOidLength = sizeof(kProfileTableOid) / sizeof(kProfileTableOid[0]);
inline constexpr size_t kProfileOidMinLength = 18;

// Columns.
inline constexpr oid iOidIndexOnDevice = 1;
inline constexpr oid iOidSourceType = 2;
inline constexpr oid iOidProfileName = 3;
inline constexpr oid iOidFileName = 4;
inline constexpr oid iOidProfileClass = 5;
inline constexpr oid iOidProfileAvailability = 7;

// The spool table; its iNum counts the column-1 variables received (at most
// 500). Spool rows never carry a menu state.
extern profilestore::HVProfileList PlistForSpool;

// Stores one variable into its spool row by the column table: INTEGER
// columns take the value's low 32 bits, OCTET STRING columns at most 31
// bytes. Variables outside the table, with fewer than 18 sub-identifiers, a
// row number of 0 or above 500, another column or another value type are
// ignored. A file name longer than 31 bytes leaves the field empty (a cut name
// would name a file that is not on the printer); a longer profile name is cut
// at a character boundary within 31 bytes. With clear == 1 the whole table
// is emptied instead and the other arguments are not looked at.
void vSpoolPlist(const oid* name, size_t name_length, const netsnmp_variable_list* var, int clear);

}  // namespace profilewalk
