// The walk's process-wide counters and the option callback of its argument
// parser. REQUIRES: WalkMutex() held for every access.
#pragma once

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <cstddef>

namespace profilewalk {

// Variables found by the current walk.
extern int numprinted;
// The walk's last diagnostic, at most 127 characters.
inline constexpr size_t kDebugMessageSize = 128;
extern char sDEBUGmsg[kDebugMessageSize];

// Requests one walk may send before it gives up with status 1. A hostile
// agent can hand out increasing OIDs without end (or cycle when the ordering
// check is off); the printer's table has 500 rows of 7 columns. Tests lower it.
extern int walk_request_limit;
// Seconds after which a walk sends no further request (status 1); every
// request, the extra GETs included, ends within walk_last_request_seconds
// after it at the latest (the longest one request may take), so the whole
// walk stays under a fixed ceiling whatever the agent does. Tests lower them.
extern double walk_seconds_limit;
extern double walk_last_request_seconds;
// A descriptor whose hang-up (the caller's connection closing) ends the walk
// at once with status 1 and without the merge; -1: none.
extern int walk_hangup_fd;

// Application store booleans of "snmpwalk".
inline constexpr int NETSNMP_DS_WALK_INCLUDE_REQUESTED = 1;
inline constexpr int NETSNMP_DS_WALK_PRINT_STATISTICS = 2;
inline constexpr int NETSNMP_DS_WALK_DONT_CHECK_LEXICOGRAPHIC = 3;

// Letters after -C: i, p and c toggle the three booleans; any other letter is
// noted in sDEBUGmsg and the rest are still read.
void optProc(int argc, char* const* argv, int opt);

// One GET for `name`; on a response without error status every variable is
// counted in numprinted and printed to standard output. Nothing is spooled.
void snmp_get_and_print(netsnmp_session* session, const oid* name, size_t name_length);

}  // namespace profilewalk
