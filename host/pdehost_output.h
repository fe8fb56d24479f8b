// What pdehost prints of controls, as JSON and as plain text.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "host/control_snapshot.h"

namespace host {

// A control as `show` and `window` print it: outlet, kind, what the kind
// shows, class, enabled (controls), hidden (views) and, when known, whether
// it is on screen.
nlohmann::ordered_json DescribeControl(const ControlState& control, std::optional<bool> onScreen);
// One line (and a line per item or table row) for the same.
std::string DescribeControlText(const nlohmann::ordered_json& description);

}  // namespace host
