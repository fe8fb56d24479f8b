// The toolkit-free core of the dialog: control pictures, user actions on the
// live model and the plug-in thread.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <future>
#include <set>

#include "gui/activity.h"
#include "gui/plugin_thread.h"
#include "host/control_snapshot.h"
#include "host/user_action.h"
#include "platform/process.h"
#include "platform/ui/nib.h"

namespace gui {
namespace {

namespace ui = platform::ui;
using host::CaptureControls;
using host::ControlKind;
using host::ControlState;
using host::FindControl;
using host::UserAction;

constexpr const char* kUi = R"(<ui version="4.0"><widget class="QWidget" name="top">
  <property name="geometry"><rect><x>0</x><y>0</y><width>200</width><height>100</height></rect></property>
  <widget class="QLabel" name="label"><property name="text"><string>Name:</string></property></widget>
  <widget class="QComboBox" name="popup"><item><property name="text"><string>A</string></property></item>
    <item><property name="text"><string>B</string></property></item></widget>
  <widget class="QCheckBox" name="check"><property name="tristate"><bool>true</bool></property></widget>
  <widget class="QRadioButton" name="radio"/>
  <widget class="QPushButton" name="push"/>
  <widget class="Matrix" name="matrix"><widget class="QRadioButton" name="c0"/><widget class="QRadioButton" name="c1"/></widget>
  <widget class="QLineEdit" name="field"/>
  <widget class="QLineEdit" name="secure"><property name="echoMode"><enum>QLineEdit::Password</enum></property></widget>
  <widget class="QGroupBox" name="box"><property name="title"><string>Box</string></property></widget>
  <widget class="QTabWidget" name="tabs"><widget class="QWidget" name="p0"><attribute name="title"><string>P0</string></attribute></widget>
    <widget class="QWidget" name="p1"><attribute name="title"><string>P1</string></attribute></widget></widget>
  <widget class="QTableWidget" name="table"><property name="dataSource"><string>owner</string></property>
    <column><property name="text"><string>N</string></property><property name="editable"><bool>true</bool></property></column></widget>
 </widget>
 <connections><connection><sender>field</sender><signal>x</signal><receiver>owner</receiver><slot>act:</slot></connection></connections>
</ui>)";

struct Owner : ui::Object, ui::TableViewDataSource {
  std::vector<platform::plist::Value> rows{"x", int64_t{7}, true};
  int actions = 0;
  bool performAction(std::string_view, ui::Object*) override { return ++actions, true; }
  int numberOfRowsInTableView(ui::TableView*) override { return static_cast<int>(rows.size()); }
  platform::plist::Value objectValueForTableColumn(ui::TableView*, std::string_view, int r) override {
    return rows[static_cast<size_t>(r)];
  }
  void setObjectValue(ui::TableView*, const platform::plist::Value& v, std::string_view, int r) override {
    rows[static_cast<size_t>(r)] = v;
  }
};

struct Loaded {
  Owner owner;
  std::unique_ptr<ui::Nib> nib;
  Loaded() {
    std::string error;
    nib = ui::Nib::LoadFromString(kUi, &owner, ui::ClassRegistry(), &error);
    EXPECT_TRUE(nib) << error;
  }
  std::uintptr_t id(const char* name) { return reinterpret_cast<std::uintptr_t>(nib->find(name)); }
  const ControlState* state(const ControlState& s, const std::string& name) {
    if (s.name == name) return &s;
    for (const auto& c : s.children)
      if (const ControlState* f = state(c, name)) return f;
    return nullptr;
  }
};

TEST(ControlStateTest, EveryKindIsCaptured) {
  Loaded l;
  l.nib->find<ui::TextField>("secure")->setStringValue("p\u00E4ss\U0001F600");
  ControlState top = CaptureControls(l.nib->topView());
  const std::pair<const char*, ControlKind> kinds[] = {
      {"top", ControlKind::kView},         {"label", ControlKind::kLabel},
      {"popup", ControlKind::kPopUp},      {"check", ControlKind::kCheckBox},
      {"radio", ControlKind::kRadio},      {"push", ControlKind::kPushButton},
      {"matrix", ControlKind::kMatrix},    {"field", ControlKind::kTextField},
      {"secure", ControlKind::kSecureField}, {"box", ControlKind::kBox},
      {"tabs", ControlKind::kTabView},     {"table", ControlKind::kTable},
  };
  for (const auto& [name, kind] : kinds) {
    const ControlState* s = l.state(top, name);
    ASSERT_NE(s, nullptr) << name;
    EXPECT_EQ(s->kind, kind) << name;
    EXPECT_EQ(FindControl(l.nib->topView(), s->id), l.nib->find(name)) << name;
  }
  EXPECT_EQ(l.state(top, "secure")->text, "******") << "one mark per UTF-16 unit, never the secret";
  EXPECT_TRUE(l.state(top, "check")->allowsMixed);
  EXPECT_EQ(l.state(top, "matrix")->items.size(), 2u);
  EXPECT_EQ(l.state(top, "tabs")->children.size(), 2u);
  std::vector<std::vector<std::string>> cells;
  for (const auto& row : l.state(top, "table")->cells) cells.push_back({host::CellText(row.at(0))});
  EXPECT_EQ(cells, (std::vector<std::vector<std::string>>{{"x"}, {"7"}, {"\u2713"}}));
  EXPECT_EQ(FindControl(l.nib->topView(), 1), nullptr);
}

// A column draws check boxes once its data source installs a switch cell
// (when asked for a value), images with an image cell; the view's
// accessible name comes from the interface description.
TEST(ControlStateTest, ColumnCellsAndAccessibleNames) {
  struct ImageCell : ui::Cell {
    bool drawsImage() const override { return true; }
  };
  const std::pair<std::shared_ptr<ui::Cell>, host::ColumnState::Cell> cases[] = {
      {nullptr, host::ColumnState::Cell::kText},
      {std::make_shared<ui::Cell>(), host::ColumnState::Cell::kText},
      {std::make_shared<ui::ButtonCell>(), host::ColumnState::Cell::kCheckBox},
      {std::make_shared<ui::ButtonCell>(ui::Button::Type::kPush), host::ColumnState::Cell::kText},
      {std::make_shared<ImageCell>(), host::ColumnState::Cell::kImage},
  };
  for (const auto& [cell, kind] : cases) {
    Loaded l;
    auto* table = l.nib->find<ui::TableView>("table");
    table->setAccessibilityLabel("Names");
    table->columns()[0].dataCell = cell;
    const ControlState top = CaptureControls(l.nib->topView());
    const ControlState* s = l.state(top, "table");
    ASSERT_EQ(s->columns.size(), 1u);
    EXPECT_EQ(s->columns[0].cell, kind);
    EXPECT_EQ(s->accessibleName, "Names");
  }
  std::string error;
  Owner owner;
  auto nib = ui::Nib::LoadFromString(
      R"(<ui version="4.0"><widget class="QWidget" name="top"><widget class="QTableWidget" name="t">)"
      R"(<property name="accessibleName"><string>Profiles</string></property></widget></widget></ui>)",
      &owner, ui::ClassRegistry(), &error);
  ASSERT_TRUE(nib) << error;
  EXPECT_EQ(nib->find<ui::View>("t")->accessibilityLabel(), "Profiles");
}

using T = UserAction::Type;

UserAction A(T type, int index = -1, std::string text = "", int start = 0, int length = 0, int column = -1) {
  UserAction a;
  a.type = type;
  a.index = index;
  a.text = std::move(text);
  a.start = start;
  a.length = length;
  a.column = column;
  return a;
}

TEST(UserActionTest, ActionsReachTheModel) {
  struct Case {
    const char* control;
    std::vector<UserAction> actions;
    std::function<bool(Loaded&)> check;
    bool ok = true;
  };
  auto field = [](Loaded& l) { return l.nib->find<ui::TextField>("field"); };
  const Case cases[] = {
      {"popup", {A(T::kChoose, 1)}, [](Loaded& l) { return l.nib->find<ui::PopUpButton>("popup")->indexOfSelectedItem() == 1; }},
      {"popup", {A(T::kChoose, 5)}, [](Loaded& l) { return l.nib->find<ui::PopUpButton>("popup")->indexOfSelectedItem() == 0; }, false},
      {"check", {A(T::kClick), A(T::kClick)}, [](Loaded& l) { return l.nib->find<ui::Button>("check")->state() == ui::Button::kMixedState; }},
      {"matrix", {A(T::kSelectRow, 1)}, [](Loaded& l) { return l.nib->find<ui::Matrix>("matrix")->selectedRow() == 1; }},
      {"tabs", {A(T::kSelectTab, 1)}, [](Loaded& l) { return l.nib->find<ui::TabView>("tabs")->indexOfSelectedTabViewItem() == 1; }},
      {"table", {A(T::kSelectRow, 2), A(T::kEditCell, 0, "y", 0, 0, 0)},
       [](Loaded& l) { return l.nib->find<ui::TableView>("table")->selectedRow() == 2 && l.owner.rows[0] == platform::plist::Value("y"); }},
      // Typing, a surrogate pair deleted as one character, then Return fires the action once.
      {"field", {A(T::kInsertText, -1, "ab\U0001F600"), A(T::kDeleteBackward), A(T::kSelectText), A(T::kInsertText, -1, "z"), A(T::kEndEditing)},
       [&](Loaded& l) { return field(l)->stringValue() == "zab" && !field(l)->isEditing() && l.owner.actions == 1; }},
      {"field", {A(T::kInsertText, -1, "abc"), A(T::kSelectText, -1, "", 0, 1), A(T::kDeleteForward)},
       [&](Loaded& l) { return field(l)->stringValue() == "bc" && field(l)->isEditing() && l.owner.actions == 0; }},
  };
  for (const auto& c : cases) {
    Loaded l;
    bool ok = true;
    for (UserAction a : c.actions) {
      a.id = l.id(c.control);
      std::string error;
      ok = ApplyUserAction(l.nib->topView(), a, &error) && ok;
    }
    EXPECT_EQ(ok, c.ok) << c.control;
    EXPECT_TRUE(c.check(l)) << c.control;
  }
  Loaded l;
  l.nib->find<ui::Control>("push")->setEnabled(false);
  std::string error;
  UserAction click = A(T::kClick);
  click.id = l.id("push");
  EXPECT_FALSE(ApplyUserAction(l.nib->topView(), click, &error));
  click.id = 12345;
  EXPECT_FALSE(ApplyUserAction(l.nib->topView(), click, &error));
  EXPECT_EQ(error, "the control is no longer shown");
}

TEST(PluginThreadTest, CallsRunInOrderOnOneThreadAndModalRunsPump) {
  std::vector<bool> busy;
  std::mutex mu;
  std::vector<int> order;
  std::set<std::thread::id> threads;
  {
    PluginThread t([&](bool b) {
      std::lock_guard<std::mutex> lock(mu);
      busy.push_back(b);
    });
    std::atomic<bool> stop{false};
    auto record = [&](int i) {
      std::lock_guard<std::mutex> lock(mu);
      order.push_back(i);
      threads.insert(std::this_thread::get_id());
    };
    t.post([&] {
      record(1);
      // A modal run: later posts run inside it, until one of them stops it.
      t.runUntil([&] { return stop.load(); });
      record(4);
    });
    t.post([&] { record(2); });
    t.post([&] {
      record(3);
      stop = true;
    });
    t.post([&] { record(5); });
    t.drain();
    EXPECT_FALSE(t.isPluginThread());
  }
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(threads.size(), 1u);
  EXPECT_FALSE(threads.count(std::this_thread::get_id()));
  ASSERT_FALSE(busy.empty());
  EXPECT_TRUE(busy.front());
  EXPECT_FALSE(busy.back());
}

// Abandoned in a call, the thread finishes it and what is queued, then runs
// the last call, which may free the thread's owner; nobody waits for it.
TEST(PluginThreadTest, AnAbandonedThreadEndsByItself) {
  struct Owner {
    PluginThread thread;
    std::vector<int> order;
  };
  auto* owner = new Owner;
  std::promise<void> gate;
  std::atomic<bool> freed{false};
  owner->thread.post([&, f = gate.get_future().share()] {
    f.wait();
    owner->order.push_back(1);
  });
  owner->thread.post([&] { owner->order.push_back(2); });
  while (!owner->thread.inCall()) std::this_thread::yield();
  const int before = PluginThread::Abandoned();
  owner->thread.abandon([&] {
    EXPECT_EQ(owner->order, (std::vector<int>{1, 2}));
    delete owner;
    freed = true;
  });
  EXPECT_EQ(PluginThread::Abandoned(), before + 1);  // returned while the call still runs
  EXPECT_FALSE(freed);
  gate.set_value();
  while (PluginThread::Abandoned() != before) std::this_thread::yield();
  EXPECT_TRUE(freed);
}

TEST(ActivityTest, HelpersInWords) {
  const std::pair<std::vector<std::string>, Activity> cases[] = {
      {{"/x/bridgetool", "mibwalk_XPC", "127.0.0.1"}, {"Looking for colour profiles on the printer…", ""}},
      {{"bridgetool", "hvPListIsAdminProfile_XPC"},
       {"Checking whether you may change the shared profiles…", ""}},
      {{"bridgetool", "writeDataToPlistFileRename_XPC"}, {"Saving the profile list…", ""}},
      {{"bridgetool", "mibwalk"}, {"Waiting for the profile service…", ""}},
      {{"bridgetool"}, {"Waiting for the profile service…", ""}},
      {{"/usr/bin/avahi-resolve", "mibwalk_XPC"}, {"Waiting for %1…", "avahi-resolve"}},
      {{}, {}},
  };
  for (const auto& [argv, words] : cases)
    EXPECT_EQ(HelperActivity(argv), words) << (argv.empty() ? "" : argv.back());
}

TEST(ActivityTest, ChildrenOfTheThreadThatStartedThem) {
  std::promise<int> tid;
  std::thread starter([&] {
    tid.set_value(static_cast<int>(gettid()));
    platform::TaskResult r;
    platform::RunTask("/bin/sleep", {"/bin/sleep", "1"}, &r);
  });
  const int id = tid.get_future().get();
  std::vector<std::vector<std::string>> lines;
  for (int i = 0; i < 500 && lines.empty(); ++i) {
    lines = ChildCommandLines(id);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], (std::vector<std::string>{"/bin/sleep", "1"}));
  EXPECT_TRUE(ChildCommandLines(static_cast<int>(gettid())).empty());
  starter.join();

  // A child that has not run another program yet carries this test's own
  // command line: it is not listed.
  std::promise<int> forker;
  std::thread parent([&] {
    const pid_t child = fork();
    if (child == 0) {
      const timespec wait{0, 300'000'000};
      nanosleep(&wait, nullptr);
      _exit(0);
    }
    forker.set_value(static_cast<int>(gettid()));
    waitpid(child, nullptr, 0);
  });
  EXPECT_TRUE(ChildCommandLines(forker.get_future().get()).empty());
  parent.join();
}

}  // namespace
}  // namespace gui
