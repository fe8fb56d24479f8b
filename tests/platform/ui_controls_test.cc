// The headless controls: the toolkit semantics the panes depend on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/view.h"

namespace platform::ui {
namespace {

// Records every action it receives.
class Recorder : public Object {
 public:
  bool performAction(std::string_view selector, Object* sender) override {
    calls.push_back({std::string(selector), sender});
    return handles;
  }
  struct Call {
    std::string selector;
    Object* sender;
  };
  std::vector<Call> calls;
  bool handles = true;
};

TEST(Object, DescriptionNamesClassAndObject) {
  PopUpButton p;
  p.setObjectName("menu_QuickColor");
  EXPECT_EQ(p.description(), "<PopUpButton: menu_QuickColor>");
  View v;
  EXPECT_EQ(v.description(), "<View: >");
}

// ---- Pop-up buttons ----

class PopUpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* t : {"Auto", "Vivid", "Natural", "Off"}) popup.addItemWithTitle(t);
  }
  PopUpButton popup;
};

TEST_F(PopUpTest, OutOfRangeIndexesSelectNothing) {
  popup.selectItemAtIndex(2);
  EXPECT_EQ(popup.indexOfSelectedItem(), 2);
  EXPECT_EQ(popup.titleOfSelectedItem(), "Natural");

  popup.selectItemAtIndex(-1);
  EXPECT_EQ(popup.indexOfSelectedItem(), -1);
  EXPECT_EQ(popup.selectedItem(), nullptr);
  EXPECT_EQ(popup.titleOfSelectedItem(), "");

  popup.selectItemAtIndex(1);
  popup.selectItemAtIndex(4);  // one past the last item
  EXPECT_EQ(popup.indexOfSelectedItem(), -1);
  popup.selectItemAtIndex(1);
  popup.selectItemAtIndex(1000);
  EXPECT_EQ(popup.indexOfSelectedItem(), -1);
  EXPECT_EQ(popup.itemAtIndex(4), nullptr);
  EXPECT_EQ(popup.itemAtIndex(-1), nullptr);
}

TEST_F(PopUpTest, FirstItemOfAnEmptyPopUpIsSelected) {
  PopUpButton fresh;
  EXPECT_EQ(fresh.indexOfSelectedItem(), -1);
  fresh.addItemWithTitle("One");
  EXPECT_EQ(fresh.indexOfSelectedItem(), 0);
  fresh.addItemWithTitle("Two");
  EXPECT_EQ(fresh.indexOfSelectedItem(), 0);
}

TEST_F(PopUpTest, SelectionFollowsItsItemAcrossInsertAndRemove) {
  popup.selectItemAtIndex(2);  // "Natural"
  popup.insertItemWithTitle("First", 0);
  EXPECT_EQ(popup.titleOfSelectedItem(), "Natural");
  EXPECT_EQ(popup.indexOfSelectedItem(), 3);
  popup.insertItemWithTitle("Nowhere", 9);  // out of range: ignored
  EXPECT_EQ(popup.numberOfItems(), 5);
  popup.removeItemAtIndex(0);
  EXPECT_EQ(popup.titleOfSelectedItem(), "Natural");
  popup.removeItemAtIndex(3);  // after the selection
  EXPECT_EQ(popup.indexOfSelectedItem(), 2);
  popup.removeItemAtIndex(2);  // the selection itself
  EXPECT_EQ(popup.indexOfSelectedItem(), -1);
  popup.removeItemAtIndex(7);
  EXPECT_EQ(popup.numberOfItems(), 2);
  popup.removeAllItems();
  EXPECT_EQ(popup.numberOfItems(), 0);
  EXPECT_EQ(popup.indexOfSelectedItem(), -1);
}

TEST_F(PopUpTest, TitlesAndRepresentedObjects) {
  EXPECT_EQ(popup.indexOfItemWithTitle("Vivid"), 1);
  EXPECT_EQ(popup.indexOfItemWithTitle("vivid"), -1);
  EXPECT_EQ(popup.indexOfItemWithTitle(""), -1);
  popup.addItemWithTitle("Vivid");
  EXPECT_EQ(popup.indexOfItemWithTitle("Vivid"), 1);  // the first of equal titles

  popup.selectItemWithTitle("Off");
  EXPECT_EQ(popup.indexOfSelectedItem(), 3);
  popup.selectItemWithTitle("Missing");
  EXPECT_EQ(popup.indexOfSelectedItem(), -1);

  popup.itemAtIndex(2)->representedObject = plist::Value("Natural.icc");
  popup.itemAtIndex(3)->representedObject = plist::Value(7);
  EXPECT_EQ(popup.indexOfItemWithRepresentedObject(plist::Value("Natural.icc")), 2);
  EXPECT_EQ(popup.indexOfItemWithRepresentedObject(plist::Value(7)), 3);
  EXPECT_EQ(popup.indexOfItemWithRepresentedObject(plist::Value("7")), -1);
  // Items without an object do not match "no object".
  EXPECT_EQ(popup.indexOfItemWithRepresentedObject(plist::Value()), -1);
  EXPECT_TRUE(popup.itemAtIndex(0)->representedObject.isNone());
}

