// Views and the controls of the headless control model.
//
// Views do not own each other: the interface description (Nib) that created
// them owns them all. Semantics follow the platform toolkit where the panes
// rely on them (an out-of-range pop-up index selects nothing, a check box
// state is 0, 1 or -1, disabling a label leaves its text colour alone, ...).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/plist.h"
#include "platform/ui/object.h"

namespace platform::ui {

struct Rect {
  double x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Rect&) const = default;
};

// A text colour. Named system colours resolve by name; others by components.
struct Color {
  std::string name;  // "controlTextColor", "disabledControlTextColor", "systemRedColor", ...
  double r = 0, g = 0, b = 0, a = 1;
  static Color controlText() { return {"controlTextColor"}; }
  static Color disabledControlText() { return {"disabledControlTextColor", 0.5, 0.5, 0.5, 1}; }
  static Color labelColor() { return {"labelColor"}; }
  static Color red() { return {"systemRedColor", 1, 0, 0, 1}; }
  static Color rgb(double r, double g, double b, double a = 1) { return {"", r, g, b, a}; }
  bool operator==(const Color&) const = default;
};

class View : public Object {
 public:
  const char* className() const override { return "View"; }
  // Leaves the superview and lets go of the subviews, so no link dangles.
  ~View() override;

  const Rect& frame() const { return frame_; }
  void setFrame(const Rect& r) { frame_ = r; }
  // Bounds: the view's own coordinate rectangle (origin 0,0 and the frame size
  // unless set).
  const Rect& bounds() const { return bounds_; }
  void setBounds(const Rect& r) { bounds_ = r; }

  bool isHidden() const { return hidden_; }
  void setHidden(bool h) { hidden_ = h; }
  // What assistive technology calls the view when nothing beside it names it
  // ("" for none).
  const std::string& accessibilityLabel() const { return accessibility_label_; }
  void setAccessibilityLabel(std::string label) { accessibility_label_ = std::move(label); }

  View* superview() const { return superview_; }
  const std::vector<View*>& subviews() const { return subviews_; }
  // Adds the view as the last subview (removing it from a previous superview).
  void addSubview(View* v);
  // Puts new_view where old_view was; old_view leaves the hierarchy. Nothing
  // happens when old_view is not a subview.
  void replaceSubview(View* old_view, View* new_view);
  void removeFromSuperview();
  // True when this view is in v's subtree or is v itself.
  bool isDescendantOf(const View* v) const;

 private:
  Rect frame_, bounds_;
  bool hidden_ = false;
  std::string accessibility_label_;
  View* superview_ = nullptr;
  std::vector<View*> subviews_;
};

// A control: enable state and a target/action pair set by the description.
class Control : public View {
 public:
  const char* className() const override { return "Control"; }
  bool isEnabled() const { return enabled_; }
  virtual void setEnabled(bool e) { enabled_ = e; }
  int tag() const { return tag_; }
  void setTag(int t) { tag_ = t; }

  void setTarget(Object* target, std::string action) {
    target_ = target;
    action_ = std::move(action);
  }
  Object* target() const { return target_; }
  const std::string& action() const { return action_; }
  // Sends the action to the target, as a user's click does. False when the
  // control has no action or the target does not handle it.
  bool sendAction();

 private:
  bool enabled_ = true;
  int tag_ = 0;
  Object* target_ = nullptr;
  std::string action_;
};

struct MenuItem {
  std::string title;
  plist::Value representedObject;  // none unless set
  bool enabled = true;
  int tag = 0;
};

class PopUpButton : public Control {
 public:
  const char* className() const override { return "PopUpButton"; }

  int numberOfItems() const { return static_cast<int>(items_.size()); }
  const std::vector<MenuItem>& items() const { return items_; }
  // nullptr for an index out of range.
  MenuItem* itemAtIndex(int i);
  const MenuItem* itemAtIndex(int i) const;
  // Adding the first item to an empty pop-up selects it, as the toolkit does.
  // An insertion index outside 0..numberOfItems() changes nothing.
  void addItemWithTitle(std::string title);
  void insertItemWithTitle(std::string title, int index);
  // Removing the selected item leaves no item selected; an index out of range
  // changes nothing.
  void removeItemAtIndex(int index);
  void removeAllItems();
  int indexOfItemWithTitle(std::string_view title) const;  // -1 when absent
  int indexOfItemWithRepresentedObject(const plist::Value& v) const;

  // -1 when no item is selected.
  int indexOfSelectedItem() const { return selected_; }
  // Selects the item at the index; -1 or an index past the last item leaves no
  // item selected.
  void selectItemAtIndex(int index);
  // Selects the first item with the title; no item selected when none has it.
  void selectItemWithTitle(std::string_view title);
  const MenuItem* selectedItem() const { return itemAtIndex(selected_); }
  std::string titleOfSelectedItem() const;  // "" when nothing is selected

