// What a user does to a control, named by the control's identity, and its
// application to the live control model where plug-in code runs. The dialog
// builds actions from clicks and keys; pdehost parses them from the words of
// `set`. Both apply them here, so the two hosts act alike.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/control_snapshot.h"
#include "platform/ui/view.h"
#include "platform/wipe.h"

namespace host {

struct UserAction {
  enum class Type {
    kChoose,     // pop-up: item `index`
    kClick,      // check box (its next state), radio button, push button
    kSetState,   // check box: clicked until its state is `index` (0 off, 1 on)
    kSelectRow,  // matrix row or table row `index` (-1: no table row)
    kSelectTab,  // tab view: tab `index`
    kClickCell,  // table: a click on cell (`index`, column `column`) turns a check box cell over
    kEditCell,   // table: cell (`index`, column `column`) becomes `text`
    // Text field: `text` replaces the whole text, typed one character at a
    // time (each a change of its own) or pasted in one change; then the
    // field's action is sent.
    kTypeText,
    kPasteText,
    // Text field, key by key as in a window.
    kSelectText,  // the caret/selection moved to [start, start+length)
    kInsertText,  // `text` replaces the selection (typing, pasting; "" deletes)
    kDeleteBackward,
    kDeleteForward,
    kEndEditing,  // Return, Tab or focus lost
  };
  std::uintptr_t id = 0;
  Type type = Type::kClick;
  int index = -1;
  int start = 0, length = 0;
  std::string text;  // may be a password
  int column = -1;

  UserAction() = default;
  UserAction(const UserAction&) = default;
  UserAction(UserAction&&) = default;
  UserAction& operator=(const UserAction&) = default;
  UserAction& operator=(UserAction&&) = default;
  ~UserAction() { platform::WipeString(text); }
};

// How a text value reaches a field in ParseUserAction.
enum class TextEntry { kType, kPaste };

// The action a textual value asks of the control in the picture: pop-up:
// item index or title; check box: on/off (1/0); radio button: any value;
// push button: "press"; radio matrix: row; table: ROW to select (-1: none),
// or COLUMN:ROW to click a check box cell; text field: the text, entered as
// `entry` says. nullopt and *error for an object that is no control, a
// disabled or hidden control, or a value the control does not offer (the
// message quotes the value).
std::optional<UserAction> ParseUserAction(const ControlState& control, const std::string& value,
                                          TextEntry entry, std::string* error);

// Applies the action to the object as a user would, then sends the action the
// interface description connects to it where a click does. False and *error
// when the object is no control taking this action, is disabled or hidden,
// or the model refuses the value (an item, row or column it lacks, a
// disabled item, a selection that may not change, a field that is not
// editable).
bool ApplyUserActionTo(platform::ui::Object* object, const UserAction& action, std::string* error);
// The same for the control with the action's identity under root (`id`
// names it); false and *error when it is gone from the tree.
bool ApplyUserAction(platform::ui::View* root, const UserAction& action, std::string* error);

}  // namespace host
