// The host's notification centre: observers hear the names they observe, in
// order, and one removed during a post is not called afterwards.
#include "platform/notification_center.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(NotificationCenter, PostsReachTheObserversStillRegistered) {
  struct Case {
    const char* name;
    bool firstRemovesSecond;
    std::string heard;
  } cases[] = {
      {kPaperDidChangeNotification, false, "ab"},
      {kPaperDidChangeNotification, true, "a"},
      {"SomethingElse", false, "c"},
  };
  for (const Case& c : cases) {
    NotificationCenter center;
    std::string heard;
    int a = 0, b = 0, other = 0;
    center.addObserver(&a, kPaperDidChangeNotification, [&] {
      heard += 'a';
      if (c.firstRemovesSecond) center.removeObserver(&b);
    });
    center.addObserver(&b, kPaperDidChangeNotification, [&] { heard += 'b'; });
    center.addObserver(&other, "SomethingElse", [&] { heard += 'c'; });
    center.post(c.name);
    EXPECT_EQ(heard, c.heard) << c.name;
    center.removeObserver(&a);
    center.removeObserver(&other);
    heard.clear();
    center.post(c.name);
    EXPECT_EQ(heard, c.firstRemovesSecond || c.heard == "c" ? "" : "b") << c.name;
  }
}

}  // namespace
}  // namespace platform
