#include "gui/control_state.h"

#include <algorithm>

namespace gui {

namespace ui = platform::ui;

namespace {

// UTF-16 units of UTF-8 text: one per lead byte, two for a four-byte sequence.
size_t Utf16Length(const std::string& s) {
  size_t n = 0;
  for (unsigned char c : s) {
    if ((c & 0xC0) != 0x80) ++n;
    if (c >= 0xF0) ++n;
  }
  return n;
}

void CaptureButton(const ui::Button& b, ControlState* s) {
  switch (b.type()) {
    case ui::Button::Type::kSwitch: s->kind = ControlKind::kCheckBox; break;
    case ui::Button::Type::kRadio: s->kind = ControlKind::kRadio; break;
    case ui::Button::Type::kPush: s->kind = ControlKind::kPushButton; break;
  }
  s->text = b.title();
  s->state = b.state();
  s->allowsMixed = b.allowsMixedState();
}

void CaptureField(ui::TextField& t, ControlState* s) {
  if (t.isSecure()) s->kind = ControlKind::kSecureField;
  else if (!t.isEditable() && !t.isBezeled()) s->kind = ControlKind::kLabel;
  else s->kind = ControlKind::kTextField;
  s->text = t.isSecure() ? std::string(Utf16Length(t.stringValue()), '*') : t.stringValue();
  s->color = t.textColor();
  if (ui::FieldEditor* editor = t.currentEditor()) {
    s->editing = true;
    s->selectionStart = editor->selectedRange().location;
    s->selectionLength = editor->selectedRange().length;
    // The field's value follows the editor after every change.
    if (t.isSecure()) s->text = std::string(editor->string().size(), '*');
  }
}

void CaptureTable(ui::TableView& t, ControlState* s) {
  s->kind = ControlKind::kTable;
  for (const auto& c : t.columns()) {
    s->columns.push_back(c.title);
    s->editableColumns.push_back(c.editable);
  }
  s->selected = t.selectedRow();
  ui::TableViewDataSource* ds = t.dataSource();
  if (!ds) return;
  int rows = std::clamp(ds->numberOfRowsInTableView(&t), 0, kMaxTableRows);
  s->cells.reserve(static_cast<size_t>(rows));
  for (int r = 0; r < rows; ++r) {
    std::vector<std::string> row;
    for (const auto& c : t.columns()) row.push_back(CellText(ds->objectValueForTableColumn(&t, c.identifier, r)));
    s->cells.push_back(std::move(row));
  }
}

void Capture(ui::View* v, int depth, ControlState* s) {
  s->id = reinterpret_cast<std::uintptr_t>(static_cast<ui::Object*>(v));
  s->name = v->objectName();
  s->frame = v->frame();
  s->hidden = v->isHidden();
  if (auto* c = dynamic_cast<ui::Control*>(v)) s->enabled = c->isEnabled();

  if (auto* p = dynamic_cast<ui::PopUpButton*>(v)) {
    s->kind = ControlKind::kPopUp;
    for (const auto& item : p->items()) s->items.push_back({item.title, item.enabled});
    s->selected = p->indexOfSelectedItem();
    s->popUpChecksItems = !p->autoenablesItems();
  } else if (auto* b = dynamic_cast<ui::Button*>(v)) {
    CaptureButton(*b, s);
  } else if (auto* m = dynamic_cast<ui::Matrix*>(v)) {
    s->kind = ControlKind::kMatrix;
    for (const auto& cell : m->cells()) s->items.push_back({cell.title, cell.enabled});
    s->selected = m->selectedRow();
  } else if (auto* t = dynamic_cast<ui::TextField*>(v)) {
    CaptureField(*t, s);
  } else if (auto* table = dynamic_cast<ui::TableView*>(v)) {
    CaptureTable(*table, s);
  } else if (auto* tab = dynamic_cast<ui::TabView*>(v)) {
    s->kind = ControlKind::kTabView;
    for (const auto& item : tab->tabViewItems()) s->items.push_back({item.label, true});
    s->selected = tab->indexOfSelectedTabViewItem();
  } else if (auto* box = dynamic_cast<ui::Box*>(v)) {
    s->kind = ControlKind::kBox;
    s->text = box->title();
  }

  if (depth >= kMaxViewDepth) return;
  if (auto* tab = dynamic_cast<ui::TabView*>(v)) {
    // A tab view's children are its pages, in tab order, whether shown or not.
    for (const auto& item : tab->tabViewItems()) {
      ControlState page;
      if (item.view) Capture(item.view, depth + 1, &page);
      s->children.push_back(std::move(page));
    }
    return;
  }
  for (ui::View* sub : v->subviews()) {
    s->children.emplace_back();
    Capture(sub, depth + 1, &s->children.back());
  }
}

ui::Object* Find(ui::View* v, std::uintptr_t id, int depth) {
  if (reinterpret_cast<std::uintptr_t>(static_cast<ui::Object*>(v)) == id) return v;
  if (depth >= kMaxViewDepth) return nullptr;
  if (auto* tab = dynamic_cast<ui::TabView*>(v)) {
    for (const auto& item : tab->tabViewItems())
      if (item.view)
        if (ui::Object* o = Find(item.view, id, depth + 1)) return o;
    return nullptr;
  }
  for (ui::View* sub : v->subviews())
    if (ui::Object* o = Find(sub, id, depth + 1)) return o;
  return nullptr;
}

}  // namespace

ControlState CaptureControls(ui::View* root) {
  ControlState s;
  if (root) Capture(root, 0, &s);
  return s;
}

ui::Object* FindControl(ui::View* root, std::uintptr_t id) {
  return root && id ? Find(root, id, 0) : nullptr;
}

std::string CellText(const platform::plist::Value& value) {
  using platform::plist::Type;
  switch (value.type()) {
    case Type::kString: return *value.string();
    case Type::kInteger: return std::to_string(*value.integer());
    case Type::kReal: {
      std::string s = std::to_string(*value.real());
      s.erase(s.find_last_not_of('0') + 1);
      if (!s.empty() && s.back() == '.') s.pop_back();
      return s;
    }
    case Type::kBool: return *value.boolean() ? "\u2713" : "";
    default: return "";
  }
}

}  // namespace gui
