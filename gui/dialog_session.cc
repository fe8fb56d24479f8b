#include "gui/dialog_session.h"

#include <algorithm>
#include <filesystem>

#include "host/frontend.h"
#include "platform/ui/window.h"

namespace gui {

namespace ui = platform::ui;

// Modal runs of the plug-ins, on the plug-in thread. Alerts and open panels
// are asked of the window's thread while this thread waits; a modal window
// is shown by the pictures and runs here, pumping the plug-in thread's queue
// (the window's control actions) until one of its actions stops it.
class DialogSession::ModalHost : public ui::ModalHost {
 public:
  explicit ModalHost(DialogSession* s) : s_(s) {}

  int runAlert(const ui::Alert& alert) override {
    return askUser(ui::kAlertFirstButtonReturn, [&] { return s_->ui_->showAlert(alert); });
  }

  int runOpenPanel(ui::OpenPanel& panel) override {
    return askUser(ui::kModalResponseCancel, [&] { return s_->ui_->showOpenPanel(panel); });
  }

  int runModalForWindow(ui::Window& window) override {
    s_->windows_.push_back(&window);
    s_->publish();
    s_->thread_->runUntil([&] { return stopRequested(window); });
    s_->windows_.erase(std::find(s_->windows_.begin(), s_->windows_.end(), &window));
    window.orderOut();
    return stopCode(window);
  }

 private:
  // Asks on the window's thread while the plug-in thread waits; `answer`
  // stands when the question is never shown (the window has gone).
  template <class Show>
  int askUser(int answer, Show show) {
    {
      std::lock_guard<std::mutex> lock(s_->linkMu_);
      if (!s_->linked_) return answer;
    }
    s_->publish();
    s_->thread_->waitingForUser(true);
    s_->ask_([&] {
      answer = show();
      s_->thread_->userAnswered();
    });
    s_->thread_->waitingForUser(false);
    return answer;
  }

