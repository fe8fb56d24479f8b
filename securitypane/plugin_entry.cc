// The bundle's one exported symbol.
#include "securitypane/security_pde.h"

extern "C" __attribute__((visibility("default"))) pde::PlugIn* PDECreatePlugIn() {
  return new securitypane::SecurityPDEPlugIn();
}
