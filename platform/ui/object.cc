#include "platform/ui/object.h"

namespace platform::ui {

std::string Object::description() const {
  std::string d = "<";
  d += className();
  d += ": ";
  d += name_;
  d += ">";
  return d;
}

}  // namespace platform::ui