TEST_F(PopUpTest, EnabledFlagsCountOnlyWithoutAutomaticEnabling) {
  Recorder target;
  popup.setTarget(&target, "selectItem:");
  popup.itemAtIndex(1)->enabled = false;

  ASSERT_TRUE(popup.autoenablesItems());
  EXPECT_TRUE(popup.isItemSelectable(1));
  EXPECT_TRUE(popup.chooseItemAtIndex(1));
  EXPECT_EQ(popup.indexOfSelectedItem(), 1);
  ASSERT_EQ(target.calls.size(), 1u);
  EXPECT_EQ(target.calls[0].selector, "selectItem:");
  EXPECT_EQ(target.calls[0].sender, &popup);

  popup.setAutoenablesItems(false);
  popup.selectItemAtIndex(0);
  EXPECT_FALSE(popup.isItemSelectable(1));
  EXPECT_TRUE(popup.isItemSelectable(2));
  EXPECT_FALSE(popup.isItemSelectable(4));
  EXPECT_FALSE(popup.chooseItemAtIndex(1));
  EXPECT_EQ(popup.indexOfSelectedItem(), 0);
  EXPECT_EQ(target.calls.size(), 1u);
  // The program itself may still select a disabled item.
  popup.selectItemAtIndex(1);
  EXPECT_EQ(popup.indexOfSelectedItem(), 1);

  popup.setEnabled(false);
  EXPECT_FALSE(popup.chooseItemAtIndex(2));
  EXPECT_EQ(target.calls.size(), 1u);
}

// ---- Buttons ----

TEST(ButtonTest, StatesAreOffOnAndMixedOnlyWhenAllowed) {
  Button check(Button::Type::kSwitch);
  EXPECT_EQ(check.state(), Button::kOffState);
  check.setState(1);
  EXPECT_EQ(check.state(), Button::kOnState);
  check.setState(0);
  EXPECT_EQ(check.state(), Button::kOffState);
  check.setState(5);
  EXPECT_EQ(check.state(), Button::kOnState);
  check.setState(-7);
  EXPECT_EQ(check.state(), Button::kOnState);
  check.setState(-1);
  EXPECT_EQ(check.state(), Button::kOnState);  // mixed not allowed
  check.setAllowsMixedState(true);
  check.setState(-1);
  EXPECT_EQ(check.state(), Button::kMixedState);
}

TEST(ButtonTest, ClicksCycleStatesAndSendTheAction) {
  Recorder target;
  Button check(Button::Type::kSwitch);
  check.setTarget(&target, "constraints:");
  std::vector<int> seen;
  for (int i = 0; i < 3; ++i) {
    check.performClick();
    seen.push_back(check.state());
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 0, 1}));
  EXPECT_EQ(target.calls.size(), 3u);

  check.setAllowsMixedState(true);
  check.setState(0);
  seen.clear();
  for (int i = 0; i < 4; ++i) {
    check.performClick();
    seen.push_back(check.state());
  }
  EXPECT_EQ(seen, (std::vector<int>{1, -1, 0, 1}));

  check.setEnabled(false);
  check.performClick();
  EXPECT_EQ(check.state(), 1);
  EXPECT_EQ(target.calls.size(), 7u);

  Button push;
  push.setTarget(&target, "ok:");
  push.performClick();
  EXPECT_EQ(push.state(), 0);
  EXPECT_EQ(target.calls.back().selector, "ok:");
}

