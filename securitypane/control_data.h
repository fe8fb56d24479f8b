// The control data table: one record per PPD-bound control of a pane, made
// from templates, with the control's id, four-character kind and PPD option
// record. It serves the constraint engine and the print-ticket update when a
// control changes.
//
// Positions are 1-based unless a zero-based flag says otherwise. A check box
// bound to a PPD option stands for the option's "True" choice when on and its
// "False" choice when off, whatever their order in the PPD (an option without
// those choices maps state to position). Lookups that find nothing answer -1,
// 0 or nullptr and never abort.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"
#include "platform/ui/view.h"
#include "securitypane/ppd_ui_option.h"

namespace securitypane {

using platform::OSStatus;
struct HVPDESession;
struct UIConstraintsKeyEntry;

constexpr uint32_t FourCharCode(const char (&s)[5]) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
         uint32_t(uint8_t(s[3]));
}

inline constexpr uint32_t kCtlPopUp = FourCharCode("popb");
inline constexpr uint32_t kCtlCheckBox = FourCharCode("cbox");
inline constexpr uint32_t kCtlRadioGroup = FourCharCode("rgrp");
inline constexpr uint32_t kCtlStaticText = FourCharCode("stxt");
inline constexpr uint32_t kCtlEditText = FourCharCode("etxt");
inline constexpr uint32_t kCtlEditUText = FourCharCode("eutx");
inline constexpr uint32_t kCtlIcon = FourCharCode("icon");
inline constexpr uint32_t kCtlGroupBox = FourCharCode("grpb");
inline constexpr uint32_t kCtlDataBrowser = FourCharCode("datb");

struct PDEControlData {
  int32_t id = 0;
  platform::ui::Object* control = nullptr;
  uint32_t kind = 0;
  std::string key;  // PPD option keyword; "" for none
  std::optional<std::string> editString;
  std::unique_ptr<PPDUIOption> ppdInfo;
  uint8_t initEnable = 0;
  int32_t minValue = 0, maxValue = 0;
  int32_t defValue = 0;
  std::optional<std::string> defString;
  int32_t value = 0;
  std::optional<std::string> string;
  void* data = nullptr;
};

struct PDEControlDataTable {
  std::vector<PDEControlData> records;
  int16_t count = 0;
};

struct PDEControlTemplate {
  int16_t id;
  platform::ui::Object* control;
  uint32_t kind;
  const char* key;
};

// Colours of a label's text: gray when inactive; white in dark mode
// ("AppleInterfaceStyle" = "Dark"), else black, when active.
platform::ui::Color LabelTextColor(bool active);

// --- The table
// Creates `count` records from the templates; option records for every kind
// but 'stxt' when a PPD and a key are given. Pop-ups stop enabling their
// items by themselves. paramErr for a missing out slot or a negative count.
OSStatus CTblCreate(std::unique_ptr<PDEControlDataTable>* out, const PDEControlTemplate* templates, int count,
                    ppd_file_t* ppd);
void CTblRelease(std::unique_ptr<PDEControlDataTable>* table);
// Id of the record holding the control; -1 when none does or the table is
// empty; 0 for a missing table.
int32_t CTblGetID(const PDEControlDataTable* table, const platform::ui::Object* control);
PDEControlData* PDEControlDataGetByID(PDEControlDataTable* table, int32_t id);
PDEControlData* PDEControlDataGetByIndex(PDEControlDataTable* table, int index);
int PDEControlDataTblGetCount(const PDEControlDataTable* table);

