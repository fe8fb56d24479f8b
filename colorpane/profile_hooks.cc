#include "colorpane/delegating_variant.h"
#include "colorpane/profile_hooks.h"
#include "profilestore/file_variant.h"

namespace colorpane {

bool IsAdministratorProfile() {
  InstallDelegatingVariant();
  return profilestore::HVPListIsAdminProfile() == 1;
}

}  // namespace colorpane
