#include "colorpane/color_options.h"

namespace colorpane {

namespace ui = platform::ui;

PDEControlTable ColorOptions::buildRows() {
  return {
      {menu_QuickColor, kCtrlPopUp, "HVQuickColor", nullptr, "Quick Color", "QuickColorPopup", 0, {}},
      {menu_Brightness, kCtrlPopUp, "HVBrightness", nullptr, "Brightness", "", 0, {}},
      {check_ColorAsGrayscale, kCtrlCheckBox, "HVColorAsGray", "Color as Grayscale", "Color as Grayscale",
       "ColorAsGrayCheckBox", 0, {}},
      {check_EconomyPrint, kCtrlCheckBox, "HVEconoMode", "EconoMode", "EconoMode", "EconoModeCheckBox", 0, {}},
      {menu_EdgeStrength, kCtrlPopUp, "HVEdgeType", nullptr, "EdgeType", "EdgeTypePopup", 0, {}},
      {text_QuickColor, kCtrlLabel, "", "Quick Color:", nullptr, "", 0, {}},
      {text_Brightness, kCtrlLabel, "", "Brightness:", nullptr, "", 0, {}},
      {text_Strength, kCtrlLabel, "", "EdgeType:", nullptr, "", 0, {}},
      {button_AdvanceColorOptions, kCtrlButton, "", "Advanced Color Options", nullptr,
       "GoToAdvancedOptionsButton", 0, {}},
  };
}

ui::Object** ColorOptions::outletSlot(std::string_view name) {
  struct Entry {
    std::string_view name;
    ui::Object* ColorOptions::*field;
  };
  static constexpr Entry kOutlets[] = {
      {"menu_QuickColor", &ColorOptions::menu_QuickColor},
      {"menu_Brightness", &ColorOptions::menu_Brightness},
      {"check_ColorAsGrayscale", &ColorOptions::check_ColorAsGrayscale},
      {"check_EconomyPrint", &ColorOptions::check_EconomyPrint},
      {"menu_EdgeStrength", &ColorOptions::menu_EdgeStrength},
      {"text_QuickColor", &ColorOptions::text_QuickColor},
      {"text_Brightness", &ColorOptions::text_Brightness},
      {"text_Strength", &ColorOptions::text_Strength},
      {"button_AdvanceColorOptions", &ColorOptions::button_AdvanceColorOptions},
  };
  for (const Entry& e : kOutlets)
    if (e.name == name) return &(this->*e.field);
  return nullptr;
}

int16_t ColorOptions::getQuickColorValue() const {
  auto* popup = dynamic_cast<ui::PopUpButton*>(menu_QuickColor);
  return static_cast<int16_t>(popup ? popup->indexOfSelectedItem() : -1);
}

int16_t ColorOptions::getEconoModeValue() const {
  auto* box = dynamic_cast<ui::Button*>(check_EconomyPrint);
  return static_cast<int16_t>(box ? box->state() : 0);
}

}  // namespace colorpane
