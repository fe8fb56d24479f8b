// What a user did to a rendered control, named by the control's identity, and
// its application to the live control model on the plug-in thread. Choices,
// clicks and rows go through host::OperateObject, the entry point that
// `pdehost set` uses, so the window and the scriptable host act alike.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ui/view.h"

namespace gui {

struct UserAction {
  enum class Type {
    kChoose,      // pop-up: item `index`
    kClick,       // check box, radio button, push button
    kSelectRow,   // matrix row or table row `index` (-1: none)
    kSelectTab,   // tab view: tab `index`
    kSelectText,  // text field: the caret/selection moved to [start, start+length)
    kInsertText,  // text field: `text` replaces the selection (typing, pasting; "" deletes)
    kDeleteBackward,
    kDeleteForward,
    kEndEditing,  // text field: Return, Tab or focus lost
    kEditCell,    // table: cell (`index`, column `column`) becomes `text`
  };
  std::uintptr_t id = 0;
  Type type = Type::kClick;
  int index = -1;
  int start = 0, length = 0;
  std::string text;
  int column = -1;
};

// Applies the action to the control with the identity under root. False and
// *error when the control is gone from the tree, is disabled or hidden, or
// refuses the value.
bool ApplyUserAction(platform::ui::View* root, const UserAction& action, std::string* error);

}  // namespace gui
