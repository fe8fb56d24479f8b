// The print system side of the dialog: the CUPS destinations to choose from,
// a job streamed to a destination with the print ticket's options, and the
// user's per-queue defaults. Errors come back in words for the window.
#pragma once

#include <cups/ppd.h>

#include <string>
#include <utility>
#include <vector>

namespace gui {

using Options = std::vector<std::pair<std::string, std::string>>;

// The names of the CUPS destinations (queues and their instances as
// "name/instance"), sorted; empty when the scheduler cannot be reached.
std::vector<std::string> DestinationNames();

// Creates a job on the destination, streams the file into it as one document
// and closes it. The job id, or 0 and *error (the scheduler's reason, or the
// file's).
int SubmitJob(const std::string& destination, const std::string& file, const Options& options,
              std::string* error);

// The options that may become the queue's defaults: those whose key is a
// supported PPD option key of a panel and whose value is one of the option's
// choices in the PPD. Free text (names, passwords) never is one, so no
// credential leaves the dialog this way.
Options DefaultableOptions(ppd_file_t* ppd, const Options& ticket, const std::vector<std::string>& supportedKeys);

// Merges the options into the destination's saved options (the user's
// lpoptions, or the system's when run as root) with cupsSetDests2.
bool SaveDestinationDefaults(const std::string& destination, const Options& options, std::string* error);

}  // namespace gui
