// The "Management Profile" window through the built bundle's description and
// string tables, with the real bridge tool and service behind every write.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>

#include "colorpane/profile_control.h"
#include "colorpane/profile_discovery.h"
#include "env.h"
#include "files.h"
#include "platform/paths.h"
#include "profile_lists.h"
#include "profilestore/direct_variant.h"
#include "profilestore/profile_store.h"
#include "profilewalk/merge.h"
#include "temp_root.h"
#include "test_panel.h"
#include "textfields/color_text_field.h"

namespace colorpane::testing {
namespace {

namespace ui = platform::ui;
using profilestore::HVProfileItem;
using profilestore::HVProfileList;
constexpr int kDisk = profilestore::kLocationDisk, kCard = profilestore::kLocationCard;

// Runs the window's steps when the window is shown; records alerts and
// answers open panels from a list.
class WindowHost : public ui::ModalHost {
 public:
  int runModalForWindow(ui::Window& w) override {
    if (steps) std::exchange(steps, nullptr)();
    return stopRequested(w) ? stopCode(w) : ui::kModalResponseCancel;
  }
  int runAlert(const ui::Alert& alert) override {
    alerts.push_back(alert.messageText);
    return ui::kAlertFirstButtonReturn;
  }
  int runOpenPanel(ui::OpenPanel& panel) override {
    directories.push_back(panel.directory);
    if (answers.empty() || answers.front().empty()) {
      if (!answers.empty()) answers.pop_front();
      return ui::kModalResponseCancel;
    }
    panel.paths = {answers.front()};
    answers.pop_front();
    return ui::kModalResponseOK;
  }
  // Whether a control of the window asked its run to end.
  static bool Stopped(const ui::Window& w) { return stopRequested(w); }
  std::function<void()> steps;
  std::vector<std::string> alerts, directories;
  std::deque<std::string> answers;
};

using Lists = testsupport::ProfileLists;

void Put(HVProfileList* l, const char* file, const char* name, int state, int location) {
  testsupport::AddItem(l, file, name, state, location, 1);
}

class WindowTest : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    ui::SetModalHost(&modal);
    // No printer answers here: discovery would age the file's menu states.
    sender_ = SetWalkRequestSender(nullptr);
  }
  void TearDown() override {
    SetWalkRequestSender(sender_);
    ui::SetModalHost(nullptr);
    PanelTest::TearDown();
  }

  // This user's profile file, read and written with the store's direct variant.
  void WriteFile(Lists& l) { ASSERT_TRUE(testsupport::WriteUserProfiles(platform::paths::LoginName(), l)); }
  Lists ReadFile() {
    Lists l;
    EXPECT_TRUE(testsupport::ReadUserProfiles(platform::paths::LoginName(), l));
    return l;
  }
  std::string FileBytes() { return testsupport::ReadText(root.File(platform::paths::LoginName())); }

  template <class T = ui::Object>
  T* Get(const std::string& name) {
    for (auto& [n, o] : panel->namedObjects())
      if (n == name) return dynamic_cast<T*>(o);
    ADD_FAILURE() << "no outlet " << name;
    return nullptr;
  }
  ProfileControl* Control() { return Get<ProfileControl>("profileControl"); }
  ui::TableView* Table() { return Get<ui::TableView>("_profileTableView"); }
  bool On(const std::string& name) { return Get<ui::Control>(name)->isEnabled(); }
  // A user's click: nothing happens on a disabled button.
  void Press(const std::string& name) { Get<ui::Button>(name)->performClick(); }
  void Choose(const std::string& name, int index) { Get<ui::PopUpButton>(name)->chooseItemAtIndex(index); }
  void Type(const std::string& name, const std::string& text) { Get<ui::TextField>(name)->typeText(text); }
  void Add(const std::string& file, const std::string& name) {
    Press("_addButton");
    Type("_fileNameEdit", file);
    Type("_profileNameEdit", name);
    Press("_localOK");
  }
  std::string Cell(const char* column, int row) {
    ui::TableView* t = Table();
    platform::plist::Value v = t->dataSource()->objectValueForTableColumn(t, column, row);
    if (const std::string* s = v.string()) return *s;
    if (const int64_t* i = v.integer()) return std::to_string(*i);
    return "<none>";
  }
  std::vector<std::string> Column(const char* column) {
    std::vector<std::string> out;
    for (int r = 0; r < Table()->numberOfRows(); ++r) out.push_back(Cell(column, r));
    return out;
  }
  void InWindow(std::function<void()> steps) {
    modal.steps = std::move(steps);
    ASSERT_TRUE(Enabled(advanced->button_ManageProfile));
    Check(advanced->button_ManageProfile)->performClick();
    EXPECT_FALSE(modal.steps) << "the window did not open";
  }
  const HVProfileList& Working(int cls) {
    Choose("_profileMenu", cls);
    return *Control()->currentProfileDict();
  }

