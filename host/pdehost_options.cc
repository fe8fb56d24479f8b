#include "host/pdehost_options.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>

#include "host/frontend.h"
#include "vn420p_version.h"

namespace host {

namespace {

constexpr const char* kCommands = R"(Commands:
  panels                       each panel's name, kind and supported PPD option keys
  show PANEL [--json]          every outlet of the panel (PANEL: its kind or name)
  set PANEL OUTLET VALUE ...   user actions in order, then the panel saves:
                                 pop-up: item index or title; check box: on|off;
                                 text field: the text, typed one character at a
                                 time; radio matrix: row; push button: press;
                                 table: ROW to select (-1: none) or COLUMN:ROW to
                                 click a check box cell
                               Before an OUTLET: --paste pastes its text in one
                               edit; --stdin OUTLET (no VALUE) takes the text
                               from the next line of standard input (with
                               --script -, the script's next line), so that a
                               password is in no argument
                               A button that opens a window (the "Management
                               Profile" window) runs it: the actions after it,
                               then the script's next lines, act inside the
                               window until its OK or Cancel closes it; a
                               window still open at the end is cancelled
  window [--json]              the open window's title, controls and table rows
  open-panel PATH|cancel       answers the next open panel (see --open-panel)
  alert-button BUTTON          answers the next alert with BUTTON, a title or a
                               number from 1 (see --alert-button)
  summary [--json]             every panel's summary in display order
  ticket                       the print settings' string entries as key=value
  print [FILE]                 asks every panel whether to print; prints the job's
                               options and, with --printer and FILE, submits it
  save-defaults                every panel saves; then the options that are
                               choices of the PPD (never the Security panel's
                               modes, names or passwords) become the defaults
                               of the --printer queue in the user's lpoptions;
                               other queues' lines are kept as they are
  shouldHide PANEL             the person switches to another panel: asks the
                               panel whether it may hide
  willShow PANEL               the person comes back to the panel
  PPDOptionKeyValueDidChange OPTION CHOICE
                               another panel changes a PPD option: marked in the
                               PPD and the ticket, then every panel hears of it
  page-setup [paper NAME|custom-size WxH] [orientation O] [scale-to NAME]
                               the person changes the page set-up (as the
                               options of the same names): the panels hear
                               that the paper changed
set, print, save-defaults, PPDOptionKeyValueDidChange and page-setup write the
--settings file.
Exit status: 0 done; 1 the dialog could not open (PPD, settings file, plug-ins)
or printing was refused; 2 a wrong command line or command (a paper or custom
size the PPD does not offer included), a failed action or an unwritable file.
)";

}  // namespace

bool ParsePdehostOptions(int argc, char** argv, PdehostOptions* options, int* exitStatus) {
  namespace fs = std::filesystem;
  DialogOptions& opt = options->dialog;
  const fs::path exe = ExeDir();
  opt.ppdPath = FirstExisting({exe / "../share/vn420p/VN420P.ppd", exe / "../../resources/ppd/VN420P.ppd"});
  opt.pluginsDir = FirstExisting({exe / "../plugins", exe / "../lib/vn420p/plugins"});

  CLI::App app{"pdehost: runs the print-dialog panels of the VN420P plug-ins from a shell"};
  app.footer(kCommands);
  app.set_version_flag("--version", "pdehost " VN420P_VERSION);
  auto* ppd =
      app.add_option("--ppd", opt.ppdPath, "PPD file of an offline printer (default: the bundled sample)");
  app.add_option("--printer", opt.printerName, "CUPS destination (its PPD and device URI)")->excludes(ppd);
  app.add_option("--device-uri", opt.deviceURI, "device URI of the offline printer");
  app.add_option("--settings", opt.settingsPath,
                 "print settings file: read before the panels restore, written after every command that "
                 "changes it (set, print, save-defaults, PPDOptionKeyValueDidChange, page-setup)");
  app.add_option("--plugins", opt.pluginsDir, "folder of *.plugin bundles");
  std::string customSize, orientation;
  auto* paper = app.add_option("--paper", opt.pageSetup.paper,
                               "document paper: a page size of the PPD (default: its default)");
  app.add_option(
         "--custom-size", customSize,
         "document paper of a custom size WxH, in points (e.g. 216x360), within the PPD's custom page "
         "sizes")
      ->check([](const std::string& s) {
        double w, h;
        return platform::ParseCustomSize(s, &w, &h) ? std::string() : "expected WxH in points, e.g. 216x360";
      })
      ->excludes(paper);
  app.add_option("--orientation", orientation, "portrait, landscape, reverse-portrait or reverse-landscape")
      ->check([](const std::string& s) {
        return platform::ParseOrientation(s) ? std::string() : "unknown orientation";
      });
  app.add_option("--scale-to", opt.pageSetup.scaleTo, "scale the document to this page size of the PPD");
  app.add_option("--open-panel", options->openPanelAnswers,
                 "answers the next open panel with PATH (\"cancel\" cancels it); repeat for later panels; "
                 "unanswered panels are cancelled")
      ->allow_extra_args(false);
  app.add_option("--alert-button", options->alertAnswers,
                 "answers the next alert with BUTTON (its title, or its number from 1); repeat for later "
                 "alerts; unanswered alerts take their default (first) button")
      ->allow_extra_args(false);
  app.add_option("--script", options->script,
                 "run the commands of FILE (or - for standard input), one per line");
  // Everything from the first word that is no option on is the command, in
  // order: its own options (set --paste, show --json) are not the program's.
  app.positionals_at_end(false);
  app.allow_extras(false);
  app.prefix_command(true);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // --help and --version end with 0; every wrong command line with 2 (the
    // parser's own codes are documented nowhere).
    *exitStatus = app.exit(e) == 0 ? 0 : 2;
    return false;
  }
  for (const auto& extra : app.remaining()) options->command.push_back(extra);
  if (!customSize.empty()) {
    double w = 0, h = 0;
    platform::ParseCustomSize(customSize, &w, &h);
    opt.pageSetup.customWidth = w;
    opt.pageSetup.customHeight = h;
  }
  if (!orientation.empty()) opt.pageSetup.orientation = platform::ParseOrientation(orientation);
  if (options->command.empty() && options->script.empty()) {
    std::cerr << "pdehost: no command given\n" << app.help();
    *exitStatus = 2;
    return false;
  }
  return true;
}

}  // namespace host
