#include "colorpane/profile_control.h"

#include <algorithm>
#include <cstring>

#include "colorpane/advanced_color_options.h"
#include "colorpane/color_preset.h"
#include "colorpane/delegating_variant.h"
#include "colorpane/pde_common.h"
#include "colorpane/profile_discovery.h"
#include "colorpane/profile_menu.h"
#include "platform/paths.h"
#include "platform/utf8.h"
#include "profilestore/profile_store.h"
#include "textfields/color_text_field.h"

namespace colorpane {

namespace ui = platform::ui;
using platform::plist::Value;
using profilestore::HVProfileItem;
using profilestore::HVProfileList;
using profilestore::kProfileMax;

namespace {

// The text fields' settings: a file name of 31 characters with a 3-character
// extension, typed through filter 1; a display name of 30 printable ASCII
// characters.
constexpr int32_t kFileNameMax = 31, kFileNameExtension = 3, kFileNameFilter = 1;
constexpr int32_t kProfileNameMax = 30, kProfileNameFilter = 0;

bool IsConfirmed(const HVProfileItem& item) { return item.iInMenu == 2 || item.iInMenu == 4; }
bool IsPrinterEntry(const HVProfileItem& item) { return item.iInMenu >= 1 && item.iInMenu <= 4; }

// A 32-byte text field as a string; "" when it is not UTF-8.
std::string FieldText(const char (&field)[profilestore::kProfileTextSize]) {
  std::string s(field, strnlen(field, sizeof field));
  return platform::IsValidUtf8(s) ? s : std::string();
}

void SetFieldText(char (&field)[profilestore::kProfileTextSize], const std::string& text) {
  std::memset(field, 0, sizeof field);
  std::memcpy(field, text.data(), std::min(text.size(), sizeof field - 1));
}

const platform::Bundle* Strings() { return PluginBundle(); }

std::string Localized(const char* key) {
  const platform::Bundle* bundle = Strings();
  return bundle ? bundle->localizedString(key) : key;
}

}  // namespace

struct ProfileControl::Lists {
  HVProfileList dict[profilestore::kClassCount];
  HVProfileList deleted[profilestore::kClassCount];
  void clear() {
    for (auto& l : dict) profilestore::ClearProfileList(&l);
    for (auto& l : deleted) profilestore::ClearProfileList(&l);
  }
};

ui::Rect IconedCell::imageRect(const ui::Rect& frame, bool flipped) {
  return {frame.x + 3, flipped ? frame.y + 16 : frame.y, 16, 16};
}

ProfileControl::ProfileControl() : lists_(std::make_unique<Lists>()) { lists_->clear(); }
ProfileControl::~ProfileControl() = default;

bool ProfileControl::setOutlet(std::string_view name, ui::Object* object) {
  const bool taken = ui::TakeOutlet(
      name, object, ui::Outlet("_profileManagementWindow", _profileManagementWindow),
      ui::Outlet("onAdvancedView", onAdvancedView_), ui::Outlet("_addButton", _addButton),
      ui::Outlet("_editButton", _editButton), ui::Outlet("_deleteButton", _deleteButton),
      ui::Outlet("_browse", _browse), ui::Outlet("_editGroupBox", _editGroupBox),
      ui::Outlet("_fileNameEdit", _fileNameEdit), ui::Outlet("_fileNameText", _fileNameText),
      ui::Outlet("_profileNameEdit", _profileNameEdit), ui::Outlet("_profileNameText", _profileNameText),
      ui::Outlet("_locationMenu", _locationMenu), ui::Outlet("_locationText", _locationText),
      ui::Outlet("_localOK", _localOK), ui::Outlet("_localCancel", _localCancel),
      ui::Outlet("_profileTableView", _profileTableView), ui::Outlet("_profileMenu", _profileMenu));
  if (taken && name == "_profileTableView" && _profileTableView) _profileTableView->setDataSource(this);
  return taken;
}

void ProfileControl::awakeFromNib() {
  if (!_profileManagementWindow || !Strings()) return;
  // The window's texts are the English keys of the string table.
  auto localize = [](auto& self, ui::View* view) -> void {
    if (view == nullptr) return;
    if (auto* b = dynamic_cast<ui::Button*>(view)) b->setTitle(Localized(b->title().c_str()));
    if (auto* t = dynamic_cast<ui::TextField*>(view); t && !t->isEditable())
      t->setStringValue(Localized(t->stringValue().c_str()));
    if (auto* p = dynamic_cast<ui::PopUpButton*>(view))
      for (int i = 0; i < p->numberOfItems(); ++i)
        p->itemAtIndex(i)->title = Localized(p->itemAtIndex(i)->title.c_str());
    if (auto* box = dynamic_cast<ui::Box*>(view)) box->setTitle(Localized(box->title().c_str()));
    if (auto* table = dynamic_cast<ui::TableView*>(view))
      for (auto& column : table->columns()) column.title = Localized(column.title.c_str());
    if (!view->accessibilityLabel().empty())
      view->setAccessibilityLabel(Localized(view->accessibilityLabel().c_str()));
    for (ui::View* child : view->subviews()) self(self, child);
  };
  localize(localize, _profileManagementWindow->contentView());
}

bool ProfileControl::performAction(std::string_view selector, ui::Object* sender) {
  static constexpr ui::ActionEntry<ProfileControl> kActions[] = {
      {"showProfileManagementWindow:", &ProfileControl::showProfileManagementWindow},
      {"profileWindowOK:", &ProfileControl::profileWindowOK},
      {"profileWindowCancel:", &ProfileControl::profileWindowCancel},
      {"profileMenu:", &ProfileControl::profileMenu},
      {"addButton:", &ProfileControl::addButton},
      {"deleteButton:", &ProfileControl::deleteButton},
      {"editButton:", &ProfileControl::editButton},
      {"browseButton:", &ProfileControl::browseButton},
      {"profileOK:", &ProfileControl::profileOK},
      {"profileCancel:", &ProfileControl::profileCancel},
  };
  return ui::PerformFromTable(this, kActions, selector, sender);
}

// ---- Lists ----

bool ProfileControl::readsPapLists() const {
  return protocolType_ == kConnectionPAP || protocolType_ == kConnectionUSB;
}

HVProfileList* ProfileControl::currentProfileDict() {
  int index = _profileMenu ? _profileMenu->indexOfSelectedItem() : -1;
  return index >= 0 && index < profilestore::kClassCount ? &lists_->dict[index] : nullptr;
}

HVProfileList* ProfileControl::currentDeleteList() {
  int index = _profileMenu ? _profileMenu->indexOfSelectedItem() : -1;
  return index >= 0 && index < profilestore::kClassCount ? &lists_->deleted[index] : nullptr;
}

const HVProfileList* ProfileControl::deleteList(int listClass) const {
  return listClass >= 0 && listClass < profilestore::kClassCount ? &lists_->deleted[listClass] : nullptr;
}

void ProfileControl::recordDeleted(const HVProfileItem& item) {
  HVProfileList* deleted = currentDeleteList();
  if (!readsPapLists() || deleted == nullptr || deleted->iNum < 0 || deleted->iNum >= kProfileMax) return;
  deleted->litem[deleted->iNum++] = item;
}

int ProfileControl::selectedRow() const {
  if (_profileTableView == nullptr) return -1;
  return _profileTableView->selectedRow();
}

bool ProfileControl::isCustomProfile() {
  HVProfileList* list = currentProfileDict();
  int row = selectedRow();
  return list != nullptr && row >= 0 && row < std::clamp(list->iNum, 0, kProfileMax) &&
         IsPrinterEntry(list->litem[row]);
}

// ---- Controls ----

void ProfileControl::enable(ui::Object* control, bool on) {
  if (auto* c = dynamic_cast<ui::Control*>(control)) c->setEnabled(on);
}

void ProfileControl::vHandlingButtonSetDisable(bool add, bool edit, bool del) {
  enable(_addButton, add);
  enable(_editButton, edit);
  enable(_deleteButton, del);
}

void ProfileControl::vProfileSettingsClearEditText() {
  if (_fileNameEdit) _fileNameEdit->setStringValue("");
  if (_profileNameEdit) _profileNameEdit->setStringValue("");
  if (_locationMenu) _locationMenu->selectItemAtIndex(0);
}

void ProfileControl::vProfileSettingsAllDisablePart() {
  for (ui::Object* c :
       std::initializer_list<ui::Object*>{_fileNameText, _profileNameText, _locationText, _fileNameEdit,
                                          _profileNameEdit, _locationMenu, _browse, _localCancel, _localOK})
    enable(c, false);
}

void ProfileControl::vProfileSettingsAllEnablePart() {
  for (ui::Object* c :
       std::initializer_list<ui::Object*>{_fileNameText, _profileNameText, _locationText, _fileNameEdit,
                                          _profileNameEdit, _locationMenu, _browse, _localCancel, _localOK})
    enable(c, true);
}

void ProfileControl::reloadAndClearSelection() {
  if (!_profileTableView) return;
  _profileTableView->reloadData();
  _profileTableView->deselectAll();
}

std::string ProfileControl::locationTitle(int32_t location) const {
  if (location == profilestore::kLocationDisk) return Localized("Disk");
  if (location == profilestore::kLocationCard) return Localized("Card");
  return "";
}

// ---- Opening ----

void ProfileControl::initWithProfileControl() {
  buttonIdentify_ = kEditIdle;
  if (onAdvancedView_) onAdvancedView_->setControlValueToTicket();
  protocolType_ = commoniGetProtocol(session_);

  const platform::Bundle* bundle = Strings();
  std::string disk, card;
  if (_locationMenu && bundle && bundle->lookupString("Disk", &disk) && bundle->lookupString("Card", &card)) {
    // Only the disk is offered; an index other than 0 would mean the card.
    _locationMenu->removeAllItems();
    _locationMenu->addItemWithTitle(disk);
  }

  if (_profileTableView) {
    if (ui::TableView::Column* icon = _profileTableView->columnWithIdentifier("icon"))
      icon->dataCell = std::make_shared<IconedCell>();
    for (const char* id : {"filename", "profilename", "location"})
      if (ui::TableView::Column* column = _profileTableView->columnWithIdentifier(id)) {
        if (!column->dataCell) column->dataCell = std::make_shared<ui::Cell>();
        column->dataCell->setFont(ui::Font::system(12));
      }
    _profileTableView->setFont(ui::Font::user(9));
  }

  enable(_profileMenu, true);
  if (_profileMenu) _profileMenu->selectItemAtIndex(0);
  vProfileSettingsClearEditText();

  if (_fileNameEdit) {
    _fileNameEdit->setMaxLength(kFileNameMax, kFileNameExtension);
    _fileNameEdit->setInputKey(kFileNameFilter);
    _fileNameEdit->setOperateControl(_localOK);
  }
  if (_profileNameEdit) {
    _profileNameEdit->setMaxLength(kProfileNameMax, 0);
    _profileNameEdit->setInputKey(kProfileNameFilter);
  }

  vHandlingButtonSetDisable(true, false, false);
  vProfileSettingsAllDisablePart();

  lists_->clear();
  InstallDelegatingVariant();  // reading stays direct; writes go through the service
  HVProfileList* d = lists_->dict;
  // One parse for all three lists when the file is whole; class by class
  // otherwise, so a damaged class does not hide the others.
  if (readsPapLists() || profilestore::HVPListReadProfile_All(&d[0], &d[1], &d[2]) != 0) {
    for (int cls = 0; cls < profilestore::kClassCount; ++cls) {
      profilestore::ClearProfileList(&d[cls]);
      if (readsPapLists())
        profilestore::HVPListReadProfile_Dict_Pap(&d[cls], cls);
      else
        profilestore::HVPListReadProfile_Dict(&d[cls], cls);
    }
  }
  reloadAndClearSelection();
}

void ProfileControl::showProfileManagementWindow(ui::Object* /*sender*/) {
  initWithProfileControl();
  if (!_profileManagementWindow) return;
  // "ProfileTitle" is a key, not English text: without a table entry the
  // description's own title stays.
  std::string title;
  if (Strings() && Strings()->lookupString("ProfileTitle", &title)) _profileManagementWindow->setTitle(title);
  _profileManagementWindow->runModal();
  _profileManagementWindow->orderOut();
}

// ---- Table ----

int ProfileControl::numberOfRowsInTableView(ui::TableView* /*table*/) {
  HVProfileList* list = currentProfileDict();
  return list ? std::clamp(list->iNum, 0, kProfileMax) : 0;
}

Value ProfileControl::objectValueForTableColumn(ui::TableView* table, std::string_view column, int row) {
  HVProfileList* list = currentProfileDict();
  if (list == nullptr || row < 0 || row >= std::clamp(list->iNum, 0, kProfileMax)) return Value();
  const HVProfileItem& item = list->litem[row];
  if (column == "inmenu") {
    if (ui::TableView::Column* c = table ? table->columnWithIdentifier(column) : nullptr)
      if (!dynamic_cast<ui::ButtonCell*>(c->dataCell.get())) c->dataCell = std::make_shared<ui::ButtonCell>();
    return Value(static_cast<int64_t>(IsShownInMenu(item) ? 1 : 0));
  }
  if (column == "icon") {
    if (protocolType_ != kConnectionLPD && protocolType_ != kConnectionBonjour) return Value();
    return IsConfirmed(item) ? Value(platform::paths::FileExistsIcon()) : Value();
  }
  if (column == "filename") return Value(FieldText(item.FileName));
  if (column == "profilename") return Value(FieldText(item.ProfileName));
  if (column == "location") return Value(locationTitle(item.iLocation));
  return Value(std::string());
}

void ProfileControl::setObjectValue(ui::TableView* /*table*/, const Value& /*value*/, std::string_view column,
                                    int row) {
  HVProfileList* list = currentProfileDict();
  if (column != "inmenu" || list == nullptr || row < 0 || row >= std::clamp(list->iNum, 0, kProfileMax))
    return;
  int32_t& state = list->litem[row].iInMenu;
  switch (state) {
    case 1:
      state = 3;
      break;
    case 3:
      state = 1;
      break;
    case 2:
      state = 4;
      break;
    case 4:
      state = 2;
      break;
    case 5:
      state = 6;
      break;
    case 6:
      state = 5;
      break;
    default:
      break;
  }
}

void ProfileControl::selectionDidChange(ui::TableView* table) {
  if (table && table->selectedRow() >= 0) return;
  vProfileSettingsClearEditText();
  if (buttonIdentify_ == kEditIdle) vHandlingButtonSetDisable(true, false, false);
}

bool ProfileControl::selectionShouldChange(ui::TableView* /*table*/) { return buttonIdentify_ == kEditIdle; }

bool ProfileControl::shouldSelectRow(ui::TableView* /*table*/, int row) {
  HVProfileList* list = currentProfileDict();
  if (list == nullptr || row < 0 || row >= std::clamp(list->iNum, 0, kProfileMax)) return true;
  const HVProfileItem& item = list->litem[row];
  if (buttonIdentify_ == kEditIdle) vHandlingButtonSetDisable(true, true, true);
  if (IsConfirmed(item)) vHandlingButtonSetDisable(true, true, false);
  if (_fileNameEdit) _fileNameEdit->setStringValue(FieldText(item.FileName));
  if (_profileNameEdit) _profileNameEdit->setStringValue(FieldText(item.ProfileName));
  if (item.iLocation == profilestore::kLocationDisk && _locationMenu) _locationMenu->selectItemAtIndex(0);
  return true;
}

// ---- Edit group ----

void ProfileControl::profileMenu(ui::Object* /*sender*/) {
  if (_profileTableView) _profileTableView->deselectAll();
  vProfileSettingsClearEditText();
  vHandlingButtonSetDisable(true, false, false);
  if (_profileTableView) _profileTableView->reloadData();
}

void ProfileControl::addButton(ui::Object* /*sender*/) {
  vProfileSettingsClearEditText();
  enable(_profileMenu, false);
  vHandlingButtonSetDisable(false, false, false);
  vProfileSettingsAllEnablePart();
  enable(_localOK, false);  // the file name field enables it once its text is acceptable
  buttonIdentify_ = kEditAdding;
}

void ProfileControl::editButton(ui::Object* /*sender*/) {
  vHandlingButtonSetDisable(false, false, false);
  if (isCustomProfile()) {
    // A printer entry names a file on the printer: only its display name changes.
    for (ui::Object* c : std::initializer_list<ui::Object*>{_fileNameText, _fileNameEdit, _locationText,
                                                            _locationMenu, _browse})
      enable(c, false);
    for (ui::Object* c :
         std::initializer_list<ui::Object*>{_profileNameText, _profileNameEdit, _localOK, _localCancel})
      enable(c, true);
  } else {
    vProfileSettingsAllEnablePart();
  }
  enable(_profileMenu, false);
  buttonIdentify_ = kEditEditing;
}

void ProfileControl::browseButton(ui::Object* /*sender*/) {
  ui::OpenPanel panel;
  panel.directory = platform::paths::ProfilesFolder();
  panel.canChooseFiles = true;
  if (panel.runModal() != ui::kModalResponseOK || panel.paths.empty()) return;
  if (_fileNameEdit) _fileNameEdit->setStringValue("");
  enable(_localOK, false);
  const std::string& path = panel.paths.front();
  std::string name = path.substr(path.find_last_of('/') + 1);
  // The name must be one the field would let the user type, which is also
  // what device discovery's merge keeps: a name it would drop later is
  // refused now, while the user can still choose another.
  if (name.empty() || name.front() == '.' || !_fileNameEdit || !_fileNameEdit->acceptsText(name)) return;
  _fileNameEdit->setStringValue(name);
  _fileNameEdit->setOldString(name);
  enable(_localOK, true);
}

void ProfileControl::deleteButton(ui::Object* /*sender*/) {
  vHandlingButtonSetDisable(true, false, false);
  vProfileSettingsAllDisablePart();
  HVProfileList* list = currentProfileDict();
  int row = selectedRow();
  int count = list ? std::clamp(list->iNum, 0, kProfileMax) : 0;
  if (list != nullptr && row >= 0 && row < count) {
    recordDeleted(list->litem[row]);
    std::memmove(&list->litem[row], &list->litem[row + 1], sizeof(HVProfileItem) * (count - row - 1));
    std::memset(&list->litem[count - 1], 0, sizeof(HVProfileItem));
    list->iNum = count - 1;
    if (_profileTableView) _profileTableView->reloadData();
  }
  if (_profileTableView && _profileTableView->selectedRow() >= 0) _profileTableView->deselectAll();
}

void ProfileControl::profileOK(ui::Object* /*sender*/) {
  HVProfileList* list = currentProfileDict();
  if (list == nullptr || buttonIdentify_ == kEditIdle) return;
  const std::string fileName = _fileNameEdit ? _fileNameEdit->stringValue() : "";
  const std::string profileName = _profileNameEdit ? _profileNameEdit->stringValue() : "";
  const int32_t location = _locationMenu && _locationMenu->indexOfSelectedItem() == 0
                               ? profilestore::kLocationDisk
                               : profilestore::kLocationCard;
  if (fileName.empty() || fileName.front() == '.') return;

  const int count = std::clamp(list->iNum, 0, kProfileMax);
  const int editing = buttonIdentify_ == kEditEditing ? selectedRow() : -1;
  for (int i = 0; i < count; ++i)
    if (i != editing && FieldText(list->litem[i].FileName) == fileName &&
        list->litem[i].iLocation == location)
      return;  // the same file at the same place is listed already

  int target = -1;
  if (buttonIdentify_ == kEditAdding) {
    for (int i = 0; i < kProfileMax && target < 0; ++i)
      if (list->litem[i].iInMenu == 0) target = i;
    if (target < 0) return;  // all 500 in use
  } else {
    if (editing < 0 || editing >= count) return;
    target = editing;
    recordDeleted(list->litem[target]);
  }
  HVProfileItem& item = list->litem[target];
  if (buttonIdentify_ == kEditAdding || !IsPrinterEntry(item)) {
    SetFieldText(item.FileName, fileName);
    item.iLocation = location;
  }
  SetFieldText(item.ProfileName, profileName);
  if (buttonIdentify_ == kEditAdding) {
    item.iIndexOnDevice = target + 500;
    item.iInMenu = 6;
    item.iProfileClass = 2;
    item.iDriver = 3;
    ++list->iNum;
  }

  buttonIdentify_ = kEditIdle;
  vProfileSettingsClearEditText();
  enable(_profileMenu, true);
  vHandlingButtonSetDisable(true, false, false);
  vProfileSettingsAllDisablePart();
  reloadAndClearSelection();
}

void ProfileControl::profileCancel(ui::Object* /*sender*/) {
  buttonIdentify_ = kEditIdle;
  vProfileSettingsClearEditText();
  if (_profileTableView) _profileTableView->deselectAll();
  enable(_profileMenu, true);
  vHandlingButtonSetDisable(true, false, false);
  vProfileSettingsAllDisablePart();
}

// ---- Window ----

void ProfileControl::profileWindowOK(ui::Object* /*sender*/) {
  const auto& d = lists_->dict;
  const auto& del = lists_->deleted;
  int status = readsPapLists()
                   ? profilestore::HVPListWriteProfile_All_Pap(&d[0], &d[1], &d[2], &del[0], &del[1], &del[2])
                   : profilestore::HVPListWriteProfile_All(&d[0], &d[1], &d[2]);
  if (status != 0) {
    // The user must not believe the changes were kept: say so, and leave the
    // window open so they can try again or cancel.
    ui::Alert alert;
    alert.messageText = Localized("The profile changes could not be saved.");
    alert.informativeText = Localized("The profile file was left as it was.");
    alert.addButtonWithTitle(Localized("OK"));
    alert.runModal();
    return;
  }
  if (onAdvancedView_) {
    onAdvancedView_->createPDEItemForPPDKey();
    onAdvancedView_->getControlValueFromTicket();
  }
  if (constTable_) vColorPresetConstraints(constTable_);
  if (_profileManagementWindow) {
    _profileManagementWindow->stopModal(ui::kModalResponseOK);
    _profileManagementWindow->orderOut();
  }
}

void ProfileControl::profileWindowCancel(ui::Object* /*sender*/) {
  if (_profileManagementWindow) {
    _profileManagementWindow->stopModal(ui::kModalResponseCancel);
    _profileManagementWindow->orderOut();
  }
}

}  // namespace colorpane