  testsupport::TempRoot root{true};  // the bridge tool and the service, installed
  WindowHost modal;
  WalkRequestSender sender_;
};

TEST_F(WindowTest, CheckBoxTogglesAndOkWritesAndRebuildsTheMenus) {
  Lists l;
  const int states[] = {1, 2, 3, 4, 5, 6, 7};
  const int toggled[] = {3, 4, 1, 2, 6, 5, 7};
  const char* names[] = {"S1.ICC", "S2.ICC", "S3.ICC", "S4.ICC", "S5.ICC", "S6.ICC", "S7.ICC"};
  for (int i = 0; i < 7; ++i) Put(&l[0], names[i], names[i], states[i], kDisk);
  WriteFile(l);
  Open(SamplePpd(), "lpd://127.0.0.1/queue");
  const int ppdItems = Adv(kIRGBSource)->numberOfItems() - 3;  // S3, S4, S6 shown now
  InWindow([&] {
    EXPECT_EQ(Column("inmenu"), (std::vector<std::string>{"0", "0", "1", "1", "0", "1", "0"}));
    EXPECT_EQ(Column("filename")[6], "S7.ICC");
    for (int row = 0; row < 7; ++row) Table()->editCell("inmenu", row, platform::plist::Value(int64_t{1}));
    for (int row = 0; row < 7; ++row) EXPECT_EQ(Working(0).litem[row].iInMenu, toggled[row]) << row;
    Press("_windowOK");
  });
  Lists after = ReadFile();
  for (int row = 0; row < 7; ++row) EXPECT_EQ(after[0].litem[row].iInMenu, toggled[row]) << row;
  // The pane's menus list exactly the profiles now shown, behind the PPD's choices.
  std::vector<std::string> listed;
  for (int i = ppdItems; i < Adv(kIRGBSource)->numberOfItems(); ++i)
    listed.push_back(Adv(kIRGBSource)->itemAtIndex(i)->title);
  EXPECT_EQ(listed,
            (std::vector<std::string>{"S1.ICC(S1.ICC)Disk", "S2.ICC(S2.ICC)Disk", "S5.ICC(S5.ICC)Disk"}));
  // Opening again shows what was written.
  InWindow([&] {
    EXPECT_EQ(Column("inmenu"), (std::vector<std::string>{"1", "1", "0", "0", "1", "0", "0"}));
    Press("_windowCancel");
  });
}

