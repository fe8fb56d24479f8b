// Copies between the pane control table, the model dictionary (the saved
// values of each print queue, under the product name in the print settings)
// and the print settings root.
#pragma once

#include <optional>
#include <string>

#include "securitypane/pane_table.h"
#include "securitypane/pde_core.h"

namespace securitypane {

// The session's current printer, or std::nullopt.
std::optional<std::string> ticketGetPrintQueueName(HVPDESession* session);
// As PDECoreGetModelDictionary, with the queue name taken live from the session.
std::optional<platform::plist::Dict> ticketGetModelDictionary(platform::PrintSettings* settings,
                                                              HVPDESession* session);
// Every entry into the print settings root (not locked).
void ticketCFDictionaryMapToTicket(platform::PrintSettings* settings,
                                   const platform::plist::Dict& dictionary);
// The current queue's saved values into the print settings root.
void ticketCopyToRoot(platform::PrintSettings* settings, HVPDESession* session);
// Saved value of each record with a settings key → the record's value.
void ticketGetPrintSettings(PaneControlTable* table, platform::PrintSettings* settings,
                            HVPDESession* session);
// Each record's value → the saved values, under its settings key.
void ticketWritePrintSettings(PaneControlTable* table, platform::PrintSettings* settings,
                              HVPDESession* session);

}  // namespace securitypane
