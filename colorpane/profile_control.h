// ProfileControl: controller of the "Management Profile" window. It edits
// working copies of the three profile lists (RGB source, simulation,
// destination) shown one at a time in a table, and writes them back to the
// user's profile file only on the window's OK; Cancel discards every change.
//
// The panel hands it the print settings, session and combined table when it
// loads; the "Management Profile" button runs showProfileManagementWindow,
// which returns when OK or Cancel ends the modal session. Main thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "colorpane/control_table.h"
#include "platform/print_settings.h"
#include "platform/printing.h"
#include "platform/ui/view.h"
#include "platform/ui/window.h"
#include "profilestore/profile_list.h"

namespace colorpane {

class AdvancedColorOptions;
class HVTextField;

// The "icon" column's cell: draws its image (when it has one) at 16 x 16
// points, 3 points in from the left of the cell's frame.
class IconedCell : public platform::ui::Cell {
 public:
  const char* className() const override { return "IconedCell"; }
  bool drawsImage() const override { return true; }
  // Where the image goes in a cell with this frame (flipped: y grows down).
  static platform::ui::Rect imageRect(const platform::ui::Rect& frame, bool flipped);

  std::string mImage;  // path of the image; not consulted by drawing
  uint8_t mIconFlag = 0;
};

// Edit modes (buttonIdentify).
enum : int32_t { kEditIdle = 0, kEditAdding = 1, kEditEditing = 2 };

class ProfileControl : public platform::ui::Object, public platform::ui::TableViewDataSource {
 public:
  ProfileControl();
  ~ProfileControl() override;
  const char* className() const override { return "ProfileControl"; }

  void initWithProfileControl();
  void showProfileManagementWindow(platform::ui::Object* sender);

  // Table view data source and delegate.
  int numberOfRowsInTableView(platform::ui::TableView* table) override;
  platform::plist::Value objectValueForTableColumn(platform::ui::TableView* table, std::string_view column,
                                                   int row) override;
  void setObjectValue(platform::ui::TableView* table, const platform::plist::Value& value,
                      std::string_view column, int row) override;
  void selectionDidChange(platform::ui::TableView* table) override;
  bool selectionShouldChange(platform::ui::TableView* table) override;
  bool shouldSelectRow(platform::ui::TableView* table, int row) override;

  // Actions.
  void profileWindowOK(platform::ui::Object* sender);
  void profileWindowCancel(platform::ui::Object* sender);
  void profileMenu(platform::ui::Object* sender);
  void addButton(platform::ui::Object* sender);
  void deleteButton(platform::ui::Object* sender);
  void editButton(platform::ui::Object* sender);
  void browseButton(platform::ui::Object* sender);
  void profileOK(platform::ui::Object* sender);
  void profileCancel(platform::ui::Object* sender);

  void vHandlingButtonSetDisable(bool add, bool edit, bool del);
  void vProfileSettingsClearEditText();
  void vProfileSettingsAllDisablePart();
  void vProfileSettingsAllEnablePart();
  // The working list _profileMenu chooses; nullptr for another index.
  profilestore::HVProfileList* currentProfileDict();
  // True when the selected row is a printer entry (menu state 1 to 4).
  bool isCustomProfile();

  void setPMPrint(platform::PrintSettings* setting, platform::PrintSession* session) {
    setting_ = setting;
    session_ = session;
  }
  void setConstTable(PDEControlData* table) { constTable_ = table; }
  PDEControlData* constTable() const { return constTable_; }

  int32_t buttonIdentify() const { return buttonIdentify_; }
  int16_t protocolType() const { return protocolType_; }
  // The delete list of list class 0, 1 or 2 (entries removed or replaced for
  // a "pap://" or "usb://" printer during this session); nullptr otherwise.
  const profilestore::HVProfileList* deleteList(int listClass) const;

  bool setOutlet(std::string_view name, platform::ui::Object* object) override;
  // Puts the window's titles, labels and menu items into the user's language.
  void awakeFromNib() override;
  bool performAction(std::string_view selector, platform::ui::Object* sender) override;

 private:
  struct Lists;  // the six lists, about 260 KB: kept off the stack
  bool readsPapLists() const;
  profilestore::HVProfileList* currentDeleteList();
  void recordDeleted(const profilestore::HVProfileItem& item);
  std::string locationTitle(int32_t location) const;
  void enable(platform::ui::Object* control, bool on);
  int selectedRow() const;
  void reloadAndClearSelection();

  platform::PrintSettings* setting_ = nullptr;
  platform::PrintSession* session_ = nullptr;
  int16_t protocolType_ = -1;
  PDEControlData* constTable_ = nullptr;

  platform::ui::Window* _profileManagementWindow = nullptr;
  AdvancedColorOptions* onAdvancedView_ = nullptr;
  platform::ui::Button *_addButton = nullptr, *_editButton = nullptr, *_deleteButton = nullptr;
  platform::ui::Button* _browse = nullptr;
  platform::ui::Box* _editGroupBox = nullptr;
  HVTextField* _fileNameEdit = nullptr;
  platform::ui::TextField* _fileNameText = nullptr;
  HVTextField* _profileNameEdit = nullptr;
  platform::ui::TextField* _profileNameText = nullptr;
  platform::ui::PopUpButton* _locationMenu = nullptr;
  platform::ui::TextField* _locationText = nullptr;
  platform::ui::Button *_localOK = nullptr, *_localCancel = nullptr;
  platform::ui::TableView* _profileTableView = nullptr;
  platform::ui::PopUpButton* _profileMenu = nullptr;

  int32_t buttonIdentify_ = kEditIdle;
  std::unique_ptr<Lists> lists_;
};

}  // namespace colorpane
