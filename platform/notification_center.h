// Notifications the print system posts to the panels, such as the document's
// paper changing. The host owns one centre and hands it to the panels through
// its callback: a bundle carries its own copy of the platform layer, so a
// process-wide centre would not reach it. Main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Posted when the document's paper (page format) changes.
inline constexpr const char* kPaperDidChangeNotification = "PMPrintDestinationPaperDidChangeNotification";

class NotificationCenter {
 public:
  // Calls `callback` for every post of `name` until the observer is removed.
  void addObserver(const void* observer, std::string name, std::function<void()> callback);
  // Removes every registration of the observer (also from inside a callback).
  void removeObserver(const void* observer);
  // Calls the name's observers in the order they registered; an observer
  // removed by an earlier callback of the same post is not called.
  void post(std::string_view name);

 private:
  struct Entry {
    uint64_t id;
    const void* observer;
    std::string name;
    std::function<void()> callback;
  };
  std::vector<Entry> entries_;
  uint64_t nextId_ = 1;
};

}  // namespace platform
