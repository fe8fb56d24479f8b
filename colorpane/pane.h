// What both colour panes share: the handles the panel hands them, their
// control table, and the table-driven operations over it.
#pragma once

#include <cups/ppd.h>

#include <string_view>
#include <vector>

#include "colorpane/control_table.h"
#include "platform/plist.h"
#include "platform/print_settings.h"
#include "platform/printing.h"
#include "platform/ui/view.h"

namespace colorpane {

class ColorPane : public platform::ui::View {
 public:
  void setPPDFile(ppd_file_t* ppd) { ppd_ = ppd; }
  void setPMPrint(platform::PrintSettings* setting, platform::PrintSession* session) {
    setting_ = setting;
    session_ = session;
  }
  void setViewBounds(const platform::ui::Rect& r) { setBounds({0, 0, r.width, r.height}); }

  // Builds the table, then the choice rows of every PPD-bound row. Nothing
  // more when the first row has no control (outlets not connected).
  virtual void createPDEControlTable();
  void deallocPDEControlTable();
  // The table's first row, or nullptr before it is built.
  PDEControlData* getControlData() { return ctrlTable_.empty() ? nullptr : ctrlTable_.data(); }
  void addPPDArray(std::vector<std::string>* array) const;
  virtual void createPDEItemForPPDKey();
  void defaultFromPPDInfo();
  void getControlValueFromTicket();
  void setControlValueToTicket();
  void getSummaryText(platform::plist::Dict* dict, platform::plist::Array* array);

 protected:
  // The pane's rows, in table order, without the end row.
  virtual PDEControlTable buildRows() = 0;

  ppd_file_t* ppd_ = nullptr;
  PDEControlTable ctrlTable_;
  platform::PrintSettings* setting_ = nullptr;
  platform::PrintSession* session_ = nullptr;
};

}  // namespace colorpane
