// pdehost's `set`: user actions in order on a panel's outlets, then the
// dialog saves. A window an action opens takes the actions after it from the
// same queue.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "host/dialog.h"
#include "host/pdehost_modal.h"
#include "host/pdehost_script.h"

namespace host {

// The panel by kind or name; nullptr after saying which panels there are.
Dialog::PanelEntry* PanelNamed(Dialog& dialog, const std::string& name);

class SetCommand {
 public:
  SetCommand(Dialog& dialog, ScriptReader& script, AlertReport& alerts, WindowDriver& windows)
      : d_(dialog), script_(script), alerts_(alerts), windows_(windows) {}

  // set PANEL [--paste] [--stdin] OUTLET VALUE ...: the exit status. A
  // secure field's text comes with --stdin only, never as a VALUE.
  int run(const std::vector<std::string>& args);
  // Performs the next queued action (inside a window): false when none is
  // queued, else *rc its exit status.
  bool runNext(int* rc);

 private:
  struct Action {
    std::string panel, outlet, value;
    bool paste = false;      // one edit instead of typing
    bool fromStdin = false;  // the value came from standard input
    ~Action();
  };
  int operate(const Action& a);
  // Whether the panel's outlet is a secure (password) field: its text comes
  // from standard input only.
  bool IsSecureOutlet(const std::string& panel, const std::string& outlet);

  Dialog& d_;
  ScriptReader& script_;
  AlertReport& alerts_;
  WindowDriver& windows_;
  std::deque<Action> pending_;
};

}  // namespace host
