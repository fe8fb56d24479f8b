// The host's core: one print-dialog session over a printer's PPD, its print
// settings and the loaded plug-ins' panels, driven in the order a print
// dialog drives them. The command-line front end (pdehost) and the tests sit
// on top of it.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/lpoptions.h"
#include "host/plugin_loader.h"
#include "host/print_options.h"
#include "host/settings_file.h"
#include "platform/printing_page_setup.h"
#include "platform/ui/window.h"

namespace host {

struct DialogOptions {
  std::string ppdPath;       // offline printer from a PPD file …
  std::string printerName;   // … or a CUPS destination (wins when set)
  std::string deviceURI;     // device URI of the offline printer
  std::string settingsPath;  // print ticket file; "" for none
  std::string pluginsDir;    // folder of *.plugin bundles
  // Paper, orientation, scale-to (default: the PPD's default paper, portrait).
  platform::PageSetup pageSetup;
  // A host that answers modal runs for a user (a graphical dialog); the
  // dialog still records alerts before handing each run on. nullptr: none.
  platform::ui::ModalHost* modalHost = nullptr;
};

// Answers modal runs without a user: alerts are recorded (their text is the
// reason a panel refuses printing) and answered with the next of
// alertAnswers (a button's title, or its number counted from 1), else with
// their default (first) button. An answer that names no button of the alert
// is recorded as such and the default button answers.
// A window runs while windowDriver performs the user's next action and
// answers true, until one of its actions stops it; without a driver, or when
// the driver has nothing more to do, it is cancelled. Open panels take the
// next of openPanelAnswers ("" or "cancel" cancels; none left cancels).
// With a forward host, every run is handed on to it instead, after an
// alert is recorded.
class RecordingModalHost : public platform::ui::ModalHost {
 public:
  platform::ui::ModalHost* forward = nullptr;
  int runModalForWindow(platform::ui::Window& window) override;
  int runAlert(const platform::ui::Alert& alert) override;
  int runOpenPanel(platform::ui::OpenPanel& panel) override;
  struct RecordedAlert {
    std::string text;                  // message, then ": " and the informative text
    std::vector<std::string> buttons;  // as the alert shows them (at least "OK")
    size_t answered = 0;               // index of the button that answered
    std::string unknownAnswer;         // an answer that named no button, else ""
  };
  std::vector<RecordedAlert> alerts;
  std::deque<std::string> alertAnswers;
  std::function<bool(platform::ui::Window&)> windowDriver;
  std::deque<std::string> openPanelAnswers;
  // The window being run (the innermost), or nullptr.
  platform::ui::Window* openWindow = nullptr;
};

class Dialog : public pde::HostCallback {
 public:
  struct PanelEntry {
    std::string plugin;
    std::unique_ptr<pde::Panel> panel;
    platform::ui::View* view = nullptr;  // what panelView answered
  };

  // Opens the session, reads the settings file (if it exists), takes a
  // destination's defaults as `lp` would (its lpoptions over the PPD's: their
  // PPD choices marked, and stored in the ticket where the settings file has
  // none), loads every bundle, asks each for its panels, then loads
  // (panelView), restores and shows (willShow) each panel. A destination
  // without a PPD (a raw queue) opens with no panels. nullptr and *error when
  // the printer, the settings file or a bundle fail, or the page set-up
  // names a paper the PPD does not offer (a page size it lacks, a custom
  // size outside its ranges); *pageSetupRefused (when given) tells the last
  // case apart.
  static std::unique_ptr<Dialog> Open(const DialogOptions& options, std::string* error,
                                      bool* pageSetupRefused = nullptr);
  // Open in two halves, for a host that shows each panel as it comes (a
  // panelView may wait for the printer): Create does everything up to the
  // panels, none of them loaded (view nullptr); loadPanel then loads,
  // restores and shows one, in the order of panels().
  static std::unique_ptr<Dialog> Create(const DialogOptions& options, std::string* error,
                                        bool* pageSetupRefused = nullptr);
  void loadPanel(PanelEntry& entry);
  ~Dialog() override;  // terminate, then release panels and plug-ins

