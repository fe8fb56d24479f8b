// The Security pane of the print dialog: secure print (print mode with a
// job password), user authentication (public or private user with name and
// password) and section management (section name and password).
//
// Every show and every control action runs one refresh: values go to the
// print settings (credentials encoded or encrypted), the PPD constraints are
// applied, values are read back and shown, and the enabling rules run.
// Before printing, the required entries (secure password, private user's
// name) are checked; a missing one raises an alert and refuses printing.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/plugin_api.h"
#include "platform/ui/nib.h"
#include "securitypane/control_data.h"
#include "securitypane/pane_table.h"
#include "securitypane/pde_core.h"
#include "securitypane/settings_keys.h"

namespace securitypane {

inline constexpr const char* kSecurityPanelKind = "jp.halvern.print.pde.VN420P.Security";
inline constexpr const char* kSecurityBundleIdentifier = "jp.halvern.print.pde.VN420P.Security";

class SecurityPDE : public pde::Panel, public platform::ui::Object {
 public:
  // initWithCallback:bundle:. Check ok(): without a PPD or a pane control
  // table the pane is not created.
  SecurityPDE(pde::HostCallback* callback, const platform::Bundle* bundle);
  ~SecurityPDE() override;  // dealloc
  bool ok() const { return !SecurityTable.empty(); }

  // pde::Panel
  std::string panelName() override;
  std::string panelKind() override { return kSecurityPanelKind; }
  platform::ui::View* panelView() override;
  std::vector<std::string> supportedPPDOptionKeys() override;
  void willShow() override { updateUI(); }
  bool shouldHide() override;
  bool restoreValuesAndReturnError(std::string* error) override;
  bool saveValuesAndReturnError(std::string* error) override;
  platform::plist::Dict summaryInfo() override;
  bool shouldPrint() override;
  void PPDOptionKeyValueDidChange(const std::string& option, const std::string& choice) override;
  void terminate() override {}
  std::vector<std::pair<std::string, platform::ui::Object*>> namedObjects() override;

  // Interface-description wiring; every control's action is SecurityAction:.
  const char* className() const override { return "SecurityPDE"; }
  bool setOutlet(std::string_view name, platform::ui::Object* object) override;
  bool performAction(std::string_view selector, platform::ui::Object* sender) override;
  void SecurityAction(platform::ui::Object* sender);
  // Observer of the document's paper changing (kPaperDidChangeNotification).
  void updatePaperSize() { updateUI(); }

  // The steps of a refresh, for tests.
  void updateUI();
  void SecurityEnableControls();
  bool SecurityErrorCheck(bool printing);
  PaneControlTable& table() { return SecurityTable; }
  PDEControlDataTable* controlData() { return mCTLtableRef.get(); }
  bool isAdmin() const { return flagAdmin; }

 private:
  bool ControlTable();
  void UpdateCST();
  void getPPDSettingsFromPrintSettings();
  void writePPDSettingsToPrintSettings();
  void summarySupport(const std::optional<std::string>& label, const std::optional<std::string>& value,
                      platform::plist::Dict* dict, platform::plist::Array* order);
  std::optional<std::string> localized(const char* key) const;
  PaneControlRecord* recordFor(const char* settings_key);
  platform::PrintSettings* settings() const;
  // Whether the edit field's feature is on once the records' values are
  // shown (the enabling rules then enable the field): only such a field's
  // text is stored and checked.
  bool fieldInUse(const PaneControlRecord& field);
  // The check box of the settings key, as its record's value will show it.
  bool switchedOn(const char* settingsKey);

  pde::HostCallback* pdePluginCallbackObject;
  std::string thePDEName;
  ppd_file_t* ppd = nullptr;
  const platform::Bundle* pluginBundle = nullptr;
  bool flagAdmin = false;
  PaneControlTable SecurityTable;
  platform::ui::View* pdeView = nullptr;
  platform::ui::Object *waitModePopUp = nullptr, *userAuthenticationCheckBox = nullptr,
                       *sectionManagementCheckBox = nullptr, *userRadioButton = nullptr,
                       *securePasswordEditText = nullptr, *userNameEditText = nullptr,
                       *userPasswordEditText = nullptr, *sectionNameEditText = nullptr,
                       *sectionPasswordEditText = nullptr, *waitModeStaticText = nullptr,
                       *secureTitleStaticText = nullptr, *securePasswordStaticText = nullptr,
                       *userNameStaticText = nullptr, *userPasswordStaticText = nullptr,
                       *sectionNameStaticText = nullptr, *sectionPasswordStaticText = nullptr;
  std::unique_ptr<PDEControlDataTable> mCTLtableRef;
  PDECoreContext mCoreContext;
  HVPDESession mSession;
  HVPDESession* mHVSession = nullptr;
  const PPDConstraint* mPPDCstTable = nullptr;
  int32_t mPPDCstTableCount = 0;

  std::unique_ptr<platform::ui::Nib> nib_;
  platform::ui::ModalHost* modalHost_ = nullptr;
  platform::NotificationCenter* notifications_ = nullptr;  // observed for the paper changing
  // Entries whose text the stored form cannot hold (too long, or a password
  // that would not come back as typed): told to the user, refused at print,
  // never stored empty or changed.
  struct Unsaved {
    const char* item;  // localization key of the field's label
    bool tooLong;
  };
  std::vector<Unsaved> unsaved_;
};

class SecurityPDEPlugIn : public pde::PlugIn {
 public:
  bool initWithBundle(const platform::Bundle& bundle) override;
  std::optional<std::vector<std::unique_ptr<pde::Panel>>> PDEPanelsForType(const std::string& type,
                                                                           pde::HostCallback* host) override;

 private:
  std::unique_ptr<platform::Bundle> Bundle;
};

// The classes "SecurityPDE" names besides the built-in controls.
const platform::ui::ClassRegistry& SecurityPaneClasses();

}  // namespace securitypane
