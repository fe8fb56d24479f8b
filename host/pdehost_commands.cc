#include "host/pdehost_commands.h"

#include <cstdint>
#include <iostream>

#include "host/control_snapshot.h"
#include "host/display_text.h"
#include "host/frontend.h"
#include "host/pdehost_output.h"
#include "platform/wipe.h"

namespace host {

using nlohmann::ordered_json;

// A command takes between minArgs and maxArgs words (after its name, --json
// left out); else `usage` is the message.
struct CommandRunner::Command {
  const char* name;
  size_t minArgs, maxArgs;
  const char* usage;
  int (CommandRunner::*run)(const Args& args, bool json);
};

namespace {
constexpr size_t kAny = SIZE_MAX;
}  // namespace

const CommandRunner::Command CommandRunner::kCommands[] = {
    {"panels", 0, kAny, "", &CommandRunner::panels},
    {"show", 1, 1, "usage: show PANEL [--json]", &CommandRunner::show},
    {"set", 0, kAny, "", &CommandRunner::set},
    {"summary", 0, kAny, "", &CommandRunner::summary},
    {"ticket", 0, kAny, "", &CommandRunner::ticket},
    {"window", 0, 0, "usage: window [--json]", &CommandRunner::window},
    {"open-panel", 1, 1, "usage: open-panel PATH|cancel", &CommandRunner::openPanel},
    {"alert-button", 1, 1, "usage: alert-button BUTTON", &CommandRunner::alertButton},
    {"print", 0, 1, "usage: print [FILE]", &CommandRunner::print},
    {"save-defaults", 0, 0, "usage: save-defaults", &CommandRunner::saveDefaults},
    {"shouldHide", 1, 1, "usage: shouldHide PANEL", &CommandRunner::shouldHide},
    {"willShow", 1, 1, "usage: willShow PANEL", &CommandRunner::willShow},
    {"page-setup", 0, kAny, "", &CommandRunner::pageSetup},
    {"PPDOptionKeyValueDidChange", 2, 2, "usage: PPDOptionKeyValueDidChange OPTION CHOICE",
     &CommandRunner::ppdOptionChange},
};

CommandRunner::CommandRunner(Dialog& dialog, ScriptReader& script)
    : d_(dialog),
      script_(script),
      alerts_(dialog.modalHost()),
      set_(dialog, script, alerts_, windows_),
      windows_(dialog.modalHost(), [this] { return windowStep(); }) {}

int CommandRunner::run(std::vector<std::string> words) {
  if (words.empty()) return Fail("no command given (see --help)");
  const std::string name = words[0];
  words.erase(words.begin());
  bool json = false;
  std::erase_if(words, [&](const std::string& w) { return w == "--json" ? (json = true) : false; });
  for (const Command& c : kCommands) {
    if (name != c.name) continue;
    if (words.size() < c.minArgs || words.size() > c.maxArgs) return Fail(c.usage);
    return (this->*c.run)(words, json);
  }
  return Fail("unknown command \"" + name + "\" (see --help)");
}

int CommandRunner::windowStep() {
  int rc = 0;
  if (set_.runNext(&rc)) return rc;  // the rest of the set that opened the window
  std::vector<std::string> words;
  std::string error;
  if (script_.next(&words, &error)) {
    rc = run(words);
    for (auto& w : words) platform::WipeString(w);
    return rc;
  }
  if (error.empty()) return WindowDriver::kEndOfInput;
  std::cerr << "pdehost: " << error << "\n";
  return 2;
}

int CommandRunner::panels(const Args&, bool json) {
  ordered_json out = ordered_json::array();
  for (auto& e : d_.panels())
    out.push_back({{"name", e.panel->panelName()},
                   {"kind", e.panel->panelKind()},
                   {"plugin", e.plugin},
                   {"supportedPPDOptionKeys", e.panel->supportedPPDOptionKeys()}});
  PrintPanels(out, json);
  return 0;
}

int CommandRunner::show(const Args& args, bool json) {
  Dialog::PanelEntry* e = PanelNamed(d_, args[0]);
  if (!e) return 2;
  ordered_json out = ordered_json::array();
  auto objects = e->panel->namedObjects();
  for (auto& [outlet, object] : objects) {
    ControlState s = CaptureControl(object);
    s.name = outlet;
    const auto* view = dynamic_cast<const platform::ui::View*>(object);
    out.push_back(DescribeControl(s, e->view ? std::optional(IsOnScreen(view, e->view)) : std::nullopt));
  }
  PrintControls(PaneOnScreen(objects, e->view), out, json);
  return 0;
}

int CommandRunner::set(const Args& args, bool) { return set_.run(args); }

int CommandRunner::window(const Args&, bool json) {
  platform::ui::Window* w = d_.modalHost().openWindow;
  if (!w) return Fail("no window is open");
  ordered_json controls = ordered_json::array();
  for (auto& e : d_.panels())
    for (auto& [outlet, object] : e.panel->namedObjects()) {
      auto* view = dynamic_cast<platform::ui::View*>(object);
      if (!view || !w->contentView() || !view->isDescendantOf(w->contentView())) continue;
      ControlState s = CaptureControl(object);
      s.name = outlet;
      controls.push_back(DescribeControl(s, std::nullopt));
    }
  PrintWindow(w->title(), controls, json);
  return 0;
}

int CommandRunner::summary(const Args&, bool json) {
  ordered_json out = ordered_json::array();
  for (auto& e : d_.panels()) {
    ordered_json items = ordered_json::array();
    for (const auto& [name, value] : SummaryItems(*e.panel))
      items.push_back({{"name", name}, {"value", value}});
    out.push_back({{"panel", e.panel->panelName()}, {"items", items}});
  }
  PrintSummary(out, json);
  return 0;
}

int CommandRunner::ticket(const Args&, bool) {
  for (const auto& [k, v] : d_.ticketOptions()) Out(k + "=" + v + "\n");
  return 0;
}

int CommandRunner::openPanel(const Args& args, bool) {
  d_.modalHost().openPanelAnswers.push_back(args[0]);
  return 0;
}

int CommandRunner::alertButton(const Args& args, bool) {
  d_.modalHost().alertAnswers.push_back(args[0]);
  return 0;
}

int CommandRunner::print(const Args& args, bool) {
  const std::string file = args.empty() ? "" : args[0];
  std::string reason;
  bool refused = false;
  const size_t alertsBefore = alerts_.count();
  const bool printed = d_.print(&reason, &refused);
  if (!alerts_.print()) return Fail("an alert had no such button");
  if (!printed) {
    if (!refused) return Fail(reason);
    // The alert just shown says why; without one, the panel's name.
    std::cerr << "pdehost: printing refused"
              << (alerts_.count() > alertsBefore ? "" : ": " + ShowableText(reason)) << "\n";
    return 1;
  }
  ticket(args, false);
  if (file.empty() || d_.options().printerName.empty()) return 0;
  std::string error;
  return d_.submit(file, &error) ? 0 : Fail(error);
}

int CommandRunner::saveDefaults(const Args&, bool) {
  JobOptions saved;
  std::string error;
  const bool ok = d_.saveDefaults(&saved, &error);
  if (!alerts_.print()) return Fail("an alert had no such button");
  if (!ok) return Fail(error);
  Out("saved in " + LpoptionsPath() + " for " + d_.options().printerName + ":\n");
  for (const auto& [k, v] : saved) Out(k + "=" + v + "\n");
  return 0;
}

int CommandRunner::shouldHide(const Args& args, bool) {
  Dialog::PanelEntry* e = PanelNamed(d_, args[0]);
  if (!e) return 2;
  Out(std::string("shouldHide: ") + (d_.shouldHide(e->panel.get()) ? "YES" : "NO") + "\n");
  return 0;
}

int CommandRunner::willShow(const Args& args, bool) {
  Dialog::PanelEntry* e = PanelNamed(d_, args[0]);
  if (!e) return 2;
  d_.willShow(e->panel.get());
  return 0;
}

int CommandRunner::pageSetup(const Args& args, bool) {
  constexpr const char* kUsage =
      "usage: page-setup [paper NAME|custom-size WxH] [orientation O] [scale-to NAME]";
  platform::PageSetup setup;
  if (args.empty() || args.size() % 2 != 0) return Fail(kUsage);
  for (size_t i = 0; i < args.size(); i += 2) {
    const std::string &option = args[i], &value = args[i + 1];
    double w = 0, h = 0;
    if (option == "paper" && !setup.customWidth) {
      setup.paper = value;
    } else if (option == "custom-size" && setup.paper.empty()) {
      if (!platform::ParseCustomSize(value, &w, &h))
        return Fail("custom-size: expected WxH in points, e.g. 216x360");
      setup.customWidth = w;
      setup.customHeight = h;
    } else if (option == "orientation") {
      if (!(setup.orientation = platform::ParseOrientation(value)))
        return Fail("orientation: unknown orientation");
    } else if (option == "scale-to") {
      setup.scaleTo = value;
    } else {
      return Fail(kUsage);
    }
  }
  std::string error;
  return d_.changePageSetup(setup, &error) ? 0 : Fail(error);
}

int CommandRunner::ppdOptionChange(const Args& args, bool) {
  std::string error;
  return d_.changePpdOption(args[0], args[1], &error) ? 0 : Fail(error);
}

}  // namespace host
