// PainChangeController: swaps the two panes inside the panel's container and
// fans every lifecycle call out to both panes.
#pragma once

#include <vector>

#include "colorpane/advanced_color_options.h"
#include "colorpane/color_options.h"

namespace colorpane {

// Spelled as the design spells it (not a typo to fix).
class PainChangeController : public platform::ui::Object {
 public:
  const char* className() const override { return "PainChangeController"; }
  bool setOutlet(std::string_view name, platform::ui::Object* object) override;
  bool performAction(std::string_view selector, platform::ui::Object* sender) override;

  // Spelled as the design spells it (not a typo to fix).
  void creatPDEControlTableEachView();
  void addPPDArrayEachView(std::vector<std::string>* array);
  void deallocPDEControlTableEachView();
  void setPPDFileEachView(ppd_file_t* ppd);
  void setPMPrintEachView(platform::PrintSettings* setting, platform::PrintSession* session);
  void createPDEItemForPPDKeyEachView();
  void defaultFromPPDInfoEachView();
  // Spelled as the design spells it (not a typo to fix).
  void getControlValueFromTickettEachView();
  void setControlValueToTicketEachView();
  // Clears `count` slots, puts the Color Options table in slot 0 and the
  // Advanced table in slot 1; answers 2.
  int getControlDataEachView(PDEControlData** tables, int count);
  // Spelled as the design spells it (not a typo to fix).
  void changeAdvancedItemAccodingQuickColor();
  void getSummaryAdvancedItemAccodingQuickColor(platform::plist::Dict* dict, platform::plist::Array* array);
  void getSummaryTextEachView(platform::plist::Dict* dict, platform::plist::Array* array);

  void SHowColorToAdvancedView();
  void ShowAdvancedToColorView();
  void ColorToAdvancedView(platform::ui::Object* sender);
  void AdvancedToColorView(platform::ui::Object* sender);

  ColorOptions* onColorView = nullptr;
  AdvancedColorOptions* onAdvancedView = nullptr;
  platform::ui::View* onMainCustomView = nullptr;

 private:
  void showPane(ColorPane* shown, ColorPane* hidden);
  // Most fan-outs go to the Advanced pane first, then to Color Options.
  template <class Fn>
  void forEachPane(Fn fn) {
    if (onAdvancedView) fn(*onAdvancedView);
    if (onColorView) fn(*onColorView);
  }
};

}  // namespace colorpane
