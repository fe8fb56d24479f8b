// pdehost's command line: the program's options, then the command.
#pragma once

#include <string>
#include <vector>

#include "host/dialog.h"

namespace host {

struct PdehostOptions {
  DialogOptions dialog;              // PPD and plug-ins default to those beside the program
  std::string script;                // FILE, "-" for standard input, "" for none
  std::vector<std::string> command;  // the words from the first that is no option on
  std::vector<std::string> openPanelAnswers, alertAnswers;
};

// Reads the arguments into *options. False when the program ends here: with
// *exitStatus 0 after --help or --version, else after saying what is wrong.
bool ParsePdehostOptions(int argc, char** argv, PdehostOptions* options, int* exitStatus);

}  // namespace host