  // pde::HostCallback
  platform::PrintSettings* printSettings() override { return &settings_; }
  platform::PrintSession* printSession() override { return session_.get(); }
  platform::PageFormat* pageFormat() override { return &pageFormat_; }
  ppd_file_t* ppdFile() override { return session_ ? session_->ppd() : nullptr; }
  platform::ui::ModalHost* panelModalHost() override { return &modal_; }
  platform::NotificationCenter* notificationCenter() override { return &notifications_; }

  std::vector<PanelEntry>& panels() { return panels_; }
  // A panel by kind or by name; nullptr when none matches.
  pde::Panel* findPanel(const std::string& nameOrKind);
  PanelEntry* findEntry(const std::string& nameOrKind);

  // Every panel saves its values; then the settings file is written.
  bool save(std::string* error);
  // One panel saves its values into the ticket, as when the person leaves it
  // for another panel or the summary. The settings file waits for save() or
  // print(): a dialog that is cancelled writes nothing.
  bool savePanel(pde::Panel* panel, std::string* error);
  // Asks every panel whether to print, then saves. False and *reason when a
  // panel refuses (its alert text, or the panel's name; *refused true) or the
  // settings file cannot be written (*refused false).
  bool print(std::string* reason, bool* refused = nullptr);

  // What a person does elsewhere in the dialog. Switching to another panel
  // asks the panel on screen shouldHide; coming back calls willShow.
  bool shouldHide(pde::Panel* panel) { return panel->shouldHide(); }
  void willShow(pde::Panel* panel) { panel->willShow(); }
  // Another panel changes a PPD option: the choice is marked in the PPD and
  // stored in the ticket, every panel hears of it, and the settings file is
  // written. False and *error for an option or choice the PPD lacks.
  bool changePpdOption(const std::string& option, const std::string& choice, std::string* error);
  // The same without writing the settings file (a dialog writes it on Print).
  bool markPpdOption(const std::string& option, const std::string& choice, std::string* error);
  // The person changes the page set-up while the dialog is open: the paper,
  // orientation and scale-to request change, the panels hear that the paper
  // changed, and the settings file is written. False and *error (nothing
  // changed) for a paper the PPD does not offer (a page size it lacks, a
  // custom size outside its ranges) or an unwritable file.
  bool changePageSetup(const platform::PageSetup& setup, std::string* error);
  // The same without writing the settings file; the paper is also marked in
  // the PPD and replaces a PageSize the ticket holds.
  bool applyPageSetup(const platform::PageSetup& setup, std::string* error);
  // "Save as defaults for this printer": every panel saves (the settings
  // file is written), then the options that may be defaults
  // (DefaultableOptions) go onto the destination's line of the user's
  // lpoptions (SaveQueueDefaults). *saved: those options. False and *error
  // without a CUPS destination, or when a save or the write fails.
  bool saveDefaults(JobOptions* saved, std::string* error);
  // The print settings' string entries (the job's CUPS options), sorted by key.
  std::vector<std::pair<std::string, std::string>> ticketOptions() const;
  // Submits a file to the CUPS destination with the ticket's options.
  bool submit(const std::string& file, std::string* error);

  const DialogOptions& options() const { return options_; }
  // The standard options the destination's defaults ask for (see Open).
  const PrintOptions& printDefaults() const { return printDefaults_; }
  RecordingModalHost& modalHost() { return modal_; }

 private:
  Dialog() = default;
  bool writeSettings(std::string* error);

  void applyDestinationDefaults();

  DialogOptions options_;
  PrintOptions printDefaults_;
  platform::PrintSettings settings_;
  std::optional<SettingsFile> settingsFile_;
  std::unique_ptr<platform::PrintSession> session_;
  platform::PageFormat pageFormat_;
  std::vector<std::unique_ptr<LoadedPlugIn>> plugins_;  // outlive the panels
  std::vector<PanelEntry> panels_;
  RecordingModalHost modal_;
  platform::NotificationCenter notifications_;  // outlives the panels that observe it
};

}  // namespace host
