#include "securitypane/control_data.h"

#include <algorithm>

#include "platform/log.h"
#include "platform/ui/window.h"
#include "securitypane/pde_core.h"
#include "securitypane/ppd_ticket.h"
#include "securitypane/ui_constraints.h"

namespace securitypane {

namespace ui = platform::ui;
namespace plist = platform::plist;

namespace {

bool IsEditKind(uint32_t kind) { return kind == kCtlEditText || kind == kCtlEditUText; }
bool HasStates(uint32_t kind) { return kind == kCtlCheckBox || kind == kCtlPopUp || kind == kCtlRadioGroup; }

ui::PopUpButton* PopUp(const PDEControlData* r) {
  return r ? dynamic_cast<ui::PopUpButton*>(r->control) : nullptr;
}
ui::Button* CheckBox(const PDEControlData* r) { return r ? dynamic_cast<ui::Button*>(r->control) : nullptr; }
ui::Matrix* Radio(const PDEControlData* r) { return r ? dynamic_cast<ui::Matrix*>(r->control) : nullptr; }
ui::TextField* Text(const PDEControlData* r) {
  return r ? dynamic_cast<ui::TextField*>(r->control) : nullptr;
}

// A radio group usable for positions: at least one row (the toolkit model has
// one column).
bool RadioShapeOK(const ui::Matrix* m) { return m && m->numberOfRows() >= 1; }

}  // namespace

ui::Color LabelTextColor(bool active) {
  if (!active) return ui::Color::disabledControlText();
  return ui::UserDefaultString("AppleInterfaceStyle") == "Dark" ? ui::Color::rgb(1, 1, 1)
                                                                : ui::Color::rgb(0, 0, 0);
}

int CheckBoxChoiceIndex(const PPDUIOption* option, int state) {
  const int index = PPDUIOptionKeyToIndex(option, state ? "True" : "False");
  return index >= 0 ? index : (state ? 1 : 0);
}

int CheckBoxStateForIndex(const PPDUIOption* option, int index) {
  const std::string* key = PPDUIOptionIndexToKey(option, index);
  if (key && EqualsIgnoringCase(*key, "True")) return 1;
  if (key && EqualsIgnoringCase(*key, "False")) return 0;
  return index != 0 ? 1 : 0;
}

// --- The table

OSStatus CTblCreate(std::unique_ptr<PDEControlDataTable>* out, const PDEControlTemplate* templates, int count,
                    ppd_file_t* ppd) {
  if (!out || count < 0 || count > INT16_MAX || (count > 0 && !templates)) return platform::paramErr;
  auto table = std::make_unique<PDEControlDataTable>();
  table->count = static_cast<int16_t>(count);
  table->records.resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const PDEControlTemplate& t = templates[i];
    PDEControlData& r = table->records[static_cast<size_t>(i)];
    r.id = t.id;
    r.control = t.control;
    r.kind = t.kind;
    r.key = t.key ? t.key : "";
    if (ppd && t.kind != kCtlStaticText && !r.key.empty()) r.ppdInfo = CreatePPDUIOptionWithCFKey(ppd, r.key);
    if (t.kind == kCtlPopUp)
      if (auto* popup = PopUp(&r)) popup->setAutoenablesItems(false);
  }
  *out = std::move(table);
  return platform::noErr;
}

void CTblRelease(std::unique_ptr<PDEControlDataTable>* table) {
  if (!table || !*table) return;
  (*table)->records.clear();
  (*table)->count = 0;
  table->reset();
}

int32_t CTblGetID(const PDEControlDataTable* table, const ui::Object* control) {
  if (!table) return 0;
  for (const PDEControlData& r : table->records)
    if (r.control == control) return r.id;
  return -1;
}

PDEControlData* PDEControlDataGetByID(PDEControlDataTable* table, int32_t id) {
  if (!table) return nullptr;
  for (PDEControlData& r : table->records)
    if (r.id == id) return &r;
  return nullptr;
}

