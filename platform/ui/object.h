// Base of every object an interface description creates, and the wiring
// contract between a description and the objects it connects.
#pragma once

#include <string>
#include <string_view>

namespace platform::ui {

class Object {
 public:
  virtual ~Object() = default;

  // The object's name in its interface description ("" for none).
  const std::string& objectName() const { return name_; }
  void setObjectName(std::string name) { name_ = std::move(name); }

  // The class name the interface description used for this object.
  virtual const char* className() const { return "Object"; }
  // "<ClassName: objectName>", used in log lines.
  virtual std::string description() const;

  // Outlet wiring: the loader offers every named object of a description to
  // the owner and to every object of a registered (non-built-in) class. An
  // object that has an outlet of that name takes it and answers true.
  virtual bool setOutlet(std::string_view /*outlet*/, Object* /*object*/) { return false; }
  // An action sent by a control (the selector as written in the description,
  // e.g. "selectItem:"). Answers true when the object handles it.
  virtual bool performAction(std::string_view /*selector*/, Object* /*sender*/) { return false; }
  // Called once on every object after all outlets and actions are connected.
  virtual void awakeFromNib() {}

 private:
  std::string name_;
};

}  // namespace platform::ui
