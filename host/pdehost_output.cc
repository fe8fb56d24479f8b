#include "host/pdehost_output.h"

#include <iostream>

#include "host/display_text.h"

namespace host {

using nlohmann::ordered_json;

namespace {

ordered_json PlistToJson(const platform::plist::Value& v) {
  using platform::plist::Type;
  switch (v.type()) {
    case Type::kString:
      return *v.string();
    case Type::kInteger:
      return v.integer() ? ordered_json(*v.integer()) : ordered_json(*v.bigUnsigned());
    case Type::kReal:
      return *v.real();
    case Type::kBool:
      return *v.boolean();
    default:
      return nullptr;
  }
}

ordered_json Titles(const ControlState& s, bool withObjects) {
  ordered_json items = ordered_json::array();
  for (const auto& item : s.items) {
    if (withObjects)
      items.push_back({{"title", item.title},
                       {"representedObject", PlistToJson(item.representedObject)},
                       {"enabled", item.enabled}});
    else
      items.push_back({{"title", item.title}, {"enabled", item.enabled}});
  }
  return items;
}

// Every shown row with its column values, as the data source answers them.
ordered_json Rows(const ControlState& s) {
  ordered_json rows = ordered_json::array();
  for (const auto& cells : s.cells) {
    ordered_json row;
    for (size_t c = 0; c < s.columns.size() && c < cells.size(); ++c)
      row[s.columns[c].identifier] = PlistToJson(cells[c]);
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

void Out(const std::string& text) { std::cout << ShowableText(text); }

int Fail(const std::string& message) {
  std::cerr << "pdehost: " << ShowableText(message) << "\n";
  return 2;
}

ordered_json DescribeControl(const ControlState& s, std::optional<bool> onScreen) {
  ordered_json j;
  j["outlet"] = s.name;
  j["kind"] = KindName(s.kind);
  switch (s.kind) {
    case ControlKind::kPopUp: {
      j["items"] = Titles(s, true);
      j["selectedIndex"] = s.selected;
      const bool chosen = s.selected >= 0 && s.selected < static_cast<int>(s.items.size());
      j["selectedTitle"] = chosen ? s.items[static_cast<size_t>(s.selected)].title : "";
      break;
    }
    case ControlKind::kCheckBox:
    case ControlKind::kRadio:
      j["title"] = s.text;
      j["state"] = s.state;
      break;
    case ControlKind::kPushButton:
    case ControlKind::kBox:
      j["title"] = s.text;
      break;
    case ControlKind::kMatrix:
      j["cells"] = Titles(s, false);
      j["selectedRow"] = s.selected;
      break;
    case ControlKind::kLabel:
    case ControlKind::kTextField:
    case ControlKind::kSecureField:
      j["text"] = s.text;
      j["textColor"] = s.color.name.empty() ? "custom" : s.color.name;
      break;
    case ControlKind::kTabView: {
      ordered_json labels = ordered_json::array();
      for (const auto& item : s.items) labels.push_back(item.title);
      j["tabs"] = labels;
      j["selectedIndex"] = s.selected;
      break;
    }
    case ControlKind::kTable: {
      ordered_json columns = ordered_json::array();
      for (const auto& c : s.columns) columns.push_back(c.identifier);
      j["columns"] = columns;
      j["rows"] = Rows(s);
      j["selectedRow"] = s.selected;
      break;
    }
    case ControlKind::kView:
    case ControlKind::kObject:
      break;
  }
  j["class"] = s.className;
  if (s.isControl) j["enabled"] = s.enabled;
  if (s.kind != ControlKind::kObject) {
    j["hidden"] = s.hidden;
    if (onScreen) j["onScreen"] = *onScreen;
  }
  return j;
}

std::string DescribeControlText(const ordered_json& d) {
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

void PrintPanels(const ordered_json& panels, bool json) {
  if (json) {
    std::cout << ShowableJson(panels);
    return;
  }
  for (const auto& p : panels) {
    Out(p["name"].get<std::string>() + "\t" + p["kind"].get<std::string>() + "\n");
    for (const auto& k : p["supportedPPDOptionKeys"]) Out("  " + k.get<std::string>() + "\n");
  }
}

void PrintControls(const std::string& paneOnScreen, const ordered_json& controls, bool json) {
  if (json) {
    std::cout << ShowableJson(controls);
    return;
  }
  Out("on screen: " + paneOnScreen + "\n");
  for (const auto& d : controls) Out(DescribeControlText(d) + "\n");
}

void PrintWindow(const std::string& title, const ordered_json& controls, bool json) {
  if (json) {
    std::cout << ShowableJson({{"title", title}, {"controls", controls}});
    return;
  }
  Out("window \"" + title + "\"\n");
  for (const auto& d : controls) Out("  " + DescribeControlText(d) + "\n");
}

void PrintSummary(const ordered_json& summary, bool json) {
  if (json) {
    std::cout << ShowableJson(summary);
    return;
  }
  for (const auto& p : summary) {
    Out(p["panel"].get<std::string>() + "\n");
    for (const auto& i : p["items"])
      Out("  " + i["name"].get<std::string>() + ": " + i["value"].get<std::string>() + "\n");
  }
}

}  // namespace host