TEST(ButtonTest, RadioButtonsOfOneGroupExcludeEachOther) {
  View group;
  Button a(Button::Type::kRadio), b(Button::Type::kRadio), other(Button::Type::kRadio);
  a.setTarget(nullptr, "mode:");
  b.setTarget(nullptr, "mode:");
  other.setTarget(nullptr, "other:");
  group.addSubview(&a);
  group.addSubview(&b);
  group.addSubview(&other);
  other.performClick();
  a.performClick();
  EXPECT_EQ(a.state(), 1);
  b.performClick();
  EXPECT_EQ(a.state(), 0);
  EXPECT_EQ(b.state(), 1);
  EXPECT_EQ(other.state(), 1);  // another action: another group
  b.performClick();
  EXPECT_EQ(b.state(), 1);  // a radio never turns itself off
}

TEST(ControlTest, SendActionNeedsATargetThatHandlesIt) {
  Recorder target;
  Control c;
  EXPECT_FALSE(c.sendAction());
  c.setTarget(&target, "");
  EXPECT_FALSE(c.sendAction());
  c.setTarget(&target, "go:");
  EXPECT_TRUE(c.sendAction());
  target.handles = false;
  EXPECT_FALSE(c.sendAction());
  EXPECT_EQ(target.calls.size(), 2u);
}

// ---- Matrix ----

TEST(MatrixTest, SelectionAndDisabledCells) {
  Recorder target;
  Matrix m;
  m.setTarget(&target, "matrixChanged:");
  m.cells() = {{"Public", true, 10}, {"Private", true, 20}, {"Locked", false, 30}};
  EXPECT_EQ(m.selectedRow(), -1);
  EXPECT_EQ(m.selectedTag(), -1);
  EXPECT_TRUE(m.selectCellAtRow(1));
  EXPECT_EQ(m.selectedTag(), 20);
  EXPECT_FALSE(m.selectCellAtRow(3));
  EXPECT_FALSE(m.selectCellAtRow(-1));
  EXPECT_EQ(m.selectedRow(), 1);
  EXPECT_EQ(m.cellAtRow(3), nullptr);

  m.performClickOnRow(2);  // disabled cell
  EXPECT_EQ(m.selectedRow(), 1);
  EXPECT_TRUE(target.calls.empty());
  m.performClickOnRow(0);
  EXPECT_EQ(m.selectedRow(), 0);
  ASSERT_EQ(target.calls.size(), 1u);
  EXPECT_EQ(target.calls[0].sender, &m);

  m.setEnabled(false);
  m.performClickOnRow(1);
  EXPECT_EQ(m.selectedRow(), 0);
  EXPECT_EQ(target.calls.size(), 1u);
  // The program may still select a disabled cell.
  EXPECT_TRUE(m.selectCellAtRow(2));
}

// ---- Text fields ----

TEST(FieldEditorTest, SelectionIsClampedAndInsertReplacesIt) {
  FieldEditor e;
  e.setString(u"abcdef");
  EXPECT_EQ(e.selectedRange(), (FieldEditor::Range{6, 0}));
  e.setSelectedRange({2, 100});
  EXPECT_EQ(e.selectedRange(), (FieldEditor::Range{2, 4}));
  e.setSelectedRange({-3, 2});
  EXPECT_EQ(e.selectedRange(), (FieldEditor::Range{0, 2}));
  e.setSelectedRange({9, 1});
  EXPECT_EQ(e.selectedRange(), (FieldEditor::Range{6, 0}));
  e.setSelectedRange({1, 3});
  e.insertText(u"XY");
  EXPECT_EQ(e.string(), u"aXYef");
  EXPECT_EQ(e.selectedRange(), (FieldEditor::Range{3, 0}));
}

// A field that refuses more than `limit` UTF-16 units: it puts the last
// accepted text back and moves the caret back by the refused amount, the way
// the validated fields do.
class LimitedField : public TextField {
 public:
  explicit LimitedField(size_t limit) : limit_(limit) {}
  bool textShouldBeginEditing(FieldEditor* editor) override {
    ++begins;
    old_ = stringValue();
    seen_editor = editor;
    return allow_begin;
  }
  void textDidChange(FieldEditor* editor) override {
    ++changes;
    snapshots.push_back(editor->string());
    if (editor->string().size() > limit_) {
      int caret = editor->selectedRange().location;
      int refused = static_cast<int>(editor->string().size());
      setStringValue(old_);
      int restored = static_cast<int>(editor->string().size());
      editor->setSelectedRange({caret - refused + restored, 0});
      return;
    }
    old_ = stringValue();
  }
  bool textShouldEndEditing(FieldEditor*) override {
    ++ends;
    return allow_end;
  }
  int begins = 0, changes = 0, ends = 0;
  bool allow_begin = true, allow_end = true;
  FieldEditor* seen_editor = nullptr;
  std::vector<std::u16string> snapshots;