TEST_F(WindowTest, SelectionRulesAndTheEditGroup) {
  Lists l;
  Put(&l[0], "PRINTER.ICC", "On printer", 1, kDisk);
  Put(&l[0], "CONF.ICC", "Confirmed", 2, kCard);
  Put(&l[0], "TYPED.ICC", "Typed", 5, kDisk);
  WriteFile(l);
  Open(SamplePpd(), "lpd://127.0.0.1/queue");
  InWindow([&] {
    struct Case {
      int row;
      bool add, edit, del;
      std::string file, name;
    };
    const std::vector<Case> cases = {
        {0, true, true, true, "PRINTER.ICC", "On printer"},
        {1, true, true, false, "CONF.ICC", "Confirmed"},  // confirmed: cannot be deleted
        {2, true, true, true, "TYPED.ICC", "Typed"},
        {-1, true, false, false, "", ""},
    };
    for (const Case& c : cases) {
      Table()->selectRow(c.row);
      EXPECT_EQ(On("_addButton"), c.add) << c.row;
      EXPECT_EQ(On("_editButton"), c.edit) << c.row;
      EXPECT_EQ(On("_deleteButton"), c.del) << c.row;
      EXPECT_EQ(Get<ui::TextField>("_fileNameEdit")->stringValue(), c.file);
      EXPECT_EQ(Get<ui::TextField>("_profileNameEdit")->stringValue(), c.name);
    }
    // While adding or editing the selection is frozen and the list chooser off.
    Table()->selectRow(0);
    Press("_editButton");
    EXPECT_FALSE(Table()->selectRow(2));
    EXPECT_FALSE(On("_profileMenu"));
    EXPECT_FALSE(On("_fileNameEdit")) << "a printer entry keeps its file name";
    EXPECT_FALSE(On("_browse"));
    EXPECT_TRUE(On("_profileNameEdit"));
    Type("_profileNameEdit", "Renamed");
    Press("_localOK");
    EXPECT_EQ(Control()->buttonIdentify(), kEditIdle);
    EXPECT_EQ(Table()->selectedRow(), -1);
    EXPECT_EQ(Column("profilename")[0], "Renamed");
    EXPECT_EQ(Column("filename")[0], "PRINTER.ICC");
    // A typed entry changes whole.
    Table()->selectRow(2);
    Press("_editButton");
    EXPECT_TRUE(On("_fileNameEdit"));
    Type("_fileNameEdit", "NEW.ICM");
    Press("_localOK");
    EXPECT_EQ(Column("filename")[2], "NEW.ICM");
    // The confirmed entry is edited, not deleted.
    Table()->selectRow(1);
    Press("_deleteButton");
    EXPECT_EQ(Table()->numberOfRows(), 3);
    Press("_editButton");
    Type("_profileNameEdit", "Still here");
    Press("_localOK");
    EXPECT_EQ(Column("profilename")[1], "Still here");
    Press("_windowCancel");
  });
}

TEST_F(WindowTest, AddingFillsTheFirstFreeSlotAndRefusesDuplicatesAndAFullList) {
  Lists l;
  Put(&l[1], "DUP.ICC", "Disk one", 5, kDisk);
  Put(&l[1], "CARD.ICC", "Card one", 3, kCard);
  for (int i = 0; i < profilestore::kProfileMax; ++i)
    Put(&l[2], ("D" + std::to_string(i) + ".ICC").c_str(), "x", 5, kDisk);
  WriteFile(l);
  Open(SamplePpd(), "lpd://127.0.0.1/queue");
  InWindow([&] {
    Choose("_profileMenu", 1);
    Add("MYPROF.ICC", "Mine");
    const HVProfileList& sim = Working(1);
    ASSERT_EQ(sim.iNum, 3);
    const HVProfileItem& added = sim.litem[2];
    EXPECT_EQ(std::string(added.FileName), "MYPROF.ICC");
    EXPECT_EQ(std::string(added.ProfileName), "Mine");
    EXPECT_EQ(added.iInMenu, 6);
    EXPECT_EQ(added.iProfileClass, 2);
    EXPECT_EQ(added.iDriver, 3);
    EXPECT_EQ(added.iIndexOnDevice, 502);
    EXPECT_EQ(added.iLocation, kDisk);

    Add("DUP.ICC", "Twin");  // same file at the same place: refused, the edit group stays open
    EXPECT_EQ(sim.iNum, 3);
    EXPECT_EQ(Control()->buttonIdentify(), kEditAdding);
    Press("_localCancel");
    Add("CARD.ICC", "On disk too");  // the card's twin goes on the disk
    EXPECT_EQ(sim.iNum, 4);
    Add(".HIDDEN", "x");  // a leading "." never enables OK
    EXPECT_EQ(sim.iNum, 4);
    Press("_localCancel");

    Choose("_profileMenu", 2);
    Add("FULL.ICC", "No room");
    EXPECT_EQ(Working(2).iNum, profilestore::kProfileMax);
    Press("_localCancel");
    Press("_windowOK");
  });
  Lists after = ReadFile();
  EXPECT_EQ(after[1].iNum, 4);
  EXPECT_EQ(std::string(after[1].litem[3].FileName), "CARD.ICC");
  EXPECT_EQ(after[1].litem[3].iLocation, kDisk);
  EXPECT_EQ(after[2].iNum, profilestore::kProfileMax);
}

