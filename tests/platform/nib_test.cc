// Interface descriptions: classes, properties, outlets, actions and errors.
#include "platform/ui/nib.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/bundle.h"
#include "platform/ui/window.h"
#include "scratch_dir.h"

namespace platform::ui {
namespace {

using ::testing::HasSubstr;

// Takes the outlets it knows; records every action.
class Owner : public Object {
 public:
  bool setOutlet(std::string_view outlet, Object* object) override {
    offered.push_back(std::string(outlet));
    if (outlet == "menu_QuickColor")
      menu = dynamic_cast<PopUpButton*>(object);
    else if (outlet == "check_Gray")
      check = dynamic_cast<Button*>(object);
    else if (outlet == "profileControl")
      controller = object;
    else
      return false;
    return true;
  }
  bool performAction(std::string_view selector, Object* sender) override {
    actions.push_back(std::string(selector) + " from " + sender->objectName());
    return true;
  }
  void awakeFromNib() override { ++awakened; }

  PopUpButton* menu = nullptr;
  Button* check = nullptr;
  Object* controller = nullptr;
  std::vector<std::string> offered, actions;
  int awakened = 0;
};

// A registered non-visual object with outlets into the description; it checks
// in awakeFromNib that its outlets were set before.
class ProfileControl : public Object, public TableViewDataSource {
 public:
  const char* className() const override { return "ProfileControl"; }
  bool setOutlet(std::string_view outlet, Object* object) override {
    if (outlet == "_profileTableView")
      table = dynamic_cast<TableView*>(object);
    else if (outlet == "profileWindow")
      window = dynamic_cast<Window*>(object);
    else if (outlet == "owner")
      owner = object;
    else
      return false;
    return true;
  }
  bool performAction(std::string_view selector, Object*) override {
    actions.push_back(std::string(selector));
    if (selector == "profileWindowOK:" && window) window->stopModal(kModalResponseOK);
    return true;
  }
  void awakeFromNib() override { wired_at_awake = table != nullptr && window != nullptr; }
  int numberOfRowsInTableView(TableView*) override { return 2; }
  plist::Value objectValueForTableColumn(TableView*, std::string_view, int) override { return {}; }

