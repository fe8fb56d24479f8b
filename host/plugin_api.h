// The contract between a print-dialog host and its plug-in bundles.
//
// A bundle exports one C function, kPlugInFactorySymbol, that creates its
// principal object. The host hands that object the bundle, asks it for the
// panels of a pane type and then drives each panel through its lifecycle, on
// one thread, in the order a print dialog does:
//   PDEPanelsForType → panelView → restoreValuesAndReturnError → (user actions,
//   summaryInfo, willShow, shouldHide …) → saveValuesAndReturnError →
//   shouldPrint → terminate → destruction (dealloc).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/bundle.h"
#include "platform/notification_center.h"
#include "platform/plist.h"
#include "platform/print_settings.h"
#include "platform/printing.h"
#include "platform/ui/view.h"
#include "platform/ui/window.h"

namespace pde {

// The print system's type for panes supplied by a printer driver.
inline constexpr const char* kPrinterDriverPaneType = "BDB091F4-E57F-11D3-B5CC-0050E4603277";
// The key of a summary dictionary that holds the display order.
inline constexpr const char* kSummaryDisplayOrderKey = "Summary Display Order";

// The host's side: answers what a panel needs. The host owns everything these
// return for the panel's lifetime.
class HostCallback {
 public:
  virtual ~HostCallback() = default;
  virtual platform::PrintSettings* printSettings() = 0;
  virtual platform::PrintSession* printSession() = 0;
  virtual platform::PageFormat* pageFormat() = 0;
  virtual ppd_file_t* ppdFile() = 0;
  // What answers the panel's modal runs (windows, alerts, open panels). A
  // bundle carries its own copy of the platform layer, so the panel installs
  // this one in it (platform::ui::SetModalHost); nullptr leaves it alone.
  virtual platform::ui::ModalHost* panelModalHost() { return nullptr; }
  // Where the panel observes the print system's notifications (the paper
  // changing); nullptr when the host posts none.
  virtual platform::NotificationCenter* notificationCenter() { return nullptr; }
};

class Panel {
 public:
  virtual ~Panel() = default;  // the panel's dealloc
  virtual std::string panelName() = 0;
  virtual std::string panelKind() = 0;
  virtual platform::ui::View* panelView() = 0;
  virtual std::vector<std::string> supportedPPDOptionKeys() = 0;
  virtual void willShow() = 0;
  virtual bool shouldHide() = 0;
  // The error text is set only when the answer is false.
  virtual bool restoreValuesAndReturnError(std::string* error) = 0;
  virtual bool saveValuesAndReturnError(std::string* error) = 0;
  // Item name → shown value, plus kSummaryDisplayOrderKey → array of names.
  virtual platform::plist::Dict summaryInfo() = 0;
  virtual bool shouldPrint() = 0;
  virtual void PPDOptionKeyValueDidChange(const std::string& option, const std::string& choice) = 0;
  virtual void terminate() = 0;

  // For hosts without a real window system: every named object of the
  // panel's interface description (outlets), in document order. Hosts use it
  // to show and operate controls that are not on screen.
  virtual std::vector<std::pair<std::string, platform::ui::Object*>> namedObjects() = 0;
};

class PlugIn {
 public:
  virtual ~PlugIn() = default;
  virtual bool initWithBundle(const platform::Bundle& bundle) = 0;
  // The panels for the type, or std::nullopt (nil) when the type is not one
  // the plug-in serves. The callback must outlive the panels.
  virtual std::optional<std::vector<std::unique_ptr<Panel>>> PDEPanelsForType(const std::string& type,
                                                                            HostCallback* host) = 0;
};

}  // namespace pde

// The one exported symbol of a bundle; the caller owns the result.
extern "C" {
typedef pde::PlugIn* (*PDEPlugInFactoryFn)();
}
inline constexpr const char* kPlugInFactorySymbol = "PDECreatePlugIn";
