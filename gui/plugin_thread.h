// The one thread on which every plug-in call runs, apart from the window's
// thread, so a slow call (device discovery on an unreachable printer) never
// freezes the window. Calls run one at a time in the order posted.
//
// The observer hears, on the plug-in thread, when the thread starts working
// and when it stops (a call finished, or the thread waits for the user inside
// a modal run). A modal run of a window pumps the queue itself (runUntil), so
// the window's control actions posted by the user run inside it, on the same
// thread, as the plug-ins expect.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace gui {

class PluginThread {
 public:
  // busy(true) before work starts, busy(false) when the thread stops working.
  explicit PluginThread(std::function<void(bool busy)> busy = {});
  ~PluginThread();  // stop(), unless abandoned
  // From another thread: runs what is queued, then joins. The object stays
  // usable by the calls still running until they end.
  void stop();
  // From another thread, instead of stop(), when a call may run on for long
  // (a plug-in waiting for the printer): the thread runs what is queued,
  // then `last`, and ends by itself; nobody joins it. `last` may delete
  // this object (the thread touches nothing of it afterwards). The caller
  // must not use the object after this.
  void abandon(std::function<void()> last);
  // Threads abandoned and not yet ended, in this process: a program that
  // exits while one runs must do so without destroying what it uses.
  static int Abandoned();
  PluginThread(const PluginThread&) = delete;
  PluginThread& operator=(const PluginThread&) = delete;

  // Queues a call. Safe from any thread.
  void post(std::function<void()> call);
  // On the plug-in thread, from inside a call: runs queued calls until done()
  // answers true (checked after each call).
  void runUntil(const std::function<bool()>& done);
  // On the plug-in thread, from inside a call, around a wait for the user
  // (an alert, an open panel): the thread is not busy meanwhile.
  void waitingForUser(bool waiting);
  // From the thread that asked the user, once the answer is in and before the
  // plug-in thread is told: the thread counts as running again, so drain()
  // also waits for what the plug-in does with the answer.
  void userAnswered();
  bool isPluginThread() const { return std::this_thread::get_id() == id_; }
  // The kernel's id of the thread (its child processes are listed under it).
  int systemId() const { return tid_.load(); }
  // From any thread: a call is under way, running or waiting for the user.
  bool inCall() const;
  // From another thread: blocks until every queued call has run and the
  // thread is idle or waiting for the user (in a modal run or an alert).
  void drain();

 private:
  void loop();
  void run(std::function<void()>* call);  // runs a call taken by next()
  // Takes the next call, waiting for one; false when stopping with an empty queue.
  bool next(std::function<void()>* call, bool nested);
  void setBusy(bool busy);

  std::function<void(bool)> busy_;
  mutable std::mutex mu_;
  std::condition_variable cv_, idle_cv_;
  std::deque<std::function<void()>> queue_;
  bool stopping_ = false, running_ = false;  // running_: in a call, not waiting for the user
  int depth_ = 0;                            // calls under way (a modal run nests them)
  bool busy_state_ = false;
  std::function<void()> last_;  // abandoned: run at the end
  std::atomic<int> tid_{0};
  std::thread thread_;
  std::thread::id id_;
};

}  // namespace gui
