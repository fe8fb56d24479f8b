#include "platform/ui/view.h"

#include <unicode/utf16.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/utf8.h"
#include "platform/wipe.h"

namespace platform::ui {

// ---- View ----

View::~View() {
  // The owning description may destroy views in any order; leave no dangling
  // links behind in either direction.
  removeFromSuperview();
  for (View* child : subviews_) child->superview_ = nullptr;
}

void View::addSubview(View* v) {
  if (v == nullptr || isDescendantOf(v)) return;  // would make a cycle
  v->removeFromSuperview();
  subviews_.push_back(v);
  v->superview_ = this;
}

void View::replaceSubview(View* old_view, View* new_view) {
  if (old_view == nullptr || old_view == new_view || old_view->superview_ != this) return;
  if (new_view != nullptr) {
    if (isDescendantOf(new_view)) return;
    new_view->removeFromSuperview();
  }
  auto it = std::find(subviews_.begin(), subviews_.end(), old_view);
  old_view->superview_ = nullptr;
  if (new_view == nullptr) {
    subviews_.erase(it);
    return;
  }
  *it = new_view;
  new_view->superview_ = this;
}

void View::removeFromSuperview() {
  if (superview_ == nullptr) return;
  auto& siblings = superview_->subviews_;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  superview_ = nullptr;
}

bool View::isDescendantOf(const View* v) const {
  for (const View* p = this; p != nullptr; p = p->superview_)
    if (p == v) return true;
  return false;
}

// ---- Control ----

bool Control::sendAction() {
  if (target_ == nullptr || action_.empty()) return false;
  return target_->performAction(action_, this);
}

// ---- PopUpButton ----

MenuItem* PopUpButton::itemAtIndex(int i) {
  if (i < 0 || i >= numberOfItems()) return nullptr;
  return &items_[static_cast<size_t>(i)];
}

const MenuItem* PopUpButton::itemAtIndex(int i) const {
  if (i < 0 || i >= numberOfItems()) return nullptr;
  return &items_[static_cast<size_t>(i)];
}

void PopUpButton::addItemWithTitle(std::string title) {
  insertItemWithTitle(std::move(title), numberOfItems());
}

void PopUpButton::insertItemWithTitle(std::string title, int index) {
  if (index < 0 || index > numberOfItems()) return;
  bool was_empty = items_.empty();
  MenuItem item;
  item.title = std::move(title);
  items_.insert(items_.begin() + index, std::move(item));
  if (was_empty && selected_ < 0)
    selected_ = 0;  // a pop-up shows its first item once it has one
  else if (selected_ >= index)
    ++selected_;
}

void PopUpButton::removeItemAtIndex(int index) {
  if (index < 0 || index >= numberOfItems()) return;
  items_.erase(items_.begin() + index);
  if (index == selected_)
    selected_ = -1;
  else if (index < selected_)
    --selected_;
}

void PopUpButton::removeAllItems() {
  items_.clear();
  selected_ = -1;
}

int PopUpButton::indexOfItemWithTitle(std::string_view title) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].title == title) return static_cast<int>(i);
  return -1;
}

int PopUpButton::indexOfItemWithRepresentedObject(const plist::Value& v) const {
  if (v.isNone()) return -1;  // "no object" matches nothing
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].representedObject == v) return static_cast<int>(i);
  return -1;
}

void PopUpButton::selectItemAtIndex(int index) {
  selected_ = (index >= 0 && index < numberOfItems()) ? index : -1;
}

void PopUpButton::selectItemWithTitle(std::string_view title) { selected_ = indexOfItemWithTitle(title); }

std::string PopUpButton::titleOfSelectedItem() const {
  const MenuItem* item = selectedItem();
  return item ? item->title : std::string();
}

bool PopUpButton::isItemSelectable(int index) const {
  const MenuItem* item = itemAtIndex(index);
  return item != nullptr && (autoenables_ || item->enabled);
}

bool PopUpButton::chooseItemAtIndex(int index) {
  if (!isEnabled() || !isItemSelectable(index)) return false;
  selected_ = index;
  sendAction();
  return true;
}

// ---- Button ----

void Button::setState(int s) {
  if (s == kOffState)
    state_ = kOffState;
  else if (s == kMixedState && allows_mixed_)
    state_ = kMixedState;
  else
    state_ = kOnState;
}

void Button::performClick() {
  if (!isEnabled()) return;
  switch (type_) {
    case Type::kSwitch:
      if (state_ == kOffState)
        state_ = kOnState;
      else if (state_ == kOnState && allows_mixed_)
        state_ = kMixedState;
      else
        state_ = kOffState;
      break;
    case Type::kRadio:
      state_ = kOnState;
      // Radio buttons sharing a superview and an action form one group.
      if (View* parent = superview()) {
        for (View* sibling : parent->subviews()) {
          auto* other = dynamic_cast<Button*>(sibling);
          if (other != nullptr && other != this && other->type_ == Type::kRadio &&
              other->action() == action())
            other->state_ = kOffState;
        }
      }
      break;
    case Type::kPush:
      break;
  }
  sendAction();
}

// ---- Matrix ----

bool Matrix::selectCellAtRow(int row) {
  if (row < 0 || row >= numberOfRows()) return false;
  selected_ = row;
  return true;
}

Matrix::Cell* Matrix::cellAtRow(int row) {
  if (row < 0 || row >= numberOfRows()) return nullptr;
  return &cells_[static_cast<size_t>(row)];
}

int Matrix::selectedTag() const {
  if (selected_ < 0 || selected_ >= numberOfRows()) return -1;
  return cells_[static_cast<size_t>(selected_)].tag;
}

void Matrix::performClickOnRow(int row) {
  Cell* cell = cellAtRow(row);
  if (!isEnabled() || cell == nullptr || !cell->enabled) return;
  selected_ = row;
  sendAction();
}

