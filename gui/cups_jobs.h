// The print system side of the dialog: a job streamed to a destination with
// the print ticket's options (the destinations: gui/destinations.h; the
// user's per-queue defaults are host/lpoptions'). Errors come back in words
// for the window.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace gui {

using Options = std::vector<std::pair<std::string, std::string>>;

// Creates a job on the destination, streams the file into it as one document
// and closes it. The job id, or 0 and *error (the scheduler's reason, or the
// file's).
int SubmitJob(const std::string& destination, const std::string& file, const Options& options,
              std::string* error);

}  // namespace gui