  // When on (the default), the menu enables items by itself and an item's
  // enabled flag is not honoured for choosing; when off, disabled items cannot
  // be chosen by the user.
  bool autoenablesItems() const { return autoenables_; }
  void setAutoenablesItems(bool on) { autoenables_ = on; }
  // True when the user could choose the item (exists, and is enabled or the
  // menu enables items automatically).
  bool isItemSelectable(int index) const;
  // A user's choice from the menu: ignored (false) when the pop-up is disabled
  // or the item is not selectable; otherwise selects it and sends the action.
  bool chooseItemAtIndex(int index);

 private:
  std::vector<MenuItem> items_;
  int selected_ = -1;
  bool autoenables_ = true;
};

// Push button, check box ("switch") or radio button.
class Button : public Control {
 public:
  enum class Type { kPush, kSwitch, kRadio };
  static constexpr int kOffState = 0, kOnState = 1, kMixedState = -1;

  explicit Button(Type type = Type::kPush) : type_(type) {}
  const char* className() const override { return "Button"; }
  Type type() const { return type_; }
  const std::string& title() const { return title_; }
  void setTitle(std::string t) { title_ = std::move(t); }
  int state() const { return state_; }
  // Any value other than 0 and -1 is on; -1 stays mixed only when mixed state
  // is allowed, otherwise it turns on.
  void setState(int s);
  bool allowsMixedState() const { return allows_mixed_; }
  void setAllowsMixedState(bool on) { allows_mixed_ = on; }
  // A user's click: a check box moves off → on → (mixed →) off, a radio turns
  // on; then the action is sent. Nothing happens when disabled.
  void performClick();

 private:
  Type type_;
  std::string title_;
  int state_ = kOffState;
  bool allows_mixed_ = false;
};

// A radio matrix: one column of radio cells, exactly one of them selected.
class Matrix : public Control {
 public:
  struct Cell {
    std::string title;
    bool enabled = true;
    int tag = 0;
  };
  const char* className() const override { return "Matrix"; }
  std::vector<Cell>& cells() { return cells_; }
  const std::vector<Cell>& cells() const { return cells_; }
  int numberOfRows() const { return static_cast<int>(cells_.size()); }
  int selectedRow() const { return selected_; }
  // Tag of the selected cell; -1 when none is selected.
  int selectedTag() const;
  // Selects the row; an out-of-range row leaves the selection unchanged and
  // answers false.
  bool selectCellAtRow(int row);
  Cell* cellAtRow(int row);
  // A user's click on a row: ignored when the matrix or the cell is disabled;
  // otherwise selects it and sends the action.
  void performClickOnRow(int row);

 private:
  std::vector<Cell> cells_;
  int selected_ = -1;
};

class TextField;

// The field editor of an editing text field: the text in UTF-16 units and the
// selection (an empty selection is the caret).
class FieldEditor {
 public:
  struct Range {
    int location = 0, length = 0;
    bool operator==(const Range&) const = default;
  };
  const std::u16string& string() const { return text_; }
  void setString(std::u16string s);  // caret moves to the end
  Range selectedRange() const { return sel_; }
  void setSelectedRange(Range r);  // clamped to the text
  // Replaces the selection with the text; the caret follows the inserted text.
  void insertText(std::u16string_view s);
  // Overwrites the text (a secure field's editor held a password).
  void wipe();

 private:
  std::u16string text_;
  Range sel_;
};

// Text field: editable field, secure field or (not editable, not bezeled) label.
class TextField : public Control {
 public:
  const char* className() const override { return "TextField"; }
  virtual bool isSecure() const { return false; }

  const std::string& stringValue() const { return value_; }  // UTF-8
  // Sets the text; while editing, the field editor's text follows.
  void setStringValue(std::string s);
  int intValue() const;

  bool isEditable() const { return editable_; }
  void setEditable(bool e) { editable_ = e; }
  bool isBezeled() const { return bezeled_; }
  void setBezeled(bool b) { bezeled_ = b; }
  const Color& textColor() const { return color_; }
  // Changing the colour does not touch the enabled state (and back).
  void setTextColor(Color c) { color_ = std::move(c); }

  // Editing. The callbacks are the subclass hooks the text system calls; the
  // defaults answer true and do nothing.
  virtual bool textShouldBeginEditing(FieldEditor* editor);
  virtual void textDidChange(FieldEditor* editor);
  virtual bool textShouldEndEditing(FieldEditor* editor);
  // The field editor while the field is being edited, else nullptr.
  FieldEditor* currentEditor() { return editing_ ? &editor_ : nullptr; }

  // What a user does at the keyboard. beginEditing answers false (and nothing
  // starts) when the field is disabled, not editable or refuses to begin.
  bool beginEditing();
  // Replaces the selection with the text as one change and runs textDidChange.
  // Begins editing when needed and leaves the session open (as a paste does),
  // so the caret can be inspected afterwards.
  void insertText(std::string_view utf8);
  // Types the text one character at a time, each a change of its own, after
  // selecting everything (so typing replaces the old text; typing "" deletes
  // it, one change). Begins and ends
  // the editing session when the field is not already being edited.
  void typeText(std::string_view utf8);
  // Ends editing: runs textShouldEndEditing; the text stays in the field.
  // A refusing textShouldEndEditing keeps the session open.
  void endEditing();
  // Throws the edit away without asking the field: the text before
  // beginEditing comes back.
  void abortEditing();
  bool isEditing() const { return editing_; }

