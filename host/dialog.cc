#include "host/dialog.h"

#include <cups/cups.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <iostream>

#include "platform/ppd.h"

namespace host {

namespace ui = platform::ui;

int RecordingModalHost::runModalForWindow(ui::Window& window) {
  if (forward) return forward->runModalForWindow(window);
  ui::Window* outer = openWindow;
  openWindow = &window;
  bool acting = static_cast<bool>(windowDriver);
  while (acting && !stopRequested(window)) acting = windowDriver(window);
  openWindow = outer;
  return stopRequested(window) ? stopCode(window) : ui::kModalResponseCancel;
}

int RecordingModalHost::runAlert(const ui::Alert& alert) {
  RecordedAlert r;
  r.text = alert.messageText;
  if (!alert.informativeText.empty()) r.text += (r.text.empty() ? "" : ": ") + alert.informativeText;
  // An alert given no button shows the toolkit's "OK".
  r.buttons = alert.buttons.empty() ? std::vector<std::string>{"OK"} : alert.buttons;
  if (forward) {
    // A graphical host asks the person; the answer is recorded all the same.
    const int rc = forward->runAlert(alert);
    const int index = rc - ui::kAlertFirstButtonReturn;
    if (index >= 0 && static_cast<size_t>(index) < r.buttons.size()) r.answered = static_cast<size_t>(index);
    alerts.push_back(r);
    return rc;
  }
  if (!alertAnswers.empty()) {
    std::string answer = std::move(alertAnswers.front());
    alertAnswers.pop_front();
    auto named = std::find(r.buttons.begin(), r.buttons.end(), answer);
    size_t number = 0;
    auto [end, ec] = std::from_chars(answer.data(), answer.data() + answer.size(), number);
    if (named != r.buttons.end())
      r.answered = static_cast<size_t>(named - r.buttons.begin());
    else if (ec == std::errc() && end == answer.data() + answer.size() && number >= 1 &&
             number <= r.buttons.size())
      r.answered = number - 1;
    else
      r.unknownAnswer = std::move(answer);
  }
  alerts.push_back(r);
  return ui::kAlertFirstButtonReturn + static_cast<int>(alerts.back().answered);
}

int RecordingModalHost::runOpenPanel(ui::OpenPanel& panel) {
  if (forward) return forward->runOpenPanel(panel);
  if (openPanelAnswers.empty()) return ui::kModalResponseCancel;
  std::string answer = std::move(openPanelAnswers.front());
  openPanelAnswers.pop_front();
  if (answer.empty() || answer == "cancel") return ui::kModalResponseCancel;
  panel.paths = {answer};
  return ui::kModalResponseOK;
}

std::unique_ptr<Dialog> Dialog::Create(const DialogOptions& options, std::string* error,
                                       bool* pageSetupRefused) {
  if (pageSetupRefused) *pageSetupRefused = false;
  std::unique_ptr<Dialog> d(new Dialog());
  d->options_ = options;
  d->session_ = options.printerName.empty()
                    ? platform::PrintSession::FromPpdFile(options.ppdPath, options.deviceURI, error)
                    : platform::PrintSession::FromDestination(options.printerName, error);
  if (!d->session_) return nullptr;
  d->pageFormat_ = d->session_->defaultPageFormat();
  if (!options.settingsPath.empty()) {
    d->settingsFile_ = SettingsFile::Open(options.settingsPath, &d->settings_, error);
    if (!d->settingsFile_) return nullptr;
  }
  if (!options.printerName.empty()) d->applyDestinationDefaults();
  if (!platform::CheckCustomSizes(*d->session_, options.pageSetup, error) ||
      !platform::ApplyPageSetup(*d->session_, options.pageSetup, &d->pageFormat_, &d->settings_, error)) {
    if (pageSetupRefused) *pageSetupRefused = true;
    return nullptr;
  }
  d->modal_.forward = options.modalHost;
  ui::SetModalHost(&d->modal_);
  if (!d->ppdFile()) return d;  // a raw queue: no PPD for the panels to work on
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
  return d;
}

void Dialog::loadPanel(PanelEntry& entry) {
  entry.view = entry.panel->panelView();
  std::string ignored;
  entry.panel->restoreValuesAndReturnError(&ignored);
  entry.panel->willShow();
}

std::unique_ptr<Dialog> Dialog::Open(const DialogOptions& options, std::string* error,
                                     bool* pageSetupRefused) {
  std::unique_ptr<Dialog> d = Create(options, error, pageSetupRefused);
  if (d)
    for (auto& entry : d->panels_) d->loadPanel(entry);
  return d;
}

void Dialog::applyDestinationDefaults() {
  ppd_file_t* file = ppdFile();
  DestinationDefaults defaults = ReadDestinationDefaults(file, DestinationOptions(options_.printerName));
  printDefaults_ = defaults.print;
  pageFormat_.setOrientation(defaults.print.orientation);
  for (const auto& [key, choice] : defaults.ppdChoices) {
    if (key == "PageSize") {  // the page format's paper, as the dialog shows it
      if (auto paper = session_->paperForName(choice)) pageFormat_.setPaper(std::move(*paper));
      continue;
    }
    platform::ppd::MarkOption(file, key.c_str(), choice.c_str());
    const platform::plist::Value* held = nullptr;
    if (settings_.getValue(key, &held) != platform::noErr)
      settings_.setValue(key, platform::plist::Value(choice));
  }
}

Dialog::~Dialog() {
  for (auto& entry : panels_) entry.panel->terminate();
  panels_.clear();
  plugins_.clear();
  if (ui::GetModalHost() == &modal_) ui::SetModalHost(nullptr);
}

Dialog::PanelEntry* Dialog::findEntry(const std::string& nameOrKind) {
  for (auto& entry : panels_)
    if (entry.panel->panelKind() == nameOrKind || entry.panel->panelName() == nameOrKind) return &entry;
  return nullptr;
}

pde::Panel* Dialog::findPanel(const std::string& nameOrKind) {
  PanelEntry* entry = findEntry(nameOrKind);
  return entry ? entry->panel.get() : nullptr;
}

bool Dialog::writeSettings(std::string* error) {
  std::string notice;
  if (settingsFile_ && !settingsFile_->write(settings_, error, &notice)) return false;
  // No failure, but the person should know: a line on standard error.
  if (!notice.empty()) std::cerr << program_invocation_short_name << ": " << notice << "\n";
  return true;
}

bool Dialog::save(std::string* error) {
  for (auto& entry : panels_) {
    if (!entry.panel->saveValuesAndReturnError(error)) return false;
  }
  return writeSettings(error);
}

bool Dialog::savePanel(pde::Panel* panel, std::string* error) {
  return panel->saveValuesAndReturnError(error);
}

bool Dialog::print(std::string* reason, bool* refused) {
  if (refused) *refused = false;
  // Every panel checks before any saves: a save switches off a feature whose
  // required entry is missing, which would hide the refusal.
  for (auto& entry : panels_) {
    size_t before = modal_.alerts.size();
    if (!entry.panel->shouldPrint()) {
      *reason = modal_.alerts.size() > before ? modal_.alerts.back().text
                                              : entry.panel->panelName() + " refused printing";
      if (refused) *refused = true;
      return false;
    }
  }
  return save(reason);
}

bool Dialog::changePpdOption(const std::string& option, const std::string& choice, std::string* error) {
  return markPpdOption(option, choice, error) && writeSettings(error);
}

bool Dialog::markPpdOption(const std::string& option, const std::string& choice, std::string* error) {
  ppd_file_t* ppd = ppdFile();
  ppd_option_t* o = platform::ppd::FindOption(ppd, option.c_str());
  if (o == nullptr || platform::ppd::FindChoice(o, choice.c_str()) == nullptr) {
    *error = o == nullptr ? "the PPD has no option \"" + option + "\""
                          : "the PPD's option \"" + option + "\" has no choice \"" + choice + "\"";
    return false;
  }
  platform::ppd::MarkOption(ppd, option.c_str(), choice.c_str());
  settings_.setValue(option, platform::plist::Value(choice));
  for (auto& entry : panels_) entry.panel->PPDOptionKeyValueDidChange(option, choice);
  return true;
}

bool Dialog::changePageSetup(const platform::PageSetup& setup, std::string* error) {
  if (!platform::CheckCustomSizes(*session_, setup, error) ||
      !platform::ApplyPageSetup(*session_, setup, &pageFormat_, &settings_, error))
    return false;
  notifications_.post(platform::kPaperDidChangeNotification);
  return writeSettings(error);
}

bool Dialog::saveDefaults(JobOptions* saved, std::string* error) {
  saved->clear();
  if (options_.printerName.empty()) {
    *error = "defaults are saved for a CUPS printer only";
    return false;
  }
  if (!save(error)) return false;
  std::vector<std::string> keys;
  for (auto& entry : panels_)
    for (auto& k : entry.panel->supportedPPDOptionKeys()) keys.push_back(k);
  *saved = DefaultableOptions(ppdFile(), ticketOptions(), keys);
  return SaveQueueDefaults(LpoptionsPath(), options_.printerName, *saved, error);
}

bool Dialog::applyPageSetup(const platform::PageSetup& setup, std::string* error) {
  if (!platform::ApplyPageSetup(*session_, setup, &pageFormat_, &settings_, error)) return false;
  const std::string& paper = pageFormat_.paper().id;
  if (ppd_file_t* ppd = ppdFile(); ppd && !paper.empty())
    platform::ppd::MarkOption(ppd, "PageSize", paper.c_str());
  const platform::plist::Value* held = nullptr;
  if (settings_.getValue("PageSize", &held) == platform::noErr && !paper.empty())
    settings_.setValue("PageSize", platform::plist::Value(paper));
  notifications_.post(platform::kPaperDidChangeNotification);
  return true;
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
