// PDEPlugInInterface: the "Color Options" panel the print dialog drives.
#pragma once

#include <memory>

#include "colorpane/pain_change_controller.h"
#include "colorpane/profile_control.h"
#include "host/plugin_api.h"
#include "platform/ui/nib.h"

namespace colorpane {

inline constexpr const char* kPanelKind = "jp.halvern.pde.VN420P.hvco";

class PDEPlugInInterface : public pde::Panel, public platform::ui::Object {
 public:
  explicit PDEPlugInInterface(pde::HostCallback* callback);
  ~PDEPlugInInterface() override;

  // pde::Panel
  std::string panelName() override;
  std::string panelKind() override { return kPanelKind; }
  platform::ui::View* panelView() override;
  std::vector<std::string> supportedPPDOptionKeys() override;
  void willShow() override;
  bool shouldHide() override { return true; }
  bool restoreValuesAndReturnError(std::string* error) override;
  bool saveValuesAndReturnError(std::string* error) override;
  platform::plist::Dict summaryInfo() override;
  bool shouldPrint() override;
  void PPDOptionKeyValueDidChange(const std::string&, const std::string&) override {}
  void terminate() override;
  std::vector<std::pair<std::string, platform::ui::Object*>> namedObjects() override;

  // Interface-description wiring and actions.
  const char* className() const override { return "PDEPlugInInterface"; }
  bool setOutlet(std::string_view name, platform::ui::Object* object) override;
  bool performAction(std::string_view selector, platform::ui::Object* sender) override;
  void selectItem(platform::ui::Object* sender);
  void constraints(platform::ui::Object* sender);

  // Loads the interface description and builds the tables, once.
  void myLoad();
  const PDEControlData* compoundTable() const { return compTable_ ? compTable_->data() : nullptr; }
  // Spelled as the design spells it (not a typo to fix).
  PainChangeController* painChange() const { return painChange_; }

 private:
  pde::HostCallback* pdePluginCallbackObject_;
  std::unique_ptr<PDEControlTable> compTable_;
  platform::PrintSettings* setting_ = nullptr;
  platform::PrintSession* session_ = nullptr;
  ColorOptions* onColorView_ = nullptr;
  AdvancedColorOptions* onAdvancedView_ = nullptr;
  ProfileControl* profileControl_ = nullptr;
  platform::ui::View* pdeMainView_ = nullptr;
  PainChangeController* painChange_ = nullptr;
  ppd_file_t* ppd_ = nullptr;
  std::unique_ptr<platform::ui::Nib> nib_;  // owns every object of "PDEMain"
  platform::ui::ModalHost* modalHost_ = nullptr;  // the host's, installed here
};

class PDEPlugIn : public pde::PlugIn {
 public:
  bool initWithBundle(const platform::Bundle& bundle) override;
  std::optional<std::vector<std::unique_ptr<pde::Panel>>> PDEPanelsForType(const std::string& type,
                                                                         pde::HostCallback* host) override;
};

// The classes "PDEMain" names besides the built-in controls.
const platform::ui::ClassRegistry& ColorPaneClasses();

}  // namespace colorpane
