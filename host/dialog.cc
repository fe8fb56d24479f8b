#include "host/dialog.h"

#include <cups/cups.h>

namespace host {

namespace ui = platform::ui;

int RecordingModalHost::runModalForWindow(ui::Window& window) {
  return forward ? forward->runModalForWindow(window) : ui::kModalResponseCancel;
}

int RecordingModalHost::runAlert(const ui::Alert& alert) {
  std::string text = alert.messageText;
  if (!alert.informativeText.empty()) text += (text.empty() ? "" : ": ") + alert.informativeText;
  alerts.push_back(text);
  return forward ? forward->runAlert(alert) : ui::kAlertFirstButtonReturn;
}

int RecordingModalHost::runOpenPanel(ui::OpenPanel& panel) {
  return forward ? forward->runOpenPanel(panel) : ui::kModalResponseCancel;
}

std::unique_ptr<Dialog> Dialog::Open(const DialogOptions& options, std::string* error) {
  std::unique_ptr<Dialog> d(new Dialog());
  d->options_ = options;
  d->session_ = options.printerName.empty()
                    ? platform::PrintSession::FromPPDFile(options.ppdPath, options.deviceURI, error)
                    : platform::PrintSession::FromDestination(options.printerName, error);
  if (!d->session_) return nullptr;
  d->pageFormat_ = d->session_->defaultPageFormat();
  if (!options.settingsPath.empty() && d->settings_.loadFromFile(options.settingsPath) != platform::noErr) {
    *error = options.settingsPath + ": not a print settings file (an XML property-list dictionary)";
    return nullptr;
  }
  d->modal_.forward = options.modalHost;
  ui::SetModalHost(&d->modal_);
  auto bundles = FindBundles(options.pluginsDir);
  if (bundles.empty()) {
    *error = "no plug-in bundles (*.plugin) in " + options.pluginsDir;
    return nullptr;
  }
  for (const std::string& dir : bundles) {
    auto loaded = LoadedPlugIn::Load(dir, error);
    if (!loaded) return nullptr;
    auto panels = loaded->plugIn()->PDEPanelsForType(pde::kPrinterDriverPaneType, d.get());
    if (panels)
      for (auto& p : *panels) d->panels_.push_back({loaded->name(), std::move(p)});
    d->plugins_.push_back(std::move(loaded));
  }
  for (auto& entry : d->panels_) {
    entry.view = entry.panel->panelView();
    std::string ignored;
    entry.panel->restoreValuesAndReturnError(&ignored);
  }
  return d;
}

Dialog::~Dialog() {
  for (auto& entry : panels_) entry.panel->terminate();
  panels_.clear();
  plugins_.clear();
  if (ui::GetModalHost() == &modal_) ui::SetModalHost(nullptr);
}

pde::Panel* Dialog::findPanel(const std::string& nameOrKind) {
  for (auto& entry : panels_)
    if (entry.panel->panelKind() == nameOrKind || entry.panel->panelName() == nameOrKind) return entry.panel.get();
  return nullptr;
}

bool Dialog::writeSettings(std::string* error) {
  if (options_.settingsPath.empty()) return true;
  if (settings_.saveToFile(options_.settingsPath) == platform::noErr) return true;
  *error = "cannot write " + options_.settingsPath;
  return false;
}

bool Dialog::save(std::string* error) {
  for (auto& entry : panels_) {
    if (!entry.panel->saveValuesAndReturnError(error)) return false;
  }
  return writeSettings(error);
}

bool Dialog::print(std::string* reason) {
  if (!save(reason)) return false;
  for (auto& entry : panels_) {
    size_t before = modal_.alerts.size();
    if (!entry.panel->shouldPrint()) {
      *reason = modal_.alerts.size() > before ? modal_.alerts.back()
                                              : entry.panel->panelName() + " refused printing";
      return false;
    }
  }
  return writeSettings(reason);
}

std::vector<std::pair<std::string, std::string>> Dialog::ticketOptions() const {
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& [key, value] : settings_.entries())
    if (const std::string* s = value.string()) out.emplace_back(key, *s);
  return out;
}

bool Dialog::submit(const std::string& file, std::string* error) {
  if (options_.printerName.empty()) {
    *error = "submitting a job needs --printer";
    return false;
  }
  cups_option_t* opts = nullptr;
  int n = 0;
  for (const auto& [key, value] : ticketOptions()) n = cupsAddOption(key.c_str(), value.c_str(), n, &opts);
  int job = cupsPrintFile(options_.printerName.c_str(), file.c_str(), file.c_str(), n, opts);
  cupsFreeOptions(n, opts);
  if (job == 0) {
    *error = std::string("CUPS refused the job: ") + cupsLastErrorString();
    return false;
  }
  return true;
}

}  // namespace host
