#include "platform/notification_center.h"

#include <algorithm>

namespace platform {

void NotificationCenter::addObserver(const void* observer, std::string name, std::function<void()> callback) {
  entries_.push_back({nextId_++, observer, std::move(name), std::move(callback)});
}

void NotificationCenter::removeObserver(const void* observer) {
  std::erase_if(entries_, [&](const Entry& e) { return e.observer == observer; });
}

void NotificationCenter::post(std::string_view name) {
  // Callbacks may add or remove observers: walk a snapshot, and call only
  // the entries still registered.
  std::vector<uint64_t> ids;
  for (const Entry& e : entries_)
    if (e.name == name) ids.push_back(e.id);
  for (uint64_t id : ids) {
    auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.id == id; });
    if (it == entries_.end()) continue;
    std::function<void()> callback = it->callback;  // the entry may go away while it runs
    callback();
  }
}

}  // namespace platform
