#include "platform/ui/window.h"

#include <atomic>
#include <map>
#include <mutex>

namespace platform::ui {
namespace {

std::mutex g_defaults_mutex;
std::map<std::string, std::string, std::less<>>& Defaults() {
  static auto* defaults = new std::map<std::string, std::string, std::less<>>();
  return *defaults;
}

}  // namespace

int Window::runModal() {
  // Nested runs (an alert from inside a window's action) keep the outer
  // run's state.
  bool was_modal = modal_, was_stop = stop_requested_;
  int was_code = stop_code_;
  visible_ = true;
  modal_ = true;
  stop_requested_ = false;
  stop_code_ = kModalResponseCancel;

  int code = kModalResponseCancel;
  if (ModalHost* host = GetModalHost()) {
    int answered = host->runModalForWindow(*this);
    code = stop_requested_ ? stop_code_ : answered;
  }

  modal_ = was_modal;
  stop_requested_ = was_stop;
  stop_code_ = was_code;
  return code;
}

void Window::stopModal(int code) {
  if (!modal_) return;  // nothing to stop
  stop_requested_ = true;
  stop_code_ = code;
}

int Alert::runModal() const {
  ModalHost* host = GetModalHost();
  return host ? host->runAlert(*this) : kAlertFirstButtonReturn;
}

int OpenPanel::runModal() {
  paths.clear();
  ModalHost* host = GetModalHost();
  int code = host ? host->runOpenPanel(*this) : kModalResponseCancel;
  if (code != kModalResponseOK) paths.clear();  // paths only count after OK
  return code;
}

}  // namespace platform::ui

// A bundle links its own copy of this library, so a slot private to each copy
// would leave the plug-ins' alerts unanswered by the host. The slot is reached
// through one symbol of default visibility: a host program that exports it
// (host_core's users do) answers for every loaded bundle.
extern "C" __attribute__((visibility("default"))) std::atomic<platform::ui::ModalHost*>* PDEModalHostSlot() {
  static std::atomic<platform::ui::ModalHost*> slot{nullptr};
  return &slot;
}

namespace platform::ui {

void SetModalHost(ModalHost* host) { PDEModalHostSlot()->store(host); }
ModalHost* GetModalHost() { return PDEModalHostSlot()->load(); }

std::string UserDefaultString(std::string_view key) {
  std::lock_guard<std::mutex> lock(g_defaults_mutex);
  auto it = Defaults().find(key);
  return it == Defaults().end() ? std::string() : it->second;
}

void SetUserDefault(std::string_view key, std::string value) {
  std::lock_guard<std::mutex> lock(g_defaults_mutex);
  auto& d = Defaults();
  auto it = d.find(key);
  if (it == d.end())
    d.emplace(std::string(key), std::move(value));
  else
    it->second = std::move(value);
}

}  // namespace platform::ui
