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

bool ColorOptions::setOutlet(std::string_view name, ui::Object* object) {
  return ui::TakeOutlet(
      name, object, ui::Outlet("menu_QuickColor", menu_QuickColor),
      ui::Outlet("menu_Brightness", menu_Brightness),
      ui::Outlet("check_ColorAsGrayscale", check_ColorAsGrayscale),
      ui::Outlet("check_EconomyPrint", check_EconomyPrint),
      ui::Outlet("menu_EdgeStrength", menu_EdgeStrength), ui::Outlet("text_QuickColor", text_QuickColor),
      ui::Outlet("text_Brightness", text_Brightness), ui::Outlet("text_Strength", text_Strength),
      ui::Outlet("button_AdvanceColorOptions", button_AdvanceColorOptions));
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
