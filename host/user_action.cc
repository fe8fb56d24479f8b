#include "host/user_action.h"

#include <algorithm>
#include <charconv>

namespace host {

namespace ui = platform::ui;
using T = UserAction::Type;

namespace {

bool ParseIndex(const std::string& s, int* out) {
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), *out);
  return ec == std::errc() && p == s.data() + s.size();
}

UserAction Make(const ControlState& c, T type, int index = -1) {
  UserAction a;
  a.id = c.id;
  a.type = type;
  a.index = index;
  return a;
}

std::string NoTableRow(const std::string& row, int rows) {
  return "no row " + row + " (the table has " + std::to_string(rows) + " rows)";
}

// "ROW" selects a row (-1 clears the selection); "COLUMN:ROW" clicks the
// row's cell in an editable column.
std::optional<UserAction> ParseTable(const ControlState& c, const std::string& value, std::string* error) {
  const int rows = static_cast<int>(c.cells.size());
  const size_t colon = value.rfind(':');
  int row = -2;
  if (colon == std::string::npos) {
    if (!ParseIndex(value, &row) || row < -1 || row >= rows) {
      *error = NoTableRow(value, rows);
      return std::nullopt;
    }
    return Make(c, T::kSelectRow, row);
  }
  const std::string column = value.substr(0, colon), rowText = value.substr(colon + 1);
  if (!ParseIndex(rowText, &row) || row < 0 || row >= rows) {
    *error = NoTableRow(rowText, rows);
    return std::nullopt;
  }
  for (size_t i = 0; i < c.columns.size(); ++i) {
    if (c.columns[i].identifier != column) continue;
    if (!c.columns[i].editable) break;
    UserAction a = Make(c, T::kClickCell, row);
    a.column = static_cast<int>(i);
    return a;
  }
  *error = "no editable column \"" + column + "\"";
  return std::nullopt;
}

// Why a control takes no action, in the words `show` uses for its state.
std::string NotOperable(bool hidden) { return hidden ? "the control is hidden" : "the control is disabled"; }

bool IsSelectable(const ControlState& popUp, int index) {
  return index >= 0 && index < static_cast<int>(popUp.items.size()) &&
         (popUp.items[static_cast<size_t>(index)].enabled || !popUp.popUpChecksItems);
}

bool EditText(ui::TextField* field, const UserAction& a, std::string* error) {
  if (!field->isEditable()) {
    *error = "the text field is not editable";
    return false;
  }
  switch (a.type) {
    case T::kTypeText:
    case T::kPasteText:
      if (a.type == T::kTypeText) {
        field->typeText(a.text);
      } else {
        // Editing begins with the whole text selected; the paste replaces it.
        field->insertText(a.text);
        field->endEditing();
      }
      field->sendAction();
      return true;
    case T::kEndEditing:
      if (!field->isEditing()) return true;
      field->endEditing();
      // As a field's action fires when editing ends (Return or leaving it).
      if (!field->isEditing()) field->sendAction();
      return true;
    default:
      break;
  }
  if (!field->isEditing() && !field->beginEditing()) return true;  // the field refused: nothing typed
  ui::FieldEditor* editor = field->currentEditor();
  if (a.type == T::kSelectText) {
    editor->setSelectedRange({a.start, a.length});
    return true;
  }
  ui::FieldEditor::Range r = editor->selectedRange();
  if (a.type == T::kDeleteBackward || a.type == T::kDeleteForward) {
    // An empty selection deletes the character beside the caret (one UTF-16
    // unit, two for a surrogate pair).
    if (r.length == 0) {
      const std::u16string& s = editor->string();
      auto pair = [&](int i) {
        return i >= 0 && i + 1 < static_cast<int>(s.size()) && s[i] >= 0xD800 && s[i] < 0xDC00;
      };
      if (a.type == T::kDeleteBackward && r.location > 0)
        r = pair(r.location - 2) ? ui::FieldEditor::Range{r.location - 2, 2}
                                 : ui::FieldEditor::Range{r.location - 1, 1};
      else if (a.type == T::kDeleteForward && r.location < static_cast<int>(s.size()))
        r = {r.location, pair(r.location) ? 2 : 1};
      else
        return true;
      editor->setSelectedRange(r);
    }
    field->insertText("");
    return true;
  }
  field->insertText(a.text);
  return true;
}

bool OperateButton(ui::Button* b, const UserAction& a) {
  int want = a.index;
  if (a.type == T::kClick) {
    // A three-state box steps through mixed; the model knows the order.
    if (b->type() != ui::Button::Type::kSwitch || b->allowsMixedState()) return b->performClick(), true;
    want = b->state() == ui::Button::kOnState ? ui::Button::kOffState : ui::Button::kOnState;
  }
  for (int i = 0; i < 3 && b->state() != want; ++i) b->performClick();
  return true;
}

bool OperateMatrix(ui::Matrix* m, int row, std::string* error) {
  if (row < 0 || row >= m->numberOfRows()) {
    *error = "no row " + std::to_string(row);
    return false;
  }
  if (!m->cells()[static_cast<size_t>(row)].enabled) {
    *error = "row " + std::to_string(row) + " is disabled";
    return false;
  }
  m->performClickOnRow(row);
  return true;
}

