#include "colorpane/pde_plugin_interface.h"

#include "colorpane/color_preset.h"
#include "colorpane/pde_common.h"
#include "colorpane/profile_discovery.h"
#include "colorpane/profile_hooks.h"
#include "platform/log.h"
#include "textfields/color_text_field.h"

namespace colorpane {

namespace ui = platform::ui;

namespace {

// Handed over once, never replaced: the bundle of the first initWithBundle.
std::unique_ptr<platform::Bundle> g_pluginBundle;

// The top view class of "PDEMain": a plain view.
class MainView : public ui::View {
 public:
  const char* className() const override { return "MainView"; }
};

}  // namespace

const ui::ClassRegistry& ColorPaneClasses() {
  static const ui::ClassRegistry registry = [] {
    ui::ClassRegistry r;
    r.add<MainView>("MainView");
    r.add<ColorOptions>("ColorOptions");
    r.add<AdvancedColorOptions>("AdvancedColorOptions");
    r.add<PainChangeController>("PainChangeController");
    r.add<ProfileControl>("ProfileControl");
    r.add<HVTextField>("HVTextField");
    return r;
  }();
  return registry;
}

bool PDEPlugIn::initWithBundle(const platform::Bundle& bundle) {
  if (!g_pluginBundle) {
    g_pluginBundle = std::make_unique<platform::Bundle>(bundle);
    SetPluginBundle(g_pluginBundle.get());
  }
  return true;
}

std::optional<std::vector<std::unique_ptr<pde::Panel>>> PDEPlugIn::PDEPanelsForType(const std::string& type,
                                                                                  pde::HostCallback* host) {
  if (type != pde::kPrinterDriverPaneType) return std::nullopt;
  std::vector<std::unique_ptr<pde::Panel>> panels;
  panels.push_back(std::make_unique<PDEPlugInInterface>(host));
  return panels;
}

PDEPlugInInterface::PDEPlugInInterface(pde::HostCallback* callback) : pdePluginCallbackObject_(callback) {
  if (callback) {
    setting_ = callback->printSettings();
    session_ = callback->printSession();
    // The management window and its alerts and open panels run through the
    // host's answers.
    if (ui::ModalHost* modal = callback->panelModalHost()) {
      ui::SetModalHost(modal);
      modalHost_ = modal;
    }
  }
}

PDEPlugInInterface::~PDEPlugInInterface() {
  if (painChange_) painChange_->deallocPDEControlTableEachView();
  if (modalHost_ && ui::GetModalHost() == modalHost_) ui::SetModalHost(nullptr);
}

bool PDEPlugInInterface::setOutlet(std::string_view name, ui::Object* object) {
  return ui::TakeOutlet(name, object, ui::Outlet("onColorView", onColorView_),
                        ui::Outlet("onAdvancedView", onAdvancedView_),
                        ui::Outlet("profileControl", profileControl_),
                        ui::Outlet("pdeMainView", pdeMainView_), ui::Outlet("painChange", painChange_));
}

bool PDEPlugInInterface::performAction(std::string_view selector, ui::Object* sender) {
  static constexpr ui::ActionEntry<PDEPlugInInterface> kActions[] = {
      {"selectItem:", &PDEPlugInInterface::selectItem},
      {"constraints:", &PDEPlugInInterface::constraints},
  };
  return ui::PerformFromTable(this, kActions, selector, sender);
}

void PDEPlugInInterface::selectItem(ui::Object*) {
  if (onColorView_) vColorPresetConstraints(onColorView_->getControlData());
}

void PDEPlugInInterface::constraints(ui::Object*) {
  if (compTable_) vColorPresetConstraints(compTable_->data());
}

void PDEPlugInInterface::myLoad() {
  if (pdeMainView_) return;
  const platform::Bundle* bundle = PluginBundle();
  std::string error;
  if (bundle) nib_ = ui::Nib::Load(*bundle, "PDEMain", this, ColorPaneClasses(), &error);
  if (!nib_) {
    platform::log::Writef(LOG_ERR, "colorpane: cannot load PDEMain: %s",
                          bundle ? error.c_str() : "the plug-in has no bundle");
    return;
  }
  if (!pdeMainView_) pdeMainView_ = nib_->topView();
  // The description keeps the Advanced pane beside the container; it is
  // off screen until the user asks for it.
  if (onAdvancedView_ && painChange_ && onAdvancedView_->superview() != painChange_->onMainCustomView)
    onAdvancedView_->removeFromSuperview();
  ppd_ = pdePluginCallbackObject_ ? pdePluginCallbackObject_->ppdFile() : nullptr;
  if (!painChange_) return;
  painChange_->setPMPrintEachView(setting_, session_);
  painChange_->setPPDFileEachView(ppd_);
  painChange_->creatPDEControlTableEachView();
  PDEControlData* tables[5];
  int count = painChange_->getControlDataEachView(tables, 5);
  compTable_ = PDECommon::commonControlTableCompound(tables, count);
  if (profileControl_) {
    profileControl_->setPMPrint(setting_, session_);
    profileControl_->setConstTable(compTable_ ? compTable_->data() : nullptr);
  }
  painChange_->createPDEItemForPPDKeyEachView();
}

std::string PDEPlugInInterface::panelName() {
  const platform::Bundle* bundle = PluginBundle();
  return bundle ? bundle->localizedString("Color Options") : "Color Options";
}

ui::View* PDEPlugInInterface::panelView() {
  myLoad();
  if (IsAdministratorProfile()) commonGetProfilesFromMIB(session_);
  return pdeMainView_;
}

std::vector<std::string> PDEPlugInInterface::supportedPPDOptionKeys() {
  if (!pdeMainView_) myLoad();
  std::vector<std::string> keys;
  if (painChange_) painChange_->addPPDArrayEachView(&keys);
  return keys;
}

void PDEPlugInInterface::willShow() {
  if (painChange_) painChange_->ShowAdvancedToColorView();
}

bool PDEPlugInInterface::restoreValuesAndReturnError(std::string*) {
  if (!pdeMainView_) myLoad();
  if (onColorView_ && onAdvancedView_ && painChange_) painChange_->defaultFromPPDInfoEachView();
  if (setting_ && session_ && painChange_) painChange_->getControlValueFromTickettEachView();
  if (pdeMainView_ && compTable_) vColorPresetConstraints(compTable_->data());
  return true;
}

bool PDEPlugInInterface::saveValuesAndReturnError(std::string*) {
  if (onColorView_ && onAdvancedView_ && setting_ && session_ && painChange_)
    painChange_->setControlValueToTicketEachView();
  return true;
}

platform::plist::Dict PDEPlugInInterface::summaryInfo() {
  if (!pdeMainView_) myLoad();
  platform::plist::Dict dict;
  platform::plist::Array order;
  if (onColorView_ && onAdvancedView_ && painChange_) painChange_->getSummaryTextEachView(&dict, &order);
  dict[pde::kSummaryDisplayOrderKey] = platform::plist::Value(std::move(order));
  return dict;
}

bool PDEPlugInInterface::shouldPrint() {
  if (painChange_) painChange_->changeAdvancedItemAccodingQuickColor();
  if (onAdvancedView_) onAdvancedView_->setControlValueToTicket();
  return true;
}

void PDEPlugInInterface::terminate() { pdePluginCallbackObject_ = nullptr; }

std::vector<std::pair<std::string, ui::Object*>> PDEPlugInInterface::namedObjects() {
  std::vector<std::pair<std::string, ui::Object*>> out;
  if (!nib_) return out;
  for (const auto& object : nib_->objects())
    if (!object->objectName().empty()) out.emplace_back(object->objectName(), object.get());
  return out;
}

}  // namespace colorpane
