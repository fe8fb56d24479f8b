#include "colorpane/pde_common.h"

#include <cstring>

#include "colorpane/profile_hooks.h"
#include "platform/ui/view.h"

namespace colorpane {

using platform::PrintSettings;
using platform::plist::Value;
namespace ui = platform::ui;

namespace {

const platform::Bundle* g_bundle = nullptr;

ui::PopUpButton* PopUp(const PDEControlData& row) { return dynamic_cast<ui::PopUpButton*>(row.control); }
ui::Button* ButtonOf(const PDEControlData& row) { return dynamic_cast<ui::Button*>(row.control); }

int32_t ChoiceCount(const PDEControlData& row) {
  return row.choiceRows ? static_cast<int32_t>(row.choiceRows->size()) : 0;
}

bool IsTrueString(const std::string& s) { return s == "True" || s == "TRUE" || s == "true"; }

template <class Fn>
void ForEachRow(const PDEControlData* table, Fn fn) {
  if (!table) return;
  for (const PDEControlData* row = table; row->control; ++row) fn(*row);
}

}  // namespace

const platform::Bundle* PluginBundle() { return g_bundle; }
void SetPluginBundle(const platform::Bundle* bundle) { g_bundle = bundle; }

platform::ppd::TextEncoding PDECommon::commonGetEncodingFromPPD(const ppd_file_t* ppd) {
  return platform::ppd::EncodingForPpd(ppd);
}

platform::ppd::TextEncoding PDECommon::commonGetCFStringEncodingFromPPD(const ppd_file_t* ppd) {
  return platform::ppd::EncodingForPpd(ppd);
}

std::string PDECommon::DecodePpdText(const char* bytes, platform::ppd::TextEncoding encoding) {
  if (!bytes) return {};
  if (auto s = platform::ppd::Decode(bytes, encoding)) return *s;
  std::string out;
  for (const char* p = bytes; *p; ++p) {
    if (static_cast<unsigned char>(*p) < 0x80)
      out += *p;
    else
      out += "\xEF\xBF\xBD";
  }
  return out;
}

OSStatus PDECommon::commonAddPPDArray(std::vector<std::string>* array, const PDEControlData* table) {
  if (!array) return platform::paramErr;
  if (!table || !table->control) return platform::noErr;
  ForEachRow(table, [&](const PDEControlData& row) {
    if (row.isPpdBound()) array->emplace_back(row.ppdKeyword);
  });
  return platform::noErr;
}

OSStatus PDECommon::commonGetUIListFromPPD(ppd_file_t* ppd, const char* key, ChoiceRows* array,
                                           int32_t* count) {
  ppd_option_t* option = platform::ppd::FindOption(ppd, key);
  if (!option) return platform::kPPDOptionNotFound;
  if (!array) return platform::kArrayNotCreated;
  auto enc = commonGetCFStringEncodingFromPPD(ppd);
  std::string keyword = DecodePpdText(option->keyword, enc);
  std::string def = DecodePpdText(option->defchoice, enc);
  for (int i = 0; i < option->num_choices; ++i) {
    const ppd_choice_t& c = option->choices[i];
    array->push_back({keyword, def, DecodePpdText(c.choice, enc), DecodePpdText(c.text, enc)});
    if (count) ++*count;
  }
  return platform::noErr;
}

OSStatus PDECommon::commonGetPPDArrayForUIOption(ppd_file_t* ppd, const char* key,
                                                 std::shared_ptr<ChoiceRows>* array) {
  array->reset();
  auto rows = std::make_shared<ChoiceRows>();
  int32_t count = 0;
  OSStatus st = commonGetUIListFromPPD(ppd, key, rows.get(), &count);
  if (st == platform::noErr) *array = std::move(rows);
  return st;
}

void PDECommon::commonSetControlTitleFromLocalizeString(const PDEControlData& row) {
  const platform::Bundle* bundle = PluginBundle();
  if (!bundle || !row.titleKey || !row.control) return;
  std::string title = bundle->localizedString(row.titleKey);
  switch (row.kind) {
    case kCtrlLabel:
      if (auto* label = dynamic_cast<ui::TextField*>(row.control)) label->setStringValue(title);
      break;
    case kCtrlCheckBox:
    case kCtrlButton:
      if (auto* button = ButtonOf(row)) button->setTitle(title);
      break;
    case kCtrlTabView:
      if (auto* tabs = dynamic_cast<ui::TabView*>(row.control)) {
        static const char* const kTabKeys[] = {"Image", "Text", "Graphics", "Simulation"};
        auto& items = tabs->tabViewItems();
        for (size_t i = 0; i < 4 && i < items.size(); ++i) items[i].label = bundle->localizedString(kTabKeys[i]);
      }
      break;
    default:
      break;
  }
}

void PDECommon::commonReBuildMenuFromPPD(ppd_file_t* ppd, const PDEControlData& row) {
  ppd_option_t* option = platform::ppd::FindOption(ppd, row.ppdKeyword);
  ui::PopUpButton* popup = PopUp(row);
  if (!option || !popup) return;
  auto enc = commonGetEncodingFromPPD(ppd);
  popup->removeAllItems();
  for (int i = 0; i < option->num_choices; ++i) {
    popup->addItemWithTitle(DecodePpdText(option->choices[i].text, enc));
    popup->itemAtIndex(i)->representedObject = Value(std::string(option->choices[i].choice));
  }
}

void PDECommon::commonBuildPDEItem(PDEControlData* table, ppd_file_t* ppd) {
  ForEachRow(table, [&](const PDEControlData& row) {
    commonSetControlTitleFromLocalizeString(row);
    if (row.kind == kCtrlPopUp) commonReBuildMenuFromPPD(ppd, row);
  });
}

int32_t PDECommon::commonFindPPDKeyPairsMatch(const ChoiceRows* rows, const std::string& option,
                                              const std::string& choice) {
  if (!rows) return -1;
  for (size_t i = 0; i < rows->size(); ++i) {
    if ((*rows)[i][0] == option && (*rows)[i][2] == choice) return static_cast<int32_t>(i);
  }
  return -1;
}

int32_t PDECommon::commonGetTicketValueWithSInt32(const PDEControlData& row, const std::string& option,
                                                  const Value* choice) {
  switch (row.kind) {
    case kCtrlCheckBox:
      return choice && choice->string() && IsTrueString(*choice->string()) ? 1 : 0;
    case kCtrlPopUp:
      if (!choice || !choice->string()) return -1;
      return commonFindPPDKeyPairsMatch(row.choiceRows.get(), option, *choice->string());
    case kCtrlReset:
      if (auto* b = ButtonOf(row)) b->setState(0);
      return 0;
    default:
      return 0;
  }
}

int32_t PDECommon::commonGetDefualtValueFromPPDWithSInt32(const PDEControlData& row) {
  if (!row.choiceRows || row.choiceRows->empty()) return 0;
  const ChoiceRow& first = row.choiceRows->front();
  Value def(first[1]);
  return commonGetTicketValueWithSInt32(row, first[0], &def);
}

void PDECommon::commonDefaultFromPPDInfo(PDEControlData* table) {
  ForEachRow(table, [&](const PDEControlData& row) {
    if (row.isPpdBound()) commonSetControlValueWithSInt32(row, commonGetDefualtValueFromPPDWithSInt32(row));
  });
}

int32_t PDECommon::commonGetControlValueWithSInt32(const PDEControlData* row) {
  if (!row) return 0;
  switch (row->kind) {
    case kCtrlCheckBox:
      if (auto* b = ButtonOf(*row)) return b->state();
      return 0;
    case kCtrlPopUp:
      if (auto* p = PopUp(*row)) return p->indexOfSelectedItem();
      return 0;
    default:
      return 0;
  }
}

void PDECommon::commonSetControlValueWithSInt32(const PDEControlData& row, int32_t value) {
  switch (row.kind) {
    case kCtrlCheckBox:
      if (auto* b = ButtonOf(row)) b->setState(value);
      break;
    case kCtrlPopUp:
      if (auto* p = PopUp(row); p && value < p->numberOfItems()) p->selectItemAtIndex(value);
      break;
    default:
      break;
  }
}

int32_t PDECommon::commonGetControlValueFromPPDWithSInt32(const PDEControlData& row) {
  switch (row.kind) {
    case kCtrlCheckBox: {
      int32_t state = commonGetControlValueWithSInt32(&row);
      return commonFindPPDKeyPairsMatch(row.choiceRows.get(), row.ppdKeyword, state ? "True" : "False");
    }
    case kCtrlPopUp:
      return commonGetControlValueWithSInt32(&row);
    default:
      return 0;
  }
}

std::optional<std::string> PDECommon::commonGetControlValueFromPPDWithNSString(const PDEControlData& row) {
  switch (row.kind) {
    case kCtrlCheckBox: {
      int32_t i = commonGetControlValueFromPPDWithSInt32(row);
      if (i < 0) return std::nullopt;
      return (*row.choiceRows)[static_cast<size_t>(i)][3];
    }
    case kCtrlPopUp:
      if (auto* p = PopUp(row); p && p->selectedItem()) return p->selectedItem()->title;
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

OSStatus PDECommon::commonGetSummaryText(const PDEControlData* table, platform::plist::Dict* dict,
                                         platform::plist::Array* array) {
  const platform::Bundle* bundle = PluginBundle();
  if (!bundle || !table || !table->control) return platform::noErr;
  OSStatus status = platform::noErr;
  ForEachRow(table, [&](const PDEControlData& row) {
    if (!row.summaryKey) return;
    std::string name = bundle->localizedString(row.summaryKey);
    std::optional<std::string> value = commonGetControlValueFromPPDWithNSString(row);
    if (!value) {
      status = platform::paramErr;
      return;
    }
    (*dict)[name] = Value(*value);
    array->emplace_back(name);
  });
  return status;
}

OSStatus PDECommon::commonGetSummaryTextQuickColor(const char* itemName, const std::string& value,
                                                   platform::plist::Dict* dict, platform::plist::Array* array) {
  const platform::Bundle* bundle = PluginBundle();
  if (!bundle) return platform::noErr;
  if (!itemName) return platform::paramErr;
  std::string name = bundle->localizedString(itemName);
  (*dict)[name] = Value(value);
  array->emplace_back(name);
  return platform::noErr;
}

const Value* PDECommon::commonGetTicketAddedProfileFlag(const PDEControlData& row,
                                                        const PrintSettings* settings) {
  if (row.profileKind < kProfileRGB || row.profileKind > kProfileSimulation) return nullptr;
  const Value* flag = nullptr;
  if (platform::PMPrintSettingsGetValue(settings, std::string(row.ppdKeyword) + "Custom", &flag) != 0)
    return nullptr;
  return flag;
}

void PDECommon::commonSetTicketAddedProfileFlag(const PDEControlData& row, PrintSettings* settings,
                                                const char* flag) {
  if (row.profileKind < kProfileRGB || row.profileKind > kProfileSimulation) return;
  platform::PMPrintSettingsSetValue(settings, std::string(row.ppdKeyword) + "Custom", Value(flag));
}

OSStatus PDECommon::commonCFDictionaryMapToTicket(PrintSettings* dest, const PrintSettings* src) {
  if (!dest || !src) return platform::paramErr;
  platform::plist::Dict entries;
  OSStatus st = platform::PMPrintSettingsCopyAsDictionary(src, &entries);
  if (st != platform::noErr) return st;
  for (auto& [key, value] : entries) platform::PMPrintSettingsSetValue(dest, key, value);
  return platform::noErr;
}

OSStatus PDECommon::commonSyncTicketFromPane(PrintSettings* settings, platform::PrintSession* /*session*/,
                                             const PDEControlData* table) {
  if (!settings) return platform::noErr;
  ForEachRow(table, [&](const PDEControlData& row) {
    if (!row.isPpdBound()) return;
    int32_t index = commonGetControlValueFromPPDWithSInt32(row);
    int32_t n = ChoiceCount(row);
    if (!row.choiceRows || index < 0) return;
    const char* flag;
    if (index < n) {
      const ChoiceRow& choice = (*row.choiceRows)[static_cast<size_t>(index)];
      platform::PMPrintSettingsSetValue(settings, choice[0], Value(choice[2]));
      flag = "False";
    } else {
      SetTicketAddedProfile(row, settings, index - n + 1);
      flag = "True";
    }
    commonSetTicketAddedProfileFlag(row, settings, flag);
  });
  return commonCFDictionaryMapToTicket(settings, settings);
}

OSStatus PDECommon::commonSyncPaneFromTicket(PrintSettings* settings, platform::PrintSession* /*session*/,
                                             const PDEControlData* table) {
  if (!settings) return platform::noErr;
  ForEachRow(table, [&](const PDEControlData& row) {
    if (!row.isPpdBound()) return;
    int32_t value;
    const Value* flag = commonGetTicketAddedProfileFlag(row, settings);
    if (flag && flag->string() && *flag->string() == "True") {
      int32_t position = GetTicketAddedProfile(row, settings);
      value = position < 1 ? commonGetDefualtValueFromPPDWithSInt32(row) : ChoiceCount(row) + position - 1;
    } else {
      const Value* entry = nullptr;
      if (platform::PMPrintSettingsGetValue(settings, row.ppdKeyword, &entry) != 0) {
        value = commonGetDefualtValueFromPPDWithSInt32(row);
      } else if (entry->isString()) {
        value = commonGetTicketValueWithSInt32(row, row.ppdKeyword, entry);
      } else {
        return;  // present but not a string: the control keeps its value
      }
    }
    if (value != -1) commonSetControlValueWithSInt32(row, value);
  });
  return commonCFDictionaryMapToTicket(settings, settings);
}

std::unique_ptr<PDEControlTable> PDECommon::commonControlTableCompound(const PDEControlData* const* tables,
                                                                       int count) {
  auto combined = std::make_unique<PDEControlTable>();
  for (int t = 0; t < count; ++t) {
    for (const PDEControlData* row = tables[t]; row && row->kind != kCtrlEnd; ++row) combined->push_back(*row);
  }
  combined->push_back(EndRow());
  return combined;
}

int32_t PDECommon::commonConvertToCSTValue(const PDEControlData* row, int32_t value) {
  if (row && row->kind == kCtrlPopUp) return value < 0 ? 0 : value + 1;
  return value;
}

int32_t PDECommon::commonConvertFromCSTValue(const PDEControlData* row, int32_t value) {
  if (row && row->kind == kCtrlPopUp) return value > 0 ? value - 1 : 0;
  return value;
}

}  // namespace colorpane