bool OperateTable(ui::TableView* table, const UserAction& a, std::string* error) {
  const int rows = std::min(table->numberOfRows(), kMaxTableRows);
  if (a.type == T::kSelectRow) {
    if (a.index < -1 || a.index >= rows) {
      *error = NoTableRow(std::to_string(a.index), rows);
      return false;
    }
    const bool refused = a.index != table->selectedRow() && !table->selectRow(a.index);
    table->sendAction();  // as a click on a row does, taken or not
    if (refused) *error = "the selection cannot change now";
    return !refused;
  }
  if (a.index < 0 || a.index >= rows) {
    *error = NoTableRow(std::to_string(a.index), rows);
    return false;
  }
  if (a.column < 0 || a.column >= static_cast<int>(table->columns().size()) ||
      !table->columns()[static_cast<size_t>(a.column)].editable) {
    *error = "no editable column " + std::to_string(a.column);
    return false;
  }
  const std::string& column = table->columns()[static_cast<size_t>(a.column)].identifier;
  if (a.type == T::kEditCell) {
    table->editCell(column, a.index, platform::plist::Value(a.text));
    return true;
  }
  const platform::plist::Value now = table->dataSource()->objectValueForTableColumn(table, column, a.index);
  const int64_t* state = now.integer();
  table->editCell(column, a.index,
                  platform::plist::Value(static_cast<int64_t>(state && *state != 0 ? 0 : 1)));
  return true;
}

}  // namespace

std::optional<UserAction> ParseUserAction(const ControlState& c, const std::string& value, TextEntry entry,
                                          std::string* error) {
  if (!c.isControl) {
    *error = "not a control";
    return std::nullopt;
  }
  if (!c.enabled || c.hidden) {
    *error = NotOperable(c.hidden);
    return std::nullopt;
  }
  int index = -1;
  switch (c.kind) {
    case ControlKind::kPopUp:
      if (!ParseIndex(value, &index)) {
        index = -1;
        for (size_t i = 0; i < c.items.size() && index < 0; ++i)
          if (c.items[i].title == value) index = static_cast<int>(i);
      }
      if (index < 0 || index >= static_cast<int>(c.items.size())) {
        *error = "no item \"" + value + "\" (the pop-up has " + std::to_string(c.items.size()) + " items)";
        return std::nullopt;
      }
      if (!IsSelectable(c, index)) {
        *error = "item " + std::to_string(index) + " is disabled";
        return std::nullopt;
      }
      return Make(c, T::kChoose, index);
    case ControlKind::kPushButton:
      if (value != "press") {
        *error = "a push button takes \"press\"";
        return std::nullopt;
      }
      return Make(c, T::kClick);
    case ControlKind::kRadio:
      return Make(c, T::kClick);
    case ControlKind::kCheckBox:
      if (value == "on" || value == "1") return Make(c, T::kSetState, ui::Button::kOnState);
      if (value == "off" || value == "0") return Make(c, T::kSetState, ui::Button::kOffState);
      *error = "a check box takes on or off";
      return std::nullopt;
    case ControlKind::kMatrix:
      if (!ParseIndex(value, &index) || index < 0 || index >= static_cast<int>(c.items.size())) {
        *error = "no row " + value;
        return std::nullopt;
      }
      if (!c.items[static_cast<size_t>(index)].enabled) {
        *error = "row " + value + " is disabled";
        return std::nullopt;
      }
      return Make(c, T::kSelectRow, index);
    case ControlKind::kTable:
      return ParseTable(c, value, error);
    case ControlKind::kLabel:
    case ControlKind::kTextField:
    case ControlKind::kSecureField: {
      UserAction a = Make(c, entry == TextEntry::kPaste ? T::kPasteText : T::kTypeText);
      a.text = value;
      return a;
    }
    case ControlKind::kObject:
    case ControlKind::kView:
    case ControlKind::kBox:
    case ControlKind::kTabView:
      break;
  }
  *error = "cannot operate a " + c.className;
  return std::nullopt;
}

bool ApplyUserActionTo(ui::Object* object, const UserAction& a, std::string* error) {
  auto* control = dynamic_cast<ui::Control*>(object);
  if (control && (!control->isEnabled() || control->isHidden())) {
    *error = NotOperable(control->isHidden());
    return false;
  }
  switch (a.type) {
    case T::kChoose:
      if (auto* p = dynamic_cast<ui::PopUpButton*>(object)) {
        if (a.index < 0 || a.index >= p->numberOfItems()) {
          *error = "no item \"" + std::to_string(a.index) + "\" (the pop-up has " +
                   std::to_string(p->numberOfItems()) + " items)";
          return false;
        }
        if (!p->chooseItemAtIndex(a.index)) {
          *error = "item " + std::to_string(a.index) + " is disabled";
          return false;
        }
        return true;
      }
      break;
    case T::kClick:
    case T::kSetState:
      if (auto* b = dynamic_cast<ui::Button*>(object)) return OperateButton(b, a);
      break;
    case T::kSelectRow:
      if (auto* m = dynamic_cast<ui::Matrix*>(object)) return OperateMatrix(m, a.index, error);
      [[fallthrough]];
    case T::kClickCell:
    case T::kEditCell:
      if (auto* table = dynamic_cast<ui::TableView*>(object)) return OperateTable(table, a, error);
      break;
    case T::kSelectTab:
      if (auto* tab = dynamic_cast<ui::TabView*>(object)) {
        tab->selectTabViewItemAtIndex(a.index);
        return true;
      }
      break;
    case T::kTypeText:
    case T::kPasteText:
    case T::kSelectText:
    case T::kInsertText:
    case T::kDeleteBackward:
    case T::kDeleteForward:
    case T::kEndEditing:
      if (auto* field = dynamic_cast<ui::TextField*>(object)) return EditText(field, a, error);
      break;
  }
  *error = std::string("a ") + object->className() + " does not take this action";
  return false;
}

bool ApplyUserAction(ui::View* root, const UserAction& a, std::string* error) {
  ui::Object* object = FindControl(root, a.id);
  if (!object) {
    *error = "the control is no longer shown";
    return false;
  }
  return ApplyUserActionTo(object, a, error);
}

}  // namespace host