// --- Field accessors (missing record: 0, nullptr, or -1 for kind and numbers)
int32_t PDEControlDataID(const PDEControlData* r);
const std::string* PDEControlDataKey(const PDEControlData* r);
PPDUIOption* PDEControlDataPPDInfo(const PDEControlData* r);
int64_t PDEControlDataKind(const PDEControlData* r);
platform::ui::Object* PDEControlDataControl(const PDEControlData* r);
int PDEControlDataInitEnable(const PDEControlData* r);
int32_t PDEControlDataMinValue(const PDEControlData* r);
int32_t PDEControlDataMaxValue(const PDEControlData* r);
int32_t PDEControlDataDefValue(const PDEControlData* r);
int32_t PDEControlDataValue(const PDEControlData* r);
void* PDEControlDataData(const PDEControlData* r);
// Edit kinds only ('etxt', 'eutx'); nullptr otherwise.
const std::string* PDEControlDataDefString(const PDEControlData* r);
const std::string* PDEControlDataString(const PDEControlData* r);
const std::string* PDEControlDataGetEditTextString(const PDEControlData* r);
void PDEControlDataDefSetString(PDEControlData* r, std::string_view s);
void PDEControlDataSetEditTextString(PDEControlData* r, std::string_view s);
// 'stxt' only: the label's text.
void PDEControlDataSetStringValue(PDEControlData* r, std::string_view s);

// --- The control
void PDEControlDataSetHidden(PDEControlData* r, bool hidden);
bool PDEControlDataIsHidden(const PDEControlData* r);
bool PDEControlDataIsEnabled(const PDEControlData* r);
// 'stxt': only the text colour changes; 'grpb', 'datb': nothing.
void PDEControlDataSetEnabled(PDEControlData* r, bool enabled);
int32_t PDEControlDataGetIntValue(const PDEControlData* r, bool zero_based);
void PDEControlDataSetIntValue(PDEControlData* r, int32_t value, bool zero_based);
void PDEControlDataSetDefault(PDEControlData* r);
void PDEControlDataSetDefaultSetting(PDEControlData* r);
std::optional<std::string> PDEControlDataGetPPDValueString(const PDEControlData* r);
void PDEControlDataSetPPDValueString(PDEControlData* r, std::string_view keyword);
int PDEControlDataItemGetCount(const PDEControlData* r);
// Items are 1-based; item 0 also addresses the first.
bool PDEControlDataItemIsEnabled(const PDEControlData* r, int item);
void PDEControlDataItemSetEnabled(PDEControlData* r, int item, bool enabled);
void mEnableALL(PDEControlDataTable* table);
// Writes the control's choice to the print settings and marks it in the PPD
// (edit kinds: nothing).
OSStatus UpdateTicketWithPDEControl(PDEControlData* r, HVPDESession* session);
void mInitControlDetailInfo(PDEControlData* r, bool keep);
void mGetRadioItemNum(const platform::ui::Matrix* matrix, int* columns, int* rows);
// Titles and items from the PPD; hides icons and records never enabled (and
// their related controls from the key table, which ends at id 0).
void CTblUISetByPPD(PDEControlDataTable* table, ppd_file_t* ppd, const UIConstraintsKeyEntry* key_table);
void initPopupByPPD(ppd_file_t* ppd, platform::ui::PopUpButton* popup, std::string_view key);
void initTxtTitleByPPD(ppd_file_t* ppd, platform::ui::Object* control, std::string_view key, bool as_label);

// --- Plain controls
void CCRebuildPopupMenuWithPPDOption(platform::ui::PopUpButton* popup, const PPDUIOption* option);
// Disables the items that an installed-option constraint forbids.
void CCDisableMenuItemsWithInstallableOption(platform::ui::PopUpButton* popup, const PPDUIOption* option,
                                             HVPDESession* session);
// Each item's enabled state, in order; the item count, or -1 without a pop-up.
int CCGetPopupButtonItemState(const platform::ui::PopUpButton* popup, int ignored,
                              std::vector<uint8_t>* flags);
void CCControlSetHidden(platform::ui::Object* control, bool hidden);
void CCControlSetStaticText(platform::ui::Object* control, std::string_view text);

// The check-box mapping described above.
int CheckBoxChoiceIndex(const PPDUIOption* option, int state);
int CheckBoxStateForIndex(const PPDUIOption* option, int index);

}  // namespace securitypane
