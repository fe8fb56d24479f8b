// A host for the layers under the Security pane, without the pane: the fake
// host on a PPD (its print settings, its default page format); it creates the
// pane's sixteen controls in code (no interface description), and builds the
// pane control table, the control data table, the core context and the
// constraint lists over them. refresh() runs what the pane does on every change: write the
// values to the print settings, re-enable, apply the constraints, read back,
// show.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "fake_host.h"
#include "platform/ui/view.h"
#include "securitypane/control_data.h"
#include "securitypane/pane_table.h"
#include "securitypane/pde_core.h"

namespace securitypane::testing {

class LayersHost : public testsupport::FakeHost {
 public:
  // ok() false and *error when the PPD cannot be opened.
  LayersHost(const std::string& ppd_path, std::string* error);
  ~LayersHost() override;

  // Builds every layer: tables, defaults, core context, constraint list.
  void build();
  // One refresh as the pane runs it.
  void refresh();
  // Only the constraint step of a refresh (benchmarks).
  void applyConstraints();
  // A user's choice on a control: the control data table updates the ticket,
  // the record takes the control's value, then a refresh.
  void act(platform::ui::Object* control);

  PaneControlRecord* record(const char* settings_key);
  PDEControlData* data(int32_t id) { return PDEControlDataGetByID(controlData.get(), id); }

  // The pane's controls.
  platform::ui::PopUpButton waitModePopUp;
  platform::ui::Button userAuthenticationCheckBox{platform::ui::Button::Type::kSwitch};
  platform::ui::Button sectionManagementCheckBox{platform::ui::Button::Type::kSwitch};
  platform::ui::Matrix userRadioButton;
  platform::ui::SecureTextField securePasswordEditText;
  platform::ui::TextField userNameEditText;
  platform::ui::SecureTextField userPasswordEditText;
  platform::ui::TextField sectionNameEditText;
  platform::ui::SecureTextField sectionPasswordEditText;
  platform::ui::TextField waitModeStaticText, secureTitleStaticText, securePasswordStaticText,
      userNameStaticText, userPasswordStaticText, sectionNameStaticText, sectionPasswordStaticText;

  PaneControlTable table;
  std::unique_ptr<PDEControlDataTable> controlData;
  PDECoreContext core;
  HVPDESession session;
  const PPDConstraint* constraintList = nullptr;
  int32_t constraintCount = 0;
};

}  // namespace securitypane::testing
