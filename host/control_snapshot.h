// A plain-data picture of the controls of the headless control model: what
// pdehost prints and what the dialog draws, read one way for both. It is
// taken where plug-in code runs (table views are read through their data
// source) and may be handed to another thread; a front end never touches a
// plug-in's objects to show them. The rules a person sees — a secure field's
// mask, how many table rows — are decided here once.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/plist.h"
#include "platform/ui/view.h"

namespace host {

// A new kind is added last here (kLast names it), named in KindName, read in
// KindOf and CaptureControl, and drawn by each front end (each switches over
// the kind, so the compiler lists what is missing).
enum class ControlKind {
  kObject,  // an outlet that is no view
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
  kLast = kTable,
};

// The kind as pdehost names it ("popup", "checkbox", "securefield", ...).
const char* KindName(ControlKind kind);
ControlKind KindOf(const platform::ui::Object& object);

struct ItemState {
  std::string title;
  bool enabled = true;
  platform::plist::Value representedObject;  // pop-up items only
  bool operator==(const ItemState&) const = default;
};

struct ColumnState {
  std::string identifier, title;
  bool editable = false;
  // How the column's cells draw their values: text, a check box (a switch
  // button cell), or the image a value names.
  enum class Cell { kText, kCheckBox, kImage } cell = Cell::kText;
  bool operator==(const ColumnState&) const = default;
};

struct ControlState {
  std::uintptr_t id = 0;  // the object's identity; valid only while its tree lives
  std::string name;       // object name in the interface description
  std::string className;
  ControlKind kind = ControlKind::kView;
  bool isControl = false;  // has an enabled state
  platform::ui::Rect frame;
  bool hidden = false, enabled = true;
  std::string accessibleName;  // the view's accessibility label
  // Button and box title, label and field text. A secure field's text is
  // never copied: it holds one '*' per UTF-16 unit, as many as the
  // characters the field counts.
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
  // Table view: its columns and the shown rows' values, column by column.
  std::vector<ColumnState> columns;
  std::vector<std::vector<platform::plist::Value>> cells;
  std::vector<ControlState> children;  // subviews in order (a tab view: its pages)

  bool operator==(const ControlState&) const = default;
};

// Deeper trees are cut here: a bundle's interface description is input.
inline constexpr int kMaxViewDepth = 64;
// Table views show at most this many rows, and actions reach only those.
inline constexpr int kMaxTableRows = 10000;

// The state of one object, without its subviews.
ControlState CaptureControl(platform::ui::Object* object);
// The state of the view and its subtree.
ControlState CaptureControls(platform::ui::View* root);

// The object with the identity in the view's subtree, or nullptr: actions
// name objects by identity and are checked against the live tree.
platform::ui::Object* FindControl(platform::ui::View* root, std::uintptr_t id);

// Text shown for a table cell value (strings as they are, numbers in decimal,
// booleans as a check mark or nothing).
std::string CellText(const platform::plist::Value& value);

// Whether the view is inside the panel's view with nothing around it hidden.
bool IsOnScreen(const platform::ui::View* view, const platform::ui::View* panelView);
// The outlet of the innermost named view holding every control on screen
// (the pane the person sees); "" when no control is on screen.
std::string PaneOnScreen(const std::vector<std::pair<std::string, platform::ui::Object*>>& objects,
                         const platform::ui::View* panelView);

}  // namespace host
