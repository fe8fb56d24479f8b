// The control snapshot and user actions both hosts share: what a value of
// `pdehost set` asks of each kind of control, what the live model refuses,
// and the limits the snapshot keeps (table rows, secure-field masks).
#include "host/user_action.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/ui/nib.h"

namespace host {
namespace {

namespace ui = platform::ui;
using T = UserAction::Type;

constexpr const char* kUi = R"(<ui version="4.0"><widget class="QWidget" name="top">
  <widget class="QComboBox" name="popup"><item><property name="text"><string>A</string></property></item>
    <item><property name="text"><string>B</string></property></item><item><property name="text"><string>C</string></property></item></widget>
  <widget class="QCheckBox" name="check"/>
  <widget class="QRadioButton" name="radio"/>
  <widget class="QPushButton" name="push"/>
  <widget class="Matrix" name="matrix"><widget class="QRadioButton" name="c0"/><widget class="QRadioButton" name="c1"/></widget>
  <widget class="QLineEdit" name="field"/>
  <widget class="QLineEdit" name="secure"><property name="echoMode"><enum>QLineEdit::Password</enum></property></widget>
  <widget class="QGroupBox" name="box"/>
  <widget class="QTableWidget" name="table"><property name="dataSource"><string>owner</string></property>
    <column><property name="identifier"><string>n</string></property><property name="editable"><bool>true</bool></property></column>
    <column><property name="identifier"><string>v</string></property></column></widget>
 </widget>
 <connections><connection><sender>table</sender><signal>x</signal><receiver>owner</receiver><slot>act:</slot></connection></connections>
</ui>)";

struct Owner : ui::Object, ui::TableViewDataSource {
  std::vector<int64_t> rows = {0, 1, 0};
  int actions = 0;
  bool lockSelection = false;
  bool performAction(std::string_view, ui::Object*) override { return ++actions, true; }
  int numberOfRowsInTableView(ui::TableView*) override { return static_cast<int>(rows.size()); }
  platform::plist::Value objectValueForTableColumn(ui::TableView*, std::string_view, int r) override {
    return rows[static_cast<size_t>(r)];
  }
  void setObjectValue(ui::TableView*, const platform::plist::Value& v, std::string_view, int r) override {
    rows[static_cast<size_t>(r)] = *v.integer();
  }
  bool selectionShouldChange(ui::TableView*) override { return !lockSelection; }
};

// The controls above with a disabled pop-up item (not enabled by the menu)
// and a disabled matrix cell.
struct Loaded {
  Owner owner;
  std::string loadError;
  std::unique_ptr<ui::Nib> nib = ui::Nib::LoadFromString(kUi, &owner, ui::ClassRegistry(), &loadError);
  Loaded() {
    if (!nib) throw std::runtime_error(loadError);
    auto* popup = nib->find<ui::PopUpButton>("popup");
    popup->setAutoenablesItems(false);
    popup->itemAtIndex(2)->enabled = false;
    nib->find<ui::Matrix>("matrix")->cells()[1].enabled = false;
  }
  std::optional<UserAction> parse(const char* name, const std::string& value, std::string* error,
                                  TextEntry entry = TextEntry::kType) {
    return ParseUserAction(CaptureControl(nib->find(name)), value, entry, error);
  }
};

// The action a value asks for, in words: its type and index (a cell: its
// column), or the error.
std::string Parsed(Loaded& l, const char* control, const std::string& value) {
  std::string error;
  std::optional<UserAction> a = l.parse(control, value, &error);
  if (!a) return error;
  EXPECT_EQ(a->id, reinterpret_cast<std::uintptr_t>(l.nib->find(control))) << control;
  const char* names[] = {"choose", "click", "set", "row", "tab", "cell", "edit", "type", "paste"};
  if (a->type > T::kPasteText) return "unexpected action";
  return std::string(names[static_cast<int>(a->type)]) + " " +
         std::to_string(a->type == T::kClickCell ? a->column : a->index) +
         (a->text.empty() ? "" : " " + a->text);
}

TEST(UserActionTest, ValuesParseAsTheControlOffersThem) {
  const char* cases[][3] = {
      {"popup", "1", "choose 1"},
      {"popup", "B", "choose 1"},
      {"popup", "3", "no item \"3\" (the pop-up has 3 items)"},
      {"popup", "Z", "no item \"Z\" (the pop-up has 3 items)"},
      {"popup", "C", "item 2 is disabled"},
      {"check", "on", "set 1"},
      {"check", "0", "set 0"},
      {"check", "maybe", "a check box takes on or off"},
      {"radio", "anything", "click -1"},
      {"push", "press", "click -1"},
      {"push", "1", "a push button takes \"press\""},
      {"matrix", "0", "row 0"},
      {"matrix", "1", "row 1 is disabled"},
      {"matrix", "2", "no row 2"},
      {"table", "-1", "row -1"},
      {"table", "2", "row 2"},
      {"table", "3", "no row 3 (the table has 3 rows)"},
      {"table", "n:1", "cell 0"},
      {"table", "v:1", "no editable column \"v\""},
      {"table", "n:3", "no row 3 (the table has 3 rows)"},
      {"table", "n:x", "no row x (the table has 3 rows)"},
      {"field", "abc", "type -1 abc"},
      {"box", "1", "not a control"},
  };
  for (const auto& [control, value, want] : cases) {
    Loaded l;
    EXPECT_EQ(Parsed(l, control, value), want) << control << " " << value;
  }
  Loaded l;
  std::string error;
  EXPECT_EQ(l.parse("secure", "pw", &error, TextEntry::kPaste)->type, T::kPasteText);
  l.nib->find<ui::Control>("check")->setHidden(true);
  EXPECT_FALSE(l.parse("check", "on", &error));
  EXPECT_EQ(error, "the control is hidden");  // as show calls it
}

// An action parsed from a picture meets a model that may have moved on.
TEST(UserActionTest, TheLiveModelHasTheLastWord) {
  Loaded l;
  std::string error;
  auto apply = [&](const char* name, const std::string& value) {
    std::optional<UserAction> a = l.parse(name, value, &error);
    return a && ApplyUserActionTo(l.nib->find(name), *a, &error);
  };
  std::optional<UserAction> choose = l.parse("popup", "1", &error);
  l.nib->find<ui::PopUpButton>("popup")->itemAtIndex(1)->enabled = false;
  EXPECT_FALSE(ApplyUserActionTo(l.nib->find("popup"), *choose, &error));
  EXPECT_EQ(error, "item 1 is disabled");

  // A row click sends the table's action even when the selection may not change.
  l.owner.lockSelection = true;
  EXPECT_FALSE(apply("table", "1"));
  EXPECT_EQ(error, "the selection cannot change now");
  EXPECT_EQ(l.owner.actions, 1);
  EXPECT_TRUE(apply("table", "n:0"));
  EXPECT_TRUE(apply("table", "n:1"));
  EXPECT_EQ(l.owner.rows, (std::vector<int64_t>{1, 0, 0})) << "check box cells turn over";

  auto* check = l.nib->find<ui::Button>("check");
  check->setAllowsMixedState(true);
  check->setState(ui::Button::kMixedState);
  EXPECT_TRUE(apply("check", "off"));
  EXPECT_EQ(check->state(), ui::Button::kOffState) << "clicked through mixed";

  std::optional<UserAction> type = l.parse("field", "abc", &error);
  l.nib->find<ui::Control>("field")->setEnabled(false);
  EXPECT_FALSE(ApplyUserActionTo(l.nib->find("field"), *type, &error));
  EXPECT_EQ(error, "the control is disabled");
  UserAction tab;
  tab.type = T::kSelectTab;
  EXPECT_FALSE(ApplyUserActionTo(l.nib->find("push"), tab, &error));
  EXPECT_EQ(error, "a Button does not take this action");
}

TEST(ControlSnapshotTest, TablesStopAtTheLimitAndSecretsAreMasks) {
  Loaded l;
  l.owner.rows.assign(kMaxTableRows + 1, 0);
  ControlState table = CaptureControl(l.nib->find("table"));
  EXPECT_EQ(table.cells.size(), static_cast<size_t>(kMaxTableRows));
  std::string error;
  EXPECT_TRUE(l.parse("table", std::to_string(kMaxTableRows - 1), &error));
  EXPECT_FALSE(l.parse("table", std::to_string(kMaxTableRows), &error))
      << "a row no one sees takes no action";

  auto* secure = l.nib->find<ui::TextField>("secure");
  secure->setStringValue("p\u00E4ss\U0001F600");
  EXPECT_EQ(CaptureControl(secure).text, "******") << "one mark per UTF-16 unit, as the field counts";
  secure->insertText("!");  // editing: the editor's text
  EXPECT_EQ(CaptureControl(secure).text, "*");
  EXPECT_TRUE(CaptureControl(secure).editing);
}

}  // namespace
}  // namespace host
