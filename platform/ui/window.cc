#include "platform/ui/window.h"

#include <atomic>
#include <map>
#include <mutex>

namespace platform::ui {
namespace {

std::atomic<ModalHost*> g_modal_host{nullptr};

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

void SetModalHost(ModalHost* host) { g_modal_host.store(host); }
ModalHost* GetModalHost() { return g_modal_host.load(); }

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
