// What pdehost shows of a control and how it operates one as a user would.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/object.h"
#include "platform/ui/view.h"

namespace host {

// Kind, title, items, selection/state/text, enabled and hidden of an object;
// for a view, with the panel's view given, whether it is on screen.
nlohmann::ordered_json DescribeObject(const std::string& name, platform::ui::Object* object,
                                      const platform::ui::View* panelView = nullptr);

// Whether the view is inside the panel's view with nothing around it hidden.
bool IsOnScreen(const platform::ui::View* view, const platform::ui::View* panelView);
// The outlet of the innermost named view holding every control on screen
// (the pane the person sees); "" when no control is on screen.
std::string PaneOnScreen(const std::vector<std::pair<std::string, platform::ui::Object*>>& objects,
                         const platform::ui::View* panelView);
// One line of plain text for the same.
std::string DescribeObjectText(const nlohmann::ordered_json& description);

// How text reaches a field: typed one character at a time (each a change of
// its own), or pasted over the whole text in one change.
enum class TextEntry { kType, kPaste };

// A user's action on the control, then the action the interface description
// connects to it: pop-up: item index or title; check box: on/off; text
// field: the text, typed or pasted as `entry` says; radio matrix: row; push button: "press"; table:
// a row to select (-1: none), or COLUMN:ROW to click an editable cell. False and
// *error for a disabled or hidden control, an unknown value, or an object
// that is no control.
bool OperateObject(platform::ui::Object* object, const std::string& value, std::string* error,
                   TextEntry entry = TextEntry::kType);

}  // namespace host
