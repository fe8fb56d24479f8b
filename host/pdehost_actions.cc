#include "host/pdehost_actions.h"

#include <algorithm>
#include <iostream>

#include "host/pdehost_output.h"
#include "host/user_action.h"
#include "platform/wipe.h"

namespace host {

Dialog::PanelEntry* PanelNamed(Dialog& dialog, const std::string& name) {
  Dialog::PanelEntry* e = dialog.findEntry(name);
  if (!e) {
    std::string known;
    for (auto& p : dialog.panels()) known += " \"" + p.panel->panelKind() + "\"";
    Fail("no panel \"" + name + "\"; panels:" + known);
  }
  return e;
}

SetCommand::Action::~Action() { platform::WipeString(value); }

bool SetCommand::IsSecureOutlet(const std::string& panel, const std::string& outlet) {
  Dialog::PanelEntry* e = d_.findEntry(panel);
  if (!e) return false;
  for (auto& [name, object] : e->panel->namedObjects())
    if (name == outlet) return object && KindOf(*object) == ControlKind::kSecureField;
  return false;
}

int SetCommand::run(const std::vector<std::string>& args) {
  constexpr const char* kUsage = "usage: set PANEL [--paste] [--stdin] OUTLET VALUE|(with --stdin) ...";
  if (args.size() < 2) return Fail(kUsage);
  if (!PanelNamed(d_, args[0])) return 2;
  std::deque<Action> actions;
  for (size_t i = 1; i < args.size();) {
    Action a{args[0], "", "", false, false};
    for (; i < args.size() && args[i].starts_with("--"); ++i) {
      if (args[i] == "--paste")
        a.paste = true;
      else if (args[i] == "--stdin")
        a.fromStdin = true;
      else
        return Fail("set: unknown modifier \"" + args[i] + "\" (" + kUsage + ")");
    }
    if (i >= args.size() || (!a.fromStdin && i + 1 >= args.size())) return Fail(kUsage);
    a.outlet = args[i++];
    if (!a.fromStdin && IsSecureOutlet(a.panel, a.outlet))
      return Fail(a.outlet +
                  ": a password is never taken from an argument, where other users may read it;"
                  " give --stdin " +
                  a.outlet +
                  " and the text on the next line of standard input"
                  " (with --script -, the script's next line); nothing was saved");
    if (!a.fromStdin)
      a.value = args[i++];
    else if (!script_.nextInputLine(&a.value))
      return Fail(a.outlet + ": no line left on standard input; nothing was saved");
    actions.push_back(std::move(a));
  }
  for (auto& a : actions) pending_.push_back(std::move(a));
  int rc = 0;
  while (runNext(&rc)) {
    if (rc == 0) rc = windows_.takeFailure();  // a failure inside a window the action opened
    if (rc != 0) {
      pending_.clear();
      return rc;
    }
  }
  if (windows_.inWindow()) return 0;  // the dialog saves once the window has closed
  std::string error;
  const bool saved = d_.save(&error);
  const bool answered = alerts_.print();  // a panel may tell about an entry it switched off
  if (!saved) return Fail(error);
  return answered ? 0 : Fail("an alert had no such button");
}

bool SetCommand::runNext(int* rc) {
  if (pending_.empty()) return false;
  Action a = std::move(pending_.front());
  pending_.pop_front();
  *rc = operate(a);
  if (*rc != 0) pending_.clear();
  return true;
}

int SetCommand::operate(const Action& a) {
  Dialog::PanelEntry* e = PanelNamed(d_, a.panel);
  if (!e) return 2;
  auto objects = e->panel->namedObjects();
  auto it = std::find_if(objects.begin(), objects.end(), [&](auto& o) { return o.first == a.outlet; });
  if (it == objects.end()) return Fail("panel \"" + a.panel + "\" has no outlet \"" + a.outlet + "\"");
  const ControlState control = CaptureControl(it->second);
  auto* field = dynamic_cast<platform::ui::TextField*>(it->second);
  if (a.paste && !field) return Fail(a.outlet + ": --paste is for text fields; nothing was saved");
  std::string error;
  std::optional<UserAction> action =
      ParseUserAction(control, a.value, a.paste ? TextEntry::kPaste : TextEntry::kType, &error);
  bool ok = action && ApplyUserActionTo(it->second, *action, &error);
  if (!alerts_.print()) {
    ok = false;
    error = "an alert had no such button";
  }
  // A secure field's text, or one kept out of the arguments, is never shown.
  const bool secret = a.fromStdin || control.kind == ControlKind::kSecureField;
  if (!ok)
    return Fail(a.outlet + " " + (secret ? "(text hidden)" : a.value) + ": " + error + "; nothing was saved");
  // A field's filters and limits may refuse part of what was typed; the
  // field keeps (and the dialog saves) what it took. An empty line clears
  // the field: said, since nobody sees what standard input held.
  const std::string& now = field ? field->stringValue() : a.value;
  if (field && a.value.empty()) {
    if (!now.empty())
      std::cerr << "pdehost: " << a.outlet << ": the field kept "
                << (secret ? std::to_string(now.size()) + " bytes" : "\"" + now + "\"")
                << " instead of being cleared\n";
    else if (a.fromStdin)
      std::cerr << "pdehost: " << a.outlet
                << ": the line on standard input was empty; the field is now empty\n";
  } else if (field && now != a.value) {
    std::cerr << "pdehost: " << a.outlet << ": the field took "
              << (secret ? std::to_string(now.size()) + " bytes" : "\"" + now + "\"") << " of what was "
              << (a.paste ? "pasted" : "typed") << "\n";
  }
  return 0;
}

}  // namespace host
