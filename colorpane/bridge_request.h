// Privileged requests from the plug-in: each one starts the bridge tool with
// the method name and its arguments, waits for it to exit, and reads its one
// reply line from a pipe. The tool's exit status is not looked at; only the
// printed line counts. Blocks the calling thread with no time limit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/request.h"

namespace colorpane {

// Whether the bridge tool exists at its launch path under the installation root.
bool BridgeToolExists();

// Runs the tool with `method` and `args` and answers its standard output as
// UTF-8 text; nullopt when the tool is missing, cannot be started, or its
// output is not UTF-8.
std::optional<std::string> RunBridgeTool(protocol::Method method, const std::vector<std::string>& args);

// True exactly when the tool ran and printed "<method>=TRUE".
bool SendBridgeRequest(protocol::Method method, const std::vector<std::string>& args);

// The walk request of device discovery, with its eleven arguments:
// "mibwalk_XPC", "VN420P", the current user's login name, "snmpwalk", "-Os",
// "-c", "mvqlpx", "-v", "1", `agent_address`, "1.3.6.1.4.1.32473.1.1.1.1.6.13.1.1".
// True when the tool printed a walk status, which is then stored in
// *walk_status; false when the tool is missing, could not run, or printed no
// status (nothing is started when the tool is missing).
bool SendWalkRequest(const std::string& agent_address, int32_t* walk_status);

}  // namespace colorpane
