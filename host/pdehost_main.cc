// pdehost: a scriptable print-dialog host. It loads the plug-in bundles, runs
// their panels against a printer's PPD and print settings, and prints what a
// user would see: controls, summaries and the job's CUPS options.
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <utility>

#include "host/control_snapshot.h"
#include "host/dialog.h"
#include "host/display_text.h"
#include "host/frontend.h"
#include "host/pdehost_output.h"
#include "host/user_action.h"
#include "platform/wipe.h"
#include "vn420p_version.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::ordered_json;
using platform::WipeString;

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
)";

// Everything shown goes out as UTF-8; bytes that are not show as U+FFFD.
void Out(const std::string& text) { std::cout << host::ShowableText(text); }

// Splits a script line into words; single and double quotes group, a
// backslash escapes the next character.
bool SplitWords(const std::string& line, std::vector<std::string>* words) {
  std::string cur;
  bool in_word = false;
  char quote = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (quote) {
      if (c == quote) quote = 0;
      else if (c == '\\' && quote == '"' && i + 1 < line.size()) cur += line[++i];
      else cur += c;
    } else if (c == '\'' || c == '"') {
      quote = c;
      in_word = true;
    } else if (c == '\\' && i + 1 < line.size()) {
      cur += line[++i];
      in_word = true;
    } else if (c == ' ' || c == '\t') {
      if (in_word) words->push_back(std::move(cur));
      cur.clear();
      in_word = false;
    } else if (c == '#' && !in_word) {
      break;
    } else {
      cur += c;
      in_word = true;
    }
  }
  if (in_word) words->push_back(std::move(cur));
  return quote == 0;
}

class Runner {
 public:
  explicit Runner(host::Dialog& d) : d_(d) {
    d_.modalHost().windowDriver = [this](platform::ui::Window&) { return driveWindow(); };
  }
  ~Runner() { d_.modalHost().windowDriver = nullptr; }

  // Script lines: read from `in` by the main loop and, while a window runs,
  // by the window.
  void setScript(std::istream* in, std::string name) {
    script_ = in;
    scriptName_ = std::move(name);
  }
  // The next script line's words (blank lines skipped). False at the end of
  // the script, or with *rc set on a malformed line.
  bool nextScriptLine(std::vector<std::string>* words, int* rc) {
    std::string line;
    for (auto& w : *words) WipeString(w);
    while (script_ && std::getline(*script_, line)) {
      ++lineno_;
      words->clear();
      const bool balanced = SplitWords(line, words);
      WipeString(line);  // it may have held a password
      if (!balanced) {
        std::cerr << "pdehost: " << scriptName_ << ":" << lineno_ << ": unbalanced quote\n";
        *rc = 2;
        return false;
      }
      if (!words->empty()) return true;
    }
    return false;
  }
  int lineNumber() const { return lineno_; }

  int run(std::vector<std::string> args) {
    if (args.empty()) return fail("no command given (see --help)");
    std::string cmd = args[0];
    args.erase(args.begin());
    bool json = false;
    std::erase_if(args, [&](const std::string& a) { return a == "--json" ? (json = true) : false; });
    if (cmd == "panels") return panels(json);
    if (cmd == "show") return args.size() == 1 ? show(args[0], json) : fail("usage: show PANEL [--json]");
    if (cmd == "set") return set(args);
    if (cmd == "summary") return summary(json);
    if (cmd == "ticket") return ticket();
    if (cmd == "window") return args.empty() ? window(json) : fail("usage: window [--json]");
    if (cmd == "open-panel") {
      if (args.size() != 1) return fail("usage: open-panel PATH|cancel");
      d_.modalHost().openPanelAnswers.push_back(args[0]);
      return 0;
    }
    if (cmd == "alert-button") {
      if (args.size() != 1) return fail("usage: alert-button BUTTON");
      d_.modalHost().alertAnswers.push_back(args[0]);
      return 0;
    }
    if (cmd == "print") return args.size() <= 1 ? print(args.empty() ? "" : args[0]) : fail("usage: print [FILE]");
    if (cmd == "shouldHide") return args.size() == 1 ? shouldHide(args[0]) : fail("usage: shouldHide PANEL");
    if (cmd == "willShow") return args.size() == 1 ? willShow(args[0]) : fail("usage: willShow PANEL");
    if (cmd == "page-setup") return pageSetup(args);
    if (cmd == "PPDOptionKeyValueDidChange")
      return args.size() == 2 ? ppdChange(args[0], args[1]) : fail("usage: PPDOptionKeyValueDidChange OPTION CHOICE");
    return fail("unknown command \"" + cmd + "\" (see --help)");
  }

