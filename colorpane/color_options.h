// ColorOptions: the first pane — Quick Color, brightness, grey scale,
// economy mode and edge type, and the button to the Advanced pane.
#pragma once

#include <cstdint>

#include "colorpane/pane.h"

namespace colorpane {

class ColorOptions : public ColorPane {
 public:
  const char* className() const override { return "ColorOptions"; }

  // Selected index of the Quick Color pop-up; -1 when nothing is selected.
  int16_t getQuickColorValue() const;
  // State of the EconoMode check box (0 off, 1 on).
  int16_t getEconoModeValue() const;

  bool setOutlet(std::string_view name, platform::ui::Object* object) override;

  platform::ui::Object* menu_QuickColor = nullptr;
  platform::ui::Object* menu_Brightness = nullptr;
  platform::ui::Object* check_ColorAsGrayscale = nullptr;
  platform::ui::Object* check_EconomyPrint = nullptr;
  platform::ui::Object* menu_EdgeStrength = nullptr;
  platform::ui::Object* text_QuickColor = nullptr;
  platform::ui::Object* text_Brightness = nullptr;
  platform::ui::Object* text_Strength = nullptr;
  platform::ui::Object* button_AdvanceColorOptions = nullptr;

 protected:
  PDEControlTable buildRows() override;
};

}  // namespace colorpane
