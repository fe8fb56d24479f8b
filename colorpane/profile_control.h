// ProfileControl: controller of the "Management Profile" window. The panel
// hands it the print settings, session and combined table when it loads.
#pragma once

#include "colorpane/control_table.h"
#include "platform/print_settings.h"
#include "platform/printing.h"
#include "platform/ui/object.h"

namespace colorpane {

class ProfileControl : public platform::ui::Object {
 public:
  const char* className() const override { return "ProfileControl"; }
  void setPMPrint(platform::PrintSettings* setting, platform::PrintSession* session) {
    setting_ = setting;
    session_ = session;
  }
  void setConstTable(PDEControlData* table) { constTable_ = table; }
  PDEControlData* constTable() const { return constTable_; }

 private:
  platform::PrintSettings* setting_ = nullptr;
  platform::PrintSession* session_ = nullptr;
  PDEControlData* constTable_ = nullptr;
};

}  // namespace colorpane