 private:
  static int fail(const std::string& message) {
    std::cerr << "pdehost: " << host::ShowableText(message) << "\n";
    return 2;
  }

  host::Dialog::PanelEntry* entry(const std::string& name) {
    host::Dialog::PanelEntry* e = d_.findEntry(name);
    if (!e) {
      std::string known;
      for (auto& p : d_.panels()) known += " \"" + p.panel->panelKind() + "\"";
      fail("no panel \"" + name + "\"; panels:" + known);
    }
    return e;
  }
  pde::Panel* panel(const std::string& name) {
    host::Dialog::PanelEntry* e = entry(name);
    return e ? e->panel.get() : nullptr;
  }

  int panels(bool json) {
    ordered_json out = ordered_json::array();
    for (auto& e : d_.panels())
      out.push_back({{"name", e.panel->panelName()},
                     {"kind", e.panel->panelKind()},
                     {"plugin", e.plugin},
                     {"supportedPPDOptionKeys", e.panel->supportedPPDOptionKeys()}});
    if (json) {
      std::cout << host::ShowableJson(out);
      return 0;
    }
    for (const auto& p : out) {
      Out(p["name"].get<std::string>() + "\t" + p["kind"].get<std::string>() + "\n");
      for (const auto& k : p["supportedPPDOptionKeys"]) Out("  " + k.get<std::string>() + "\n");
    }
    return 0;
  }

  int show(const std::string& name, bool json) {
    host::Dialog::PanelEntry* e = entry(name);
    if (!e) return 2;
    ordered_json out = ordered_json::array();
    auto objects = e->panel->namedObjects();
    for (auto& [outlet, object] : objects) {
      host::ControlState s = host::CaptureControl(object);
      s.name = outlet;
      const auto* view = dynamic_cast<const platform::ui::View*>(object);
      out.push_back(
          host::DescribeControl(s, e->view ? std::optional(host::IsOnScreen(view, e->view)) : std::nullopt));
    }
    if (json) {
      std::cout << host::ShowableJson(out);
      return 0;
    }
    Out("on screen: " + host::PaneOnScreen(objects, e->view) + "\n");
    for (const auto& d : out) Out(host::DescribeControlText(d) + "\n");
    return 0;
  }

  int shouldHide(const std::string& name) {
    pde::Panel* p = panel(name);
    if (!p) return 2;
    Out(std::string("shouldHide: ") + (d_.shouldHide(p) ? "YES" : "NO") + "\n");
    return 0;
  }

  int willShow(const std::string& name) {
    pde::Panel* p = panel(name);
    if (!p) return 2;
    d_.willShow(p);
    return 0;
  }

  int pageSetup(const std::vector<std::string>& args) {
    constexpr const char* kUsage =
        "usage: page-setup [paper NAME|custom-size WxH] [orientation O] [scale-to NAME]";
    platform::PageSetup setup;
    if (args.empty() || args.size() % 2 != 0) return fail(kUsage);
    for (size_t i = 0; i < args.size(); i += 2) {
      const std::string &option = args[i], &value = args[i + 1];
      double w = 0, h = 0;
      if (option == "paper" && !setup.customWidth) {
        setup.paper = value;
      } else if (option == "custom-size" && setup.paper.empty()) {
        if (!platform::ParseCustomSize(value, &w, &h))
          return fail("custom-size: expected WxH in points, e.g. 216x360");
        setup.customWidth = w;
        setup.customHeight = h;
      } else if (option == "orientation") {
        if (!(setup.orientation = platform::ParseOrientation(value)))
          return fail("orientation: unknown orientation");
      } else if (option == "scale-to") {
        setup.scaleTo = value;
      } else {
        return fail(kUsage);
      }
    }
    std::string error;
    return d_.changePageSetup(setup, &error) ? 0 : fail(error);
  }

  int ppdChange(const std::string& option, const std::string& choice) {
    std::string error;
    return d_.changePPDOption(option, choice, &error) ? 0 : fail(error);
  }

