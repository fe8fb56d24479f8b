// net-snmp's process-wide settings that a walk's options change (the
// library's booleans and integers in its default store, such as the output
// letters of -O, and its debug switch), and getopt's position inside the last
// vector the parser read. The service runs many walks in one
// process; each must start from the same state whatever came before.
// REQUIRES: WalkMutex() held.
#pragma once

namespace profilewalk {

// The first call initialises the library and notes its settings; every call
// puts the noted settings back and forgets getopt's position.
void ResetNetSnmpState();

// Whether the settings are the noted ones (true before the first reset).
bool NetSnmpStateIsPristine();

}  // namespace profilewalk
