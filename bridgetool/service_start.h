// Reaching the service: connect to its socket, and when nothing listens,
// start the service from beside this tool and wait a bounded time for it.
#pragma once

#include <string>

#include "platform/ipc.h"

namespace bridgetool {

// The service executable: "prefservice" in the folder of this process's own
// executable.
std::string ServiceExecutablePath();

// A connection to the service socket at `socket_path`. When nothing listens,
// takes a lock beside the socket (so two starters do not race), removes a
// stale entry that is no socket (the folder is the user's own and private),
// starts `service_path` detached, and waits up to wait_ms for the socket. An
// invalid socket when the service cannot be reached; *why then says why.
platform::ipc::Socket ConnectOrStart(const std::string& socket_path, const std::string& service_path,
                                     int wait_ms = 5000, std::string* why = nullptr);

}  // namespace bridgetool
