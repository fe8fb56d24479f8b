// The CUPS destinations a person chooses from, as print dialogs list them:
// the default mark, location and state, and why a queue holds or refuses
// jobs (its printer-state-message).
#pragma once

#include <string>
#include <vector>

namespace gui {

struct Destination {
  std::string name;  // "queue" or "queue/instance"
  bool isDefault = false;
  std::string location, info;
  int state = 3;  // IPP printer-state: 3 idle, 4 processing, 5 stopped
  bool accepting = true;
  std::string stateMessage;  // the scheduler's printer-state-message, "" when none
};

// The local queues and their instances, sorted by name; empty when the
// scheduler cannot be reached. (Browsing the network for printers would hold
// the dialog up for the whole timeout.)
std::vector<Destination> ListDestinations();

// The destination's entry with its state read afresh from the scheduler;
// name only when it cannot be read.
Destination ReadDestination(const std::string& name);

}  // namespace gui