 private:
  size_t limit_;
  std::string old_;
};

TEST(TextFieldTest, BeginEditingRefusedWhenDisabledOrNotEditable) {
  LimitedField f(10);
  f.setEnabled(false);
  EXPECT_FALSE(f.beginEditing());
  f.setEnabled(true);
  f.setEditable(false);
  EXPECT_FALSE(f.beginEditing());
  EXPECT_EQ(f.begins, 0);
  f.setEditable(true);
  f.allow_begin = false;
  EXPECT_FALSE(f.beginEditing());
  EXPECT_EQ(f.currentEditor(), nullptr);
  f.typeText("abc");
  EXPECT_EQ(f.stringValue(), "");
  EXPECT_EQ(f.changes, 0);
  f.allow_begin = true;
  EXPECT_TRUE(f.beginEditing());
  EXPECT_EQ(f.seen_editor, f.currentEditor());  // the hook sees the live editor
}

TEST(TextFieldTest, TypingIsOneChangePerCharacterAndReplacesTheOldText) {
  LimitedField f(100);
  f.setStringValue("old");
  f.typeText("ab\xE3\x81\x82");  // "abあ"
  EXPECT_EQ(f.changes, 3);
  EXPECT_EQ(f.snapshots, (std::vector<std::u16string>{u"a", u"ab", u"ab\u3042"}));
  EXPECT_EQ(f.stringValue(), "ab\xE3\x81\x82");
  EXPECT_EQ(f.begins, 1);
  EXPECT_EQ(f.ends, 1);
  EXPECT_EQ(f.currentEditor(), nullptr);  // the session it began is over
}

TEST(TextFieldTest, RevertingSubclassRestoresTextAndMovesTheCaret) {
  LimitedField f(4);
  ASSERT_TRUE(f.beginEditing());
  f.insertText("abc");
  FieldEditor* e = f.currentEditor();
  ASSERT_NE(e, nullptr);
  e->setSelectedRange({1, 0});
  f.insertText("XYZ");  // "aXYZbc" is too long: back to "abc", caret at 4-6+3 = 1
  EXPECT_EQ(f.stringValue(), "abc");
  EXPECT_EQ(e->string(), u"abc");
  EXPECT_EQ(e->selectedRange(), (FieldEditor::Range{1, 0}));
  f.insertText("d");
  EXPECT_EQ(f.stringValue(), "adbc");
  EXPECT_EQ(e->selectedRange(), (FieldEditor::Range{2, 0}));

  // Typing keeps the session when it was already open; the fifth character
  // is refused.
  f.typeText("vwxyz");
  EXPECT_EQ(f.stringValue(), "vwxy");
  EXPECT_NE(f.currentEditor(), nullptr);
  f.endEditing();
  EXPECT_EQ(f.currentEditor(), nullptr);
  EXPECT_EQ(f.stringValue(), "vwxy");
}

TEST(TextFieldTest, SelectionCountsUtf16UnitsWithNonBmpCharacters) {
  LimitedField f(100);
  ASSERT_TRUE(f.beginEditing());
  f.insertText(
      "a\xF0\x9F\x98\x80"
      "b");  // a, U+1F600, b
  FieldEditor* e = f.currentEditor();
  EXPECT_EQ(e->string().size(), 4u);
  EXPECT_EQ(e->selectedRange(), (FieldEditor::Range{4, 0}));
  e->setSelectedRange({1, 2});  // the surrogate pair
  f.insertText("c");
  EXPECT_EQ(f.stringValue(), "acb");
  EXPECT_EQ(e->selectedRange(), (FieldEditor::Range{2, 0}));

  f.endEditing();
  f.snapshots.clear();
  f.typeText("\xF0\xA0\x80\x8Bx");  // U+2000B is one character: one change
  EXPECT_EQ(f.snapshots, (std::vector<std::u16string>{u"\U0002000B", u"\U0002000Bx"}));
}

TEST(TextFieldTest, SetStringValueWhileEditingMovesTheEditor) {
  TextField f;
  ASSERT_TRUE(f.beginEditing());
  f.setStringValue("hello");
  EXPECT_EQ(f.currentEditor()->string(), u"hello");
  EXPECT_EQ(f.currentEditor()->selectedRange(), (FieldEditor::Range{5, 0}));
  f.endEditing();
  f.setStringValue("after");
  EXPECT_EQ(f.stringValue(), "after");
}

