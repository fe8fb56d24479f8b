#include "host/control_ops.h"

#include <charconv>

#include "platform/ui/view.h"

namespace host {

namespace ui = platform::ui;
using nlohmann::ordered_json;

namespace {

ordered_json PlistToJson(const platform::plist::Value& v) {
  using platform::plist::Type;
  switch (v.type()) {
    case Type::kString: return *v.string();
    case Type::kInteger: return *v.integer();
    case Type::kReal: return *v.real();
    case Type::kBool: return *v.boolean();
    default: return nullptr;
  }
}

const char* ButtonKind(const ui::Button& b) {
  switch (b.type()) {
    case ui::Button::Type::kSwitch: return "checkbox";
    case ui::Button::Type::kRadio: return "radio";
    default: return "button";
  }
}

bool ParseIndex(const std::string& s, int* out) {
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), *out);
  return ec == std::errc() && p == s.data() + s.size();
}

// A table: "ROW" selects a row (-1 clears the selection); "COLUMN:ROW"
// clicks the row's cell in an editable column (a check box turns over).
bool OperateTable(ui::TableView* table, const std::string& value, std::string* error) {
  size_t colon = value.rfind(':');
  int row = -2;
  if (colon == std::string::npos) {
    if (!ParseIndex(value, &row) || row < -1 || row >= table->numberOfRows()) {
      *error = "no row " + value + " (the table has " + std::to_string(table->numberOfRows()) + " rows)";
      return false;
    }
    if (row != table->selectedRow() && !table->selectRow(row)) {
      *error = "the selection cannot change now";
      return false;
    }
    return true;
  }
  std::string column = value.substr(0, colon);
  const ui::TableView::Column* c = table->columnWithIdentifier(column);
  if (!ParseIndex(value.substr(colon + 1), &row) || row < 0 || row >= table->numberOfRows()) {
    *error = "no row " + value.substr(colon + 1) + " (the table has " +
             std::to_string(table->numberOfRows()) + " rows)";
    return false;
  }
  if (c == nullptr || !c->editable) {
    *error = "no editable column \"" + column + "\"";
    return false;
  }
  const platform::plist::Value now = table->dataSource()->objectValueForTableColumn(table, column, row);
  const int64_t* state = now.integer();
  table->editCell(column, row, platform::plist::Value(static_cast<int64_t>(state && *state != 0 ? 0 : 1)));
  return true;
}

}  // namespace

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
    for (const ui::View* v = control->superview(); v != nullptr; v = v->superview()) chain.insert(chain.begin(), v);
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

ordered_json DescribeObject(const std::string& name, ui::Object* object, const ui::View* panelView) {
  ordered_json j;
  j["outlet"] = name;
  if (auto* p = dynamic_cast<ui::PopUpButton*>(object)) {
    j["kind"] = "popup";
    ordered_json items = ordered_json::array();
    for (const auto& item : p->items())
      items.push_back({{"title", item.title}, {"representedObject", PlistToJson(item.representedObject)},
                       {"enabled", item.enabled}});
    j["items"] = items;
    j["selectedIndex"] = p->indexOfSelectedItem();
    j["selectedTitle"] = p->titleOfSelectedItem();
  } else if (auto* b = dynamic_cast<ui::Button*>(object)) {
    j["kind"] = ButtonKind(*b);
    j["title"] = b->title();
    if (b->type() != ui::Button::Type::kPush) j["state"] = b->state();
  } else if (auto* m = dynamic_cast<ui::Matrix*>(object)) {
    j["kind"] = "matrix";
    ordered_json cells = ordered_json::array();
    for (const auto& c : m->cells()) cells.push_back({{"title", c.title}, {"enabled", c.enabled}});
    j["cells"] = cells;
    j["selectedRow"] = m->selectedRow();
  } else if (auto* t = dynamic_cast<ui::TextField*>(object)) {
    bool label = !t->isEditable() && !t->isBezeled();
    j["kind"] = t->isSecure() ? "securefield" : label ? "label" : "textfield";
    j["text"] = t->isSecure() ? std::string(t->stringValue().size(), '*') : t->stringValue();
    j["textColor"] = t->textColor().name.empty() ? "custom" : t->textColor().name;
  } else if (auto* tab = dynamic_cast<ui::TabView*>(object)) {
    j["kind"] = "tabview";
    ordered_json labels = ordered_json::array();
    for (const auto& item : tab->tabViewItems()) labels.push_back(item.label);
    j["tabs"] = labels;
    j["selectedIndex"] = tab->indexOfSelectedTabViewItem();
  } else if (auto* table = dynamic_cast<ui::TableView*>(object)) {
    j["kind"] = "table";
    ordered_json columns = ordered_json::array();
    for (const auto& c : table->columns()) columns.push_back(c.identifier);
    j["columns"] = columns;
    // Every row with its column values, as the data source answers them.
    ordered_json rows = ordered_json::array();
    const int count = table->numberOfRows();
    for (int r = 0; r < count; ++r) {
      ordered_json row;
      for (const auto& c : table->columns())
        row[c.identifier] =
            PlistToJson(table->dataSource()->objectValueForTableColumn(table, c.identifier, r));
      rows.push_back(row);
    }
    j["rows"] = rows;
    j["selectedRow"] = table->selectedRow();
  } else if (auto* box = dynamic_cast<ui::Box*>(object)) {
    j["kind"] = "box";
    j["title"] = box->title();
  } else if (dynamic_cast<ui::View*>(object)) {
    j["kind"] = "view";
  } else {
    j["kind"] = "object";
  }
  j["class"] = object->className();
  if (auto* c = dynamic_cast<ui::Control*>(object)) j["enabled"] = c->isEnabled();
  if (auto* v = dynamic_cast<ui::View*>(object)) {
    j["hidden"] = v->isHidden();
    if (panelView != nullptr) j["onScreen"] = IsOnScreen(v, panelView);
  }
  return j;
}

