#include "gui/user_action.h"

#include "gui/control_state.h"
#include "host/control_ops.h"

namespace gui {

namespace ui = platform::ui;

namespace {

bool EditText(ui::TextField* field, const UserAction& a, std::string* error) {
  if (!field->isEnabled() || field->isHidden() || !field->isEditable()) {
    *error = "the text field is not editable";
    return false;
  }
  using T = UserAction::Type;
  if (a.type == T::kEndEditing) {
    if (!field->isEditing()) return true;
    field->endEditing();
    // As a field's action fires when editing ends (Return or leaving it).
    if (!field->isEditing()) field->sendAction();
    return true;
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
      auto pair = [&](int i) { return i >= 0 && i + 1 < static_cast<int>(s.size()) && s[i] >= 0xD800 && s[i] < 0xDC00; };
      if (a.type == T::kDeleteBackward && r.location > 0)
        r = pair(r.location - 2) ? ui::FieldEditor::Range{r.location - 2, 2} : ui::FieldEditor::Range{r.location - 1, 1};
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

}  // namespace

bool ApplyUserAction(ui::View* root, const UserAction& a, std::string* error) {
  ui::Object* object = FindControl(root, a.id);
  if (!object) {
    *error = "the control is no longer shown";
    return false;
  }
  using T = UserAction::Type;
  switch (a.type) {
    case T::kChoose: return host::OperateObject(object, std::to_string(a.index), error);
    case T::kClick: {
      auto* b = dynamic_cast<ui::Button*>(object);
      if (b && b->type() == ui::Button::Type::kSwitch) {
        if (b->allowsMixedState()) {
          // A three-state box steps through mixed; the model knows the order.
          if (!b->isEnabled() || b->isHidden()) return host::OperateObject(object, "on", error);
          b->performClick();
          return true;
        }
        return host::OperateObject(object, b->state() == ui::Button::kOnState ? "off" : "on", error);
      }
      return host::OperateObject(object, "press", error);
    }
    case T::kSelectRow:
      if (auto* table = dynamic_cast<ui::TableView*>(object)) {
        if (!table->isEnabled() || table->isHidden()) {
          *error = "the table is disabled";
          return false;
        }
        table->selectRow(a.index);
        table->sendAction();
        return true;
      }
      return host::OperateObject(object, std::to_string(a.index), error);
    case T::kSelectTab:
      if (auto* tab = dynamic_cast<ui::TabView*>(object)) {
        tab->selectTabViewItemAtIndex(a.index);
        return true;
      }
      break;
    case T::kEditCell:
      if (auto* table = dynamic_cast<ui::TableView*>(object)) {
        if (a.column < 0 || a.column >= static_cast<int>(table->columns().size())) {
          *error = "no such column";
          return false;
        }
        table->editCell(table->columns()[static_cast<size_t>(a.column)].identifier, a.index,
                        platform::plist::Value(a.text));
        return true;
      }
      break;
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

}  // namespace gui
