#include "host/pdehost_modal.h"

#include <algorithm>
#include <iostream>
#include <string_view>

#include "host/display_text.h"

namespace host {

bool AlertReport::print() {
  const auto& alerts = modal_.alerts;
  bool answered = true;
  for (; reported_ < alerts.size(); ++reported_) {
    const auto& alert = alerts[reported_];
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
    std::cerr << ShowableText(out);
  }
  return answered;
}

WindowDriver::WindowDriver(RecordingModalHost& modal, NextStep next) : modal_(modal), next_(std::move(next)) {
  modal_.windowDriver = [this](platform::ui::Window&) { return drive(); };
}

WindowDriver::~WindowDriver() { modal_.windowDriver = nullptr; }

// One turn of the window's run; false closes it (cancelled) when nothing is
// left or an action failed.
bool WindowDriver::drive() {
  ++depth_;
  const int rc = next_();
  --depth_;
  if (rc == kEndOfInput) {
    platform::ui::Window* w = modal_.openWindow;
    std::cerr << "pdehost: the window \"" << (w ? w->title() : "")
              << "\" was still open at the end: cancelled\n";
    return false;
  }
  if (rc != 0) failure_ = rc;
  return failure_ == 0;
}

}  // namespace host
