#include "host/control_snapshot.h"

#include <algorithm>
#include <iterator>

#include "platform/utf8.h"

namespace host {

namespace ui = platform::ui;

namespace {

void CaptureField(ui::TextField& t, ControlState* s) {
  s->text = t.isSecure() ? std::string(platform::Utf16Length(t.stringValue()), '*') : t.stringValue();
  s->color = t.textColor();
  if (ui::FieldEditor* editor = t.currentEditor()) {
    s->editing = true;
    s->selectionStart = editor->selectedRange().location;
    s->selectionLength = editor->selectedRange().length;
    // The field's value follows the editor after every change.
    if (t.isSecure()) s->text = std::string(editor->string().size(), '*');
  }
}

ColumnState::Cell CellOf(const ui::TableView::Column& c) {
  if (auto* button = dynamic_cast<const ui::ButtonCell*>(c.dataCell.get());
      button && button->buttonType() == ui::Button::Type::kSwitch)
    return ColumnState::Cell::kCheckBox;
  return c.dataCell && c.dataCell->drawsImage() ? ColumnState::Cell::kImage : ColumnState::Cell::kText;
}

void CaptureTable(ui::TableView& t, ControlState* s) {
  s->selected = t.selectedRow();
  const int rows = std::min(t.numberOfRows(), kMaxTableRows);  // 0 without a data source
  s->cells.reserve(static_cast<size_t>(rows));
  for (int r = 0; r < rows; ++r) {
    std::vector<platform::plist::Value> row;
    for (const auto& c : t.columns())
      row.push_back(t.dataSource()->objectValueForTableColumn(&t, c.identifier, r));
    s->cells.push_back(std::move(row));
  }
  // After the values: a data source may install a column's cell when asked
  // for its first value.
  for (const auto& c : t.columns()) s->columns.push_back({c.identifier, c.title, c.editable, CellOf(c)});
}

void Capture(ui::View* v, int depth, ControlState* s) {
  *s = CaptureControl(v);
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

const char* KindName(ControlKind kind) {
  static constexpr const char* kNames[] = {"object",    "view",        "box",    "tabview", "popup",
                                           "checkbox",  "radio",       "button", "matrix",  "label",
                                           "textfield", "securefield", "table"};
  static_assert(std::size(kNames) == static_cast<size_t>(ControlKind::kLast) + 1, "one name per kind");
  return kNames[static_cast<size_t>(kind)];
}

ControlKind KindOf(const ui::Object& object) {
  if (dynamic_cast<const ui::PopUpButton*>(&object)) return ControlKind::kPopUp;
  if (auto* b = dynamic_cast<const ui::Button*>(&object)) {
    switch (b->type()) {
      case ui::Button::Type::kSwitch:
        return ControlKind::kCheckBox;
      case ui::Button::Type::kRadio:
        return ControlKind::kRadio;
      case ui::Button::Type::kPush:
        return ControlKind::kPushButton;
    }
  }
  if (dynamic_cast<const ui::Matrix*>(&object)) return ControlKind::kMatrix;
  if (auto* t = dynamic_cast<const ui::TextField*>(&object)) {
    if (t->isSecure()) return ControlKind::kSecureField;
    return !t->isEditable() && !t->isBezeled() ? ControlKind::kLabel : ControlKind::kTextField;
  }
  if (dynamic_cast<const ui::TabView*>(&object)) return ControlKind::kTabView;
  if (dynamic_cast<const ui::TableView*>(&object)) return ControlKind::kTable;
  if (dynamic_cast<const ui::Box*>(&object)) return ControlKind::kBox;
  if (dynamic_cast<const ui::View*>(&object)) return ControlKind::kView;
  return ControlKind::kObject;
}

ControlState CaptureControl(ui::Object* object) {
  ControlState s;
  s.id = reinterpret_cast<std::uintptr_t>(object);
  s.name = object->objectName();
  s.className = object->className();
  s.kind = KindOf(*object);
  if (auto* v = dynamic_cast<ui::View*>(object)) {
    s.frame = v->frame();
    s.hidden = v->isHidden();
    s.accessibleName = v->accessibilityLabel();
  }
  if (auto* c = dynamic_cast<ui::Control*>(object)) {
    s.isControl = true;
    s.enabled = c->isEnabled();
  }
  switch (s.kind) {
    case ControlKind::kPopUp: {
      auto* p = static_cast<ui::PopUpButton*>(object);
      for (const auto& item : p->items())
        s.items.push_back({item.title, item.enabled, item.representedObject});
      s.selected = p->indexOfSelectedItem();
      s.popUpChecksItems = !p->autoenablesItems();
      break;
    }
    case ControlKind::kCheckBox:
    case ControlKind::kRadio:
    case ControlKind::kPushButton: {
      auto* b = static_cast<ui::Button*>(object);
      s.text = b->title();
      s.state = b->state();
      s.allowsMixed = b->allowsMixedState();
      break;
    }
    case ControlKind::kMatrix: {
      auto* m = static_cast<ui::Matrix*>(object);
      for (const auto& cell : m->cells()) s.items.push_back({cell.title, cell.enabled, {}});
      s.selected = m->selectedRow();
      break;
    }
    case ControlKind::kLabel:
    case ControlKind::kTextField:
    case ControlKind::kSecureField:
      CaptureField(*static_cast<ui::TextField*>(object), &s);
      break;
    case ControlKind::kTable:
      CaptureTable(*static_cast<ui::TableView*>(object), &s);
      break;
    case ControlKind::kTabView: {
      auto* tab = static_cast<ui::TabView*>(object);
      for (const auto& item : tab->tabViewItems()) s.items.push_back({item.label, true, {}});
      s.selected = tab->indexOfSelectedTabViewItem();
      break;
    }
    case ControlKind::kBox:
      s.text = static_cast<ui::Box*>(object)->title();
      break;
    case ControlKind::kView:
    case ControlKind::kObject:
      break;
  }
  return s;
}

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
    case Type::kString:
      return *value.string();
    case Type::kInteger:
      return value.integer() ? std::to_string(*value.integer()) : std::to_string(*value.bigUnsigned());
    case Type::kReal: {
      std::string s = std::to_string(*value.real());
      s.erase(s.find_last_not_of('0') + 1);
      if (!s.empty() && s.back() == '.') s.pop_back();
      return s;
    }
    case Type::kBool:
      return *value.boolean() ? "\u2713" : "";
    default:
      return "";
  }
}

bool IsOnScreen(const ui::View* view, const ui::View* panelView) {
  if (panelView == nullptr) return false;
  for (const ui::View* v = view; v != nullptr; v = v->superview()) {
    if (v->isHidden()) return false;
    if (v == panelView) return true;
  }
  return false;
}

std::string PaneOnScreen(const std::vector<std::pair<std::string, ui::Object*>>& objects,
                         const ui::View* panelView) {
  std::vector<const ui::View*> common;  // panel view first
  bool any = false;
  for (const auto& [name, object] : objects) {
    auto* control = dynamic_cast<const ui::Control*>(object);
    if (control == nullptr || !IsOnScreen(control, panelView)) continue;
    std::vector<const ui::View*> chain;
    for (const ui::View* v = control->superview(); v != nullptr; v = v->superview())
      chain.insert(chain.begin(), v);
    if (!any) {
      common = std::move(chain);
      any = true;
      continue;
    }
    size_t same = 0;
    while (same < common.size() && same < chain.size() && common[same] == chain[same]) ++same;
    common.resize(same);
  }
  for (auto v = common.rbegin(); v != common.rend(); ++v) {
    for (const auto& [name, object] : objects)
      if (object == *v) return name;
  }
  return "";
}

}  // namespace host