TEST_F(WindowTest, DeleteMovesLaterItemsUpAndFreesTheLastSlot) {
  Lists l;
  for (const char* f : {"A.ICC", "B.ICC", "C.ICC"}) Put(&l[0], f, f, 5, kDisk);
  WriteFile(l);
  Open(SamplePpd(), "lpd://127.0.0.1/queue");
  InWindow([&] {
    Table()->selectRow(0);
    Press("_deleteButton");
    EXPECT_EQ(Column("filename"), (std::vector<std::string>{"B.ICC", "C.ICC"}));
    const HVProfileList& rgb = Working(0);
    EXPECT_EQ(rgb.iNum, 2);
    EXPECT_EQ(rgb.litem[2].iInMenu, 0);
    EXPECT_EQ(rgb.litem[2].FileName[0], '\0');
    EXPECT_EQ(Table()->selectedRow(), -1);
    Table()->selectRow(1);  // the last row: nothing moves
    Press("_deleteButton");
    EXPECT_EQ(Column("filename"), (std::vector<std::string>{"B.ICC"}));
    EXPECT_EQ(Control()->deleteList(0)->iNum, 0) << "nothing is recorded for an lpd printer";
    Press("_windowOK");
  });
  EXPECT_EQ(ReadFile()[0].iNum, 1);
}

TEST_F(WindowTest, DeleteListsOnlyForUsbAndPapPrintersCappedAt500) {
  struct Case {
    const char* uri;
    int recorded;
  };
  for (const Case& c : {Case{"usb://HALVERN/VN420P", 1}, Case{"pap://zone/VN420P", 1}, Case{"lpd://h/q", 0},
                        Case{"dnssd://VN420P._printer._tcp.local.", 0}}) {
    Lists l;
    Put(&l[0], "KEEP.ICC", "Confirmed", 2, kDisk);  // not in the window for usb and pap, kept by the merge
    Put(&l[0], "GONE.ICC", "Typed", 5, kDisk);
    WriteFile(l);
    Open(SamplePpd(), c.uri);
    InWindow([&] {
      int row = Column("filename").back() == "GONE.ICC" ? Table()->numberOfRows() - 1 : -1;
      ASSERT_GE(row, 0);
      Table()->selectRow(row);
      Press("_deleteButton");
      EXPECT_EQ(Control()->deleteList(0)->iNum, c.recorded) << c.uri;
      Press("_windowOK");
    });
    Lists after = ReadFile();
    ASSERT_EQ(after[0].iNum, 1) << c.uri;
    EXPECT_EQ(std::string(after[0].litem[0].FileName), "KEEP.ICC") << c.uri;
  }

  // 500 deletions fill the list; an edit after that records nothing more.
  Lists l;
  for (int i = 0; i < profilestore::kProfileMax; ++i)
    Put(&l[0], ("T" + std::to_string(i) + ".ICC").c_str(), "t", 5, kDisk);
  WriteFile(l);
  Open(SamplePpd(), "usb://HALVERN/VN420P");
  InWindow([&] {
    while (Table()->numberOfRows() > 0) {
      Table()->selectRow(0);
      Press("_deleteButton");
    }
    Add("LAST.ICC", "x");
    Table()->selectRow(0);
    Press("_editButton");
    Type("_profileNameEdit", "y");
    Press("_localOK");
    EXPECT_EQ(Control()->deleteList(0)->iNum, profilestore::kProfileMax);
    Press("_windowCancel");
  });
}

