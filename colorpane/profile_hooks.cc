// Until the profile store and device discovery are built into the plug-in,
// no profile is stored and the user is no administrator: menus get no
// profile items, the "Management Profile" button stays disabled and no
// discovery runs.
#include "colorpane/profile_hooks.h"

namespace colorpane {

void AddMenuFromProfilePlist(PDEControlData*) {}

int32_t GetTicketAddedProfile(const PDEControlData&, const platform::PrintSettings*) { return 0; }

int32_t SetTicketAddedProfile(const PDEControlData&, platform::PrintSettings*, int32_t) { return 0; }

bool IsAdministratorProfile() { return false; }

void GetProfilesFromMIB(const platform::PrintSession*) {}

}  // namespace colorpane
