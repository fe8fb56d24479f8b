// A test plug-in whose one panel holds every control kind the dialog renders:
// a pop-up with a disabled item, a three-state check box, a radio matrix, a
// filtering text field (the yen sign never enters it), a secure field, tabs,
// a box, buttons for a slow call, an alert, a modal window with a table, and
// an open panel. Printing needs a password. It counts the threads it is
// called on, which the summary shows.
// With VN_WIDGETPANE_GATE naming a folder, calls can be held until the test
// creates "open" in it: the Block button waits there, the Helper button runs
// the folder's "bridgetool" (a stub that waits for it) as a walk request, and
// loading the panel waits while "hold-view" exists. A folder that went away
// opens the gate.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include "host/plugin_api.h"
#include "platform/process.h"
#include "platform/ui/nib.h"
#include "platform/ui/window.h"

namespace widgetpane {

namespace ui = platform::ui;

std::unique_ptr<platform::Bundle> g_bundle;

std::filesystem::path Gate() {
  const char* dir = std::getenv("VN_WIDGETPANE_GATE");
  return dir ? dir : "";
}

void WaitForGate() {
  while (std::filesystem::is_directory(Gate()) && !std::filesystem::exists(Gate() / "open"))
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// Drops every yen sign as it is typed, keeping the caret where it was.
class FilteredField : public ui::TextField {
 public:
  const char* className() const override { return "FilteredField"; }
  void textDidChange(ui::FieldEditor* editor) override {
    std::u16string s = editor->string();
    auto r = editor->selectedRange();
    size_t at;
    while ((at = s.find(u'\u00A5')) != std::u16string::npos) {
      s.erase(at, 1);
      if (static_cast<int>(at) < r.location) --r.location;
    }
    if (s != editor->string()) {
      editor->setString(s);
      editor->setSelectedRange(r);
    }
  }
};

class WidgetPanel : public pde::Panel, public ui::Object, public ui::TableViewDataSource {
 public:
  explicit WidgetPanel(pde::HostCallback* host) : host_(host) {
    // This bundle's copy of the platform layer answers modal runs through the host.
    if (ui::ModalHost* modal = host->panelModalHost()) ui::SetModalHost(modal);
  }

  std::string panelName() override { return touch(), "Widget Test"; }
  std::string panelKind() override { return "test.widgetpane"; }
  ui::View* panelView() override {
    touch();
    if (std::filesystem::exists(Gate() / "hold-view")) WaitForGate();
    load();
    return nib_ ? nib_->topView() : nullptr;
  }
  std::vector<std::string> supportedPPDOptionKeys() override {
    touch();
    return {"PrintModeVN420P", "UserName", "UserPass"};
  }
  void willShow() override { touch(); }
  bool shouldHide() override { return touch(), true; }
  bool restoreValuesAndReturnError(std::string*) override { return touch(), load(), true; }
  bool saveValuesAndReturnError(std::string* error) override {
    touch();
    if (find<ui::TextField>("field_UserName")->stringValue() == "!") {
      *error = "the user name \"!\" cannot be saved";
      return false;
    }
    platform::PrintSettings* s = host_->printSettings();
    s->setValue("PrintModeVN420P", mode()->indexOfSelectedItem() == 1 ? "SecurePrint" : "Normal");
    s->setValue("UserName", find<ui::TextField>("field_UserName")->stringValue());
    s->setValue("UserPass", "secret-" + find<ui::TextField>("field_Password")->stringValue());
    s->setValue("HVEdgeType", "secret-free-text");
    return true;
  }
  platform::plist::Dict summaryInfo() override {
    touch();
    platform::plist::Dict d;
    d["Mode"] = mode()->titleOfSelectedItem();
    d["Threads"] = std::to_string(threads_.size());
    d[pde::kSummaryDisplayOrderKey] = platform::plist::Array{"Mode", "Threads"};
    return d;
  }
  bool shouldPrint() override {
    touch();
    if (!find<ui::TextField>("field_Password")->stringValue().empty()) return true;
    ui::Alert alert;
    alert.messageText = "A password is required.";
    alert.addButtonWithTitle("OK");
    alert.runModal();
    return false;
  }
  void PPDOptionKeyValueDidChange(const std::string&, const std::string&) override { touch(); }
  void terminate() override { touch(); }
  std::vector<std::pair<std::string, ui::Object*>> namedObjects() override {
    std::vector<std::pair<std::string, ui::Object*>> out;
    if (nib_)
      for (const auto& o : nib_->objects())
        if (!o->objectName().empty()) out.emplace_back(o->objectName(), o.get());
    return out;
  }

  bool performAction(std::string_view selector, ui::Object*) override {
    touch();
    if (selector == "slow:") {
      std::this_thread::sleep_for(std::chrono::milliseconds(700));
      result("slow done");
    } else if (selector == "alert:") {
      ui::Alert alert;
      alert.messageText = "Continue?";
      alert.addButtonWithTitle("Yes");
      alert.addButtonWithTitle("No");
      result("alert " + std::to_string(alert.runModal()));
    } else if (selector == "window:") {
      auto* w = find<ui::Window>("window_Manage");
      result("window " + std::to_string(w->runModal()));
    } else if (selector == "ok:") {
      find<ui::Window>("window_Manage")->stopModal(ui::kModalResponseOK);
    } else if (selector == "open:") {
      ui::OpenPanel panel;
      panel.allowedFileTypes = {"icc"};
      int code = panel.runModal();
      result("open " + std::to_string(code) + (panel.paths.empty() ? "" : " " + panel.paths[0]));
    } else if (selector == "block:") {
      WaitForGate();
      result("block done");
    } else if (selector == "helper:") {
      const std::string tool = (Gate() / "bridgetool").string();
      platform::TaskResult r;
      platform::RunTask(tool, {tool, "mibwalk_XPC", "127.0.0.1"}, &r);
      result("helper done");
    } else if (selector == "changed:") {
      result("changed");
    } else {
      return false;
    }
    return true;
  }

  // TableViewDataSource: names that can be edited, and whether each is shown.
  int numberOfRowsInTableView(ui::TableView*) override { return touch(), static_cast<int>(names_.size()); }
  platform::plist::Value objectValueForTableColumn(ui::TableView*, std::string_view column, int row) override {
    touch();
    if (column == "name") return names_[static_cast<size_t>(row)];
    return row % 2 == 0;
  }
  void setObjectValue(ui::TableView*, const platform::plist::Value& v, std::string_view column, int row) override {
    touch();
    if (column == "name" && v.string()) names_[static_cast<size_t>(row)] = *v.string();
  }

 private:
  template <class T>
  T* find(std::string_view name) const {
    return nib_ ? nib_->find<T>(name) : nullptr;
  }
  ui::PopUpButton* mode() const { return find<ui::PopUpButton>("menu_Mode"); }
  void result(const std::string& text) { find<ui::TextField>("text_Result")->setStringValue(text); }
  void touch() {
    std::lock_guard<std::mutex> lock(mu_);
    threads_.insert(std::this_thread::get_id());
  }
  void load() {
    if (nib_ || !g_bundle) return;
    ui::ClassRegistry classes;
    classes.add("FilteredField", [] { return std::make_unique<FilteredField>(); });
    std::string error;
    nib_ = ui::Nib::Load(*g_bundle, "WidgetPane", this, classes, &error);
    if (!nib_) return;
    mode()->setAutoenablesItems(false);
    mode()->itemAtIndex(2)->enabled = false;
    find<ui::TextField>("text_Password")->setTextColor(ui::Color::red());
  }

  pde::HostCallback* host_;
  std::unique_ptr<ui::Nib> nib_;
  std::vector<std::string> names_{"Alpha", "Beta", "Gamma"};
  std::mutex mu_;
  std::set<std::thread::id> threads_;
};

class WidgetPlugIn : public pde::PlugIn {
 public:
  bool initWithBundle(const platform::Bundle& bundle) override {
    if (!g_bundle) g_bundle = std::make_unique<platform::Bundle>(bundle);
    return true;
  }
  std::optional<std::vector<std::unique_ptr<pde::Panel>>> PDEPanelsForType(const std::string& type,
                                                                         pde::HostCallback* host) override {
    if (type != pde::kPrinterDriverPaneType) return std::nullopt;
    std::vector<std::unique_ptr<pde::Panel>> panels;
    panels.push_back(std::make_unique<WidgetPanel>(host));
    return panels;
  }
};

}  // namespace widgetpane

extern "C" __attribute__((visibility("default"))) pde::PlugIn* PDECreatePlugIn() {
  return new widgetpane::WidgetPlugIn();
}
