// A process that holds passwords in clear: no core file, and no other process
// of the user attaching to read its memory.
#pragma once

namespace host {

// Best effort: a limit or flag the system refuses leaves the process as it was.
void HardenProcess();

}  // namespace host
