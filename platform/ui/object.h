// Base of every object an interface description creates, and the wiring
// contract between a description and the objects it connects.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

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

// The one way a class lists its outlets and actions.
//
//   bool setOutlet(std::string_view name, Object* object) override {
//     return TakeOutlet(name, object, Outlet("onColorView", onColorView_), ...);
//   }
//   bool performAction(std::string_view selector, Object* sender) override {
//     static constexpr ActionEntry<Self> kActions[] = {{"selectItem:", &Self::selectItem}, ...};
//     return PerformFromTable(this, kActions, selector, sender);
//   }

// An outlet: its name in the description and the member that takes it.
template <class T>
struct OutletSlot {
  std::string_view name;
  T*& member;
};
template <class T>
OutletSlot<T> Outlet(std::string_view name, T*& member) {
  return {name, member};
}

// The outlet named `name` takes `object`, cast to the member's type (an object
// of another type leaves the member nullptr). False when none has that name.
template <class... T>
bool TakeOutlet(std::string_view name, Object* object, OutletSlot<T>... outlets) {
  return ((name == outlets.name && (outlets.member = dynamic_cast<T*>(object), true)) || ...);
}

template <class Self>
using ActionEntry = std::pair<std::string_view, void (Self::*)(Object*)>;

// Calls the member the table names for `selector`; false when none.
template <class Self, size_t N>
bool PerformFromTable(Self* self, const ActionEntry<Self> (&table)[N], std::string_view selector,
                      Object* sender) {
  for (const auto& [name, action] : table) {
    if (selector != name) continue;
    (self->*action)(sender);
    return true;
  }
  return false;
}

}  // namespace platform::ui
