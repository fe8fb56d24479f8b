// What the control tables need of the profile store.
#pragma once

#include <cstdint>

#include "colorpane/control_table.h"
#include "platform/print_settings.h"
#include "platform/printing.h"

namespace colorpane {

// Appends the stored profiles to the pop-ups of rows with profileKind 1 to 3.
void AddMenuFromProfilePlist(PDEControlData* table);
// 1-based position of the ticket's profile among the row's appended items;
// 0 when not found, -1 on error.
int32_t GetTicketAddedProfile(const PDEControlData& row, const platform::PrintSettings* settings);
// Writes the ticket entries of the appended item at the 1-based position.
int32_t SetTicketAddedProfile(const PDEControlData& row, platform::PrintSettings* settings, int32_t position);
// Whether this user may write the shared preference folder: the store's
// administrator test, delegated to the privileged service (false when the
// bridge tool is missing).
bool IsAdministratorProfile();

}  // namespace colorpane
