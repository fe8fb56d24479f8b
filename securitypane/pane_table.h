// The pane control table: one record per control of the Security pane with
// its kind, the key its value is stored under, the PPD option or label it
// shows and its current value as a string. It fills controls from PPD
// defaults, reads values back, and feeds labels, summaries and saving.
//
// Values are strings: choice keywords for pop-ups, "True"/"False" for check
// boxes, "public"/"private" for the user-type matrix, the text for edit
// fields. Every walk stops at the terminator record (kind kPaneEnd); walks
// that deal with values skip labels.
#pragma once

#include <cups/ppd.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/bundle.h"
#include "platform/ui/view.h"

namespace securitypane {

enum PaneControlKind : uint16_t {
  kPaneStaticText = 2,
  kPanePopUp = 3,
  kPaneCheckBox = 4,
  kPaneRadio = 5,
  kPaneEditText = 6,
  kPaneEnd = 0xFFFF,
};

struct PaneControlRecord {
  platform::ui::Object* control = nullptr;  // none in the terminator
  uint16_t kind = kPaneEnd;
  const char* settingsKey = nullptr;  // nullptr for labels
  const char* optionName = nullptr;   // PPD option, or the label's localization key
  std::optional<std::string> value;
  int colon = 0;  // a label's text gets ":" appended
};

// Records followed by one terminator.
using PaneControlTable = std::vector<PaneControlRecord>;

// Prepares every control by kind from the PPD and the bundle's strings.
void initializeUI(ppd_file_t* ppd, PaneControlTable* table, const platform::Bundle* bundle);
// One item per choice (display text; represented object: the keyword). Hides
// the pop-up (log "init Popup Error!") when the PPD lacks the option.
void initializePopup(ppd_file_t* ppd, PaneControlRecord* record);
// Hides the check box (log "init CheckBox Error!") without a translation.
void initializeCheckBox(PaneControlRecord* record, const platform::Bundle* bundle);
void initializeRadioButton(PaneControlRecord* record, const platform::Bundle* bundle);
void initializeStaticText(PaneControlRecord* record, const platform::Bundle* bundle);
void initializeEditText(PaneControlRecord* record);

// Every record's value := its PPD default (else "" for edit texts, "public"
// for the matrix, "False" for check boxes), shown in the control.
void setDefaults(ppd_file_t* ppd, PaneControlTable* table);
std::optional<std::string> getDefaultValueFromPPD(ppd_file_t* ppd, const char* settings_key);
// Shows a value; 1 (and a log line) when it does not fit the control, else 0.
int setPPDValueToControl(PaneControlRecord* record, const std::string* value);
std::optional<std::string> getPPDValueFromControl(const PaneControlRecord* record);
std::optional<std::string> getLocalizeValueFromPPD(ppd_file_t* ppd, const char* settings_key,
                                                   std::string_view choice);
// Summary text of a control; std::nullopt when it has none.
std::optional<std::string> getLocalizeValueFromControl(const PaneControlRecord* record, ppd_file_t* ppd);
std::vector<std::string> CustomSupportedPPDOptionKeys(const PaneControlTable* table);
// Position of the record holding the control; -1 when none does.
int searchTableIndex(const PaneControlTable* table, const platform::ui::Object* control);
inline int checkPPDModelName() { return 0; }

// The records up to the terminator.
template <class Table, class Fn>
void ForEachPaneRecord(Table* table, Fn fn) {
  if (!table) return;
  for (auto& r : *table) {
    if (r.kind == kPaneEnd) break;
    fn(r);
  }
}

}  // namespace securitypane
