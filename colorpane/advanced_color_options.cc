#include "colorpane/advanced_color_options.h"

#include <unistd.h>

#include "colorpane/pde_common.h"
#include "colorpane/profile_hooks.h"
#include "platform/paths.h"
#include "platform/process.h"

namespace colorpane {

namespace ui = platform::ui;

namespace {

struct PopUpSpec {
  const char* menu;
  const char* label;
  const char* ppdKeyword;
  const char* titleKey;
  const char* summaryKey;
  const char* identifier;
  int16_t profileKind;
};

constexpr PopUpSpec kPopUps[AdvancedColorOptions::kPopUpCount] = {
    {"menu_iRGBSource", "text_iRGBSource", "HVImageRGBSource", "RGB Source:", "Image RGB Source",
     "ImageRGBSourcePopup", kProfileRGB},
    {"menu_iRGBIntent", "text_iRGBIntent", "HVImageRenderIntent", "RGB Intent:", "Image RGB Intent",
     "ImageRenderIntentPopup", kProfileNone},
    {"menu_iRGBGrayTreatment", "text_iRGBGrayTreatment", "HVImageGrayTreatment", "RGB Gray Treatment:",
     "Image RGB Gray Treatment", "ImageGrayTreatmentPopup", kProfileNone},
    {"menu_iDestinationProfile", "text_iDestinationProfile", "HVImageDestinationProfile",
     "Destination Profile:", "Image Destination Profile", "ImageDestinationProfilePopup", kProfileDestination},
    {"menu_iHalftone", "text_iHalftone", "HVImageHalftone", "Halftone:", "Image Halftone", "", kProfileNone},
    {"menu_iEdgeEnhancement", "text_iEdgeEnhancement", "HVImageEdgeEnhance", "EdgeEnhance:",
     "Image EdgeEnhance", "ImageEdgeEnhancePopup", kProfileNone},
    {"menu_tRGBSource", "text_tRGBSource", "HVTextRGBSource", "RGB Source:", "Text RGB Source",
     "TextRGBSourcePopup", kProfileRGB},
    {"menu_tRGBIntent", "text_tRGBIntent", "HVTextRenderIntent", "RGB Intent:", "Text RGB Intent",
     "TextRenderIntentPopup", kProfileNone},
    {"menu_tRGBGrayTreatment", "text_tRGBGrayTreatment", "HVTextGrayTreatment", "RGB Gray Treatment:",
     "Text RGB Gray Treatment", "TextGrayTreatmentPopup", kProfileNone},
    {"menu_tDestinationProfile", "text_tDestinationProfile", "HVTextDestinationProfile",
     "Destination Profile:", "Text Destination Profile", "TextDestinationProfilePopup", kProfileDestination},
    {"menu_tHalftone", "text_tHalftone", "HVTextHalftone", "Halftone:", "Text Halftone", "", kProfileNone},
    {"menu_tEdgeEnhancement", "text_tEdgeEnhancement", "HVTextEdgeEnhance", "EdgeEnhance:", "Text EdgeEnhance",
     "TextEdgeEnhancePopup", kProfileNone},
    {"menu_gRGBSource", "text_gRGBSource", "HVGraphicsRGBSource", "RGB Source:", "Graphics RGB Source",
     "GraphicsRGBSourcePopup", kProfileRGB},
    {"menu_gRGBIntent", "text_gRGBIntent", "HVGraphicsRenderIntent", "RGB Intent:", "Graphics RGB Intent",
     "GraphicsRenderIntentPopup", kProfileNone},
    {"menu_gRGBGrayTreatment", "text_gRGBGrayTreatment", "HVGraphicsGrayTreatment", "RGB Gray Treatment:",
     "Graphics RGB Gray Treatment", "GraphicsGrayTreatmentPopup", kProfileNone},
    {"menu_gDestinationProfile", "text_gDestinationProfile", "HVGraphicsDestinationProfile",
     "Destination Profile:", "Graphics Destination Profile", "GraphicsDestinationProfilePopup",
     kProfileDestination},
    {"menu_gHalftone", "text_gHalftone", "HVGraphicsHalftone", "Halftone:", "Graphics Halftone", "",
     kProfileNone},
    {"menu_gEdgeEnhancement", "text_gEdgeEnhancement", "HVGraphicsEdgeEnhance", "EdgeEnhance:",
     "Graphics EdgeEnhance", "GraphicsEdgeEnhancePopup", kProfileNone},
    {"menu_sSimulationProfile", "text_sSimulationProfile", "HVSimSource", "Simulation Profile:",
     "Simulation Profile", "SimulationSourcePopup", kProfileSimulation},
    {"menu_sMatchPaperColor", "text_sMatchPaperColor", "HVSimRenderIntent", "Match Paper Color:",
     "Match Paper Color", "SimulationRenderIntentPopup", kProfileNone},
    {"menu_sCMYKGrayTreatment", "text_sCMYKGrayTreatment", "HVSimGrayTreatment", "CMYK Gray Treatment:",
     "CMYK Gray Treatment", "SimulationGrayTreatmentPopup", kProfileNone},
};

// Item index each pop-up is forced to, per Quick Color index 0, 1, 2.
constexpr int kQuickColorForce[AdvancedColorOptions::kPopUpCount][3] = {
    {1, 1, 1}, {0, 0, 1}, {1, 0, 1}, {0, 0, 0}, {1, 1, 2}, {0, 0, 1},  // image
    {1, 1, 1}, {1, 0, 1}, {1, 0, 1}, {0, 0, 0}, {2, 1, 2}, {1, 0, 1},  // text
    {1, 1, 1}, {1, 0, 1}, {1, 0, 1}, {0, 0, 0}, {1, 1, 2}, {1, 0, 1},  // graphics
    {0, 0, 0}, {0, 0, 0}, {0, 0, 0},                                   // simulation
};

// Pop-ups economy mode sets to item 0 after the table, per Quick Color index.
constexpr int kImageEdge = 5, kGraphicsEdge = 17;
const std::vector<int>& EconomyResets(int quickColor) {
  static const std::vector<int> kResets[3] = {{kGraphicsEdge}, {}, {kImageEdge, kGraphicsEdge}};
  return kResets[quickColor];
}

}  // namespace

PDEControlTable AdvancedColorOptions::buildRows() {
  PDEControlTable rows;
  rows.reserve(46);
  for (int i = 0; i < kPopUpCount; ++i) {
    const PopUpSpec& s = kPopUps[i];
    rows.push_back({menus[i], kCtrlPopUp, s.ppdKeyword, s.titleKey, s.summaryKey, s.identifier, s.profileKind, {}});
  }
  rows.push_back({tab_SwitchVew, kCtrlTabView, "", "Image", nullptr, "", 0, {}});
  for (int i = 0; i < kPopUpCount; ++i)
    rows.push_back({labels[i], kCtrlLabel, "", kPopUps[i].titleKey, nullptr, "", 0, {}});
  rows.push_back({button_ManageProfile, kCtrlButton, "", "Management Profile", nullptr, "", 0, {}});
  rows.push_back({button_DownloadManager, kCtrlButton, "", "Download Manager", nullptr, "", 0, {}});
  rows.push_back({button_HideAdvancedOptions, kCtrlButton, "", "Hide Advanced Options", nullptr, "", 0, {}});
  return rows;
}

bool AdvancedColorOptions::setOutlet(std::string_view name, ui::Object* object) {
  for (int i = 0; i < kPopUpCount; ++i)
    if (ui::TakeOutlet(name, object, ui::Outlet(kPopUps[i].menu, menus[i]),
                       ui::Outlet(kPopUps[i].label, labels[i])))
      return true;
  return ui::TakeOutlet(name, object, ui::Outlet("tab_SwitchVew", tab_SwitchVew),
                        ui::Outlet("button_ManageProfile", button_ManageProfile),
                        ui::Outlet("button_DownloadManager", button_DownloadManager),
                        ui::Outlet("button_HideAdvancedOptions", button_HideAdvancedOptions));
}

void AdvancedColorOptions::createPDEControlTable() {
  ColorPane::createPDEControlTable();
  if (ctrlTable_.empty() || !ctrlTable_.front().control) return;
  if (auto* tabs = dynamic_cast<ui::TabView*>(tab_SwitchVew)) tabs->selectTabViewItemAtIndex(0);
  if (auto* button = dynamic_cast<ui::Control*>(button_ManageProfile)) button->setEnabled(IsAdministratorProfile());
}

void AdvancedColorOptions::createPDEItemForPPDKey() {
  ColorPane::createPDEItemForPPDKey();
  AddMenuFromProfilePlist(getControlData());
}

void AdvancedColorOptions::setPopUpIndex(int popup, int index) {
  // Like the toolkit's pop-up: an index past the last item selects nothing.
  if (auto* p = dynamic_cast<ui::PopUpButton*>(menus[popup])) p->selectItemAtIndex(index);
}

void AdvancedColorOptions::changeItemAccodingQuickColor(int16_t quickColor, int16_t eco) {
  if (quickColor < 0 || quickColor > 2) return;
  for (int i = 0; i < kPopUpCount; ++i) setPopUpIndex(i, kQuickColorForce[i][quickColor]);
  if (eco != 0)
    for (int popup : EconomyResets(quickColor)) setPopUpIndex(popup, 0);
}

void AdvancedColorOptions::getSummaryItemAccodingQuickColor(int16_t quickColor, int16_t eco,
                                                            platform::plist::Dict* dict,
                                                            platform::plist::Array* array) {
  if (quickColor < 0 || quickColor > 2) return;
  auto titleAt = [&](int popup, int index) {
    auto* p = dynamic_cast<ui::PopUpButton*>(menus[popup]);
    const ui::MenuItem* item = p ? p->itemAtIndex(index) : nullptr;
    return item ? item->title : std::string();
  };
  for (int i = 0; i < kPopUpCount; ++i)
    PDECommon::commonGetSummaryTextQuickColor(kPopUps[i].summaryKey, titleAt(i, kQuickColorForce[i][quickColor]),
                                              dict, array);
  if (eco != 0)
    for (int popup : EconomyResets(quickColor))
      PDECommon::commonGetSummaryTextQuickColor(kPopUps[popup].summaryKey, titleAt(popup, 0), dict, array);
}

void AdvancedColorOptions::downloadManagerButton(ui::Object* /*sender*/) {
  std::string app = platform::paths::DownloadManagerApp();
  if (access(app.c_str(), F_OK) != 0) return;  // not installed: nothing happens
  platform::TaskResult result;
  platform::RunTask("/usr/bin/xdg-open", {"xdg-open", app}, &result);
}

bool AdvancedColorOptions::performAction(std::string_view selector, ui::Object* sender) {
  static constexpr ui::ActionEntry<AdvancedColorOptions> kActions[] = {
      {"downloadManagerButton:", &AdvancedColorOptions::downloadManagerButton}};
  return ui::PerformFromTable(this, kActions, selector, sender);
}

}  // namespace colorpane
