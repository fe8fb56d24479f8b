// Merging the spool table of a walk into the user's profile lists, and the
// file-name rule the printer's names must pass.
//
// The merge reads and writes the profile file through the profile store (the
// direct variant and its path globals in the service). REQUIRES: WalkMutex()
// held, since it reads the process-wide spool table.
#pragma once

#include "profilestore/profile_list.h"

namespace profilewalk {

// Reads the three lists of the profile file (a failed read goes on with what
// was read), ages them by the walk status, removes items whose file name
// fails the rule, merges the spool rows 1 .. spool count (location 4 or 5 and
// a valid file name; class 1 or 2 into RGB, class 3 into SIM and DST), cleans,
// compacts and salvages each list and writes them. Answers the write's result
// (0 or -1).
// Spelled as the design spells it (not a typo to fix).
int vRestructPlistSpool2Current(int status);

// Menu-state ageing of all 500 slots: after a successful walk (status 0) 1
// and 2 become 1 and 4 becomes 3; after a failed one 1 and 2 become 0 (free)
// and 4 becomes 6. Other states stay.
void vDeleteMIBprofilesTemporary(int status, profilestore::HVProfileList* list);

// Merges spool row `row` (0-based) into `list`: an item with the same
// 32-byte FileName and the same iLocation among the first iNum only has its
// state raised (1, 5 -> 2; 3, 6 -> 4); otherwise the row is copied into the
// first free slot with state 2 and iNum grows. A full list drops the row.
// Spelled as the design spells it (not a typo to fix).
void vRestructDetail(int row, profilestore::HVProfileList* list);

// The printer's file-name rule: not empty; without a "." at most 27 bytes;
// with one, 1 to 27 bytes before the first "." and 0 to 3 after it; every
// byte passes FileNameFilter. nullptr fails.
bool bJudgement8point3Format(const char* name);
// ASCII letters, digits and ! # $ % & ' ( ) - . ^ _ ` { } ~.
bool FileNameFilter(char c);

}  // namespace profilewalk
