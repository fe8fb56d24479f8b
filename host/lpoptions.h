// The writing side of a queue's saved defaults (lpoptions), behind "Save as
// defaults for this printer" in pdedialog and `pdehost save-defaults`.
// Reading them is libcups' (cupsGetNamedDest).
//
// Only the lines of the one queue and its instances change. Every other line
// (other queues, present on this computer or not, their instances, the
// Default line, comments) stays byte for byte; a rewrite through libcups
// (cupsSetDests2) would drop the lines of queues it cannot see. The Security
// panel's modes and credentials never become defaults: saved, they would
// make every later job a secure or authenticated job without its
// credentials, one that cannot be released.
#pragma once

#include <cups/ppd.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace host {

using JobOptions = std::vector<std::pair<std::string, std::string>>;

// Whether the option key is one that is never saved as a default (nor kept
// on the queue's lines when they are rewritten).
bool IsNeverDefault(std::string_view key);

// The ticket's options that may become defaults: a key some panel supports,
// whose value is one of that option's choices in the PPD (free text, such as
// a name or a password, never is one), and not a never-default key.
JobOptions DefaultableOptions(ppd_file_t* ppd, const JobOptions& ticket,
                              const std::vector<std::string>& supportedKeys);

// Where libcups keeps this user's defaults: $HOME/.cups/lpoptions, or for
// root the system's ($CUPS_SERVERROOT, else /etc/cups, then /lpoptions).
std::string LpoptionsPath();

// The lpoptions text with `options` set on the line of `destination`
// ("queue" or "queue/instance"; names compare without regard to case, as
// libcups compares them), its other options kept, and never-default options
// taken off every line of the queue and its instances. Without a line for
// the destination one is added (a queue's before its first instance's, so
// that the instances inherit it). A line that needs no change keeps its
// bytes; so does every line of another queue.
std::string MergeQueueDefaults(std::string_view text, const std::string& destination,
                               const JobOptions& options);

// MergeQueueDefaults on the file at `path` (a missing file is empty; its
// folder is created 0700), replaced atomically with its mode and owner kept
// (a new file: 0644). A symbolic link is followed. False and *error (the
// path and the reason) when it cannot be read or written; the file is then
// unchanged.
bool SaveQueueDefaults(const std::string& path, const std::string& destination, const JobOptions& options,
                       std::string* error);

}  // namespace host