  int set(const std::vector<std::string>& args) {
    constexpr const char* kUsage = "usage: set PANEL [--paste] [--stdin] OUTLET VALUE|(with --stdin) ...";
    if (args.size() < 2) return fail(kUsage);
    if (!panel(args[0])) return 2;
    std::deque<Action> actions;
    for (size_t i = 1; i < args.size();) {
      Action a{args[0], "", "", false, false};
      for (; i < args.size() && args[i].starts_with("--"); ++i) {
        if (args[i] == "--paste")
          a.paste = true;
        else if (args[i] == "--stdin")
          a.fromStdin = true;
        else
          return fail("set: unknown modifier \"" + args[i] + "\" (" + kUsage + ")");
      }
      if (i >= args.size() || (!a.fromStdin && i + 1 >= args.size())) return fail(kUsage);
      a.outlet = args[i++];
      if (!a.fromStdin)
        a.value = args[i++];
      else if (!readStdinLine(&a.value))
        return fail(a.outlet + ": no line left on standard input; nothing was saved");
      actions.push_back(std::move(a));
    }
    for (auto& a : actions) pending_.push_back(std::move(a));
    while (!pending_.empty()) {
      Action a = std::move(pending_.front());
      pending_.pop_front();
      if (int rc = operate(a); rc != 0) {
        pending_.clear();
        return rc;
      }
      // A failure inside a window that the action opened.
      if (windowFailure_ != 0) {
        pending_.clear();
        return std::exchange(windowFailure_, 0);
      }
    }
    if (windowDepth_ > 0) return 0;  // the dialog saves once the window has closed
    std::string error;
    const bool saved = d_.save(&error);
    const bool answered = reportAlerts();  // a panel may tell about an entry it switched off
    if (!saved) return fail(error);
    return answered ? 0 : fail("an alert had no such button");
  }

  struct Action {
    std::string panel, outlet, value;
    bool paste = false;      // one edit instead of typing
    bool fromStdin = false;  // the value came from standard input
    ~Action() { WipeString(value); }
  };

  // The next line of standard input as it is (no quotes, no comment), for a
  // text that must not appear in the arguments. Part of the script's lines
  // when the script is standard input.
  bool readStdinLine(std::string* line) {
    if (!std::getline(std::cin, *line)) return false;
    if (script_ == &std::cin) ++lineno_;
    if (!line->empty() && line->back() == '\r') line->pop_back();
    return true;
  }

  int operate(const Action& a) {
    pde::Panel* p = panel(a.panel);
    if (!p) return 2;
    auto objects = p->namedObjects();
    auto it = std::find_if(objects.begin(), objects.end(), [&](auto& o) { return o.first == a.outlet; });
    if (it == objects.end()) return fail("panel \"" + a.panel + "\" has no outlet \"" + a.outlet + "\"");
    const host::ControlState control = host::CaptureControl(it->second);
    auto* field = dynamic_cast<platform::ui::TextField*>(it->second);
    if (a.paste && !field) return fail(a.outlet + ": --paste is for text fields; nothing was saved");
    std::string error;
    std::optional<host::UserAction> action = host::ParseUserAction(
        control, a.value, a.paste ? host::TextEntry::kPaste : host::TextEntry::kType, &error);
    bool ok = action && host::ApplyUserActionTo(it->second, *action, &error);
    if (!reportAlerts()) {
      ok = false;
      error = "an alert had no such button";
    }
    // A secure field's text, or one kept out of the arguments, is never shown.
    const bool secret = a.fromStdin || control.kind == host::ControlKind::kSecureField;
    if (!ok)
      return fail(a.outlet + " " + (secret ? "(text hidden)" : a.value) + ": " + error +
                  "; nothing was saved");
    // A field's filters and limits may refuse part of what was typed; the
    // field keeps (and the dialog saves) what it took.
    if (field && field->stringValue() != a.value) {
      std::cerr << "pdehost: " << a.outlet << ": the field took "
                << (secret ? std::to_string(field->stringValue().size()) + " bytes"
                           : "\"" + field->stringValue() + "\"")
                << " of what was " << (a.paste ? "pasted" : "typed") << "\n";
    }
    return 0;
  }

  // One user action inside the open window: the next pending action of the
  // current set, else the script's next line. False closes the window
  // (cancelled) when there is nothing left or an action failed.
  bool driveWindow() {
    ++windowDepth_;
    bool more = true;
    if (!pending_.empty()) {
      Action a = std::move(pending_.front());
      pending_.pop_front();
      if (int rc = operate(a); rc != 0) windowFailure_ = rc;
    } else {
      std::vector<std::string> words;
      int rc = 0;
      if (nextScriptLine(&words, &rc)) {
        if (int r = run(words); r != 0) windowFailure_ = r;
      } else if (rc != 0) {
        windowFailure_ = rc;
      } else {
        std::cerr << "pdehost: the window \"" << WindowTitle() << "\" was still open at the end: cancelled\n";
        more = false;
      }
    }
    --windowDepth_;
    if (windowFailure_ != 0) {
      pending_.clear();
      return false;
    }
    return more;
  }

