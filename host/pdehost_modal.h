// Alerts and modal windows as pdehost shows and drives them: alerts are
// printed on standard error, and a window a panel runs takes the user's
// actions from the script until one of them closes it.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "host/dialog.h"

namespace host {

class AlertReport {
 public:
  explicit AlertReport(RecordingModalHost& modal) : modal_(modal) {}
  // Prints the alerts raised since the last call: each line of the message,
  // then the buttons (the default one marked) and the one that answered.
  // False when an answer named no button of its alert.
  bool print();
  size_t count() const { return modal_.alerts.size(); }

 private:
  RecordingModalHost& modal_;
  size_t reported_ = 0;
};

class WindowDriver {
 public:
  // The user's next action inside the open window: 0 when one was done,
  // kEndOfInput when nothing is left, else the exit status of its failure.
  static constexpr int kEndOfInput = -1;
  using NextStep = std::function<int()>;

  // Drives every window the modal host runs while this lives.
  WindowDriver(RecordingModalHost& modal, NextStep next);
  ~WindowDriver();

  // Inside a window's run (its actions wait to be saved until it closes).
  bool inWindow() const { return depth_ > 0; }
  // The failure that closed a window (cancelled) since the last call; 0: none.
  int takeFailure() { return std::exchange(failure_, 0); }

 private:
  bool drive();

  RecordingModalHost& modal_;
  NextStep next_;
  int depth_ = 0, failure_ = 0;
};

}  // namespace host
