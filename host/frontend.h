// Pieces both front ends (pdehost and pdedialog) need around the host core:
// finding their files next to the program, and a panel's summary as a print
// dialog lists it.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "host/plugin_api.h"

namespace host {

// The folder of the running program ("." when it cannot be read).
std::filesystem::path ExeDir();
// The first candidate that exists, else the first one (normalised either way).
std::string FirstExisting(std::initializer_list<std::filesystem::path> candidates);
// The panel's summary items (name, value) in its display order. An item
// needs both: one whose name or value is empty or not text (a control the
// PPD leaves without choices) is left out, never shown as a bare label.
std::vector<std::pair<std::string, std::string>> SummaryItems(pde::Panel& panel);

}  // namespace host