PDEControlData* PDEControlDataGetByIndex(PDEControlDataTable* table, int index) {
  if (!table || index < 0 || index >= static_cast<int>(table->records.size())) return nullptr;
  return &table->records[static_cast<size_t>(index)];
}

int PDEControlDataTblGetCount(const PDEControlDataTable* table) { return table ? table->count : 0; }

// --- Field accessors

int32_t PDEControlDataID(const PDEControlData* r) { return r ? r->id : 0; }
const std::string* PDEControlDataKey(const PDEControlData* r) {
  return r && !r->key.empty() ? &r->key : nullptr;
}
PPDUIOption* PDEControlDataPPDInfo(const PDEControlData* r) { return r ? r->ppdInfo.get() : nullptr; }
int64_t PDEControlDataKind(const PDEControlData* r) { return r ? int64_t{r->kind} : -1; }
ui::Object* PDEControlDataControl(const PDEControlData* r) { return r ? r->control : nullptr; }
int PDEControlDataInitEnable(const PDEControlData* r) { return r ? r->initEnable : 0; }
int32_t PDEControlDataMinValue(const PDEControlData* r) { return r ? r->minValue : -1; }
int32_t PDEControlDataMaxValue(const PDEControlData* r) { return r ? r->maxValue : -1; }
int32_t PDEControlDataDefValue(const PDEControlData* r) { return r ? r->defValue : -1; }
int32_t PDEControlDataValue(const PDEControlData* r) { return r ? r->value : -1; }
void* PDEControlDataData(const PDEControlData* r) { return r ? r->data : nullptr; }

const std::string* PDEControlDataDefString(const PDEControlData* r) {
  return r && IsEditKind(r->kind) && r->defString ? &*r->defString : nullptr;
}
const std::string* PDEControlDataString(const PDEControlData* r) {
  return r && IsEditKind(r->kind) && r->string ? &*r->string : nullptr;
}
const std::string* PDEControlDataGetEditTextString(const PDEControlData* r) {
  return r && IsEditKind(r->kind) && r->editString ? &*r->editString : nullptr;
}

void PDEControlDataDefSetString(PDEControlData* r, std::string_view s) {
  if (r && IsEditKind(r->kind)) r->defString = std::string(s);
}

void PDEControlDataSetEditTextString(PDEControlData* r, std::string_view s) {
  if (r && IsEditKind(r->kind)) r->editString = std::string(s);
}

void PDEControlDataSetStringValue(PDEControlData* r, std::string_view s) {
  if (r && r->kind == kCtlStaticText)
    if (auto* label = Text(r)) label->setStringValue(std::string(s));
}

// --- The control

void PDEControlDataSetHidden(PDEControlData* r, bool hidden) {
  CCControlSetHidden(r ? r->control : nullptr, hidden);
}

bool PDEControlDataIsHidden(const PDEControlData* r) {
  auto* view = r ? dynamic_cast<ui::View*>(r->control) : nullptr;
  return view && view->isHidden();
}

bool PDEControlDataIsEnabled(const PDEControlData* r) {
  auto* control = r ? dynamic_cast<ui::Control*>(r->control) : nullptr;
  return control && control->isEnabled();
}

void PDEControlDataSetEnabled(PDEControlData* r, bool enabled) {
  if (!r || r->kind == kCtlDataBrowser || r->kind == kCtlGroupBox) return;
  if (r->kind == kCtlStaticText) {
    if (auto* label = Text(r)) label->setTextColor(LabelTextColor(enabled));
    return;
  }
  if (auto* control = dynamic_cast<ui::Control*>(r->control)) control->setEnabled(enabled);
}

