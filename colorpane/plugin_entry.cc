// The bundle's one exported symbol.
#include "colorpane/pde_plugin_interface.h"

extern "C" __attribute__((visibility("default"))) pde::PlugIn* PDECreatePlugIn() {
  return new colorpane::PDEPlugIn();
}
