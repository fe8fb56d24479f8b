#include "gui/plugin_thread.h"

#include <unistd.h>

namespace gui {

namespace {
std::atomic<int> g_abandoned{0};
}

PluginThread::PluginThread(std::function<void(bool)> busy) : busy_(std::move(busy)) {
  thread_ = std::thread([this] { loop(); });
  id_ = thread_.get_id();
}

PluginThread::~PluginThread() {
  if (thread_.joinable()) stop();
}

void PluginThread::stop() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    stopping_ = true;
  }
  cv_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void PluginThread::abandon(std::function<void()> last) {
  ++g_abandoned;
  {
    std::lock_guard<std::mutex> lock(mu_);
    last_ = std::move(last);
    stopping_ = true;
    thread_.detach();
  }
  cv_.notify_all();
}

int PluginThread::Abandoned() { return g_abandoned.load(); }

bool PluginThread::inCall() const {
  std::lock_guard<std::mutex> lock(mu_);
  return depth_ > 0;
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
  ++depth_;
  lock.unlock();
  setBusy(true);
  return true;
}

void PluginThread::run(std::function<void()>* call) {
  (*call)();
  *call = nullptr;
  std::lock_guard<std::mutex> lock(mu_);
  --depth_;
}

void PluginThread::loop() {
  tid_ = static_cast<int>(gettid());
  std::function<void()> call;
  while (next(&call, false)) run(&call);
  std::function<void()> last;
  {
    std::lock_guard<std::mutex> lock(mu_);
    last = std::move(last_);
  }
  if (last) {
    last();  // may delete this object: nothing of it is touched below
    --g_abandoned;
  }
}

void PluginThread::runUntil(const std::function<bool()>& done) {
  std::function<void()> call;
  while (!done() && next(&call, true)) run(&call);
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