TEST_F(WindowTest, BrowsingTakesOnlyNamesTheFieldAndTheMergeAccept) {
  struct Case {
    std::string answer;  // "" cancels the open panel
    std::string want;    // the file name field afterwards ("" refused)
  };
  const std::string dir = platform::paths::ProfilesFolder() + "/";
  const std::vector<Case> cases = {
      {dir + "GOOD.ICC", "GOOD.ICC"},
      {dir + std::string(27, 'N'), std::string(27, 'N')},
      {dir + std::string(27, 'N') + ".ICC", std::string(27, 'N') + ".ICC"},
      {dir + std::string(32, 'N'), ""},          // too long
      {dir + "A.B.ICC", ""},                     // two dots
      {dir + "BAD NAME.ICC", ""},                // a space
      {dir + "x/y@.ICC", ""},                    // a refused character in the last component
      {dir + std::string(28, 'N') + ".IC", ""},  // a name part typing would refuse
      {dir + "NAME.ICCX", ""},                   // an extension typing would refuse
      {dir + ".ICC", ""},
      {dir, ""},
  };
  Open(SamplePpd(), "lpd://127.0.0.1/queue");
  InWindow([&] {
    Press("_addButton");
    for (const Case& c : cases) {
      modal.answers = {c.answer};
      Press("_browse");
      auto* field = Get<HVTextField>("_fileNameEdit");
      EXPECT_EQ(field->stringValue(), c.want) << c.answer;
      EXPECT_EQ(On("_localOK"), !c.want.empty()) << c.answer;
      // What the window takes survives the next discovery merge.
      if (!c.want.empty()) {
        EXPECT_TRUE(profilewalk::bJudgement8point3Format(c.want.c_str())) << c.want;
        EXPECT_EQ(field->oldValue(), std::u16string(c.want.begin(), c.want.end()));
      }
    }
    modal.answers = {""};  // cancelled: the field keeps its text
    Type("_fileNameEdit", "KEPT.ICC");
    Press("_browse");
    EXPECT_EQ(Get<ui::TextField>("_fileNameEdit")->stringValue(), "KEPT.ICC");
    Press("_windowCancel");
  });
  EXPECT_EQ(modal.directories.front(), platform::paths::ProfilesFolder());
}

TEST_F(WindowTest, CancelLeavesTheFileByteIdentical) {
  Lists l;
  for (const char* f : {"A.ICC", "B.ICC"}) Put(&l[0], f, f, 1, kDisk);
  Put(&l[1], "S.ICC", "S", 5, kCard);
  WriteFile(l);
  const std::string before = FileBytes();
  Open(SamplePpd(), "lpd://127.0.0.1/queue");
  InWindow([&] {
    Table()->editCell("inmenu", 0, platform::plist::Value(int64_t{1}));
    Table()->selectRow(1);
    Press("_deleteButton");
    Add("NEW.ICC", "new");
    Choose("_profileMenu", 1);
    Table()->selectRow(0);
    Press("_editButton");
    Type("_profileNameEdit", "changed");
    Press("_localOK");
    Press("_windowCancel");
  });
  EXPECT_EQ(FileBytes(), before);
}