int32_t PDEControlDataGetIntValue(const PDEControlData* r, bool zero_based) {
  if (!r) return -1;
  int32_t value = -1;
  if (r->kind == kCtlRadioGroup) {
    const ui::Matrix* m = Radio(r);
    if (!RadioShapeOK(m)) return -1;
    value = m->selectedRow();
  } else if (r->kind == kCtlPopUp) {
    const ui::PopUpButton* popup = PopUp(r);
    if (!r->ppdInfo || !popup) return -1;
    value = popup->indexOfSelectedItem();
  } else if (r->kind == kCtlCheckBox && r->ppdInfo) {
    const ui::Button* box = CheckBox(r);
    if (!box) return -1;
    value = CheckBoxChoiceIndex(r->ppdInfo.get(), box->state() == ui::Button::kOnState);
  } else {
    if (const ui::Button* box = CheckBox(r)) return box->state();
    if (const ui::TextField* field = Text(r)) return field->intValue();
    return -1;
  }
  return zero_based ? value : value + 1;
}

void PDEControlDataSetIntValue(PDEControlData* r, int32_t value, bool zero_based) {
  if (!r) return;
  const int32_t position = zero_based ? value : value - 1;
  if (r->kind == kCtlRadioGroup) {
    if (ui::Matrix* m = Radio(r); RadioShapeOK(m)) m->selectCellAtRow(position);
  } else if (r->kind == kCtlPopUp) {
    if (ui::PopUpButton* popup = PopUp(r); popup && r->ppdInfo) popup->selectItemAtIndex(position);
  } else if (r->kind == kCtlCheckBox && r->ppdInfo) {
    if (ui::Button* box = CheckBox(r)) box->setState(CheckBoxStateForIndex(r->ppdInfo.get(), position));
  } else if (ui::Button* box = CheckBox(r)) {
    box->setState(value);
  } else if (ui::TextField* field = Text(r)) {
    field->setStringValue(std::to_string(value));
  }
}

void PDEControlDataSetDefault(PDEControlData* r) {
  if (!r) return;
  if (HasStates(r->kind)) {
    PDEControlDataSetIntValue(r, r->defValue, false);
  } else if (IsEditKind(r->kind)) {
    ui::TextField* field = Text(r);
    if (field && field->isEditable() && r->defString) field->setStringValue(*r->defString);
  }
}

void PDEControlDataSetDefaultSetting(PDEControlData* r) {
  if (!r || !r->ppdInfo) return;
  if (HasStates(r->kind)) {
    PDEControlDataSetIntValue(r, r->ppdInfo->defaultIndex, true);
  } else if (r->kind == kCtlEditUText) {
    const std::string* alias = PPDUIOptionGetDefaultAlias(r->ppdInfo.get());
    if (ui::TextField* field = Text(r); field && alias) field->setStringValue(*alias);
  }
}

std::optional<std::string> PDEControlDataGetPPDValueString(const PDEControlData* r) {
  if (!r) return std::nullopt;
  if (r->kind == kCtlCheckBox && !r->ppdInfo) {
    const ui::Button* box = CheckBox(r);
    return box && box->state() != 0 ? "True" : "False";
  }
  if (HasStates(r->kind)) {
    const std::string* key = PPDUIOptionIndexToKey(r->ppdInfo.get(), PDEControlDataGetIntValue(r, true));
    return key ? std::optional<std::string>(*key) : std::nullopt;
  }
  if (IsEditKind(r->kind)) {
    const ui::TextField* field = Text(r);
    return field ? field->stringValue() : "NULL";
  }
  platform::log::Writef(LOG_DEBUG, "unsupported type kind:%d", static_cast<int>(r->kind));
  return std::nullopt;
}

void PDEControlDataSetPPDValueString(PDEControlData* r, std::string_view keyword) {
  if (!r) return;
  if (r->kind == kCtlCheckBox && !r->ppdInfo) {
    if (ui::Button* box = CheckBox(r)) box->setState(keyword == "True" ? 1 : 0);
  } else if (HasStates(r->kind) && r->ppdInfo) {
    int index = PPDUIOptionKeyToIndex(r->ppdInfo.get(), keyword);
    if (index < 0) index = r->ppdInfo->defaultIndex;
    PDEControlDataSetIntValue(r, index, true);
  } else if (IsEditKind(r->kind)) {
    if (ui::TextField* field = Text(r)) field->setStringValue(std::string(keyword));
  }
}

