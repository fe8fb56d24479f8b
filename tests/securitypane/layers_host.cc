#include "layers_host.h"

#include <cstring>

#include "securitypane/ppd_ticket.h"
#include "securitypane/ui_constraints.h"

namespace securitypane::testing {

namespace ui = platform::ui;

LayersHost::LayersHost(const std::string& ppd_path, std::string* error)
    : FakeHost({.ppd = ppd_path, .deviceUri = "socket://192.0.2.7", .ppdPageFormat = true}) {
  if (!ok() && error != nullptr) *error = FakeHost::error();
  userRadioButton.cells() = {{"Public user", true, 0}, {"Private user", true, 1}};
  userRadioButton.selectCellAtRow(0);
  for (ui::TextField* label :
       {&waitModeStaticText, &secureTitleStaticText, &securePasswordStaticText, &userNameStaticText,
        &userPasswordStaticText, &sectionNameStaticText, &sectionPasswordStaticText}) {
    label->setEditable(false);
    label->setBezeled(false);
  }
}

LayersHost::~LayersHost() {
  ReleaseUIConstrainstPPDListForEveryUserPaneArgument(&core.uiConstraints);
  UIConstraintsPPDFinalize(&core.uiConstraints);
  CTblRelease(&controlData);
}

void LayersHost::build() {
  table = {
      {&waitModePopUp, kPanePopUp, "PrintModeVN420P", "PrintModeVN420P", {}, 0},
      {&userAuthenticationCheckBox, kPaneCheckBox, "HVAuthenticationVN420P", "HVAuthenticationVN420P", {}, 0},
      {&sectionManagementCheckBox,
       kPaneCheckBox,
       "HVSectionManagementVN420P",
       "HVSectionManagementVN420P",
       {},
       0},
      {&userRadioButton, kPaneRadio, "jp.halvern.printers.VN420P.userType", nullptr, {}, 0},
      {&securePasswordEditText, kPaneEditText, "jp.halvern.printers.VN420P.secureKey", "SecurePass", {}, 0},
      {&userNameEditText, kPaneEditText, "jp.halvern.printers.VN420P.userName", "UserName", {}, 0},
      {&userPasswordEditText, kPaneEditText, "jp.halvern.printers.VN420P.userKey", "UserPass", {}, 0},
      {&sectionNameEditText, kPaneEditText, "jp.halvern.printers.VN420P.sectionName", "SectionName", {}, 0},
      {&sectionPasswordEditText,
       kPaneEditText,
       "jp.halvern.printers.VN420P.sectionKey",
       "SectionPass",
       {},
       0},
      {&waitModeStaticText, kPaneStaticText, nullptr, "PrintModeVN420P", {}, 1},
      {&secureTitleStaticText, kPaneStaticText, nullptr, "SecureTitle", {}, 0},
      {&securePasswordStaticText, kPaneStaticText, nullptr, "SecurePass", {}, 1},
      {&userNameStaticText, kPaneStaticText, nullptr, "UserName", {}, 1},
      {&userPasswordStaticText, kPaneStaticText, nullptr, "UserPass", {}, 1},
      {&sectionNameStaticText, kPaneStaticText, nullptr, "SectionName", {}, 1},
      {&sectionPasswordStaticText, kPaneStaticText, nullptr, "SectionPass", {}, 1},
      {},
  };
  ppd_file_t* ppd = ppdFile();
  initializeUI(ppd, &table, nullptr);
  const PDEControlTemplate templates[] = {
      {400, &waitModePopUp, kCtlPopUp, "PrintModeVN420P"},
      {401, &userAuthenticationCheckBox, kCtlCheckBox, "HVAuthenticationVN420P"},
      {402, &sectionManagementCheckBox, kCtlCheckBox, "HVSectionManagementVN420P"},
      {450, &waitModeStaticText, kCtlStaticText, "PrintModeVN420P"},
      {0, nullptr, 0, nullptr},
  };
  CTblCreate(&controlData, templates, 4, ppd);

  session = HVPDESession{nullptr, this, &core, nullptr};
  PDECoreOnInitialize(&session);
  UIConstraintsPPDInitializeArgument(ppd, &core.uiConstraints);
  constraintList = CreateUIConstrainstPPDListForEveryUserPaneArgument(SetupPPDKeyTableSecurity,
                                                                      &constraintCount, &core.uiConstraints);
  setDefaults(ppd, &table);
}

PaneControlRecord* LayersHost::record(const char* settings_key) {
  for (PaneControlRecord& r : table)
    if (r.kind != kPaneEnd && r.settingsKey && !std::strcmp(r.settingsKey, settings_key)) return &r;
  return nullptr;
}

void LayersHost::applyConstraints() {
  mEnableALL(controlData.get());
  UpdateUIConstraintsPPDArgument(constraintList, constraintCount, SetupPPDKeyTableSecurity,
                                 kSecurityKeyTableEntries, controlData.get(), &session);
}

void LayersHost::refresh() {
  ForEachPaneRecord(&table, [&](PaneControlRecord& r) {
    if (r.kind != kPaneStaticText && r.settingsKey && r.value)
      HVPrintSettingsSetItem(&settings, kSettingsDomain, r.settingsKey, *r.value, false);
  });
  applyConstraints();
  ForEachPaneRecord(&table, [&](PaneControlRecord& r) {
    const std::string* value = nullptr;
    if (r.kind != kPaneStaticText && r.settingsKey &&
        HVPrintSettingsGetString(&settings, r.settingsKey, &value) == platform::noErr && value)
      r.value = *value;
    if (r.value) setPPDValueToControl(&r, &*r.value);
  });
}

void LayersHost::act(ui::Object* control) {
  if (CTblGetID(controlData.get(), control) > 0)
    UpdateTicketWithPDEControl(
        PDEControlDataGetByID(controlData.get(), CTblGetID(controlData.get(), control)), &session);
  const int index = searchTableIndex(&table, control);
  if (index >= 0 && table[static_cast<size_t>(index)].kind != kPaneStaticText)
    table[static_cast<size_t>(index)].value = getPPDValueFromControl(&table[static_cast<size_t>(index)]);
  refresh();
}

}  // namespace securitypane::testing
