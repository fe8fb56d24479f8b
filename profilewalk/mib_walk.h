// The walk of the printer's profile table and its merge into the user's
// profile file, run by the privileged service for the walk request.
#pragma once

#include <mutex>

namespace profilewalk {

// Walks the table with the command-line style argument vector (argv[0] is
// "snmpwalk") and merges what it found into the profile lists of the paths
// the caller set in the profile store's path globals. Answers the walk
// status: 0 success; 1 root OID, session, timeout, failure or ordering
// error; 2 an error status other than noSuchName; -1 or -2 when argument
// parsing stops the walk (also -1 for an empty vector or any other parser
// failure, and for a vector the walk does not accept: protocol/walk_args.h,
// logged). The merge runs on every path, so a failed walk still ages the
// menu states. Each walk starts from the same net-snmp settings and leaves
// them so (snmp_state.h). The agent is reached over UDP and IPv4 only. No
// request starts after walk_seconds_limit, and the whole walk, every request
// included, ends within walk_last_request_seconds more; a hang-up of
// walk_hangup_fd ends it at once (status 1, no merge).
//
// Thread safety: walks never overlap in one process; mib_walk holds
// WalkMutex() for its whole run. A caller that sets the store's path globals
// for the walk should hold the same mutex around setting them and the walk
// (it is recursive, so mib_walk may take it again).
int mib_walk(int argc, char** argv);

std::recursive_mutex& WalkMutex();

}  // namespace profilewalk