 protected:
  // Overwrites every buffer that held the field's text.
  void wipeText();

 private:
  void applyChange(std::u16string_view text);

  std::string value_, pre_edit_value_;
  bool editable_ = true, bezeled_ = true, editing_ = false;
  Color color_ = Color::controlText();
  FieldEditor editor_;
};

class SecureTextField : public TextField {
 public:
  ~SecureTextField() override { wipeText(); }
  const char* className() const override { return "SecureTextField"; }
  bool isSecure() const override { return true; }
};

// Tab view: labelled tabs, each with its page view.
class TabView : public View {
 public:
  struct Item {
    std::string label;
    View* view = nullptr;
  };
  const char* className() const override { return "TabView"; }
  std::vector<Item>& tabViewItems() { return items_; }
  const std::vector<Item>& tabViewItems() const { return items_; }
  int numberOfTabViewItems() const { return static_cast<int>(items_.size()); }
  int indexOfSelectedTabViewItem() const { return selected_; }
  // Out-of-range indexes change nothing. Only the selected page is shown;
  // the others are hidden.
  void selectTabViewItemAtIndex(int i);

 private:
  std::vector<Item> items_;
  int selected_ = -1;
};

class Box : public View {
 public:
  const char* className() const override { return "Box"; }
  const std::string& title() const { return title_; }
  void setTitle(std::string t) { title_ = std::move(t); }

 private:
  std::string title_;
};

class TableView;

// A font by name and size in points ("" and 0: the toolkit's default).
struct Font {
  std::string name;
  double size = 0;
  static Font system(double size) { return {"system", size}; }
  static Font user(double size) { return {"user", size}; }
  bool operator==(const Font&) const = default;
};

// How a table column draws its values; a column without one draws text.
// Drawing is the host's: the cell only says what to draw and with which font.
class Cell : public Object {
 public:
  const char* className() const override { return "Cell"; }
  const Font& font() const { return font_; }
  void setFont(Font f) { font_ = std::move(f); }
  // A cell that draws the image its value names (a file path) instead of text.
  virtual bool drawsImage() const { return false; }

 private:
  Font font_;
};

// A button drawn in each row (a check box for kSwitch): the value is its state.
class ButtonCell : public Cell {
 public:
  explicit ButtonCell(Button::Type type = Button::Type::kSwitch) : type_(type) {}
  const char* className() const override { return "ButtonCell"; }
  Button::Type buttonType() const { return type_; }
  const std::string& title() const { return title_; }
  void setTitle(std::string t) { title_ = std::move(t); }

 private:
  Button::Type type_;
  std::string title_;
};

// Data source and delegate of a table view (the owner implements both).
class TableViewDataSource {
 public:
  virtual ~TableViewDataSource() = default;
  virtual int numberOfRowsInTableView(TableView* table) = 0;
  virtual plist::Value objectValueForTableColumn(TableView* table, std::string_view column, int row) = 0;
  virtual void setObjectValue(TableView* /*table*/, const plist::Value& /*value*/,
                              std::string_view /*column*/, int /*row*/) {}
  virtual bool shouldSelectRow(TableView* /*table*/, int /*row*/) { return true; }
  virtual bool selectionShouldChange(TableView* /*table*/) { return true; }
  virtual void selectionDidChange(TableView* /*table*/) {}
};

class TableView : public Control {
 public:
  struct Column {
    std::string identifier, title;
    bool editable = false;
    std::shared_ptr<Cell> dataCell = nullptr;  // none: text
  };
  const char* className() const override { return "TableView"; }
  std::vector<Column>& columns() { return columns_; }
  const std::vector<Column>& columns() const { return columns_; }
  // nullptr when no column has the identifier.
  Column* columnWithIdentifier(std::string_view identifier);
  const Font& font() const { return font_; }
  void setFont(Font f) { font_ = std::move(f); }
  void setDataSource(TableViewDataSource* ds) { data_source_ = ds; }
  TableViewDataSource* dataSource() const { return data_source_; }

  int numberOfRows() const;
  int selectedRow() const { return selected_; }
  // Asks the delegate (selectionShouldChange, shouldSelectRow), selects and
  // tells it (selectionDidChange). -1 deselects. Answers whether it changed.
  bool selectRow(int row);
  // The program clears the selection: no delegate veto, but it is told
  // (selectionDidChange) when a row was selected.
  void deselectAll();
  // Rows may have changed: a selection past the end is dropped.
  void reloadData();
  // nullptr when no column has the identifier.
  const Column* columnWithIdentifier(std::string_view identifier) const;
  // A user's edit of one cell: handed to the data source. Ignored for an
  // unknown or non-editable column, a row out of range or a disabled table.
  void editCell(std::string_view column, int row, const plist::Value& value);

 private:
  std::vector<Column> columns_;
  Font font_;
  TableViewDataSource* data_source_ = nullptr;
  int selected_ = -1;
};

}  // namespace platform::ui
