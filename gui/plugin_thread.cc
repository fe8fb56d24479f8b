#include "gui/plugin_thread.h"

namespace gui {

PluginThread::PluginThread(std::function<void(bool)> busy) : busy_(std::move(busy)) {
  thread_ = std::thread([this] { loop(); });
}

PluginThread::~PluginThread() { stop(); }

void PluginThread::stop() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    stopping_ = true;
  }
  cv_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void PluginThread::post(std::function<void()> call) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    queue_.push_back(std::move(call));
  }
  cv_.notify_all();
}

bool PluginThread::next(std::function<void()>* call, bool nested) {
  std::unique_lock<std::mutex> lock(mu_);
  if (queue_.empty()) {
    running_ = false;  // idle, or waiting for the user inside a modal run
    idle_cv_.notify_all();
    lock.unlock();
    setBusy(false);
    lock.lock();
    cv_.wait(lock, [&] { return !queue_.empty() || (stopping_ && !nested); });
    if (queue_.empty()) return false;
  }
  *call = std::move(queue_.front());
  queue_.pop_front();
  running_ = true;
  lock.unlock();
  setBusy(true);
  return true;
}

void PluginThread::loop() {
  std::function<void()> call;
  while (next(&call, false)) {
    call();
    call = nullptr;
  }
}

void PluginThread::runUntil(const std::function<bool()>& done) {
  std::function<void()> call;
  while (!done() && next(&call, true)) {
    call();
    call = nullptr;
  }
  setBusy(true);  // back in the outer call
}

void PluginThread::waitingForUser(bool waiting) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    running_ = !waiting;
  }
  idle_cv_.notify_all();
  setBusy(!waiting);
}

void PluginThread::userAnswered() {
  std::lock_guard<std::mutex> lock(mu_);
  running_ = true;
}

void PluginThread::setBusy(bool busy) {
  if (busy == busy_state_) return;
  busy_state_ = busy;
  if (busy_) busy_(busy);
}

void PluginThread::drain() {
  std::unique_lock<std::mutex> lock(mu_);
  idle_cv_.wait(lock, [&] { return queue_.empty() && !running_; });
}

}  // namespace gui
