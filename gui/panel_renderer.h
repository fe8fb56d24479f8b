// Renders a picture of headless controls (ControlState) as Qt widgets with
// the interface description's geometry, and turns what the user does to the
// widgets into UserActions for the plug-in thread. Each render brings the
// widgets up to the picture: enabled, hidden, items, selection, text, colour
// and the view tree itself (a pane swapped into a container moves there).
// Widgets carry the control's object name. The geometry grows with the
// texts: a button, check box or one-line label wider than its frame widens,
// and what lies to its right moves along (Japanese labels never wrap inside
// a word). Every input gets the label beside it as its accessible name and
// that label as its buddy; labels and buttons get mnemonics; radio buttons
// act and read as radio buttons; check-box columns of tables are check
// boxes. The tab order follows the reading order (tabOrder()).
#pragma once

#include <QWidget>
#include <functional>
#include <unordered_map>
#include <unordered_set>

#include "host/control_snapshot.h"
#include "host/user_action.h"

namespace gui {

class PanelRenderer : public QWidget {
 public:
  using ActionSink = std::function<void(const host::UserAction&)>;
  explicit PanelRenderer(ActionSink sink, QWidget* parent = nullptr);

  // Letters the window's own labels and buttons use: no mnemonic here takes
  // them. Push buttons of a panel in a window with a default button should
  // leave Enter to it (autoDefault off).
  void setReservedMnemonics(const QString& letters) { reserved_ = letters.toLower(); }
  void setButtonsTakeEnter(bool take) { buttonsTakeEnter_ = take; }

  // Answers whether the widgets or their order changed (the window then
  // chains its tab order anew).
  bool render(const host::ControlState& root);
  // The widget of the control with this object name, or nullptr.
  QWidget* widgetNamed(const QString& name) const;
  // The widgets that take focus, in reading order.
  const std::vector<QWidget*>& tabOrder() const { return order_; }

 private:
  struct Entry {
    QWidget* widget = nullptr;
    host::ControlState last;  // children left out
    bool fresh = true;
  };
  QWidget* sync(const host::ControlState& s, QWidget* parent, std::unordered_set<std::uintptr_t>* seen);
  QWidget* create(const host::ControlState& s, QWidget* parent);
  void apply(const host::ControlState& s, Entry& e);
  void applyTable(const host::ControlState& s, Entry& e);
  void syncTabs(const host::ControlState& s, QWidget* tabs, std::unordered_set<std::uintptr_t>* seen);
  void arrange(QWidget* root);
  // Widens what its text needs inside w; answers how much wider w's
  // contents became.
  int grow(QWidget* w);
  int neededWidth(QWidget* w);
  void assignMnemonics();
  QString plainText(QWidget* w) const;  // its text without a mnemonic
  void emitAction(host::UserAction a);

  ActionSink sink_;
  std::unordered_map<std::uintptr_t, Entry> entries_;
  QWidget* rootWidget_ = nullptr;
  bool updating_ = false;  // widget changes made by render are no user actions
  bool structureChanged_ = false;
  bool buttonsTakeEnter_ = true;
  QString reserved_;
  std::vector<QWidget*> order_;                   // focusable, in reading order
  std::vector<QWidget*> reading_;                 // labels and buttons, in reading order
  std::unordered_map<QWidget*, QChar> mnemonic_;  // chosen letters, kept across renders
};

// The text with `letter` marked as its mnemonic ("&" before it, or "(&L)"
// when the text lacks it, before a final colon); other "&" shown as such.
QString WithMnemonic(const QString& text, QChar letter);
// A letter for the text's mnemonic not in `used` (lower case): the start of
// a word first, then any letter or digit of the text, then any free letter
// (for texts without Latin letters); a null QChar when none is free.
QChar ChooseMnemonic(const QString& text, const QString& used);
// The text a person reads: WithMnemonic undone.
QString WithoutMnemonic(QString text);

}  // namespace gui
