// AdvancedColorOptions: per-object colour settings (image, text, graphics)
// and CMYK simulation on four tabs, with the rules that force them to what
// the Quick Color preset implies.
#pragma once

#include <array>
#include <cstdint>

#include "colorpane/pane.h"

namespace colorpane {

class AdvancedColorOptions : public ColorPane {
 public:
  static constexpr int kPopUpCount = 21;

  const char* className() const override { return "AdvancedColorOptions"; }

  // Builds the table, selects the first tab and enables the "Management
  // Profile" button only for a user who may write the preference folder.
  void createPDEControlTable() override;
  // Localised titles, PPD menus, then the stored profiles behind the choices.
  void createPDEItemForPPDKey() override;
  // Forces the pop-ups to the values the Quick Color index (0 to 2) and the
  // economy state imply; index 3 (custom) and others change nothing.
  // Spelled as the design spells it (not a typo to fix).
  void changeItemAccodingQuickColor(int16_t quickColor, int16_t eco);
  // Summary entries of the implied values; nothing for indexes outside 0 to 2.
  void getSummaryItemAccodingQuickColor(int16_t quickColor, int16_t eco, platform::plist::Dict* dict,
                                        platform::plist::Array* array);
  // Opens the download application when it is installed.
  void downloadManagerButton(platform::ui::Object* sender);

  bool setOutlet(std::string_view name, platform::ui::Object* object) override;
  bool performAction(std::string_view selector, platform::ui::Object* sender) override;

  // Outlets: the 21 pop-ups (menu_i…, menu_t…, menu_g…, menu_s…) and their
  // labels (text_…), in table order.
  std::array<platform::ui::Object*, kPopUpCount> menus{};
  std::array<platform::ui::Object*, kPopUpCount> labels{};
  // Spelled as the design spells it (not a typo to fix).
  platform::ui::Object* tab_SwitchVew = nullptr;
  platform::ui::Object* button_ManageProfile = nullptr;
  platform::ui::Object* button_DownloadManager = nullptr;
  platform::ui::Object* button_HideAdvancedOptions = nullptr;

 protected:
  PDEControlTable buildRows() override;

 private:
  void setPopUpIndex(int popup, int index);
};

}  // namespace colorpane
