// Windows run modally, alerts and open panels. A headless process has no one
// to answer them, so each modal run is handed to the ModalHost the host
// program installs (pdehost scripts it; tests install their own). Without a
// ModalHost every run answers the cancel response at once.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/view.h"

namespace platform::ui {

enum ModalResponse : int {
  kModalResponseCancel = 0,
  kModalResponseOK = 1,
  kAlertFirstButtonReturn = 1000,
  kAlertSecondButtonReturn = 1001,
  kAlertThirdButtonReturn = 1002,
};

class Window : public Object {
 public:
  const char* className() const override { return "Window"; }
  View* contentView() const { return content_; }
  void setContentView(View* v) { content_ = v; }
  const std::string& title() const { return title_; }
  void setTitle(std::string t) { title_ = std::move(t); }
  bool isVisible() const { return visible_; }
  void orderOut() { visible_ = false; }

  // Runs the window modally until stopModal(code) is called from inside the
  // run (by an action of one of its controls); answers that code.
  int runModal();
  // Ends the modal run of this window with the code.
  void stopModal(int code);
  bool isModal() const { return modal_; }

 private:
  friend class ModalHost;
  View* content_ = nullptr;
  std::string title_;
  bool visible_ = false, modal_ = false, stop_requested_ = false;
  int stop_code_ = kModalResponseCancel;
};

class Alert {
 public:
  enum class Style { kWarning, kInformational, kCritical };
  std::string messageText, informativeText;
  Style style = Style::kWarning;
  std::vector<std::string> buttons;  // first button answers kAlertFirstButtonReturn
  void addButtonWithTitle(std::string t) { buttons.push_back(std::move(t)); }
  // Hands the alert to the ModalHost; kAlertFirstButtonReturn without one.
  int runModal() const;
};

class OpenPanel {
 public:
  std::string title, directory;
  std::vector<std::string> allowedFileTypes;  // extensions without the dot; empty: any
  bool canChooseFiles = true, canChooseDirectories = false, allowsMultipleSelection = false;
  // Chosen paths after an OK answer.
  std::vector<std::string> paths;
  int runModal();
};

// Answers modal runs. The window's run loop is the host's: it drives the
// window's controls (the actions call Window::stopModal) and returns when the
// window stopped. Install one per process with SetModalHost.
class ModalHost {
 public:
  virtual ~ModalHost() = default;
  // Called with the window on screen; must return once window.stopModal ran,
  // or return a code itself to end the run with it.
  virtual int runModalForWindow(Window& window) = 0;
  virtual int runAlert(const Alert& alert) = 0;
  virtual int runOpenPanel(OpenPanel& panel) = 0;

 protected:
  static bool stopRequested(const Window& w) { return w.stop_requested_; }
  static int stopCode(const Window& w) { return w.stop_code_; }
};

void SetModalHost(ModalHost* host);
ModalHost* GetModalHost();

// User defaults the panes read: "AppleInterfaceStyle" is "Dark" in dark mode.
// Answers "" for an unset key. Hosts set values with SetUserDefault.
std::string UserDefaultString(std::string_view key);
void SetUserDefault(std::string_view key, std::string value);

}  // namespace platform::ui