  TableView* table = nullptr;
  Window* window = nullptr;
  Object* owner = nullptr;
  bool wired_at_awake = false;
  std::vector<std::string> actions;
};

class MainView : public View {
 public:
  const char* className() const override { return "MainView"; }
};

class ValidatedField : public TextField {
 public:
  const char* className() const override { return "HVTextField"; }
};

ClassRegistry Registry() {
  ClassRegistry r;
  r.add("MainView", [] { return std::make_unique<MainView>(); });
  r.add("ProfileControl", [] { return std::make_unique<ProfileControl>(); });
  r.add("HVTextField", [] { return std::make_unique<ValidatedField>(); });
  r.add("HVLabel", [] { return std::make_unique<TextField>(); });
  return r;
}

constexpr const char* kPane = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>PDEMain</class>
 <widget class="MainView" name="pdeMainView">
  <property name="geometry"><rect><x>0</x><y>0</y><width>480</width><height>320</height></rect></property>
  <layout class="QVBoxLayout" name="verticalLayout">
   <item>
    <widget class="QComboBox" name="menu_QuickColor">
     <property name="currentIndex"><number>1</number></property>
     <property name="tag"><number>7</number></property>
     <item><property name="text"><string>Auto</string></property></item>
     <item><property name="text"><string>Vivid</string></property></item>
     <item><property name="text"><string>Off</string></property></item>
    </widget>
   </item>
   <item>
    <widget class="QCheckBox" name="check_Gray">
     <property name="text"><string>Grayscale</string></property>
     <property name="checked"><bool>true</bool></property>
     <property name="tristate"><bool>true</bool></property>
     <property name="toolTip"><string>ignored</string></property>
    </widget>
   </item>
   <item><spacer name="spacer"/></item>
  </layout>
  <widget class="QLabel" name="text_Label">
   <property name="text"><string>Brightness:</string></property>
   <property name="enabled"><bool>false</bool></property>
  </widget>
  <widget class="QLineEdit" name="secureField">
   <property name="echoMode"><enum>QLineEdit::Password</enum></property>
  </widget>
  <widget class="HVTextField" name="nameField">
   <property name="text"><string>guest</string></property>
   <property name="readOnly"><bool>true</bool></property>
  </widget>
  <widget class="HVLabel" name="customLabel"/>
  <widget class="QPushButton" name="button_Manage">
   <property name="text"><string>Management Profile</string></property>
   <property name="visible"><bool>false</bool></property>
  </widget>
  <widget class="QGroupBox" name="box">
   <property name="title"><string>Edge</string></property>
   <widget class="Matrix" name="matrix_Edge">
    <widget class="QRadioButton" name="r0"><property name="text"><string>Off</string></property></widget>
    <widget class="QRadioButton" name="r1">
     <property name="text"><string>On</string></property>
     <property name="checked"><bool>true</bool></property>
     <property name="tag"><number>5</number></property>
    </widget>
    <widget class="QRadioButton" name="r2">
     <property name="text"><string>Fine</string></property>
     <property name="enabled"><bool>false</bool></property>
    </widget>
   </widget>
  </widget>
  <widget class="QTabWidget" name="tabView">
   <widget class="QWidget" name="tabImage"><attribute name="title"><string>Image</string></attribute></widget>
   <widget class="QWidget" name="tabText">
    <attribute name="title"><string>Text</string></attribute>
    <widget class="QComboBox" name="menu_TextRGB"/>
   </widget>
  </widget>
  <widget class="ProfileControl" name="profileControl"/>
  <widget class="QWidget" name="holder">
   <widget class="QDialog" name="profileWindow">
    <property name="geometry"><rect><x>0</x><y>0</y><width>300</width><height>200</height></rect></property>
    <property name="windowTitle"><string>Profiles</string></property>
    <widget class="QTableWidget" name="_profileTableView">
     <property name="dataSource"><string>profileControl</string></property>
     <column>
      <property name="text"><string/></property>
      <property name="identifier"><string>inmenu</string></property>
      <property name="editable"><bool>true</bool></property>
     </column>
     <column><property name="text"><string>filename</string></property></column>
    </widget>
    <widget class="QPushButton" name="okButton"/>
   </widget>
  </widget>
 </widget>
 <customwidgets>
  <customwidget><class>HVTextField</class><extends>QLineEdit</extends></customwidget>
  <customwidget><class>HVLabel</class><extends>QLabel</extends></customwidget>
 </customwidgets>
 <connections>
  <connection>
   <sender>menu_QuickColor</sender><signal>activated(int)</signal>
   <receiver>owner</receiver><slot>selectItem:</slot>
  </connection>
  <connection>
   <sender>check_Gray</sender><signal>clicked()</signal>
   <receiver>owner</receiver><slot>constraints:</slot>
  </connection>
  <connection>
   <sender>okButton</sender><signal>clicked()</signal>
   <receiver>profileControl</receiver><slot>profileWindowOK:</slot>
  </connection>
 </connections>
</ui>
)";

class NibTest : public ::testing::Test {
 protected:
  void SetUp() override {
    nib = Nib::LoadFromString(kPane, &owner, classes, &error);
    ASSERT_NE(nib, nullptr) << error;
  }
  Owner owner;
  ClassRegistry classes = Registry();
  std::string error;
  std::unique_ptr<Nib> nib;
};

TEST_F(NibTest, BuildsTheViewTreeWithClassesAndProperties) {
  auto* top = dynamic_cast<MainView*>(nib->topView());
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(top->frame(), (Rect{0, 0, 480, 320}));
  EXPECT_EQ(top->bounds(), (Rect{0, 0, 480, 320}));

  auto* menu = nib->find<PopUpButton>("menu_QuickColor");
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->superview(), top);  // through the layout
  EXPECT_EQ(menu->numberOfItems(), 3);
  EXPECT_EQ(menu->itemAtIndex(2)->title, "Off");
  EXPECT_EQ(menu->indexOfSelectedItem(), 1);
  EXPECT_EQ(menu->tag(), 7);
  EXPECT_EQ(nib->find<PopUpButton>("menu_TextRGB")->indexOfSelectedItem(), -1);

  auto* check = nib->find<Button>("check_Gray");
  EXPECT_EQ(check->type(), Button::Type::kSwitch);
  EXPECT_EQ(check->title(), "Grayscale");
  EXPECT_EQ(check->state(), Button::kOnState);
  EXPECT_TRUE(check->allowsMixedState());