std::string DescribeObjectText(const ordered_json& d) {
  std::string line = d["outlet"].get<std::string>() + " [" + d["kind"].get<std::string>() + "]";
  if (d.contains("title")) line += " title=\"" + d["title"].get<std::string>() + "\"";
  if (d.contains("text")) line += " text=\"" + d["text"].get<std::string>() + "\"";
  if (d.contains("state")) line += " state=" + std::to_string(d["state"].get<int>());
  if (d.contains("selectedIndex")) line += " selected=" + std::to_string(d["selectedIndex"].get<int>());
  if (d.contains("selectedRow")) line += " selectedRow=" + std::to_string(d["selectedRow"].get<int>());
  if (d.contains("enabled") && !d["enabled"].get<bool>()) line += " disabled";
  if (d.contains("hidden") && d["hidden"].get<bool>()) line += " hidden";
  auto list = [&](const char* key, const char* titleKey) {
    if (!d.contains(key)) return;
    int i = 0;
    for (const auto& item : d[key]) {
      line += "\n    " + std::to_string(i++) + ": ";
      if (item.is_string()) {
        line += item.get<std::string>();
        continue;
      }
      line += item[titleKey].get<std::string>();
      if (item.contains("representedObject") && item["representedObject"].is_string())
        line += " (" + item["representedObject"].get<std::string>() + ")";
      if (!item["enabled"].get<bool>()) line += " disabled";
    }
  };
  if (d["kind"] == "table") {
    int i = 0;
    for (const auto& row : d["rows"]) {
      line += "\n    " + std::to_string(i++) + ":";
      for (const auto& [column, value] : row.items())
        line +=
            " " + column + "=" + (value.is_string() ? "\"" + value.get<std::string>() + "\"" : value.dump());
    }
  }
  list("items", "title");
  list("cells", "title");
  list("tabs", "");
  return line;
}

bool OperateObject(ui::Object* object, const std::string& value, std::string* error, TextEntry entry) {
  auto* control = dynamic_cast<ui::Control*>(object);
  if (!control) {
    *error = "not a control";
    return false;
  }
  if (!control->isEnabled() || control->isHidden()) {
    *error = "the control is disabled";
    return false;
  }
  if (auto* p = dynamic_cast<ui::PopUpButton*>(control)) {
    int index = -1;
    if (!ParseIndex(value, &index)) index = p->indexOfItemWithTitle(value);
    if (index < 0 || index >= p->numberOfItems()) {
      *error = "no item \"" + value + "\" (the pop-up has " + std::to_string(p->numberOfItems()) + " items)";
      return false;
    }
    if (!p->isItemSelectable(index)) {
      *error = "item " + std::to_string(index) + " is disabled";
      return false;
    }
    p->selectItemAtIndex(index);
    control->sendAction();
    return true;
  }
  if (auto* b = dynamic_cast<ui::Button*>(control)) {
    if (b->type() == ui::Button::Type::kPush) {
      if (value != "press") {
        *error = "a push button takes \"press\"";
        return false;
      }
      b->performClick();
      return true;
    }
    if (b->type() == ui::Button::Type::kRadio) {
      b->performClick();
      return true;
    }
    int want;
    if (value == "on" || value == "1") want = ui::Button::kOnState;
    else if (value == "off" || value == "0") want = ui::Button::kOffState;
    else {
      *error = "a check box takes on or off";
      return false;
    }
    for (int i = 0; i < 3 && b->state() != want; ++i) b->performClick();
    return true;
  }
  if (auto* m = dynamic_cast<ui::Matrix*>(control)) {
    int row;
    if (!ParseIndex(value, &row) || row < 0 || row >= m->numberOfRows()) {
      *error = "no row " + value;
      return false;
    }
    if (!m->cells()[static_cast<size_t>(row)].enabled) {
      *error = "row " + value + " is disabled";
      return false;
    }
    m->performClickOnRow(row);
    return true;
  }
  if (auto* table = dynamic_cast<ui::TableView*>(control)) return OperateTable(table, value, error);
  if (auto* t = dynamic_cast<ui::TextField*>(control)) {
    if (!t->isEditable()) {
      *error = "the text field is not editable";
      return false;
    }
    if (entry == TextEntry::kPaste) {
      // Editing begins with the whole text selected; the paste replaces it.
      t->insertText(value);
      t->endEditing();
    } else {
      t->typeText(value);
    }
    control->sendAction();
    return true;
  }
  *error = std::string("cannot operate a ") + control->className();
  return false;
}

}  // namespace host
