// pdehost's commands, one table row each: the words of the command line or
// of a script line run against one dialog session.
#pragma once

#include <string>
#include <vector>

#include "host/dialog.h"
#include "host/pdehost_actions.h"
#include "host/pdehost_modal.h"
#include "host/pdehost_script.h"

namespace host {

class CommandRunner {
 public:
  // Drives the dialog's windows from `script` while it lives.
  CommandRunner(Dialog& dialog, ScriptReader& script);

  // Runs one command (its name, then its words; --json anywhere asks for
  // JSON): the exit status, a message on standard error when not 0.
  int run(std::vector<std::string> words);

 private:
  using Args = std::vector<std::string>;
  struct Command;
  static const Command kCommands[];

  int panels(const Args&, bool json);
  int show(const Args& args, bool json);
  int set(const Args& args, bool json);
  int summary(const Args&, bool json);
  int ticket(const Args&, bool json);
  int window(const Args&, bool json);
  int openPanel(const Args& args, bool json);
  int alertButton(const Args& args, bool json);
  int print(const Args& args, bool json);
  int saveDefaults(const Args& args, bool json);
  int shouldHide(const Args& args, bool json);
  int willShow(const Args& args, bool json);
  int pageSetup(const Args& args, bool json);
  int ppdOptionChange(const Args& args, bool json);
  // The next thing the user does inside an open window.
  int windowStep();

  Dialog& d_;
  ScriptReader& script_;
  AlertReport alerts_;
  SetCommand set_;
  WindowDriver windows_;
};

}  // namespace host