  std::string WindowTitle() {
    platform::ui::Window* w = d_.modalHost().openWindow;
    return w ? w->title() : "";
  }

  // Alerts a panel raised since the last report, on standard error: each
  // line of the message, then the buttons (the default one marked) and the
  // one that answered. False when an answer named no button of its alert.
  bool reportAlerts() {
    const auto& alerts = d_.modalHost().alerts;
    bool answered = true;
    for (; alertsReported_ < alerts.size(); ++alertsReported_) {
      const auto& alert = alerts[alertsReported_];
      std::string_view text = alert.text;
      while (!text.empty() && text.back() == '\n') text.remove_suffix(1);  // panels end each line
      std::string out;
      for (size_t at = 0; at <= text.size();) {
        size_t nl = std::min(text.find('\n', at), text.size());
        out += "pdehost: alert: " + std::string(text.substr(at, nl - at)) + "\n";
        at = nl + 1;
      }
      out += "pdehost: alert buttons:";
      for (size_t i = 0; i < alert.buttons.size(); ++i)
        out += " \"" + alert.buttons[i] + "\"" + (i == 0 ? " (default)" : "");
      out += "; answered \"" + alert.buttons[alert.answered] + "\"\n";
      if (!alert.unknownAnswer.empty()) {
        out += "pdehost: alert: no button \"" + alert.unknownAnswer + "\"; the default answered\n";
        answered = false;
      }
      std::cerr << host::ShowableText(out);
    }
    return answered;
  }

  int window(bool json) {
    platform::ui::Window* w = d_.modalHost().openWindow;
    if (!w) return fail("no window is open");
    ordered_json controls = ordered_json::array();
    for (auto& e : d_.panels())
      for (auto& [outlet, object] : e.panel->namedObjects()) {
        auto* view = dynamic_cast<platform::ui::View*>(object);
        if (!view || !w->contentView() || !view->isDescendantOf(w->contentView())) continue;
        host::ControlState s = host::CaptureControl(object);
        s.name = outlet;
        controls.push_back(host::DescribeControl(s, std::nullopt));
      }
    if (json) {
      std::cout << ordered_json{{"title", w->title()}, {"controls", controls}}.dump(2) << "\n";
      return 0;
    }
    std::cout << "window \"" << w->title() << "\"\n";
    for (const auto& d : controls) std::cout << "  " << host::DescribeControlText(d) << "\n";
    return 0;
  }

  int summary(bool json) {
    ordered_json out = ordered_json::array();
    for (auto& e : d_.panels()) {
      ordered_json items = ordered_json::array();
      for (const auto& [name, value] : host::SummaryItems(*e.panel))
        items.push_back({{"name", name}, {"value", value}});
      out.push_back({{"panel", e.panel->panelName()}, {"items", items}});
    }
    if (json) {
      std::cout << host::ShowableJson(out);
      return 0;
    }
    for (const auto& p : out) {
      Out(p["panel"].get<std::string>() + "\n");
      for (const auto& i : p["items"])
        Out("  " + i["name"].get<std::string>() + ": " + i["value"].get<std::string>() + "\n");
    }
    return 0;
  }

  int ticket() {
    for (const auto& [k, v] : d_.ticketOptions()) Out(k + "=" + v + "\n");
    return 0;
  }

  int print(const std::string& file) {
    std::string reason;
    bool refused = false;
    const size_t alertsBefore = d_.modalHost().alerts.size();
    const bool printed = d_.print(&reason, &refused);
    if (!reportAlerts()) return fail("an alert had no such button");
    if (!printed) {
      if (!refused) return fail(reason);
      // The alert just shown says why; without one, the panel's name.
      std::cerr << "pdehost: printing refused"
                << (d_.modalHost().alerts.size() > alertsBefore ? "" : ": " + host::ShowableText(reason))
                << "\n";
      return 1;
    }
    ticket();
    if (file.empty() || d_.options().printerName.empty()) return 0;
    std::string error;
    if (!d_.submit(file, &error)) return fail(error);
    return 0;
  }

