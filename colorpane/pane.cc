#include "colorpane/pane.h"

#include "colorpane/pde_common.h"

namespace colorpane {

void ColorPane::createPDEControlTable() {
  ctrlTable_ = buildRows();
  ctrlTable_.push_back(EndRow());
  if (!ctrlTable_.front().control) return;
  for (PDEControlData& row : ctrlTable_) {
    if (row.kind == kCtrlEnd) break;
    row.choiceRows.reset();
    if (row.isPpdBound()) PDECommon::commonGetPPDArrayForUIOption(ppd_, row.ppdKeyword, &row.choiceRows);
  }
}

void ColorPane::deallocPDEControlTable() { ctrlTable_.clear(); }

void ColorPane::addPPDArray(std::vector<std::string>* array) const {
  PDECommon::commonAddPPDArray(array, ctrlTable_.empty() ? nullptr : ctrlTable_.data());
}

void ColorPane::createPDEItemForPPDKey() { PDECommon::commonBuildPDEItem(getControlData(), ppd_); }

void ColorPane::defaultFromPPDInfo() { PDECommon::commonDefaultFromPPDInfo(getControlData()); }

void ColorPane::getControlValueFromTicket() {
  PDECommon::commonSyncPaneFromTicket(setting_, session_, getControlData());
}

void ColorPane::setControlValueToTicket() {
  PDECommon::commonSyncTicketFromPane(setting_, session_, getControlData());
}

void ColorPane::getSummaryText(platform::plist::Dict* dict, platform::plist::Array* array) {
  PDECommon::commonGetSummaryText(getControlData(), dict, array);
}

}  // namespace colorpane
