// What pdehost prints: plain text and JSON on standard output, messages on
// standard error, every string made showable (host/display_text.h).
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "host/control_snapshot.h"

namespace host {

// Standard output, as UTF-8.
void Out(const std::string& text);
// "pdehost: MESSAGE" on standard error; answers the exit status 2.
int Fail(const std::string& message);

// A control as `show` and `window` print it: outlet, kind, what the kind
// shows, class, enabled (controls), hidden (views) and, when known, whether
// it is on screen.
nlohmann::ordered_json DescribeControl(const ControlState& control, std::optional<bool> onScreen);
// One line (and a line per item or table row) for the same.
std::string DescribeControlText(const nlohmann::ordered_json& description);

// Each command's output from its JSON form: the JSON itself, or its text.
void PrintPanels(const nlohmann::ordered_json& panels, bool json);
void PrintControls(const std::string& paneOnScreen, const nlohmann::ordered_json& controls, bool json);
void PrintWindow(const std::string& title, const nlohmann::ordered_json& controls, bool json);
void PrintSummary(const nlohmann::ordered_json& summary, bool json);

}  // namespace host
