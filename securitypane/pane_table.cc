#include "securitypane/pane_table.h"

#include "platform/log.h"
#include "securitypane/ppd_ui_option.h"
#include "securitypane/security_strings.h"

namespace securitypane {

namespace ui = platform::ui;

namespace {

void Log(const char* line) { platform::log::Write(LOG_DEBUG, line); }

template <class T>
T* As(const PaneControlRecord* r) {
  return r ? dynamic_cast<T*>(r->control) : nullptr;
}

bool Lookup(const platform::Bundle* bundle, const char* key, std::string* out) {
  std::optional<std::string> text = key ? SecurityLocalizedString(bundle, key) : std::nullopt;
  if (text) *out = std::move(*text);
  return text.has_value();
}

// A control whose texts are missing from the bundle: logged, and hidden or
// shown as `hidden` says (a check box is hidden, the others are shown).
void MarkUntitled(ui::View* view, const char* error, bool hidden) {
  Log(error);
  view->setHidden(hidden);
}

// Which of its two texts a two-state value is (true for `first`); nullopt,
// with `error` logged, for any other text.
std::optional<bool> OneOf(const std::string& value, const char* first, const char* second,
                          const char* error) {
  if (value == first) return true;
  if (value == second) return false;
  Log(error);
  return std::nullopt;
}

std::optional<std::string> FieldText(const PaneControlRecord* r) {
  const ui::TextField* field = As<ui::TextField>(r);
  return field ? std::optional<std::string>(field->stringValue()) : std::nullopt;
}

}  // namespace

void initializeUI(ppd_file_t* ppd, PaneControlTable* table, const platform::Bundle* bundle) {
  ForEachPaneRecord(table, [&](PaneControlRecord& r) {
    switch (r.kind) {
      case kPaneStaticText:
        initializeStaticText(&r, bundle);
        break;
      case kPanePopUp:
        initializePopup(ppd, &r);
        break;
      case kPaneCheckBox:
        initializeCheckBox(&r, bundle);
        break;
      case kPaneRadio:
        initializeRadioButton(&r, bundle);
        break;
      case kPaneEditText:
        initializeEditText(&r);
        break;
      default:
        break;
    }
  });
}

void initializePopup(ppd_file_t* ppd, PaneControlRecord* r) {
  ui::PopUpButton* popup = As<ui::PopUpButton>(r);
  if (!popup || !r->settingsKey) return;
  popup->removeAllItems();
  ppd_option_t* option = platform::ppd::FindOption(ppd, r->settingsKey);
  if (!option) {
    Log("init Popup Error!");
    popup->setHidden(true);
    return;
  }
  // One option record gives the display texts in the PPD's encoding.
  PPDUIOption record;
  SetupPPDUIOption(&record, ppd, r->settingsKey);
  for (const PPDUIOptionItem& item : record.items) {
    popup->addItemWithTitle(item.alias);
    popup->itemAtIndex(popup->numberOfItems() - 1)->representedObject = item.key;
  }
}

void initializeCheckBox(PaneControlRecord* r, const platform::Bundle* bundle) {
  ui::Button* box = As<ui::Button>(r);
  if (!box || !r->optionName) return;
  std::string title;
  if (!Lookup(bundle, r->optionName, &title)) return MarkUntitled(box, "init CheckBox Error!", true);
  box->setTitle(std::move(title));
}

void initializeRadioButton(PaneControlRecord* r, const platform::Bundle* bundle) {
  ui::Matrix* matrix = As<ui::Matrix>(r);
  if (!matrix) return;
  std::string pub, priv;
  if (!Lookup(bundle, "UserTypePublic", &pub) || !Lookup(bundle, "UserTypePrivate", &priv))
    return MarkUntitled(matrix, "init RadioButton Error!", false);
  if (ui::Matrix::Cell* c = matrix->cellAtRow(0)) c->title = pub;
  if (ui::Matrix::Cell* c = matrix->cellAtRow(1)) c->title = priv;
}

void initializeStaticText(PaneControlRecord* r, const platform::Bundle* bundle) {
  ui::TextField* label = As<ui::TextField>(r);
  if (!label || !r->optionName) return;
  std::string text;
  if (!Lookup(bundle, r->optionName, &text)) return MarkUntitled(label, "init StaticText Error!", false);
  label->setStringValue(r->colon ? text + ":" : text);
}

void initializeEditText(PaneControlRecord* r) {
  if (ui::TextField* field = As<ui::TextField>(r)) field->setStringValue("");
}

void setDefaults(ppd_file_t* ppd, PaneControlTable* table) {
  ForEachPaneRecord(table, [&](PaneControlRecord& r) {
    std::optional<std::string> value = getDefaultValueFromPPD(ppd, r.settingsKey);
    if (!value) {
      if (r.kind == kPaneEditText)
        value = "";
      else if (r.kind == kPaneRadio)
        value = "public";
      else if (r.kind == kPaneCheckBox)
        value = "False";
    }
    r.value = value;
    setPPDValueToControl(&r, r.value ? &*r.value : nullptr);
  });
}

std::optional<std::string> getDefaultValueFromPPD(ppd_file_t* ppd, const char* settings_key) {
  if (!settings_key) return std::nullopt;
  return PDECustomGetPPDDefaultItemByCStringKey(ppd, settings_key);
}

int setPPDValueToControl(PaneControlRecord* r, const std::string* value) {
  if (!r || !value) return 0;
  switch (r->kind) {
    case kPanePopUp: {
      ui::PopUpButton* popup = As<ui::PopUpButton>(r);
      const int index = popup ? popup->indexOfItemWithRepresentedObject(*value) : -1;
      if (index < 0) {
        Log("[PopUp] index is Not Found");
        return 1;
      }
      popup->selectItemAtIndex(index);
      return 0;
    }
    case kPaneCheckBox: {
      const std::optional<bool> on = OneOf(*value, "True", "False", "[CheckBox] Error!");
      if (!on) return 1;
      if (ui::Button* box = As<ui::Button>(r))
        box->setState(*on ? ui::Button::kOnState : ui::Button::kOffState);
      return 0;
    }
    case kPaneRadio: {
      const std::optional<bool> is_public = OneOf(*value, "public", "private", "[RadioButton] Error!");
      if (!is_public) return 1;
      if (ui::Matrix* matrix = As<ui::Matrix>(r)) matrix->selectCellAtRow(*is_public ? 0 : 1);
      return 0;
    }
    case kPaneEditText:
      if (ui::TextField* field = As<ui::TextField>(r)) field->setStringValue(*value);
      return 0;
    default:
      return 0;
  }
}

std::optional<std::string> getPPDValueFromControl(const PaneControlRecord* r) {
  if (!r) return std::nullopt;
  switch (r->kind) {
    case kPanePopUp: {
      const ui::PopUpButton* popup = As<ui::PopUpButton>(r);
      const ui::MenuItem* item = popup ? popup->selectedItem() : nullptr;
      const std::string* key = item ? item->representedObject.string() : nullptr;
      return key ? std::optional<std::string>(*key) : std::nullopt;
    }
    case kPaneCheckBox: {
      const ui::Button* box = As<ui::Button>(r);
      if (!box) return std::nullopt;
      switch (box->state()) {
        case ui::Button::kOffState:
          return "False";
        case ui::Button::kOnState:
          return "True";
        case ui::Button::kMixedState:
          return std::nullopt;
        default:
          platform::log::Writef(LOG_DEBUG, "Error!(%d)", box->state());
          return std::nullopt;
      }
    }
    case kPaneRadio: {
      const ui::Matrix* matrix = As<ui::Matrix>(r);
      if (!matrix) return std::nullopt;
      const int row = matrix->selectedRow() < 0 ? 0 : matrix->selectedRow();
      if (row == 0) return "public";
      if (row == 1) return "private";
      return std::nullopt;
    }
    case kPaneEditText:
      return FieldText(r);
    default:
      return std::nullopt;
  }
}

std::optional<std::string> getLocalizeValueFromPPD(ppd_file_t* ppd, const char* settings_key,
                                                   std::string_view choice) {
  if (!settings_key) return std::nullopt;
  PPDUIOption record;
  SetupPPDUIOption(&record, ppd, settings_key);
  for (const PPDUIOptionItem& item : record.items)
    if (item.key == choice) return item.alias;
  return std::nullopt;
}

std::optional<std::string> getLocalizeValueFromControl(const PaneControlRecord* r, ppd_file_t* ppd) {
  if (!r) return std::nullopt;
  switch (r->kind) {
    case kPaneEditText:
      return FieldText(r);
    case kPaneCheckBox: {
      const ui::Button* box = As<ui::Button>(r);
      if (!box) return std::nullopt;
      if (box->state() == ui::Button::kOnState)
        return getLocalizeValueFromPPD(ppd, r->settingsKey, "True").value_or("On");
      if (box->state() == ui::Button::kOffState)
        return getLocalizeValueFromPPD(ppd, r->settingsKey, "False").value_or("Off");
      return std::nullopt;
    }
    case kPanePopUp: {
      const ui::PopUpButton* popup = As<ui::PopUpButton>(r);
      return popup ? std::optional<std::string>(popup->titleOfSelectedItem()) : std::nullopt;
    }
    default:
      return std::nullopt;
  }
}

std::vector<std::string> CustomSupportedPPDOptionKeys(const PaneControlTable* table) {
  std::vector<std::string> keys;
  ForEachPaneRecord(table, [&](const PaneControlRecord& r) {
    if (r.kind != kPaneStaticText && r.optionName) keys.emplace_back(r.optionName);
  });
  return keys;
}

int searchTableIndex(const PaneControlTable* table, const ui::Object* control) {
  if (!table || !control) return -1;
  int index = 0;
  for (const PaneControlRecord& r : *table) {
    if (r.kind == kPaneEnd) break;
    if (r.control == control) return index;
    ++index;
  }
  return -1;
}

}  // namespace securitypane