  host::Dialog& d_;
  std::deque<Action> pending_;
  int windowDepth_ = 0, windowFailure_ = 0;
  size_t alertsReported_ = 0;
  std::istream* script_ = nullptr;
  std::string scriptName_;
  int lineno_ = 0;
};

}  // namespace

// The whole program; main only turns what escapes into a message.
static int RunPdehost(int argc, char** argv) {
  // The Security panel holds passwords in clear while it runs: no core file
  // and no other process of the user attaching to read them.
  const struct rlimit noCore = {0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
  prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
  setlocale(LC_ALL, "");
  fs::path exe = host::ExeDir();
  host::DialogOptions opt;
  opt.ppdPath =
      host::FirstExisting({exe / "../share/vn420p/VN420P.ppd", exe / "../../resources/ppd/VN420P.ppd"});
  opt.pluginsDir = host::FirstExisting({exe / "../plugins", exe / "../lib/vn420p/plugins"});
  std::string script;
  std::vector<std::string> command;
  std::vector<std::string> openPanel, alertButtons;

  CLI::App app{"pdehost: runs the print-dialog panels of the VN420P plug-ins from a shell"};
  app.footer(kCommands);
  app.set_version_flag("--version", "pdehost " VN420P_VERSION);
  auto* ppd = app.add_option("--ppd", opt.ppdPath, "PPD file of an offline printer (default: the bundled sample)");
  app.add_option("--printer", opt.printerName, "CUPS destination (its PPD and device URI)")->excludes(ppd);
  app.add_option("--device-uri", opt.deviceURI, "device URI of the offline printer");
  app.add_option("--settings", opt.settingsPath,
                 "print settings file: read before the panels restore, written after set and print");
  app.add_option("--plugins", opt.pluginsDir, "folder of *.plugin bundles");
  std::string custom_size, orientation;
  auto* paper = app.add_option("--paper", opt.pageSetup.paper,
                               "document paper: a page size of the PPD (default: its default)");
  app.add_option("--custom-size", custom_size,
                 "document paper of a custom size WxH, in points (e.g. 216x360)")
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
  app.add_option("--open-panel", openPanel,
                 "answers the next open panel with PATH (\"cancel\" cancels it); repeat for later panels; "
                 "unanswered panels are cancelled")
      ->allow_extra_args(false);
  app.add_option("--alert-button", alertButtons,
                 "answers the next alert with BUTTON (its title, or its number from 1); repeat for later "
                 "alerts; unanswered alerts take their default (first) button")
      ->allow_extra_args(false);
  app.add_option("--script", script, "run the commands of FILE (or - for standard input), one per line");
  // Everything from the first word that is no option on is the command, in
  // order: its own options (set --paste, show --json) are not the program's.
  app.positionals_at_end(false);
  app.allow_extras(false);
  app.prefix_command(true);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  for (const auto& extra : app.remaining()) command.push_back(extra);
  if (!custom_size.empty()) {
    double w = 0, h = 0;
    platform::ParseCustomSize(custom_size, &w, &h);
    opt.pageSetup.customWidth = w;
    opt.pageSetup.customHeight = h;
  }
  if (!orientation.empty()) opt.pageSetup.orientation = platform::ParseOrientation(orientation);
  if (command.empty() && script.empty()) {
    std::cerr << "pdehost: no command given\n" << app.help();
    return 2;
  }

  std::string error;
  auto dialog = host::Dialog::Open(opt, &error);
  if (!dialog) {
    std::cerr << "pdehost: " << error << "\n";
    return 1;
  }
  for (const auto& answer : openPanel) dialog->modalHost().openPanelAnswers.push_back(answer);
  for (const auto& answer : alertButtons) dialog->modalHost().alertAnswers.push_back(answer);
  Runner runner(*dialog);
  std::ifstream file;
  if (!script.empty() && script != "-") {
    file.open(script);
    if (!file) {
      std::cerr << "pdehost: cannot read script " << script << "\n";
      return 1;
    }
  }
  if (!script.empty()) runner.setScript(script == "-" ? &std::cin : &file, script);
  if (!command.empty()) {
    int rc = runner.run(command);
    if (rc != 0 || script.empty()) return rc;
  }
  std::vector<std::string> words;
  int rc = 0;
  while (runner.nextScriptLine(&words, &rc)) {
    if (rc = runner.run(words); rc != 0) {
      std::cerr << "pdehost: " << script << ":" << runner.lineNumber() << ": command failed\n";
      return rc;
    }
  }
  return rc;
}

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