  auto* label = nib->find<TextField>("text_Label");
  EXPECT_FALSE(label->isEditable());
  EXPECT_FALSE(label->isBezeled());
  EXPECT_FALSE(label->isEnabled());
  EXPECT_EQ(label->stringValue(), "Brightness:");
  EXPECT_TRUE(nib->find<TextField>("secureField")->isSecure());
  auto* name = nib->find<ValidatedField>("nameField");
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->stringValue(), "guest");
  EXPECT_FALSE(name->isEditable());
  EXPECT_FALSE(nib->find<TextField>("customLabel")->isEditable());  // extends QLabel

  EXPECT_TRUE(nib->find<Button>("button_Manage")->isHidden());
  EXPECT_EQ(nib->find<Button>("button_Manage")->type(), Button::Type::kPush);
  EXPECT_EQ(nib->find<Box>("box")->title(), "Edge");

  auto* matrix = nib->find<Matrix>("matrix_Edge");
  ASSERT_NE(matrix, nullptr);
  ASSERT_EQ(matrix->numberOfRows(), 3);
  EXPECT_EQ(matrix->selectedRow(), 1);
  EXPECT_EQ(matrix->selectedTag(), 5);
  EXPECT_FALSE(matrix->cellAtRow(2)->enabled);
  EXPECT_EQ(matrix->cellAtRow(0)->title, "Off");
  EXPECT_EQ(nib->find("r1"), nullptr);  // cells are not objects
  EXPECT_EQ(matrix->superview(), nib->find<View>("box"));

  auto* tabs = nib->find<TabView>("tabView");
  ASSERT_EQ(tabs->numberOfTabViewItems(), 2);
  EXPECT_EQ(tabs->tabViewItems()[1].label, "Text");
  EXPECT_EQ(tabs->tabViewItems()[1].view, nib->find<View>("tabText"));
  EXPECT_EQ(tabs->indexOfSelectedTabViewItem(), 0);
  EXPECT_TRUE(nib->find<View>("tabText")->isHidden());
  EXPECT_TRUE(nib->find<View>("menu_TextRGB")->isDescendantOf(tabs));
}

TEST_F(NibTest, NonVisualObjectsAndWindowsStayOutOfTheTree) {
  auto* control = nib->find<ProfileControl>("profileControl");
  ASSERT_NE(control, nullptr);
  auto* window = nib->find<Window>("profileWindow");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->title(), "Profiles");
  ASSERT_NE(window->contentView(), nullptr);
  EXPECT_EQ(window->contentView()->frame(), (Rect{0, 0, 300, 200}));
  EXPECT_EQ(window->contentView()->superview(), nullptr);
  EXPECT_TRUE(nib->find<View>("holder")->subviews().empty());
  auto* table = nib->find<TableView>("_profileTableView");
  EXPECT_EQ(table->superview(), window->contentView());
  ASSERT_EQ(table->columns().size(), 2u);
  EXPECT_EQ(table->columns()[0].identifier, "inmenu");
  EXPECT_TRUE(table->columns()[0].editable);
  EXPECT_EQ(table->columns()[1].identifier, "filename");
  EXPECT_FALSE(table->columns()[1].editable);
  EXPECT_EQ(table->dataSource(), control);
  EXPECT_EQ(table->numberOfRows(), 2);
  for (const auto& o : nib->objects()) {
    auto* v = dynamic_cast<View*>(o.get());
    if (v != nullptr && !v->isDescendantOf(window->contentView())) {
      EXPECT_TRUE(v->isDescendantOf(nib->topView())) << o->description();
    }
  }
}

TEST_F(NibTest, OutletsReachOwnerAndRegisteredObjectsBeforeAwake) {
  EXPECT_EQ(owner.menu, nib->find("menu_QuickColor"));
  EXPECT_EQ(owner.check, nib->find("check_Gray"));
  EXPECT_EQ(owner.controller, nib->find("profileControl"));
  EXPECT_EQ(owner.awakened, 0);  // the owner is not part of the description
  // Every named object was offered, in document order.
  ASSERT_FALSE(owner.offered.empty());
  EXPECT_EQ(owner.offered.front(), "pdeMainView");
  EXPECT_EQ(std::count(owner.offered.begin(), owner.offered.end(), "okButton"), 1);

  auto* control = nib->find<ProfileControl>("profileControl");
  EXPECT_EQ(control->table, nib->find("_profileTableView"));
  EXPECT_EQ(control->window, nib->find("profileWindow"));
  EXPECT_EQ(control->owner, &owner);
  EXPECT_TRUE(control->wired_at_awake);
}

TEST_F(NibTest, ActionsReachTheirReceivers) {
  nib->find<PopUpButton>("menu_QuickColor")->chooseItemAtIndex(2);
  nib->find<Button>("check_Gray")->performClick();
  EXPECT_EQ(owner.actions,
            (std::vector<std::string>{"selectItem: from menu_QuickColor", "constraints: from check_Gray"}));
  EXPECT_FALSE(nib->find<Button>("button_Manage")->sendAction());  // not connected

  // The OK button stops the window it sits in through its controller.
  struct Clicker : ModalHost {
    Button* ok;
    int runModalForWindow(Window&) override {
      ok->performClick();
      return -5;
    }
    int runAlert(const Alert&) override { return 0; }
    int runOpenPanel(OpenPanel&) override { return 0; }
  } host;
  host.ok = nib->find<Button>("okButton");
  SetModalHost(&host);
  EXPECT_EQ(nib->find<Window>("profileWindow")->runModal(), kModalResponseOK);
  SetModalHost(nullptr);
  EXPECT_EQ(nib->find<ProfileControl>("profileControl")->actions,
            std::vector<std::string>{"profileWindowOK:"});
}

