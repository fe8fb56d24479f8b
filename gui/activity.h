// What the plug-in thread is doing, in words for the person while the dialog
// is busy. The session names the stage (which panel, which step); when the
// plug-in waits for a helper program it started (the bridge tool asking the
// profile service, which may walk the printer over SNMP), the helper says
// more, so the words come from the thread's running children.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace gui {

// An English text of the dialog's catalogue; "%1" in it stands for subject.
struct Activity {
  const char* text = nullptr;
  std::string subject;
  bool operator==(const Activity& o) const;
};

// The words for a running child with this command line (argv[0] first).
Activity HelperActivity(const std::vector<std::string>& argv);

// The command lines of the processes the thread with this kernel id started
// and that run another program (none when the system does not list them).
std::vector<std::vector<std::string>> ChildCommandLines(int threadId);

}  // namespace gui