TEST_F(WindowTest, AFailedWriteIsReportedAndTheWindowStaysOpen) {
  Lists l;
  Put(&l[0], "A.ICC", "A", 1, kDisk);
  WriteFile(l);
  const std::string before = FileBytes();
  Open(SamplePpd(), "lpd://127.0.0.1/queue");
  InWindow([&] {
    Table()->editCell("inmenu", 0, platform::plist::Value(int64_t{1}));
    std::filesystem::remove(platform::paths::BridgeToolPath());  // the service cannot be reached
    Press("_windowOK");
    ASSERT_EQ(modal.alerts.size(), 1u);
    EXPECT_EQ(modal.alerts[0], "The profile changes could not be saved.");
    ui::Window* window = Get<ui::Window>("_profileManagementWindow");
    EXPECT_TRUE(window->isVisible()) << "still open for another try or Cancel";
    EXPECT_FALSE(modal.Stopped(*window)) << "the OK press must not end the window's run";
    Press("_windowCancel");
  });
  EXPECT_EQ(FileBytes(), before);
}

TEST_F(WindowTest, IconColumnCellsAndTexts) {
  Lists l;
  Put(&l[0], "CONF.ICC", "c", 4, kDisk);
  Put(&l[0], "CARD.ICC", "d", 1, kCard);
  Put(&l[0], "ODD.ICC", "o", 3, 9);
  WriteFile(l);
  for (const char* uri : {"lpd://127.0.0.1/queue", "usb://HALVERN/VN420P"}) {
    Open(SamplePpd(), uri);
    const bool network = std::string(uri).starts_with("lpd");
    InWindow([&] {
      EXPECT_EQ(Get<ui::Window>("_profileManagementWindow")->title(), "Management Profile");
      EXPECT_EQ(Cell("icon", 0), network ? platform::paths::FileExistsIcon() : "<none>") << uri;
      EXPECT_EQ(Cell("icon", 1), "<none>");
      EXPECT_EQ(Column("location"), (std::vector<std::string>{"Disk", "Card", ""}));
      EXPECT_EQ(Cell("unknown", 0), "");
      EXPECT_EQ(Cell("filename", 7), "<none>");
      ui::TableView* t = Table();
      Cell("inmenu", 0);  // the check box cell is put in when the column is first asked
      EXPECT_NE(dynamic_cast<IconedCell*>(t->columnWithIdentifier("icon")->dataCell.get()), nullptr);
      EXPECT_NE(dynamic_cast<ui::ButtonCell*>(t->columnWithIdentifier("inmenu")->dataCell.get()), nullptr);
      EXPECT_EQ(t->columnWithIdentifier("filename")->dataCell->font(), ui::Font::system(12));
      EXPECT_EQ(t->font(), ui::Font::user(9));
      Press("_windowCancel");
    });
  }
  EXPECT_EQ(IconedCell::imageRect({10, 20, 100, 18}, false), (ui::Rect{13, 20, 16, 16}));
  EXPECT_EQ(IconedCell::imageRect({10, 20, 100, 18}, true), (ui::Rect{13, 36, 16, 16}));
}

TEST_F(WindowTest, JapaneseTexts) {
  testsupport::ScopedLanguage japanese("ja");
  ASSERT_TRUE(japanese.ok());
  Lists l;
  Put(&l[0], "A.ICC", "A", 1, kCard);
  WriteFile(l);
  Open(SamplePpd(), "lpd://127.0.0.1/queue");
  InWindow([&] {
    EXPECT_EQ(Get<ui::Window>("_profileManagementWindow")->title(), "プロファイル管理");
    EXPECT_EQ(Cell("location", 0), "カード");
    EXPECT_EQ(Get<ui::PopUpButton>("_locationMenu")->itemAtIndex(0)->title, "ディスク");
    EXPECT_EQ(Get<ui::Button>("_addButton")->title(), "追加");
    EXPECT_EQ(Get<ui::TextField>("_fileNameText")->stringValue(), "ファイル名:");
    Press("_windowCancel");
  });
}

}  // namespace
}  // namespace colorpane::testing
