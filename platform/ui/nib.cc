#include "platform/ui/nib.h"

#include <cstdlib>
#include <pugixml.hpp>
#include <set>

#include "platform/bundle.h"
#include "platform/file_util.h"
#include "platform/ui/window.h"

namespace platform::ui {

const ClassRegistry::Factory* ClassRegistry::find(std::string_view class_name) const {
  auto it = factories_.find(class_name);
  return it == factories_.end() ? nullptr : &it->second;
}

namespace {

// What a built-in Qt class becomes.
enum class Kind {
  kView,
  kPopUp,
  kSwitch,
  kPush,
  kRadio,
  kLabel,
  kLineEdit,
  kTab,
  kBox,
  kTable,
  kMatrix,
  kWindow
};

template <class T, auto... args>
std::unique_ptr<Object> Make() {
  return std::make_unique<T>(args...);
}

struct BuiltIn {
  Kind kind;
  std::unique_ptr<Object> (*make)();
};

// The built-in class `cls`, or nullptr. A line edit is made a secure text
// field when its echo mode asks for it (see Build).
const BuiltIn* FindBuiltIn(std::string_view cls) {
  using B = Button::Type;
  static const std::map<std::string, BuiltIn, std::less<>> kBuiltIns = {
      {"QWidget", {Kind::kView, Make<View>}},
      {"QComboBox", {Kind::kPopUp, Make<PopUpButton>}},
      {"QCheckBox", {Kind::kSwitch, Make<Button, B::kSwitch>}},
      {"QPushButton", {Kind::kPush, Make<Button, B::kPush>}},
      {"QRadioButton", {Kind::kRadio, Make<Button, B::kRadio>}},
      {"QLabel", {Kind::kLabel, Make<TextField>}},
      {"QLineEdit", {Kind::kLineEdit, Make<TextField>}},
      {"QTabWidget", {Kind::kTab, Make<TabView>}},
      {"QGroupBox", {Kind::kBox, Make<Box>}},
      {"QTableWidget", {Kind::kTable, Make<TableView>}},
      {"QTableView", {Kind::kTable, Make<TableView>}},
      {"Matrix", {Kind::kMatrix, Make<Matrix>}},
      {"QDialog", {Kind::kWindow, Make<Window>}},
      {"QMainWindow", {Kind::kWindow, Make<Window>}},
  };
  auto it = kBuiltIns.find(cls);
  return it == kBuiltIns.end() ? nullptr : &it->second;
}

std::string Text(pugi::xml_node n) { return n.child_value(); }

// The value node of <property name="...">, or an empty node.
pugi::xml_node PropertyValue(pugi::xml_node owner, std::string_view name) {
  for (pugi::xml_node p : owner.children("property"))
    if (name == p.attribute("name").value()) return p.first_child();
  return {};
}

std::string StringProperty(pugi::xml_node owner, std::string_view name, bool* present = nullptr) {
  pugi::xml_node v = PropertyValue(owner, name);
  if (present) *present = !v.empty();
  return v.empty() ? std::string() : Text(v);
}

class Loader {
 public:
  Loader(std::string_view xml, Object* owner, const ClassRegistry& classes)
      : xml_(xml), owner_(owner), classes_(classes) {}

  // Nib's constructor is private to everyone but its own factory functions;
  // the loader fills a Nib handed to it.
  bool Fill(std::vector<std::unique_ptr<Object>>* objects,
            std::map<std::string, Object*, std::less<>>* by_name, View** top);
  const std::string& error() const { return error_; }

 private:
  struct Deferred {
    pugi::xml_node node;
    Object* object;
  };

  bool Fail(pugi::xml_node at, const std::string& what);
  int LineOf(ptrdiff_t offset) const;

  bool ReadCustomWidgets(pugi::xml_node ui);
  // Creates the object of a <widget>, its properties and its children; adds a
  // view to `parent` when given. *out is the created object.
  bool Build(pugi::xml_node widget, View* parent, Object** out);
  bool BuildChildren(pugi::xml_node container, View* parent);
  bool Register(pugi::xml_node at, std::unique_ptr<Object> object, const std::string& name);
  bool ApplyProperties(pugi::xml_node widget, Object* object, Kind kind);
  bool BuildTabPages(pugi::xml_node widget, TabView* tabs);
  bool BuildMatrixCells(pugi::xml_node widget, Matrix* matrix);
  void BuildComboItems(pugi::xml_node widget, PopUpButton* popup);
  void BuildColumns(pugi::xml_node widget, TableView* table);
  bool Connect(pugi::xml_node connections);
  bool ResolveDataSources();
  void OfferOutlets();