int PDEControlDataItemGetCount(const PDEControlData* r) {
  if (!r) return -1;
  if (r->kind == kCtlPopUp) {
    const ui::PopUpButton* popup = PopUp(r);
    return popup ? popup->numberOfItems() : -1;
  }
  if (r->kind == kCtlRadioGroup) {
    const ui::Matrix* m = Radio(r);
    return RadioShapeOK(m) ? m->numberOfRows() : -1;
  }
  return -1;
}

bool PDEControlDataItemIsEnabled(const PDEControlData* r, int item) {
  const int index = item <= 1 ? 0 : item - 1;
  if (r && r->kind == kCtlPopUp) {
    const ui::MenuItem* mi = PopUp(r) ? PopUp(r)->itemAtIndex(index) : nullptr;
    return mi && mi->enabled;
  }
  if (r && r->kind == kCtlRadioGroup) {
    ui::Matrix* m = Radio(r);
    const ui::Matrix::Cell* cell = RadioShapeOK(m) ? m->cellAtRow(index) : nullptr;
    return cell && cell->enabled;
  }
  return false;
}

void PDEControlDataItemSetEnabled(PDEControlData* r, int item, bool enabled) {
  const int index = item <= 1 ? 0 : item - 1;
  if (r && r->kind == kCtlPopUp) {
    if (ui::MenuItem* mi = PopUp(r) ? PopUp(r)->itemAtIndex(index) : nullptr) mi->enabled = enabled;
  } else if (r && r->kind == kCtlRadioGroup) {
    ui::Matrix* m = Radio(r);
    if (ui::Matrix::Cell* cell = RadioShapeOK(m) ? m->cellAtRow(index) : nullptr) cell->enabled = enabled;
  }
}

void mEnableALL(PDEControlDataTable* table) {
  if (!table) return;
  for (PDEControlData& r : table->records) {
    PDEControlDataSetEnabled(&r, true);
    if (r.kind == kCtlPopUp)
      if (ui::PopUpButton* popup = PopUp(&r))
        for (int i = 0; i < popup->numberOfItems(); ++i) popup->itemAtIndex(i)->enabled = true;
  }
}

OSStatus UpdateTicketWithPDEControl(PDEControlData* r, HVPDESession* session) {
  if (!r) return platform::kStatusMissing;
  if (IsEditKind(r->kind)) return platform::noErr;
  return UpdateTicketWithPPDOption(session, r->ppdInfo.get(), PDEControlDataGetIntValue(r, true));
}

void mInitControlDetailInfo(PDEControlData* r, bool keep) {
  if (!r) return;
  if (r->kind == kCtlCheckBox) {
    if (!keep && r->ppdInfo) r->defValue = CheckBoxStateForIndex(r->ppdInfo.get(), r->ppdInfo->defaultIndex);
    r->defValue = r->defValue != 0 ? 1 : 0;
    r->value = r->defValue;
  } else if (r->kind == kCtlPopUp || r->kind == kCtlRadioGroup) {
    if (!keep && r->ppdInfo) r->defValue = r->ppdInfo->defaultIndex;
    r->defValue += 1;
    r->value = r->defValue;
  } else if (r->kind == kCtlEditUText) {
    if (!keep && !r->defString) r->defString = std::string();
    r->string = r->defString.value_or(std::string());
  }
}

void mGetRadioItemNum(const ui::Matrix* matrix, int* columns, int* rows) {
  const bool ok = RadioShapeOK(matrix);
  if (columns) *columns = ok ? 1 : 0;
  if (rows) *rows = ok ? matrix->numberOfRows() : 0;
}

