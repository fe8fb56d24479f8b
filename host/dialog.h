// The host's core: one print-dialog session over a printer's PPD, its print
// settings and the loaded plug-ins' panels, driven in the order a print
// dialog drives them. The command-line front end (pdehost) and the tests sit
// on top of it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/plugin_loader.h"
#include "platform/ui/window.h"

namespace host {

struct DialogOptions {
  std::string ppdPath;       // offline printer from a PPD file …
  std::string printerName;   // … or a CUPS destination (wins when set)
  std::string deviceURI;     // device URI of the offline printer
  std::string settingsPath;  // print ticket file; "" for none
  std::string pluginsDir;    // folder of *.plugin bundles
  // A host that answers modal runs for a user (a graphical dialog); the
  // dialog still records alerts before handing each run on. nullptr: none.
  platform::ui::ModalHost* modalHost = nullptr;
};

// Answers modal runs without a user: alerts are recorded (their text is the
// reason a panel refuses printing) and answered with their first button;
// windows and open panels are cancelled. With a forward host, every run is
// handed on to it instead, after the alert is recorded.
class RecordingModalHost : public platform::ui::ModalHost {
 public:
  platform::ui::ModalHost* forward = nullptr;
  int runModalForWindow(platform::ui::Window& window) override;
  int runAlert(const platform::ui::Alert& alert) override;
  int runOpenPanel(platform::ui::OpenPanel& panel) override;
  std::vector<std::string> alerts;
};

class Dialog : public pde::HostCallback {
 public:
  struct PanelEntry {
    std::string plugin;
    std::unique_ptr<pde::Panel> panel;
    platform::ui::View* view = nullptr;  // what panelView answered when the dialog opened
  };

  // Opens the session, reads the settings file (if it exists), loads every
  // bundle, asks each for its panels, then shows (panelView) and restores each
  // panel. nullptr and *error when the printer, settings or a bundle fail.
  static std::unique_ptr<Dialog> Open(const DialogOptions& options, std::string* error);
  ~Dialog() override;  // terminate, then release panels and plug-ins

  // pde::HostCallback
  platform::PrintSettings* printSettings() override { return &settings_; }
  platform::PrintSession* printSession() override { return session_.get(); }
  platform::PageFormat* pageFormat() override { return &pageFormat_; }
  ppd_file_t* ppdFile() override { return session_ ? session_->ppd() : nullptr; }

  std::vector<PanelEntry>& panels() { return panels_; }
  // A panel by kind or by name; nullptr when none matches.
  pde::Panel* findPanel(const std::string& nameOrKind);

  // Every panel saves its values; then the settings file is written.
  bool save(std::string* error);
  // Saves, then asks every panel whether to print. False and *reason when a
  // panel refuses (its alert text, or the panel's name).
  bool print(std::string* reason);
  // The print settings' string entries (the job's CUPS options), sorted by key.
  std::vector<std::pair<std::string, std::string>> ticketOptions() const;
  // Submits a file to the CUPS destination with the ticket's options.
  bool submit(const std::string& file, std::string* error);

  const DialogOptions& options() const { return options_; }
  RecordingModalHost& modalHost() { return modal_; }

 private:
  Dialog() = default;
  bool writeSettings(std::string* error);

  DialogOptions options_;
  platform::PrintSettings settings_;
  std::unique_ptr<platform::PrintSession> session_;
  platform::PageFormat pageFormat_;
  std::vector<std::unique_ptr<LoadedPlugIn>> plugins_;  // outlive the panels
  std::vector<PanelEntry> panels_;
  RecordingModalHost modal_;
};

}  // namespace host
