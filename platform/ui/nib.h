// Interface descriptions: Qt Designer ".ui" XML files loaded by name from a
// bundle's resources, creating the headless controls of view.h.
//
// Classes: QWidget → View, QComboBox → PopUpButton (its <item>s become menu
// items), QCheckBox → Button (switch), QPushButton → Button (push),
// QRadioButton → Button (radio), QLabel → TextField (label), QLineEdit →
// TextField (SecureTextField with echoMode QLineEdit::Password), QTabWidget →
// TabView (each child page is a tab, labelled by its "title" attribute),
// QGroupBox → Box, QTableWidget/QTableView → TableView (columns from
// <column>s), "Matrix" → Matrix (its QRadioButton children become its cells).
// Any other class must be registered in the ClassRegistry; a registered class
// may create a View (added to the hierarchy) or a plain Object (kept, not
// shown). The top-level widget is the description's top view.
//
// Properties read: geometry, text/title, enabled, visible (hidden), checked,
// tristate, editable/readOnly, currentIndex, toolTip is ignored.
// Wiring: outlets are object names (every named object is offered to the owner
// and to every object of a registered class through setOutlet); actions are
// <connection>s whose <slot> is the selector and whose <receiver> is an object
// name or "owner".
//
// Also understood: QDialog and QMainWindow → Window (its widgets go into an
// unnamed content view; "windowTitle" is its title; a window is kept, not
// added to the view tree); widgets inside <layout>s belong to the enclosing
// widget; a registered class named in <customwidgets> with an <extends>
// built-in class is read like that class (a QLabel-based one is a label);
// the dynamic properties "tag" (a control's tag, a combo item's tag, a matrix
// cell's tag), "dataSource" on a table (an object name or "owner" that is a
// TableViewDataSource), and "identifier"/"editable" on a table <column>
// (identifier defaults to the column's text). Without currentIndex a combo box
// selects its first item, a tab view its first page and a Matrix its first
// checked cell (else the first). Registered objects are also offered the owner
// as outlet "owner". awakeFromNib goes to the created objects, not the owner.
// Errors name the line: unknown class, duplicate object name, a connection
// from or to an unknown object or from a non-control, malformed XML.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/object.h"
#include "platform/ui/view.h"

namespace platform {
class Bundle;
}

namespace platform::ui {

class ClassRegistry {
 public:
  using Factory = std::function<std::unique_ptr<Object>()>;
  void add(std::string class_name, Factory factory) { factories_[std::move(class_name)] = std::move(factory); }
  // The class made by its default constructor.
  template <class T>
  void add(std::string class_name) {
    add(std::move(class_name), [] { return std::make_unique<T>(); });
  }
  const Factory* find(std::string_view class_name) const;

 private:
  std::map<std::string, Factory, std::less<>> factories_;
};

class Nib {
 public:
  // Loads "<name>.ui" from the bundle's resources. nullptr and *error (file,
  // what went wrong) when the file is missing or malformed or names a class
  // that is neither built in nor registered.
  static std::unique_ptr<Nib> Load(const Bundle& bundle, std::string_view name, Object* owner,
                                   const ClassRegistry& classes, std::string* error);
  // The same from XML text (tests).
  static std::unique_ptr<Nib> LoadFromString(std::string_view xml, Object* owner,
                                             const ClassRegistry& classes, std::string* error);

  View* topView() const { return top_; }
  // The object with this name, or nullptr.
  Object* find(std::string_view name) const;
  template <class T>
  T* find(std::string_view name) const {
    return dynamic_cast<T*>(find(name));
  }
  // Every object, in document order.
  const std::vector<std::unique_ptr<Object>>& objects() const { return objects_; }

 private:
  Nib() = default;
  std::vector<std::unique_ptr<Object>> objects_;
  std::map<std::string, Object*, std::less<>> by_name_;
  View* top_ = nullptr;
};

}  // namespace platform::ui