TEST(TextFieldTest, EndingIsAskedAndAbortingRestores) {
  LimitedField f(100);
  f.setStringValue("keep");
  f.allow_end = false;
  ASSERT_TRUE(f.beginEditing());
  f.insertText("new");
  f.endEditing();
  EXPECT_EQ(f.ends, 1);
  EXPECT_NE(f.currentEditor(), nullptr);  // refused: still editing
  f.abortEditing();
  EXPECT_EQ(f.ends, 1);  // not asked
  EXPECT_EQ(f.currentEditor(), nullptr);
  EXPECT_EQ(f.stringValue(), "keep");
}

TEST(TextFieldTest, IntValueParsesLeadingNumber) {
  TextField f;
  EXPECT_EQ(f.intValue(), 0);
  f.setStringValue("  42abc");
  EXPECT_EQ(f.intValue(), 42);
  f.setStringValue("-7");
  EXPECT_EQ(f.intValue(), -7);
  f.setStringValue("x1");
  EXPECT_EQ(f.intValue(), 0);
  f.setStringValue("99999999999");
  EXPECT_EQ(f.intValue(), 2147483647);
}

TEST(TextFieldTest, LabelColourAndEnabledStateAreIndependent) {
  TextField label;
  label.setEditable(false);
  label.setBezeled(false);
  EXPECT_EQ(label.textColor(), Color::controlText());
  label.setTextColor(Color::disabledControlText());
  EXPECT_TRUE(label.isEnabled());
  EXPECT_EQ(label.textColor().name, "disabledControlTextColor");
  label.setEnabled(false);
  EXPECT_EQ(label.textColor(), Color::disabledControlText());
  label.setTextColor(Color::rgb(0.2, 0.3, 0.4));
  EXPECT_FALSE(label.isEnabled());
  label.setEnabled(true);
  EXPECT_EQ(label.textColor(), Color::rgb(0.2, 0.3, 0.4));
  EXPECT_FALSE(label.beginEditing());  // a label is not editable

  SecureTextField secure;
  EXPECT_TRUE(secure.isSecure());
  EXPECT_FALSE(label.isSecure());
}

// ---- Tab views ----

TEST(TabViewTest, SelectingShowsOnlyThatPage) {
  TabView tabs;
  View image, text, graphics;
  tabs.tabViewItems() = {{"Image", &image}, {"Text", &text}, {"Graphics", &graphics}};
  EXPECT_EQ(tabs.indexOfSelectedTabViewItem(), -1);
  tabs.selectTabViewItemAtIndex(1);
  EXPECT_EQ(tabs.indexOfSelectedTabViewItem(), 1);
  EXPECT_TRUE(image.isHidden());
  EXPECT_FALSE(text.isHidden());
  EXPECT_TRUE(graphics.isHidden());
  tabs.selectTabViewItemAtIndex(3);
  tabs.selectTabViewItemAtIndex(-1);
  EXPECT_EQ(tabs.indexOfSelectedTabViewItem(), 1);
  EXPECT_FALSE(text.isHidden());
  EXPECT_EQ(tabs.numberOfTabViewItems(), 3);
}

// ---- Table views ----

class Rows : public TableViewDataSource {
 public:
  int numberOfRowsInTableView(TableView*) override { return static_cast<int>(names.size()); }
  plist::Value objectValueForTableColumn(TableView*, std::string_view column, int row) override {
    return column == "filename" ? plist::Value(names[static_cast<size_t>(row)]) : plist::Value("");
  }
  void setObjectValue(TableView*, const plist::Value& value, std::string_view column, int row) override {
    edits.push_back(std::string(column) + "@" + std::to_string(row) + "=" +
                    (value.string() ? *value.string() : "?"));
  }
  bool shouldSelectRow(TableView*, int row) override {
    asked.push_back(row);
    return row != refuse_row;
  }
  bool selectionShouldChange(TableView*) override { return !frozen; }
  void selectionDidChange(TableView* t) override { changes.push_back(t->selectedRow()); }

  std::vector<std::string> names{"a.icc", "b.icc", "c.icc"};
  std::vector<std::string> edits;
  std::vector<int> asked, changes;
  int refuse_row = -99;
  bool frozen = false;
};