  DialogSession* s_;
};

DialogSession::DialogSession(Deliver deliver, Ask ask, UserInterface* ui, Callbacks callbacks)
    : deliver_(std::move(deliver)), ask_(std::move(ask)), ui_(ui), cb_(std::move(callbacks)),
      modal_(std::make_unique<ModalHost>(this)) {
  thread_ = std::make_unique<PluginThread>([this](bool busy) {
    if (cb_.busy) this->deliver([this, busy] { cb_.busy(busy); });
  });
}

void DialogSession::Close(std::unique_ptr<DialogSession> session) {
  DialogSession* s = session.release();
  {
    std::lock_guard<std::mutex> lock(s->linkMu_);
    s->linked_ = false;
  }
  s->setStage({"Closing the panels…", {}});
  // A modal window still running ends as with Cancel, so its run unwinds
  // before the host dialog closes.
  s->thread_->post([s] {
    for (ui::Window* w : s->windows_) w->stopModal(ui::kModalResponseCancel);
  });
  s->thread_->post([s] { s->dialog_.reset(); });
  if (s->thread_->inCall())
    s->thread_->abandon([s] { delete s; });
  else
    delete s;
}

DialogSession::~DialogSession() {
  // Not reset(): calls still running reach the thread through thread_.
  if (thread_) thread_->stop();
}

void DialogSession::deliver(std::function<void()> f) {
  std::lock_guard<std::mutex> lock(linkMu_);
  if (linked_) deliver_(std::move(f));
}

void DialogSession::setStage(Activity stage) {
  std::lock_guard<std::mutex> lock(stageMu_);
  stage_ = std::move(stage);
}

Activity DialogSession::activity() const {
  // A helper the plug-in waits for says more than the stage.
  for (const auto& argv : ChildCommandLines(thread_->systemId()))
    if (Activity a = HelperActivity(argv); a.text) return a;
  std::lock_guard<std::mutex> lock(stageMu_);
  return stage_;
}

void DialogSession::post(std::function<void()> call) {
  thread_->post([this, call = std::move(call)] {
    call();
    publish();
  });
}

std::string DialogSession::ownerName(std::uintptr_t control) {
  for (ui::Window* w : windows_)
    if (host::FindControl(w->contentView(), control)) return w->title();
  if (dialog_)
    for (auto& entry : dialog_->panels())
      if (host::FindControl(entry.view, control)) return entry.panel->panelName();
  return {};
}

Picture DialogSession::capture() {
  Picture p;
  if (!dialog_) return p;
  for (auto& entry : dialog_->panels()) {
    PanelPicture panel{entry.panel->panelName(), entry.panel->panelKind(), entry.view != nullptr, {}, {}};
    if (entry.view) {
      panel.view = host::CaptureControls(entry.view);
      panel.summary = host::SummaryItems(*entry.panel);
    }
    p.panels.push_back(std::move(panel));
  }
  for (ui::Window* w : windows_)
    p.windows.push_back(
        {reinterpret_cast<std::uintptr_t>(w), w->title(), host::CaptureControls(w->contentView())});
  ppd_file_t* ppd = dialog_->ppdFile();
  p.conflicts = host::MarkJobChoices(ppd, dialog_->ticketOptions(), dialog_->pageFormat()->paper().id);
  p.ppdOptions = host::ReadPpdOptions(ppd, drawnPpdOptions_);
  return p;
}

void DialogSession::publish() {
  if (!cb_.picture) return;
  deliver([this, picture = capture()] { cb_.picture(picture); });
}

void DialogSession::listDestinations() {
  thread_->post([this] {
    setStage({"Listing the printers…", {}});
    auto names = ListDestinations();
    if (cb_.destinations) deliver([this, names] { cb_.destinations(names); });
  });
}

Activity DialogSession::Opening(const host::DialogOptions& options) {
  return options.printerName.empty()
             ? Activity{"Reading %1…", std::filesystem::path(options.ppdPath).filename().string()}
             : Activity{"Asking CUPS about %1…", options.printerName};
}

void DialogSession::open(const host::DialogOptions& options) {
  post([this, options] {
    setStage(Opening(options));
    dialog_.reset();
    shown_ = -1;
    drawnPpdOptions_.clear();
    host::DialogOptions o = options;
    o.modalHost = modal_.get();
    SessionInfo info;
    dialog_ = host::Dialog::Create(o, &info.error);
    if (dialog_) {
      info.ok = true;
      info.printerName = o.printerName;
      platform::PrintSession* session = dialog_->printSession();
      info.printerId = session->currentPrinter().id();
      if (ppd_file_t* ppd = session->ppd())
        for (int i = 0; i < ppd->num_sizes; ++i)
          if (auto paper = session->paperForName(ppd->sizes[i].name))
            info.papers.push_back({paper->id, paper->localizedName.empty() ? paper->id : paper->localizedName});
      info.paper = dialog_->pageFormat()->paper().id;
      ppd_file_t* ppd = session->ppd();
      info.hasPpd = ppd != nullptr;
      info.printDefaults = dialog_->printDefaults();
      info.customLimits = host::CustomLimits(ppd);
      std::vector<std::string> owned;
      for (auto& entry : dialog_->panels())
        for (auto& k : entry.panel->supportedPPDOptionKeys()) owned.push_back(k);
      info.otherOptions = host::UnownedPpdOptions(ppd, owned);
      drawnPpdOptions_ = info.otherOptions;
      drawnPpdOptions_.insert(drawnPpdOptions_.end(), {"Duplex", "InputSlot"});
    }
    info.destination = o.printerName.empty() ? Destination{} : ReadDestination(o.printerName);
    if (cb_.opened) deliver([this, info] { cb_.opened(info); });
    if (!dialog_) return;
    // The panels' names first; then each panel as it loads (a panel may
    // wait for the printer there).
    publish();
    for (auto& entry : dialog_->panels()) {
      setStage({"Opening the %1 panel…", entry.panel->panelName()});
      dialog_->loadPanel(entry);
      if (&entry != &dialog_->panels().back()) publish();
    }
  });
}

void DialogSession::act(const host::UserAction& action) {
  post([this, action] {
    if (!dialog_) return;
    setStage({"Waiting for %1…", ownerName(action.id)});
    std::string error;
    // The innermost modal window takes the action first, as only it is live.
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
      if (host::FindControl((*it)->contentView(), action.id)) {
        host::ApplyUserAction((*it)->contentView(), action, &error);
        return;
      }
    if (!windows_.empty()) return;  // the dialog behind a modal window takes no input
    for (auto& entry : dialog_->panels())
      if (host::FindControl(entry.view, action.id)) {
        host::ApplyUserAction(entry.view, action, &error);
        return;
      }
  });
}

void DialogSession::cancelWindow(std::uintptr_t id) {
  post([this, id] {
    for (ui::Window* w : windows_)
      if (reinterpret_cast<std::uintptr_t>(w) == id) w->stopModal(ui::kModalResponseCancel);
  });
}

void DialogSession::showPanel(int index) {
  post([this, index] {
    if (!dialog_) return;
    auto& panels = dialog_->panels();
    if (index >= 0 && index < static_cast<int>(panels.size()))
      setStage({"Waiting for %1…", panels[static_cast<size_t>(index)].panel->panelName()});
    if (shown_ >= 0 && shown_ < static_cast<int>(panels.size()) && shown_ != index) {
      // The panel the person leaves saves its values (Print saves every one).
      pde::Panel* leaving = panels[static_cast<size_t>(shown_)].panel.get();
      if (!leaving->shouldHide()) return;
      std::string error;
      if (!dialog_->savePanel(leaving, &error) && cb_.problem) deliver([this, error] { cb_.problem(error); });
    }
    shown_ = index;
    if (index >= 0 && index < static_cast<int>(panels.size())) panels[static_cast<size_t>(index)].panel->willShow();
  });
}

void DialogSession::setPaper(const std::string& id) {
  platform::PageSetup setup;
  setup.paper = id;
  setPageSetup(setup);
}

void DialogSession::setPageSetup(const platform::PageSetup& setup) {
  post([this, setup] {
    std::string error;
    if (dialog_ && !dialog_->applyPageSetup(setup, &error) && cb_.problem)
      deliver([this, error] { cb_.problem(error); });
  });
}

void DialogSession::setPpdOption(const std::string& option, const std::string& choice) {
  post([this, option, choice] {
    std::string error;
    if (dialog_ && !dialog_->markPpdOption(option, choice, &error) && cb_.problem)
      deliver([this, error] { cb_.problem(error); });
  });
}

void DialogSession::print(const std::string& file, const host::PrintOptions& print) {
  post([this, file, print] {
    setStage({"Asking the panels whether to print…", {}});
    Outcome out;
    if (!dialog_) {
      out.message = "no printer is open";
    } else if (std::string reason; !dialog_->print(&reason)) {
      out.refusedByPanel = true;
      out.message = "Printing was stopped: " + reason;
    } else {
      const std::string& paper = dialog_->pageFormat()->paper().id;
      out.options = host::JobOptionsFor(print, dialog_->ticketOptions(), paper, dialog_->ppdFile());
      const std::string& printer = dialog_->options().printerName;
      std::vector<std::string> conflicts = host::MarkJobChoices(dialog_->ppdFile(), out.options, paper);
      if (!conflicts.empty()) {
        std::string list;
        for (const auto& c : conflicts) list += (list.empty() ? "" : ", ") + c;
        out.message = "These options conflict: " + list + ". Change one of them to print.";
      } else if (printer.empty() || file.empty()) {
        out.ok = true;
        out.message = printer.empty() ? "No CUPS printer is chosen: nothing was sent." : "No file to print.";
      } else {
        setStage({"Sending the job to %1…", printer});
        if ((out.jobId = SubmitJob(printer, file, out.options, &out.message)) != 0) {
          out.ok = true;
          out.message = "Job " + printer + "-" + std::to_string(out.jobId) + " was sent to " + printer + ".";
        }
      }
    }
    if (cb_.printed) deliver([this, out] { cb_.printed(out); });
  });
}

void DialogSession::saveDefaults() {
  post([this] {
    setStage({"Saving the defaults…", {}});
    Outcome out;
    if (!dialog_) {
      out.message = "no printer is open";
    } else if (std::string error; !dialog_->saveDefaults(&out.options, &error)) {
      out.message = error;
    } else {
      out.ok = true;
      out.message = "Saved " + std::to_string(out.options.size()) + " options as the defaults for " +
                    dialog_->options().printerName + ".";
    }
    if (cb_.defaultsSaved) deliver([this, out] { cb_.defaultsSaved(out); });
  });
}

}  // namespace gui