std::string LoadError(const std::string& xml, Object* owner = nullptr) {
  std::string error;
  ClassRegistry classes = Registry();
  EXPECT_EQ(Nib::LoadFromString(xml, owner, classes, &error), nullptr);
  return error;
}

TEST(NibErrors, SayWhatWentWrong) {
  std::string e = LoadError(R"(<ui><widget class="QWidget" name="top">
  <widget class="QFancyDial" name="dial"/></widget></ui>)");
  EXPECT_THAT(e, HasSubstr("unknown class \"QFancyDial\""));
  EXPECT_THAT(e, HasSubstr("\"dial\""));
  EXPECT_THAT(e, HasSubstr("line 2"));

  e = LoadError("<ui><widget class=\"QWidget\" name=\"top\"><widget></ui>");
  EXPECT_THAT(e, HasSubstr("malformed XML"));
  EXPECT_FALSE(LoadError("").empty());
  EXPECT_THAT(LoadError("<notui/>"), HasSubstr("<ui>"));
  EXPECT_THAT(LoadError("<ui/>"), HasSubstr("top-level"));

  e = LoadError(R"(<ui><widget class="QWidget" name="top">
  <widget class="QCheckBox" name="a"/><widget class="QCheckBox" name="a"/></widget></ui>)");
  EXPECT_THAT(e, HasSubstr("duplicate object name \"a\""));

  const char* kConnection =
      R"(<ui><widget class="QWidget" name="top"><widget class="QCheckBox" name="a"/></widget>
  <connections><connection><sender>%s</sender><receiver>%s</receiver><slot>go:</slot></connection></connections></ui>)";
  auto with = [&](const char* sender, const char* receiver) {
    char buf[512];
    snprintf(buf, sizeof buf, kConnection, sender, receiver);
    return std::string(buf);
  };
  EXPECT_THAT(LoadError(with("ghost", "top")), HasSubstr("unknown object \"ghost\""));
  EXPECT_THAT(LoadError(with("a", "ghost")), HasSubstr("unknown object \"ghost\""));
  EXPECT_THAT(LoadError(with("top", "a")), HasSubstr("no control"));
  EXPECT_THAT(LoadError(with("a", "owner")), HasSubstr("without one"));

  e = LoadError(R"(<ui><widget class="QWidget" name="top"><widget class="ProfileControl" name="pc">
    <widget class="QCheckBox" name="a"/></widget></widget></ui>)");
  EXPECT_THAT(e, HasSubstr("cannot hold widgets"));
  e = LoadError(R"(<ui><widget class="Matrix" name="m"><widget class="QCheckBox" name="a"/></widget></ui>)");
  EXPECT_THAT(e, HasSubstr("only QRadioButton"));
  e = LoadError(R"(<ui><widget class="ProfileControl" name="pc"/></ui>)");
  EXPECT_THAT(e, HasSubstr("no view"));
  e = LoadError(R"(<ui><widget class="QWidget" name="top"><widget class="QTableView" name="t">
    <property name="dataSource"><string>top</string></property></widget></widget></ui>)");
  EXPECT_THAT(e, HasSubstr("no table data source"));
}

TEST(NibLoad, ReadsDescriptionsFromTheBundleByName) {
  testsupport::ScratchDir dir("vn-nib");
  dir.Write("Resources/Small.ui",
            R"(<ui><widget class="QWidget" name="top"><widget class="QCheckBox" name="c"/></widget></ui>)");
  dir.Write("Resources/Broken.ui", "<ui><widget");
  Bundle bundle(dir.path(), "nibtest");
  ClassRegistry classes;
  std::string error;
  auto nib = Nib::Load(bundle, "Small", nullptr, classes, &error);
  ASSERT_NE(nib, nullptr) << error;
  EXPECT_NE(nib->find<Button>("c"), nullptr);

  EXPECT_EQ(Nib::Load(bundle, "Missing", nullptr, classes, &error), nullptr);
  EXPECT_THAT(error, HasSubstr("Missing.ui"));
  EXPECT_EQ(Nib::Load(bundle, "Broken", nullptr, classes, &error), nullptr);
  EXPECT_THAT(error, HasSubstr("Broken.ui: malformed XML"));
}

}  // namespace
}  // namespace platform::ui
