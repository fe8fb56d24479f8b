// Renders a picture of headless controls (ControlState) as Qt widgets with
// the interface description's geometry, and turns what the user does to the
// widgets into UserActions for the plug-in thread. Each render brings the
// widgets up to the picture: enabled, hidden, items, selection, text, colour
// and the view tree itself (a pane swapped into a container moves there).
// Widgets carry the control's object name; every input widget gets the label
// beside it as its accessible name, and the tab order follows the layout.
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

  void render(const host::ControlState& root);
  // The widget of the control with this object name, or nullptr.
  QWidget* widgetNamed(const QString& name) const;

 private:
  struct Entry {
    QWidget* widget = nullptr;
    host::ControlState last;  // children left out
    bool fresh = true;
  };
  QWidget* sync(const host::ControlState& s, QWidget* parent, std::unordered_set<std::uintptr_t>* seen);
  QWidget* create(const host::ControlState& s, QWidget* parent);
  void apply(const host::ControlState& s, Entry& e);
  void syncTabs(const host::ControlState& s, QWidget* tabs, std::unordered_set<std::uintptr_t>* seen);
  void arrange(QWidget* root);
  void emitAction(host::UserAction a);

  ActionSink sink_;
  std::unordered_map<std::uintptr_t, Entry> entries_;
  QWidget* rootWidget_ = nullptr;
  bool updating_ = false;  // widget changes made by render are no user actions
  bool structureChanged_ = false;
};

}  // namespace gui
