// The scheduler's configuration (cupsd.conf) through its own administration
// interface: read with a GET and replaced with a PUT of
// /admin/conf/cupsd.conf, as the scheduler's own tools do, on the scheduler
// libcups names (CUPS_SERVER, client.conf, else the local one). libcups asks
// for a password when the scheduler wants one; root on this computer is let
// in without.
#pragma once

#include <string>

namespace cupssetup {

// The configuration text. False and *error (the scheduler's address and its
// answer) when it cannot be read.
bool ReadSchedulerConf(std::string* conf, std::string* error);

// Replaces the configuration; the scheduler then restarts with it. Returns
// once the scheduler answers again and hands out the new text, or false and
// *error when it refuses the text or has not come back within `seconds`.
bool WriteSchedulerConf(const std::string& conf, int seconds, std::string* error);

}  // namespace cupssetup