// ---- FieldEditor ----

void FieldEditor::setString(std::u16string s) {
  text_ = std::move(s);
  sel_ = {static_cast<int>(text_.size()), 0};
}

void FieldEditor::setSelectedRange(Range r) {
  int size = static_cast<int>(text_.size());
  r.location = std::clamp(r.location, 0, size);
  r.length = std::clamp(r.length, 0, size - r.location);
  sel_ = r;
}

void FieldEditor::insertText(std::u16string_view s) {
  setSelectedRange(sel_);  // the text may have been replaced under the selection
  text_.replace(static_cast<size_t>(sel_.location), static_cast<size_t>(sel_.length), s);
  sel_ = {sel_.location + static_cast<int>(s.size()), 0};
}

void FieldEditor::wipe() {
  WipeString(text_);
  sel_ = {};
}

// ---- TextField ----

void TextField::wipeText() {
  WipeString(value_);
  WipeString(pre_edit_value_);
  editor_.wipe();
}

void TextField::setStringValue(std::string s) {
  value_ = std::move(s);
  if (editing_) editor_.setString(ToUtf16(value_));
}

int TextField::intValue() const {
  // Like the toolkit: leading white space, an optional sign and digits; 0 when
  // there are none, clamped to the int range.
  const char* p = value_.c_str();
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(p, &end, 10);
  if (end == p) return 0;
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

bool TextField::textShouldBeginEditing(FieldEditor* /*editor*/) { return true; }
void TextField::textDidChange(FieldEditor* /*editor*/) {}
bool TextField::textShouldEndEditing(FieldEditor* /*editor*/) { return true; }

bool TextField::beginEditing() {
  if (editing_) return true;
  if (!isEnabled() || !editable_) return false;
  pre_edit_value_ = value_;
  editor_.setString(ToUtf16(value_));
  editor_.setSelectedRange({0, static_cast<int>(editor_.string().size())});
  editing_ = true;  // the hook may already ask for currentEditor()
  if (!textShouldBeginEditing(&editor_)) {
    editing_ = false;
    return false;
  }
  return true;
}

void TextField::applyChange(std::u16string_view text) {
  editor_.insertText(text);
  value_ = ToUtf8(editor_.string());
  textDidChange(&editor_);
  // The hook may have rewritten the editor's text directly.
  if (editing_) value_ = ToUtf8(editor_.string());
}

void TextField::insertText(std::string_view utf8) {
  if (!beginEditing()) return;
  applyChange(ToUtf16(utf8));
}

void TextField::typeText(std::string_view utf8) {
  bool started_here = !editing_;
  if (!beginEditing()) return;
  editor_.setSelectedRange({0, static_cast<int>(editor_.string().size())});
  std::u16string text = ToUtf16(utf8);
  // Nothing to type: the old text goes, as Delete on the selection does.
  if (text.empty() && !editor_.string().empty()) applyChange(u"");
  size_t i = 0;
  while (i < text.size() && editing_) {
    size_t start = i;
    char32_t c;
    U16_NEXT(text.data(), i, text.size(), c);
    (void)c;
    applyChange(std::u16string_view(text).substr(start, i - start));
  }
  if (started_here) endEditing();
}

void TextField::endEditing() {
  if (!editing_) return;
  if (!textShouldEndEditing(&editor_)) return;  // the field keeps the focus
  if (editing_) value_ = ToUtf8(editor_.string());
  editing_ = false;
}

void TextField::abortEditing() {
  if (!editing_) return;
  editing_ = false;
  value_ = pre_edit_value_;
}

// ---- TabView ----

void TabView::selectTabViewItemAtIndex(int i) {
  if (i < 0 || i >= numberOfTabViewItems()) return;
  selected_ = i;
  // Only the chosen page is on screen.
  for (size_t k = 0; k < items_.size(); ++k)
    if (items_[k].view != nullptr) items_[k].view->setHidden(static_cast<int>(k) != i);
}

// ---- TableView ----

int TableView::numberOfRows() const {
  if (data_source_ == nullptr) return 0;
  return std::max(0, data_source_->numberOfRowsInTableView(const_cast<TableView*>(this)));
}

bool TableView::selectRow(int row) {
  if (row == selected_) return false;
  if (row < -1 || row >= numberOfRows()) return false;
  if (data_source_ != nullptr) {
    if (!data_source_->selectionShouldChange(this)) return false;
    if (row >= 0 && !data_source_->shouldSelectRow(this, row)) return false;
  }
  selected_ = row;
  if (data_source_ != nullptr) data_source_->selectionDidChange(this);
  return true;
}

void TableView::deselectAll() {
  if (selected_ < 0) return;
  selected_ = -1;
  if (data_source_ != nullptr) data_source_->selectionDidChange(this);
}

void TableView::reloadData() {
  if (selected_ >= numberOfRows()) {
    selected_ = -1;
    if (data_source_ != nullptr) data_source_->selectionDidChange(this);
  }
}

const TableView::Column* TableView::columnWithIdentifier(std::string_view identifier) const {
  for (const Column& c : columns_)
    if (c.identifier == identifier) return &c;
  return nullptr;
}

TableView::Column* TableView::columnWithIdentifier(std::string_view identifier) {
  for (Column& c : columns_)
    if (c.identifier == identifier) return &c;
  return nullptr;
}

void TableView::editCell(std::string_view column, int row, const plist::Value& value) {
  const Column* c = columnWithIdentifier(column);
  if (data_source_ == nullptr || c == nullptr || !c->editable || !isEnabled()) return;
  if (row < 0 || row >= numberOfRows()) return;
  data_source_->setObjectValue(this, value, column, row);
}

}  // namespace platform::ui
