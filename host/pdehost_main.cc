// pdehost: a scriptable print-dialog host. It loads the plug-in bundles, runs
// their panels against a printer's PPD and print settings, and prints what a
// user would see: controls, summaries and the job's CUPS options.
#include <clocale>
#include <fstream>
#include <iostream>

#include "host/dialog.h"
#include "host/display_text.h"
#include "host/pdehost_commands.h"
#include "host/pdehost_options.h"
#include "host/pdehost_script.h"
#include "host/process_hardening.h"

namespace {

// The whole program; main only turns what escapes into a message.
int RunPdehost(int argc, char** argv) {
  // The Security panel holds passwords in clear while it runs.
  host::HardenProcess();
  setlocale(LC_ALL, "");
  host::PdehostOptions options;
  if (int rc = 0; !host::ParsePdehostOptions(argc, argv, &options, &rc)) return rc;

  std::string error;
  bool pageSetupRefused = false;
  auto dialog = host::Dialog::Open(options.dialog, &error, &pageSetupRefused);
  if (!dialog) {
    std::cerr << "pdehost: " << error << "\n";
    return pageSetupRefused ? 2 : 1;  // a paper the PPD lacks is a wrong command line
  }
  for (const auto& answer : options.openPanelAnswers) dialog->modalHost().openPanelAnswers.push_back(answer);
  for (const auto& answer : options.alertAnswers) dialog->modalHost().alertAnswers.push_back(answer);
  const std::string& script = options.script;
  std::ifstream file;
  if (!script.empty() && script != "-") {
    file.open(script);
    if (!file) {
      std::cerr << "pdehost: cannot read script " << script << "\n";
      return 1;
    }
  }
  std::istream* lines = script.empty() ? nullptr : script == "-" ? &std::cin : &file;
  host::ScriptReader reader(lines, script, std::cin);
  host::CommandRunner runner(*dialog, reader);
  if (!options.command.empty()) {
    int rc = runner.run(options.command);
    if (rc != 0 || script.empty()) return rc;
  }
  std::vector<std::string> words;
  while (reader.next(&words, &error)) {
    if (int rc = runner.run(words); rc != 0) {
      std::cerr << "pdehost: " << script << ":" << reader.lineNumber() << ": command failed\n";
      return rc;
    }
  }
  if (error.empty()) return 0;
  std::cerr << "pdehost: " << error << "\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return RunPdehost(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "pdehost: " << host::ShowableText(e.what()) << "\n";
  } catch (...) {
    std::cerr << "pdehost: failed for an unknown reason\n";
  }
  return 1;
}
