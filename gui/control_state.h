// A plain-data picture of a view tree of the headless control model, taken on
// the plug-in thread after each plug-in call and handed to the window's thread,
// which brings its widgets up to date from it. Nothing here knows Qt, and the
// window never touches a plug-in's objects itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui/view.h"

namespace gui {

enum class ControlKind {
  kView,
  kBox,
  kTabView,
  kPopUp,
  kCheckBox,
  kRadio,
  kPushButton,
  kMatrix,
  kLabel,
  kTextField,
  kSecureField,
  kTable,
};

struct ItemState {
  std::string title;
  bool enabled = true;
  bool operator==(const ItemState&) const = default;
};

struct ControlState {
  std::uintptr_t id = 0;  // the object's identity; valid only while its tree lives
  std::string name;       // object name in the interface description
  ControlKind kind = ControlKind::kView;
  platform::ui::Rect frame;
  bool hidden = false, enabled = true;
  // Button and box title, label and field text. A secure field's text is
  // never copied: it holds one '*' per UTF-16 unit.
  std::string text;
  std::vector<ItemState> items;  // pop-up items, matrix cells, tab labels
  int selected = -1;             // pop-up item, matrix row, tab, table row
  int state = 0;                 // check box: 0 off, 1 on, -1 mixed
  bool allowsMixed = false;
  bool popUpChecksItems = false;  // disabled items are not choosable
  platform::ui::Color color;
  // An editing text field: the caret/selection in UTF-16 units.
  bool editing = false;
  int selectionStart = 0, selectionLength = 0;
  // Table view: columns (title, editable) and the shown cells, row by row.
  std::vector<std::string> columns;
  std::vector<bool> editableColumns;
  std::vector<std::vector<std::string>> cells;
  std::vector<ControlState> children;  // subviews in order (a tab view: its pages)

  bool operator==(const ControlState&) const = default;
};

// Deeper trees are cut here: a bundle's interface description is input.
inline constexpr int kMaxViewDepth = 64;
// Table views show at most this many rows.
inline constexpr int kMaxTableRows = 10000;

// The state of the view and its subtree. Reads table views through their data
// source, so it runs where plug-in code runs.
ControlState CaptureControls(platform::ui::View* root);

// The object with the identity in the view's subtree, or nullptr: actions from
// the window name objects by identity and are checked against the live tree.
platform::ui::Object* FindControl(platform::ui::View* root, std::uintptr_t id);

// Text shown for a table cell value (strings as they are, numbers in decimal,
// booleans as a check mark or nothing).
std::string CellText(const platform::plist::Value& value);

}  // namespace gui
