// The dialog's session: the host core (host::Dialog) living on the plug-in
// thread, driven by the window. Every plug-in call — opening, user actions,
// panel switches, print, save-as-defaults — is posted to the plug-in thread;
// after each call the session captures every panel, its summary and any
// modal window, and hands that picture to the window's thread through
// `deliver`, which the window sets to run a callback in its own event loop.
// Opening hands on a picture as soon as the panels are known and after each
// panel loads, so the window can list them while a slow one loads.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "gui/activity.h"
#include "gui/cups_jobs.h"
#include "gui/destinations.h"
#include "gui/plugin_thread.h"
#include "host/control_snapshot.h"
#include "host/dialog.h"
#include "host/print_options.h"
#include "host/user_action.h"

namespace gui {

struct PaperChoice {
  std::string id, name;
};

// What the window needs of an opened session besides the controls.
struct SessionInfo {
  bool ok = false;
  std::string error;        // why opening failed
  std::string printerName;  // CUPS destination; "" in the offline PPD mode
  std::string printerId;
  std::vector<PaperChoice> papers;
  std::string paper;  // the page format's paper id
  bool hasPpd = false;               // false: a raw queue
  Destination destination;           // its state; name only offline
  host::PrintOptions printDefaults;  // what the destination's defaults ask for
  std::optional<host::CustomSizeLimits> customLimits;
  std::vector<std::string> otherOptions;  // PPD options no panel owns
};

struct PanelPicture {
  std::string name, kind;
  bool loaded = false;  // its view is there (the rest is empty until then)
  host::ControlState view;
  std::vector<std::pair<std::string, std::string>> summary;  // in display order
};

struct WindowPicture {
  std::uintptr_t id = 0;
  std::string title;
  host::ControlState content;
};

struct Picture {
  std::vector<PanelPicture> panels;
  std::vector<WindowPicture> windows;  // modal windows, outermost first
  // Duplex, InputSlot and the other options as the job would mark them, and
  // the options then in conflict.
  std::vector<host::PpdOptionInfo> ppdOptions;
  std::vector<std::string> conflicts;
};

// The outcome of Print or of save-as-defaults, in words for the window.
struct Outcome {
  bool ok = false;
  bool refusedByPanel = false;  // a panel's shouldPrint said no (its alert was shown)
  int jobId = 0;
  std::string message;
  Options options;  // what went to CUPS
};

// Answers a modal run on the window's thread; the plug-in thread waits.
class UserInterface {
 public:
  virtual ~UserInterface() = default;
  virtual int showAlert(const platform::ui::Alert& alert) = 0;
  virtual int showOpenPanel(platform::ui::OpenPanel& panel) = 0;
};

class DialogSession {
 public:
  using Deliver = std::function<void(std::function<void()>)>;  // runs on the window's thread
  using Ask = std::function<void(std::function<void()>)>;       // runs there and waits

  struct Callbacks {
    std::function<void(bool busy)> busy;
    std::function<void(const Picture&)> picture;
    std::function<void(const SessionInfo&)> opened;
    std::function<void(const std::vector<Destination>&)> destinations;
    std::function<void(const Outcome&)> printed;
    std::function<void(const Outcome&)> defaultsSaved;
    std::function<void(const std::string&)> problem;  // a panel could not save its values
  };

  DialogSession(Deliver deliver, Ask ask, UserInterface* ui, Callbacks callbacks);
  // From the window's thread, when it goes: the window hears nothing more of
  // the session and is asked nothing more (a question still waiting gets its
  // default answer). Then, on the plug-in thread, a running modal window ends
  // as with Cancel and the host dialog closes (the panels terminate; nothing
  // is saved). When no plug-in call is under way this waits for that; when
  // one is (a panel waiting for the printer), it does not: the session is
  // left to the plug-in thread, which closes and frees it once the call
  // returns (PluginThread::Abandoned counts such threads).
  static void Close(std::unique_ptr<DialogSession> session);
  ~DialogSession();  // Close's waiting half; use Close

  // Lists the CUPS destinations (callbacks.destinations).
  void listDestinations();
  // Closes the current printer's session (terminating its panels) and opens
  // one on the options; callbacks.opened, then a picture.
  void open(const host::DialogOptions& options);
  // What opening on these options waits for, in words.
  static Activity Opening(const host::DialogOptions& options);
  void act(const host::UserAction& action);
  // The user closed a modal window: its run ends with the cancel response.
  void cancelWindow(std::uintptr_t id);
  // Hides the shown panel (shouldHide), which then saves its values, and shows
  // another (willShow). -1: the summary. Actions alone save nothing, so a
  // panel's Print check sees what the person chose.
  void showPanel(int index);
  void setPaper(const std::string& id);
  // A custom paper (points), an orientation: the panels hear of the paper.
  void setPageSetup(const platform::PageSetup& setup);
  // A PPD option another part of the dialog shows (two-sided, the paper
  // source, the other options): marked, in the ticket, and the panels told.
  void setPpdOption(const std::string& option, const std::string& choice);
  // Every panel saves and is asked whether to print; then, unless PPD
  // options conflict, the job goes to the destination with the ticket's
  // options, the paper and the standard options (host::JobOptionsFor), or, in
  // the offline mode or without a file, only the options are reported.
  void print(const std::string& file, const host::PrintOptions& options);
  void saveDefaults();
  // From the window's thread: waits until every posted call has run.
  void drain() { thread_->drain(); }
  // From any thread: what the plug-in thread works on or waits for now.
  Activity activity() const;

 private:
  class ModalHost;
  void post(std::function<void()> call);  // a call followed by a fresh picture
  // Runs f on the window's thread unless the window has gone.
  void deliver(std::function<void()> f);
  void setStage(Activity stage);
  void publish();
  Picture capture();
  // The panel (or modal window) that has the control, for the busy words.
  std::string ownerName(std::uintptr_t control);

  Deliver deliver_;
  Ask ask_;
  UserInterface* ui_;
  Callbacks cb_;
  std::unique_ptr<ModalHost> modal_;
  std::mutex linkMu_;
  bool linked_ = true;  // under linkMu_: the window is there
  mutable std::mutex stageMu_;
  Activity stage_;  // under stageMu_
  // Plug-in thread only.
  std::unique_ptr<host::Dialog> dialog_;
  std::vector<std::string> drawnPpdOptions_;  // Duplex, InputSlot, the other options
  std::vector<platform::ui::Window*> windows_;
  int shown_ = -1;
  std::unique_ptr<PluginThread> thread_;  // last: stops first
};

}  // namespace gui
