#include "colorpane/pain_change_controller.h"

#include "colorpane/pde_common.h"

namespace colorpane {

namespace ui = platform::ui;

bool PainChangeController::setOutlet(std::string_view name, ui::Object* object) {
  return ui::TakeOutlet(name, object, ui::Outlet("onColorView", onColorView),
                        ui::Outlet("onAdvancedView", onAdvancedView),
                        ui::Outlet("onMainCustomView", onMainCustomView));
}

bool PainChangeController::performAction(std::string_view selector, ui::Object* sender) {
  static constexpr ui::ActionEntry<PainChangeController> kActions[] = {
      {"ColorToAdvancedView:", &PainChangeController::ColorToAdvancedView},
      {"AdvancedToColorView:", &PainChangeController::AdvancedToColorView},
  };
  return ui::PerformFromTable(this, kActions, selector, sender);
}

void PainChangeController::creatPDEControlTableEachView() {
  forEachPane([](ColorPane& p) { p.createPDEControlTable(); });
}
void PainChangeController::addPPDArrayEachView(std::vector<std::string>* array) {
  forEachPane([&](ColorPane& p) { p.addPPDArray(array); });
}
void PainChangeController::deallocPDEControlTableEachView() {
  forEachPane([](ColorPane& p) { p.deallocPDEControlTable(); });
}
void PainChangeController::setPPDFileEachView(ppd_file_t* ppd) {
  forEachPane([&](ColorPane& p) { p.setPPDFile(ppd); });
}
void PainChangeController::setPMPrintEachView(platform::PrintSettings* setting, platform::PrintSession* session) {
  forEachPane([&](ColorPane& p) { p.setPMPrint(setting, session); });
}
void PainChangeController::createPDEItemForPPDKeyEachView() {
  forEachPane([](ColorPane& p) { p.createPDEItemForPPDKey(); });
}
void PainChangeController::getControlValueFromTickettEachView() {
  forEachPane([](ColorPane& p) { p.getControlValueFromTicket(); });
}
void PainChangeController::setControlValueToTicketEachView() {
  forEachPane([](ColorPane& p) { p.setControlValueToTicket(); });
}

void PainChangeController::defaultFromPPDInfoEachView() {
  if (onColorView) onColorView->defaultFromPPDInfo();
  if (onAdvancedView) onAdvancedView->defaultFromPPDInfo();
}

int PainChangeController::getControlDataEachView(PDEControlData** tables, int count) {
  for (int i = 0; i < count; ++i) tables[i] = nullptr;
  if (count > 0 && onColorView) tables[0] = onColorView->getControlData();
  if (count > 1 && onAdvancedView) tables[1] = onAdvancedView->getControlData();
  return 2;
}

void PainChangeController::changeAdvancedItemAccodingQuickColor() {
  if (!onColorView || !onAdvancedView) return;
  onAdvancedView->changeItemAccodingQuickColor(onColorView->getQuickColorValue(), onColorView->getEconoModeValue());
}

void PainChangeController::getSummaryAdvancedItemAccodingQuickColor(platform::plist::Dict* dict,
                                                                    platform::plist::Array* array) {
  if (!onColorView || !onAdvancedView) return;
  onAdvancedView->getSummaryItemAccodingQuickColor(onColorView->getQuickColorValue(),
                                                   onColorView->getEconoModeValue(), dict, array);
}

void PainChangeController::getSummaryTextEachView(platform::plist::Dict* dict, platform::plist::Array* array) {
  if (!onColorView || !onAdvancedView) return;
  onColorView->getSummaryText(dict, array);
  if (onColorView->getQuickColorValue() == 3)
    onAdvancedView->getSummaryText(dict, array);
  else
    getSummaryAdvancedItemAccodingQuickColor(dict, array);
}

void PainChangeController::showPane(ColorPane* shown, ColorPane* hidden) {
  if (!shown) return;
  ui::Rect r = onMainCustomView ? onMainCustomView->bounds() : ui::Rect{};
  shown->setViewBounds(r);
  if (!onMainCustomView) return;
  if (shown->superview() == onMainCustomView) return;  // already on screen
  onMainCustomView->addSubview(shown);
  if (hidden) onMainCustomView->replaceSubview(hidden, shown);
}

void PainChangeController::SHowColorToAdvancedView() { showPane(onAdvancedView, onColorView); }
void PainChangeController::ShowAdvancedToColorView() { showPane(onColorView, onAdvancedView); }

void PainChangeController::ColorToAdvancedView(ui::Object*) {
  if (onAdvancedView && onAdvancedView->getControlData()) SHowColorToAdvancedView();
}

void PainChangeController::AdvancedToColorView(ui::Object*) {
  if (onColorView && onColorView->getControlData()) ShowAdvancedToColorView();
}

}  // namespace colorpane
