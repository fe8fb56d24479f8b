// Outlet and action tables: the name picks the member, the member's type
// decides what it takes.
#include <gtest/gtest.h>

#include "platform/ui/object.h"
#include "platform/ui/view.h"

namespace platform::ui {
namespace {

struct Owner : Object {
  View* view = nullptr;
  Button* button = nullptr;
  std::vector<std::string> calls;
  void first(Object*) { calls.push_back("first"); }
  void second(Object* sender) { calls.push_back("second:" + sender->objectName()); }
};

TEST(Wiring, OutletsTakeTheirObjectCastToTheMemberType) {
  View plain;
  Button push(Button::Type::kPush);
  const struct {
    const char* name;
    Object* object;
    bool taken;
    View* view;
    Button* button;
  } cases[] = {
      {"view", &plain, true, &plain, nullptr},
      {"view", &push, true, &push, nullptr},  // a button is a view
      {"button", &push, true, nullptr, &push},
      {"button", &plain, true, nullptr, nullptr},  // wrong type: left empty
      {"other", &push, false, nullptr, nullptr},
      {"View", &plain, false, nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Owner o;
    EXPECT_EQ(TakeOutlet(c.name, c.object, Outlet("view", o.view), Outlet("button", o.button)), c.taken);
    EXPECT_EQ(o.view, c.view);
    EXPECT_EQ(o.button, c.button);
  }
}

TEST(Wiring, ActionsCallTheMemberTheirSelectorNames) {
  static constexpr ActionEntry<Owner> kActions[] = {{"first:", &Owner::first}, {"second:", &Owner::second}};
  Owner o;
  View sender;
  sender.setObjectName("s");
  EXPECT_TRUE(PerformFromTable(&o, kActions, "second:", &sender));
  EXPECT_TRUE(PerformFromTable(&o, kActions, "first:", &sender));
  EXPECT_FALSE(PerformFromTable(&o, kActions, "first", &sender));
  EXPECT_EQ(o.calls, (std::vector<std::string>{"second:s", "first"}));
}

}  // namespace
}  // namespace platform::ui