void CTblUISetByPPD(PDEControlDataTable* table, ppd_file_t* ppd, const UIConstraintsKeyEntry* key_table) {
  if (!table) return;
  for (PDEControlData& r : table->records) {
    if (!r.key.empty() && r.kind == kCtlCheckBox) initTxtTitleByPPD(ppd, r.control, r.key, false);
    if (!r.key.empty() && r.kind == kCtlStaticText) initTxtTitleByPPD(ppd, r.control, r.key, true);
    if (!r.key.empty() && r.kind == kCtlPopUp) initPopupByPPD(ppd, PopUp(&r), r.key);
    if (r.kind == kCtlIcon) CCControlSetHidden(r.control, true);
    if (r.initEnable != 0) continue;
    CCControlSetHidden(r.control, true);
    if (!key_table) continue;
    for (const UIConstraintsKeyEntry* e = key_table; e->controlID != 0; ++e) {
      if (e->controlID != r.id) continue;
      if (e->related)
        for (int i = 0; i < std::min<int32_t>(e->related->count, kMaxRelatedControls); ++i)
          if (PDEControlData* related = PDEControlDataGetByID(table, e->related->ids[i]))
            CCControlSetHidden(related->control, true);
      break;
    }
  }
}

void initPopupByPPD(ppd_file_t* ppd, ui::PopUpButton* popup, std::string_view key) {
  if (!popup) return;
  auto option = CreatePPDUIOptionWithCFKey(ppd, key);
  if (!option) {
    popup->setHidden(true);
    return;
  }
  CCRebuildPopupMenuWithPPDOption(popup, option.get());
}

void initTxtTitleByPPD(ppd_file_t* ppd, ui::Object* control, std::string_view key, bool as_label) {
  auto option = CreatePPDUIOptionWithCFKey(ppd, key);
  if (!option || !control) return;
  if (as_label) {
    CCControlSetStaticText(control, option->selfAlias + ":");
  } else if (auto* button = dynamic_cast<ui::Button*>(control)) {
    button->setTitle(option->selfAlias);
  }
}

// --- Plain controls

void CCRebuildPopupMenuWithPPDOption(ui::PopUpButton* popup, const PPDUIOption* option) {
  if (!popup || !option) return;
  popup->removeAllItems();
  for (const PPDUIOptionItem& item : option->items) {
    popup->addItemWithTitle(item.alias);
    // The keyword rides along, so a rebuilt menu still selects by keyword.
    popup->itemAtIndex(popup->numberOfItems() - 1)->representedObject = item.key;
  }
}

void CCDisableMenuItemsWithInstallableOption(ui::PopUpButton* popup, const PPDUIOption* option,
                                             HVPDESession* session) {
  if (!popup) return;
  popup->setAutoenablesItems(false);
  ppd_file_t* ppd = nullptr;
  GetPPDReference(session, &ppd);
  if (!ppd || !option) return;
  auto installed = CreatePPDInstallableOptionDict(ppd);
  auto constraints = CreatePPDConstraintsArray(ppd);
  if (!installed || !constraints) return;
  for (const plist::Value& c : *constraints) {
    const std::string *option1 = c.find("option1")->string(), *choice1 = c.find("choice1")->string(),
                      *option2 = c.find("option2")->string(), *choice2 = c.find("choice2")->string();
    auto it = installed->find(*option1);
    if (it == installed->end() || !it->second.string() || !EqualsIgnoringCase(*it->second.string(), *choice1))
      continue;
    if (!EqualsIgnoringCase(*option2, option->selfKey)) continue;
    if (ui::MenuItem* item = popup->itemAtIndex(PPDUIOptionKeyToIndex(option, *choice2)))
      item->enabled = false;
  }
}

int CCGetPopupButtonItemState(const ui::PopUpButton* popup, int /*ignored*/, std::vector<uint8_t>* flags) {
  if (!popup) return -1;
  if (flags) {
    flags->clear();
    for (const ui::MenuItem& item : popup->items()) flags->push_back(item.enabled ? 1 : 0);
  }
  return popup->numberOfItems();
}

void CCControlSetHidden(ui::Object* control, bool hidden) {
  if (auto* view = dynamic_cast<ui::View*>(control)) view->setHidden(hidden);
}

void CCControlSetStaticText(ui::Object* control, std::string_view text) {
  if (auto* field = dynamic_cast<ui::TextField*>(control)) field->setStringValue(std::string(text));
}

}  // namespace securitypane
