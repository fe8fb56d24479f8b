#include "securitypane/security_pde.h"

#include <algorithm>
#include <cstring>

#include "platform/log.h"
#include "platform/paths.h"
#include "platform/utf8.h"
#include "platform/wipe.h"
#include "securitypane/edit_text_settings.h"
#include "securitypane/security_strings.h"
#include "securitypane/security_util.h"
#include "securitypane/ticket_model.h"
#include "securitypane/ui_constraints.h"
#include "textfields/security_text_field.h"

namespace securitypane {

namespace ui = platform::ui;
namespace plist = platform::plist;

namespace {

constexpr const char* kPrintMode = kPrintModeKey;
constexpr const char* kAuthentication = kAuthenticationKey;
constexpr const char* kSectionManagement = kSectionManagementKey;
constexpr const char* kUserType = kUserTypeKey;
constexpr const char* kSecureKey = kSecureKeyKey;
constexpr const char* kUserName = kUserNameKey;
constexpr const char* kSectionName = kSectionNameKey;
constexpr int kNumericEditType = 5;

class SecurityView : public ui::View {
 public:
  const char* className() const override { return "SecurityView"; }
};

void SetEnabled(ui::Object* o, bool on) {
  if (auto* c = dynamic_cast<ui::Control*>(o)) c->setEnabled(on);
}
bool IsEnabled(ui::Object* o) {
  auto* c = dynamic_cast<ui::Control*>(o);
  return c && c->isEnabled();
}
void SetLabelColor(ui::Object* o, bool active) {
  if (auto* t = dynamic_cast<ui::TextField*>(o)) t->setTextColor(LabelTextColor(active));
}
bool IsSecure(ui::Object* o) {
  auto* t = dynamic_cast<ui::TextField*>(o);
  return t && t->isSecure();
}

}  // namespace

const ui::ClassRegistry& SecurityPaneClasses() {
  static const ui::ClassRegistry registry = [] {
    ui::ClassRegistry r;
    r.add<SecurityView>("SecurityView");
    r.add<HVTextField>("HVTextField");
    r.add<HVSecureTextField>("HVSecureTextField");
    return r;
  }();
  return registry;
}

// --- The plug-in

bool SecurityPDEPlugIn::initWithBundle(const platform::Bundle& bundle) {
  if (!Bundle) Bundle = std::make_unique<platform::Bundle>(bundle);
  return true;
}

std::optional<std::vector<std::unique_ptr<pde::Panel>>> SecurityPDEPlugIn::PDEPanelsForType(
    const std::string& type, pde::HostCallback* host) {
  std::vector<std::unique_ptr<pde::Panel>> panels;
  if (type != pde::kPrinterDriverPaneType) return panels;
  auto pane = std::make_unique<SecurityPDE>(host, Bundle.get());
  if (!pane->ok()) return std::nullopt;
  panels.push_back(std::move(pane));
  return panels;
}

// --- Creation and teardown

SecurityPDE::SecurityPDE(pde::HostCallback* callback, const platform::Bundle* bundle)
    : pdePluginCallbackObject(callback), pluginBundle(bundle) {
  if (callback) {
    ppd = callback->ppdFile();
    if (ui::ModalHost* modal = callback->panelModalHost()) {
      ui::SetModalHost(modal);
      modalHost_ = modal;
    }
  }
  flagAdmin = HVPropertyIsWritable();
  if (ppd) panelView();
  mSession = HVPDESession{nullptr, callback, &mCoreContext, bundle};
  mHVSession = &mSession;
  PDECoreOnInitialize(mHVSession);
  UIConstraintsPPDInitializeArgument(ppd, &mCoreContext.uiConstraints);
  mPPDCstTable = CreateUIConstrainstPPDListForEveryUserPaneArgument(
      SetupPPDKeyTableSecurity, &mPPDCstTableCount, &mCoreContext.uiConstraints);
  if (!ok()) return;
  setDefaults(ppd, &SecurityTable);
  if (platform::NotificationCenter* center = callback->notificationCenter()) {
    center->addObserver(this, platform::kPaperDidChangeNotification, [this] { updatePaperSize(); });
    notifications_ = center;
  }
  getPPDSettingsFromPrintSettings();
  updateUI();
}

SecurityPDE::~SecurityPDE() {
  ForEachPaneRecord(&SecurityTable, [](PaneControlRecord& r) {
    if (r.value && IsSecure(r.control)) platform::WipeString(*r.value);
  });
  ReleaseUIConstrainstPPDListForEveryUserPaneArgument(&mCoreContext.uiConstraints);
  UIConstraintsPPDFinalize(&mCoreContext.uiConstraints);
  CTblRelease(&mCTLtableRef);
  if (notifications_) notifications_->removeObserver(this);
  if (modalHost_ && ui::GetModalHost() == modalHost_) ui::SetModalHost(nullptr);
}

ui::View* SecurityPDE::panelView() {
  if (!nib_ && pluginBundle) {
    std::string error;
    nib_ = ui::Nib::Load(*pluginBundle, "SecurityPDE", this, SecurityPaneClasses(), &error);
    if (!nib_) platform::log::Writef(LOG_ERR, "securitypane: cannot load SecurityPDE: %s", error.c_str());
    if (nib_ && !pdeView) pdeView = nib_->topView();
  }
  if (nib_ && SecurityTable.empty()) ControlTable();
  return pdeView;
}

bool SecurityPDE::setOutlet(std::string_view name, ui::Object* object) {
  return ui::TakeOutlet(name, object, ui::Outlet("waitModePopUp", waitModePopUp),
                        ui::Outlet("userAuthenticationCheckBox", userAuthenticationCheckBox),
                        ui::Outlet("sectionManagementCheckBox", sectionManagementCheckBox),
                        ui::Outlet("userRadioButton", userRadioButton),
                        ui::Outlet("securePasswordEditText", securePasswordEditText),
                        ui::Outlet("userNameEditText", userNameEditText),
                        ui::Outlet("userPasswordEditText", userPasswordEditText),
                        ui::Outlet("sectionNameEditText", sectionNameEditText),
                        ui::Outlet("sectionPasswordEditText", sectionPasswordEditText),
                        ui::Outlet("waitModeStaticText", waitModeStaticText),
                        ui::Outlet("secureTitleStaticText", secureTitleStaticText),
                        ui::Outlet("securePasswordStaticText", securePasswordStaticText),
                        ui::Outlet("userNameStaticText", userNameStaticText),
                        ui::Outlet("userPasswordStaticText", userPasswordStaticText),
                        ui::Outlet("sectionNameStaticText", sectionNameStaticText),
                        ui::Outlet("sectionPasswordStaticText", sectionPasswordStaticText),
                        ui::Outlet("pdeView", pdeView));
}

bool SecurityPDE::performAction(std::string_view selector, ui::Object* sender) {
  static constexpr ui::ActionEntry<SecurityPDE> kActions[] = {
      {"SecurityAction:", &SecurityPDE::SecurityAction}};
  return ui::PerformFromTable(this, kActions, selector, sender);
}

bool SecurityPDE::ControlTable() {
  SecurityTable = {
      {waitModePopUp, kPanePopUp, kPrintMode, kPrintMode, {}, 0},
      {userAuthenticationCheckBox, kPaneCheckBox, kAuthentication, kAuthentication, {}, 0},
      {sectionManagementCheckBox, kPaneCheckBox, kSectionManagement, kSectionManagement, {}, 0},
      {userRadioButton, kPaneRadio, kUserType, nullptr, {}, 0},
      {securePasswordEditText, kPaneEditText, kSecureKey, "SecurePass", {}, 0},
      {userNameEditText, kPaneEditText, kUserName, "UserName", {}, 0},
      {userPasswordEditText, kPaneEditText, "jp.halvern.printers.VN420P.userKey", "UserPass", {}, 0},
      {sectionNameEditText, kPaneEditText, kSectionName, "SectionName", {}, 0},
      {sectionPasswordEditText, kPaneEditText, "jp.halvern.printers.VN420P.sectionKey", "SectionPass", {}, 0},
      {waitModeStaticText, kPaneStaticText, nullptr, kPrintMode, {}, 1},
      {secureTitleStaticText, kPaneStaticText, nullptr, "SecureTitle", {}, 0},
      {securePasswordStaticText, kPaneStaticText, nullptr, "SecurePass", {}, 1},
      {userNameStaticText, kPaneStaticText, nullptr, "UserName", {}, 1},
      {userPasswordStaticText, kPaneStaticText, nullptr, "UserPass", {}, 1},
      {sectionNameStaticText, kPaneStaticText, nullptr, "SectionName", {}, 1},
      {sectionPasswordStaticText, kPaneStaticText, nullptr, "SectionPass", {}, 1},
      {},
  };
  initializeUI(ppd, &SecurityTable, pluginBundle);
  HVTextFieldSetup(SecurityTable.data());
  HVTextFieldClassCheck(SecurityTable.data());
  const PDEControlTemplate templates[] = {
      {400, waitModePopUp, kCtlPopUp, kPrintMode},
      {401, userAuthenticationCheckBox, kCtlCheckBox, kAuthentication},
      {402, sectionManagementCheckBox, kCtlCheckBox, kSectionManagement},
      {450, waitModeStaticText, kCtlStaticText, kPrintMode},
      {0, nullptr, 0, nullptr},
  };
  return CTblCreate(&mCTLtableRef, templates, 4, ppd) == platform::noErr;
}

// --- Lifecycle calls

std::string SecurityPDE::panelName() {
  if (thePDEName.empty()) thePDEName = localized("PDETitle").value_or("Security");
  return thePDEName;
}

std::vector<std::string> SecurityPDE::supportedPPDOptionKeys() {
  return CustomSupportedPPDOptionKeys(&SecurityTable);
}

bool SecurityPDE::shouldHide() {
  ForEachPaneRecord(&SecurityTable, [](PaneControlRecord& r) {
    auto* field = dynamic_cast<ui::TextField*>(r.control);
    if (r.kind == kPaneEditText && field && field->isEnabled()) field->abortEditing();
  });
  return true;
}

bool SecurityPDE::restoreValuesAndReturnError(std::string*) {
  setDefaults(ppd, &SecurityTable);
  if (ok()) getPPDSettingsFromPrintSettings();
  updateUI();
  return true;
}

bool SecurityPDE::saveValuesAndReturnError(std::string*) {
  updateUI();
  SecurityErrorCheck(false);
  return true;
}

bool SecurityPDE::shouldPrint() {
  updateUI();
  if (!SecurityErrorCheck(true)) return false;
  ticketCopyToRoot(settings(), mHVSession);
  return true;
}

void SecurityPDE::PPDOptionKeyValueDidChange(const std::string& option, const std::string& choice) {
  ForEachPaneRecord(&SecurityTable, [&](PaneControlRecord& r) {
    if (r.kind == kPaneStaticText || !r.optionName || option != r.optionName || r.value == choice) return;
    r.value = choice;
  });
  updateUI();
}

std::vector<std::pair<std::string, ui::Object*>> SecurityPDE::namedObjects() {
  std::vector<std::pair<std::string, ui::Object*>> out;
  if (!nib_) return out;
  for (const auto& object : nib_->objects())
    if (!object->objectName().empty()) out.emplace_back(object->objectName(), object.get());
  return out;
}

// --- Refresh

void SecurityPDE::updateUI() {
  writePPDSettingsToPrintSettings();
  UpdateCST();
  getPPDSettingsFromPrintSettings();
  if (!ok()) {
    platform::log::Write(LOG_DEBUG, "[Security]updateUI");
    return;
  }
  ForEachPaneRecord(&SecurityTable, [](PaneControlRecord& r) {
    if (r.kind == kPaneStaticText || !r.value) return;
    setPPDValueToControl(&r, &*r.value);
    if (r.kind != kPaneEditText) return;
    if (auto* field = dynamic_cast<ui::TextField*>(r.control)) {
      r.value = field->stringValue();
      if (auto* edit = dynamic_cast<SecurityEditField*>(r.control)) edit->setOldValue(*r.value);
    }
  });
  SecurityEnableControls();
}

void SecurityPDE::UpdateCST() {
  if (!mCTLtableRef) return;
  mEnableALL(mCTLtableRef.get());
  UpdateUIConstraintsPPDArgument(mPPDCstTable, mPPDCstTableCount, SetupPPDKeyTableSecurity,
                                 kSecurityKeyTableEntries, mCTLtableRef.get(), mHVSession);
}

void SecurityPDE::SecurityEnableControls() {
  auto* mode = dynamic_cast<ui::PopUpButton*>(waitModePopUp);
  const bool secure = mode && mode->indexOfSelectedItem() == 1;
  SetEnabled(securePasswordEditText, secure);
  SetLabelColor(secureTitleStaticText, secure);
  SetLabelColor(securePasswordStaticText, secure);

  auto* auth = dynamic_cast<ui::Button*>(userAuthenticationCheckBox);
  auto* type = dynamic_cast<ui::Matrix*>(userRadioButton);
  const bool authOn = auth && auth->state() == ui::Button::kOnState;
  SetEnabled(userRadioButton, authOn);
  const bool privateUser = authOn && type && type->selectedRow() == 1;
  SetEnabled(userNameEditText, privateUser);
  SetEnabled(userPasswordEditText, privateUser);
  SetLabelColor(userNameStaticText, privateUser);
  SetLabelColor(userPasswordStaticText, privateUser);

  auto* section = dynamic_cast<ui::Button*>(sectionManagementCheckBox);
  const bool sectionOn = section && section->state() == ui::Button::kOnState;
  SetEnabled(sectionNameEditText, sectionOn);
  SetEnabled(sectionPasswordEditText, sectionOn);
  SetLabelColor(sectionNameStaticText, sectionOn);
  SetLabelColor(sectionPasswordStaticText, sectionOn);
}

bool SecurityPDE::SecurityErrorCheck(bool printing) {
  std::string message;
  ForEachPaneRecord(&SecurityTable, [&](PaneControlRecord& r) {
    if (!r.settingsKey || !IsEditTextRequired(r.settingsKey) || !IsEnabled(r.control)) return;
    const std::string value = r.value.value_or("");
    const bool secure = !std::strcmp(r.settingsKey, kSecureKey);
    // At least 4 characters (UTF-16 units, as the platform counts them).
    const bool acceptable = secure ? platform::Utf16Length(value) > 3 : !value.empty();
    if (acceptable) return;
    std::optional<std::string> line =
        secure ? SecurityUtil::SecurityEmptyAlert(pluginBundle, "SecurePrint", "SecurePass", false)
               : SecurityUtil::SecurityEmptyAlert(pluginBundle, kAuthentication, "UserName", printing);
    if (!printing) {
      if (secure) {
        if (PaneControlRecord* mode = recordFor(kPrintMode))
          mode->value = getDefaultValueFromPPD(ppd, kPrintMode);
      } else if (PaneControlRecord* auth = recordFor(kAuthentication)) {
        auth->value = "False";
      }
    }
    if (line) message += *line + "\n";
  });
  for (const Unsaved& u : unsaved_) {
    const char* format = u.tooLong ? "TooLongAlert" : "UnstorableAlert";
    message += FormatLocalized(localized(format).value_or(""), {localized(u.item).value_or(u.item)}) + "\n";
  }
  if (message.empty()) return true;
  SecurityUtil::showAlert(message);
  if (!printing) updateUI();
  return false;
}

// --- Values and the print settings

void SecurityPDE::getPPDSettingsFromPrintSettings() {
  const platform::PrintSettings* s = settings();
  ForEachPaneRecord(&SecurityTable, [&](PaneControlRecord& r) {
    if (r.kind == kPaneStaticText || !r.settingsKey) return;
    const std::string* stored = nullptr;
    if (HVPrintSettingsGetString(s, r.settingsKey, &stored) != platform::noErr || !stored) return;
    std::string value = *stored;
    if (r.kind == kPaneEditText && !value.empty()) {
      std::string decoded;
      OSStatus status;
      if (GetEditTextType(r.settingsKey) == kNumericEditType)
        status = LoadEditTextNumber(s, r.settingsKey, &decoded);
      else if (IsSecure(r.control))
        status = LoadEditTextPassword(s, r.settingsKey, kPasswordKeySelector, kPasswordSubSelector, &decoded);
      else
        status = LoadEditText(s, r.settingsKey, &decoded);
      if (status == platform::noErr) value = std::move(decoded);
    }
    r.value = std::move(value);
  });
}

void SecurityPDE::writePPDSettingsToPrintSettings() {
  platform::PrintSettings* s = settings();
  unsaved_.clear();
  ForEachPaneRecord(&SecurityTable, [&](PaneControlRecord& r) {
    if (r.kind == kPaneStaticText || !r.settingsKey || !r.value) return;
    if (r.kind == kPaneEditText && !fieldInUse(r)) {
      // A switched-off feature's text stays in its field, back when the
      // feature is switched on again, but the job does not carry it and
      // nothing checks it.
      HVPrintSettingsSetItem(s, kSettingsDomain, r.settingsKey, plist::Value(), false);
      return;
    }
    if (r.kind != kPaneEditText || r.value->empty()) {
      HVPrintSettingsSetItem(s, kSettingsDomain, r.settingsKey, *r.value, false);
      return;
    }
    OSStatus status;
    std::string back;
    bool same = true;
    if (GetEditTextType(r.settingsKey) == kNumericEditType) {
      status = SaveEditTextNumber(s, r.settingsKey, *r.value);
    } else if (IsSecure(r.control)) {
      status = SaveEditTextPassword(s, r.settingsKey, kPasswordKeySelector, kPasswordSubSelector, *r.value);
      // Decryption ends the text at a '+': a password holding one would
      // reach the job cut short. Such a password is not stored.
      same = status != platform::noErr ||
             (LoadEditTextPassword(s, r.settingsKey, kPasswordKeySelector, kPasswordSubSelector, &back) ==
                  platform::noErr &&
              back == *r.value);
      platform::WipeString(back);
    } else {
      status = SaveEditText(s, r.settingsKey, *r.value);
    }
    if (status != platform::noErr || !same) {
      // The stored form cannot hold this text; keep no stale value either.
      HVPrintSettingsSetItem(s, kSettingsDomain, r.settingsKey, plist::Value(), false);
      unsaved_.push_back({r.optionName ? r.optionName : r.settingsKey, status != platform::noErr});
    }
  });
  HVPrintSettingsSetItem(s, kSettingsDomain, kLoginNameKey, platform::paths::FullUserName(), false);
}

bool SecurityPDE::switchedOn(const char* settingsKey) {
  const PaneControlRecord* r = recordFor(settingsKey);
  auto* box = r ? dynamic_cast<ui::Button*>(r->control) : nullptr;
  if (!box) return false;
  if (r->value == "True" || r->value == "False") return r->value == "True";
  return box->state() == ui::Button::kOnState;  // a value the box does not show leaves it as it is
}

bool SecurityPDE::fieldInUse(const PaneControlRecord& field) {
  const char* key = field.settingsKey;
  if (!std::strcmp(key, kSecureKey)) {
    const PaneControlRecord* mode = recordFor(kPrintMode);
    auto* popup = mode ? dynamic_cast<ui::PopUpButton*>(mode->control) : nullptr;
    if (!popup) return false;
    int index = mode->value ? popup->indexOfItemWithRepresentedObject(*mode->value) : -1;
    if (index < 0) index = popup->indexOfSelectedItem();
    return index == 1;
  }
  if (!std::strcmp(key, kUserName) || !std::strcmp(key, kUserKeyKey)) {
    const PaneControlRecord* type = recordFor(kUserType);
    auto* matrix = type ? dynamic_cast<ui::Matrix*>(type->control) : nullptr;
    if (!matrix || !switchedOn(kAuthentication)) return false;
    if (type->value == "public" || type->value == "private") return type->value == "private";
    return matrix->selectedRow() == 1;
  }
  if (!std::strcmp(key, kSectionName) || !std::strcmp(key, kSectionKeyKey))
    return switchedOn(kSectionManagement);
  return true;
}

void SecurityPDE::SecurityAction(ui::Object* sender) {
  if (mCTLtableRef && CTblGetID(mCTLtableRef.get(), sender) > 0)
    UpdateTicketWithPDEControl(
        PDEControlDataGetByID(mCTLtableRef.get(), CTblGetID(mCTLtableRef.get(), sender)), mHVSession);
  if (!ok()) {
    platform::log::Write(LOG_DEBUG, "[Security]Action");
    return;
  }
  const int index = searchTableIndex(&SecurityTable, sender);
  if (index >= 0 && SecurityTable[static_cast<size_t>(index)].kind != kPaneStaticText)
    SecurityTable[static_cast<size_t>(index)].value =
        getPPDValueFromControl(&SecurityTable[static_cast<size_t>(index)]);
  updateUI();
}

// --- Summary

std::optional<std::string> SecurityPDE::localized(const char* key) const {
  return SecurityLocalizedString(pluginBundle, key);
}

PaneControlRecord* SecurityPDE::recordFor(const char* settings_key) {
  for (PaneControlRecord& r : SecurityTable)
    if (r.kind != kPaneEnd && r.settingsKey && !std::strcmp(r.settingsKey, settings_key)) return &r;
  return nullptr;
}

platform::PrintSettings* SecurityPDE::settings() const {
  return pdePluginCallbackObject ? pdePluginCallbackObject->printSettings() : nullptr;
}

void SecurityPDE::summarySupport(const std::optional<std::string>& label,
                                 const std::optional<std::string>& value, plist::Dict* dict,
                                 plist::Array* order) {
  if (!label || !value) return;
  (*dict)[*label] = *value;
  order->push_back(*label);
}

plist::Dict SecurityPDE::summaryInfo() {
  plist::Dict dict;
  if (!ok()) {
    platform::log::Write(LOG_DEBUG, "[Security]summaryInfo");
    return dict;
  }
  plist::Array order;
  auto textOf = [&](const char* key) -> std::optional<std::string> {
    PaneControlRecord* r = recordFor(key);
    return r ? getLocalizeValueFromControl(r, ppd) : std::nullopt;
  };
  ForEachPaneRecord(&SecurityTable, [&](PaneControlRecord& r) {
    if (!r.settingsKey || !r.optionName) return;
    if (!std::strcmp(r.settingsKey, kPrintMode)) {
      summarySupport(localized(r.optionName), getLocalizeValueFromControl(&r, ppd), &dict, &order);
    } else if (!std::strcmp(r.settingsKey, kAuthentication)) {
      const PaneControlRecord* type = recordFor(kUserType);
      const bool privateUser = r.value == "True" && type && type->value == "private";
      summarySupport(localized(r.optionName), localized(privateUser ? "UserTypePrivate" : "UserTypePublic"),
                     &dict, &order);
      if (privateUser) summarySupport(localized("UserName"), textOf(kUserName), &dict, &order);
    } else if (!std::strcmp(r.settingsKey, kSectionManagement)) {
      summarySupport(localized(r.optionName), getLocalizeValueFromControl(&r, ppd), &dict, &order);
      if (r.value == "True") summarySupport(localized("SectionName"), textOf(kSectionName), &dict, &order);
    }
  });
  dict[pde::kSummaryDisplayOrderKey] = plist::Value(std::move(order));
  return dict;
}

}  // namespace securitypane