TEST(TableViewTest, SelectionAsksAndTellsTheDelegate) {
  TableView table;
  EXPECT_EQ(table.numberOfRows(), 0);
  EXPECT_FALSE(table.selectRow(0));
  Rows rows;
  table.setDataSource(&rows);
  EXPECT_EQ(table.numberOfRows(), 3);

  EXPECT_TRUE(table.selectRow(1));
  EXPECT_EQ(rows.asked, std::vector<int>{1});
  EXPECT_EQ(rows.changes, std::vector<int>{1});
  EXPECT_FALSE(table.selectRow(1));  // no change
  EXPECT_FALSE(table.selectRow(3));
  EXPECT_FALSE(table.selectRow(-2));

  rows.refuse_row = 2;
  EXPECT_FALSE(table.selectRow(2));
  EXPECT_EQ(table.selectedRow(), 1);

  rows.frozen = true;
  EXPECT_FALSE(table.selectRow(0));
  EXPECT_FALSE(table.selectRow(-1));
  EXPECT_EQ(table.selectedRow(), 1);
  rows.frozen = false;

  EXPECT_TRUE(table.selectRow(-1));  // deselecting does not ask about a row
  EXPECT_EQ(rows.asked, (std::vector<int>{1, 2}));
  EXPECT_EQ(rows.changes, (std::vector<int>{1, -1}));
}

TEST(TableViewTest, ReloadDropsASelectionPastTheEnd) {
  TableView table;
  Rows rows;
  table.setDataSource(&rows);
  ASSERT_TRUE(table.selectRow(2));
  rows.names.pop_back();
  table.reloadData();
  EXPECT_EQ(table.selectedRow(), -1);
  EXPECT_EQ(rows.changes, (std::vector<int>{2, -1}));
  ASSERT_TRUE(table.selectRow(0));
  table.reloadData();
  EXPECT_EQ(table.selectedRow(), 0);
}

TEST(TableViewTest, EditsReachTheDataSourceForEditableColumnsOnly) {
  TableView table;
  Rows rows;
  table.setDataSource(&rows);
  table.columns() = {{"inmenu", "", true}, {"filename", "File", false}};
  table.editCell("inmenu", 1, plist::Value("on"));
  table.editCell("filename", 1, plist::Value("x"));  // not editable
  table.editCell("nosuch", 1, plist::Value("x"));
  table.editCell("inmenu", 3, plist::Value("x"));  // no such row
  table.setEnabled(false);
  table.editCell("inmenu", 0, plist::Value("x"));
  EXPECT_EQ(rows.edits, std::vector<std::string>{"inmenu@1=on"});
  ASSERT_NE(table.columnWithIdentifier("filename"), nullptr);
  EXPECT_EQ(table.columnWithIdentifier("filename")->title, "File");
}

// ---- View hierarchy ----

TEST(ViewTest, ReplaceSubviewKeepsThePlace) {
  View root, a, b, c, fresh;
  root.addSubview(&a);
  root.addSubview(&b);
  root.addSubview(&c);
  root.replaceSubview(&b, &fresh);
  EXPECT_EQ(root.subviews(), (std::vector<View*>{&a, &fresh, &c}));
  EXPECT_EQ(fresh.superview(), &root);
  EXPECT_EQ(b.superview(), nullptr);

  View stranger;
  root.replaceSubview(&stranger, &b);  // not a subview: nothing happens
  EXPECT_EQ(root.subviews(), (std::vector<View*>{&a, &fresh, &c}));
  EXPECT_EQ(b.superview(), nullptr);

  // The replacement leaves its old place.
  root.replaceSubview(&a, &c);
  EXPECT_EQ(root.subviews(), (std::vector<View*>{&c, &fresh}));
}

TEST(ViewTest, AddRemoveAndDescendants) {
  View root, mid, leaf;
  root.addSubview(&mid);
  mid.addSubview(&leaf);
  EXPECT_TRUE(leaf.isDescendantOf(&root));
  EXPECT_TRUE(root.isDescendantOf(&root));
  EXPECT_FALSE(root.isDescendantOf(&leaf));
  leaf.addSubview(&root);  // would be a cycle
  EXPECT_EQ(root.superview(), nullptr);
  root.addSubview(&leaf);  // moves
  EXPECT_TRUE(mid.subviews().empty());
  EXPECT_EQ(leaf.superview(), &root);
  leaf.removeFromSuperview();
  EXPECT_EQ(root.subviews(), std::vector<View*>{&mid});
  {
    View temp;
    mid.addSubview(&temp);
  }
  EXPECT_TRUE(mid.subviews().empty());  // a destroyed view leaves
}

}  // namespace
}  // namespace platform::ui