  std::string_view xml_;
  Object* owner_;
  const ClassRegistry& classes_;
  std::string error_;

  std::map<std::string, std::string, std::less<>> extends_;  // custom class -> built-in base
  std::vector<std::unique_ptr<Object>>* objects_ = nullptr;
  std::map<std::string, Object*, std::less<>>* by_name_ = nullptr;
  std::vector<Object*> custom_;  // objects of registered classes
  std::vector<Deferred> data_sources_;
};

int Loader::LineOf(ptrdiff_t offset) const {
  if (offset < 0) return 0;
  int line = 1;
  for (size_t i = 0; i < xml_.size() && i < static_cast<size_t>(offset); ++i)
    if (xml_[i] == '\n') ++line;
  return line;
}

bool Loader::Fail(pugi::xml_node at, const std::string& what) {
  if (error_.empty()) {
    int line = at ? LineOf(at.offset_debug()) : 0;
    error_ = line > 0 ? "line " + std::to_string(line) + ": " + what : what;
  }
  return false;
}

bool Loader::ReadCustomWidgets(pugi::xml_node ui) {
  for (pugi::xml_node cw : ui.child("customwidgets").children("customwidget")) {
    std::string cls = Text(cw.child("class"));
    std::string base = Text(cw.child("extends"));
    if (!cls.empty() && !base.empty()) extends_[cls] = base;
  }
  return true;
}

bool Loader::Register(pugi::xml_node at, std::unique_ptr<Object> object, const std::string& name) {
  if (!name.empty()) {
    if (name == "owner") return Fail(at, "the object name \"owner\" is reserved for the owner");
    if (!by_name_->emplace(name, object.get()).second)
      return Fail(at, "duplicate object name \"" + name + "\"");
    object->setObjectName(name);
  }
  objects_->push_back(std::move(object));
  return true;
}

bool Loader::Build(pugi::xml_node widget, View* parent, Object** out) {
  std::string cls = widget.attribute("class").value();
  std::string name = widget.attribute("name").value();
  if (cls.empty()) return Fail(widget, "<widget> without a class");

  // Built-in classes first; a registered class may say which built-in class it
  // extends (<customwidgets>), which decides how its properties and children
  // are read.
  Kind kind = Kind::kView;
  std::unique_ptr<Object> object;
  bool custom = false;
  if (const BuiltIn* built_in = FindBuiltIn(cls)) {
    kind = built_in->kind;
    const bool secure =
        kind == Kind::kLineEdit && StringProperty(widget, "echoMode") == "QLineEdit::Password";
    object = secure ? std::make_unique<SecureTextField>() : built_in->make();
  } else if (const ClassRegistry::Factory* factory = classes_.find(cls)) {
    object = (*factory)();
    if (!object) return Fail(widget, "the factory of class \"" + cls + "\" made no object");
    custom = true;
    auto ext = extends_.find(cls);
    const BuiltIn* base = ext == extends_.end() ? nullptr : FindBuiltIn(ext->second);
    kind = base ? base->kind : Kind::kView;
  } else {
    return Fail(widget, "unknown class \"" + cls + "\"" +
                            (name.empty() ? "" : " of object \"" + name + "\"") +
                            " (neither built in nor registered)");
  }

  Object* obj = object.get();
  if (!Register(widget, std::move(object), name)) return false;
  if (custom) custom_.push_back(obj);
  if (out) *out = obj;

  auto* view = dynamic_cast<View*>(obj);
  auto* window = dynamic_cast<Window*>(obj);
  if (kind == Kind::kLabel) {
    if (auto* field = dynamic_cast<TextField*>(obj)) {
      field->setEditable(false);
      field->setBezeled(false);
    }
  }
  if (!ApplyProperties(widget, obj, kind)) return false;

  if (view != nullptr) {
    if (parent != nullptr) parent->addSubview(view);
    if (auto* tabs = dynamic_cast<TabView*>(view); tabs != nullptr) {
      if (!BuildTabPages(widget, tabs)) return false;
    } else if (auto* matrix = dynamic_cast<Matrix*>(view); matrix != nullptr) {
      if (!BuildMatrixCells(widget, matrix)) return false;
    } else {
      if (auto* popup = dynamic_cast<PopUpButton*>(view)) BuildComboItems(widget, popup);
      if (auto* table = dynamic_cast<TableView*>(view)) BuildColumns(widget, table);
      if (!BuildChildren(widget, view)) return false;
    }
  } else if (window != nullptr) {
    // A window's widgets live in its content view.
    auto content = std::make_unique<View>();
    View* content_view = content.get();
    if (!Register(widget, std::move(content), "")) return false;
    if (pugi::xml_node r = PropertyValue(widget, "geometry"); r && std::string_view(r.name()) == "rect") {
      double w = std::atof(Text(r.child("width")).c_str()), h = std::atof(Text(r.child("height")).c_str());
      content_view->setFrame({0, 0, w, h});
      content_view->setBounds({0, 0, w, h});
    }
    window->setContentView(content_view);
    if (!BuildChildren(widget, content_view)) return false;
  } else {
    // A plain object: kept and wired, never shown.
    for (pugi::xml_node child : widget.children())
      if (std::string_view(child.name()) == "widget" || std::string_view(child.name()) == "layout")
        return Fail(child,
                    "object \"" + name + "\" of class \"" + cls + "\" is no view and cannot hold widgets");
  }

  // The selection is read once the items or pages exist.
  bool has_index = false;
  std::string index_text = StringProperty(widget, "currentIndex", &has_index);
  if (has_index) {
    int index = std::atoi(index_text.c_str());
    if (auto* popup = dynamic_cast<PopUpButton*>(obj)) popup->selectItemAtIndex(index);
    if (auto* tabs = dynamic_cast<TabView*>(obj)) tabs->selectTabViewItemAtIndex(index);
  }
  if (auto* tabs = dynamic_cast<TabView*>(obj); tabs && tabs->indexOfSelectedTabViewItem() < 0)
    tabs->selectTabViewItemAtIndex(0);
  return true;
}

// Child widgets sit directly in the widget or inside (nested) layouts.
bool Loader::BuildChildren(pugi::xml_node container, View* parent) {
  for (pugi::xml_node child : container.children()) {
    std::string_view tag = child.name();
    if (tag == "widget") {
      if (!Build(child, parent, nullptr)) return false;
    } else if (tag == "layout" || tag == "item") {
      if (!BuildChildren(child, parent)) return false;
    }
  }
  return true;
}

bool Loader::ApplyProperties(pugi::xml_node widget, Object* object, Kind kind) {
  auto* view = dynamic_cast<View*>(object);
  auto* control = dynamic_cast<Control*>(object);
  auto* button = dynamic_cast<Button*>(object);
  auto* field = dynamic_cast<TextField*>(object);
  auto* box = dynamic_cast<Box*>(object);
  auto* window = dynamic_cast<Window*>(object);

  for (pugi::xml_node p : widget.children("property")) {
    std::string_view name = p.attribute("name").value();
    pugi::xml_node v = p.first_child();
    std::string_view type = v.name();
    std::string text = Text(v);
    bool flag = text == "true";
    if (name == "geometry") {
      if (type != "rect") return Fail(p, "property \"geometry\" is not a <rect>");
      Rect r{std::atof(Text(v.child("x")).c_str()), std::atof(Text(v.child("y")).c_str()),
             std::atof(Text(v.child("width")).c_str()), std::atof(Text(v.child("height")).c_str())};
      if (view) {
        view->setFrame(r);
        view->setBounds({0, 0, r.width, r.height});
      }
    } else if (name == "text") {
      if (button)
        button->setTitle(text);
      else if (field)
        field->setStringValue(text);
      else if (box)
        box->setTitle(text);
    } else if (name == "title") {
      if (box)
        box->setTitle(text);
      else if (button)
        button->setTitle(text);
      else if (window)
        window->setTitle(text);
    } else if (name == "windowTitle") {
      if (window) window->setTitle(text);
    } else if (name == "enabled") {
      if (control) control->setEnabled(flag);
    } else if (name == "accessibleName") {
      if (view) view->setAccessibilityLabel(text);
    } else if (name == "visible") {
      if (view) view->setHidden(!flag);
    } else if (name == "checked") {
      if (button) button->setState(flag ? Button::kOnState : Button::kOffState);
    } else if (name == "tristate") {
      if (button) button->setAllowsMixedState(flag);
    } else if (name == "editable") {
      if (field) field->setEditable(flag);
    } else if (name == "readOnly") {
      if (field && kind != Kind::kLabel) field->setEditable(!flag);
    } else if (name == "tag") {
      if (control) control->setTag(std::atoi(text.c_str()));
    } else if (name == "dataSource") {
      if (dynamic_cast<TableView*>(object)) data_sources_.push_back({p, object});
    }
    // Everything else (toolTip, fonts, size policies, ...) does not matter here.
  }
  return true;
}

bool Loader::BuildTabPages(pugi::xml_node widget, TabView* tabs) {
  for (pugi::xml_node page : widget.children("widget")) {
    Object* made = nullptr;
    if (!Build(page, tabs, &made)) return false;
    auto* page_view = dynamic_cast<View*>(made);
    if (page_view == nullptr) return Fail(page, "a tab page must be a view");
    std::string label = page.attribute("name").value();
    for (pugi::xml_node a : page.children("attribute"))
      if (std::string_view(a.attribute("name").value()) == "title") label = Text(a.first_child());
    tabs->tabViewItems().push_back({label, page_view});
  }
  return true;
}

bool Loader::BuildMatrixCells(pugi::xml_node widget, Matrix* matrix) {
  int checked = -1;
  for (pugi::xml_node child : widget.children("widget")) {
    if (std::string_view(child.attribute("class").value()) != "QRadioButton")
      return Fail(child, std::string("a Matrix holds only QRadioButton cells, not \"") +
                             child.attribute("class").value() + "\"");
    Matrix::Cell cell;
    cell.title = StringProperty(child, "text");
    bool present = false;
    std::string enabled = StringProperty(child, "enabled", &present);
    cell.enabled = !present || enabled == "true";
    cell.tag = std::atoi(StringProperty(child, "tag").c_str());
    if (checked < 0 && StringProperty(child, "checked") == "true") checked = matrix->numberOfRows();
    matrix->cells().push_back(std::move(cell));
  }
  // A radio matrix always has one cell selected.
  matrix->selectCellAtRow(checked >= 0 ? checked : 0);
  return true;
}

void Loader::BuildComboItems(pugi::xml_node widget, PopUpButton* popup) {
  for (pugi::xml_node item : widget.children("item")) {
    popup->addItemWithTitle(StringProperty(item, "text"));
    MenuItem* added = popup->itemAtIndex(popup->numberOfItems() - 1);
    bool present = false;
    std::string enabled = StringProperty(item, "enabled", &present);
    if (present) added->enabled = enabled == "true";
    added->tag = std::atoi(StringProperty(item, "tag").c_str());
  }
}

void Loader::BuildColumns(pugi::xml_node widget, TableView* table) {
  for (pugi::xml_node column : widget.children("column")) {
    TableView::Column c;
    c.title = StringProperty(column, "text");
    bool present = false;
    c.identifier = StringProperty(column, "identifier", &present);
    if (!present) c.identifier = c.title;
    c.editable = StringProperty(column, "editable") == "true";
    table->columns().push_back(std::move(c));
  }
}

bool Loader::Connect(pugi::xml_node connections) {
  for (pugi::xml_node c : connections.children("connection")) {
    std::string sender_name = Text(c.child("sender"));
    std::string receiver_name = Text(c.child("receiver"));
    std::string slot = Text(c.child("slot"));
    if (sender_name.empty() || receiver_name.empty() || slot.empty())
      return Fail(c, "a <connection> needs <sender>, <receiver> and <slot>");
    auto s = by_name_->find(sender_name);
    if (s == by_name_->end()) return Fail(c, "connection from unknown object \"" + sender_name + "\"");
    auto* control = dynamic_cast<Control*>(s->second);
    if (control == nullptr)
      return Fail(
          c, "\"" + sender_name + "\" (" + s->second->className() + ") is no control and sends no actions");
    Object* receiver = nullptr;
    if (receiver_name == "owner") {
      receiver = owner_;
      if (receiver == nullptr)
        return Fail(c, "connection to \"owner\" but the description was loaded without one");
    } else {
      auto r = by_name_->find(receiver_name);
      if (r == by_name_->end()) return Fail(c, "connection to unknown object \"" + receiver_name + "\"");
      receiver = r->second;
    }
    control->setTarget(receiver, slot);
  }
  return true;
}

bool Loader::ResolveDataSources() {
  for (const Deferred& d : data_sources_) {
    std::string name = Text(d.node.first_child());
    Object* target = nullptr;
    if (name == "owner") {
      target = owner_;
    } else if (auto it = by_name_->find(name); it != by_name_->end()) {
      target = it->second;
    }
    auto* ds = dynamic_cast<TableViewDataSource*>(target);
    if (ds == nullptr)
      return Fail(d.node, "data source \"" + name + "\" of table \"" + d.object->objectName() +
                              "\" is missing or is no table data source");
    static_cast<TableView*>(d.object)->setDataSource(ds);
  }
  return true;
}

void Loader::OfferOutlets() {
  // Every named object goes to the owner and to every object of a registered
  // class; registered objects also get the owner, under "owner".
  for (const auto& object : *objects_) {
    const std::string& name = object->objectName();
    if (name.empty()) continue;
    if (owner_ != nullptr) owner_->setOutlet(name, object.get());
    for (Object* c : custom_)
      if (c != object.get()) c->setOutlet(name, object.get());
  }
  if (owner_ != nullptr)
    for (Object* c : custom_) c->setOutlet("owner", owner_);
}

bool Loader::Fill(std::vector<std::unique_ptr<Object>>* objects,
                  std::map<std::string, Object*, std::less<>>* by_name, View** top) {
  objects_ = objects;
  by_name_ = by_name;
  pugi::xml_document doc;
  pugi::xml_parse_result parsed = doc.load_buffer(xml_.data(), xml_.size());
  if (!parsed) {
    error_ = "malformed XML at line " + std::to_string(LineOf(parsed.offset)) + ": " + parsed.description();
    return false;
  }
  pugi::xml_node ui = doc.child("ui");
  if (!ui) return Fail({}, "no <ui> element: not an interface description");
  pugi::xml_node top_widget = ui.child("widget");
  if (!top_widget) return Fail(ui, "no top-level <widget>");
  ReadCustomWidgets(ui);

  Object* made = nullptr;
  if (!Build(top_widget, nullptr, &made)) return false;
  if (auto* v = dynamic_cast<View*>(made)) {
    *top = v;
  } else if (auto* w = dynamic_cast<Window*>(made)) {
    *top = w->contentView();
  } else {
    return Fail(top_widget, "the top-level widget is no view");
  }
  if (!Connect(ui.child("connections"))) return false;
  if (!ResolveDataSources()) return false;
  OfferOutlets();
  for (const auto& object : *objects_) object->awakeFromNib();
  return true;
}

}  // namespace

std::unique_ptr<Nib> Nib::LoadFromString(std::string_view xml, Object* owner, const ClassRegistry& classes,
                                         std::string* error) {
  std::unique_ptr<Nib> nib(new Nib());
  Loader loader(xml, owner, classes);
  if (!loader.Fill(&nib->objects_, &nib->by_name_, &nib->top_)) {
    if (error) *error = loader.error();
    return nullptr;
  }
  return nib;
}

std::unique_ptr<Nib> Nib::Load(const Bundle& bundle, std::string_view name, Object* owner,
                               const ClassRegistry& classes, std::string* error) {
  std::string path = bundle.pathForResource(name, "ui");
  if (path.empty()) {
    if (error)
      *error = bundle.resourcesPath() + "/" + std::string(name) + ".ui: no such interface description";
    return nullptr;
  }
  std::string xml;
  if (ReadFile(path, &xml) != noErr) {
    if (error) *error = path + ": cannot be read";
    return nullptr;
  }
  std::string why;
  std::unique_ptr<Nib> nib = LoadFromString(xml, owner, classes, &why);
  if (!nib && error) *error = path + ": " + why;
  return nib;
}

Object* Nib::find(std::string_view name) const {
  auto it = by_name_.find(name);
  return it == by_name_.end() ? nullptr : it->second;
}

}  // namespace platform::ui
