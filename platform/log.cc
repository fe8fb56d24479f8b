#include "platform/log.h"

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

namespace platform::log {
namespace {

std::mutex g_mutex;
std::shared_ptr<const Sink>& CurrentSink() {
  static auto* sink = new std::shared_ptr<const Sink>();
  return *sink;
}

}  // namespace

void Write(int priority, std::string_view line) {
  std::shared_ptr<const Sink> sink;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    sink = CurrentSink();
  }
  // Called outside the lock: a sink may log or swap sinks itself.
  if (sink) {
    (*sink)(priority, line);
    return;
  }
  syslog(priority, "%.*s", static_cast<int>(line.size()), line.data());
}

void Writef(int priority, const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  char small[512];
  int n = vsnprintf(small, sizeof small, format, args);
  va_end(args);
  if (n < 0) {
    va_end(copy);
    return;
  }
  if (static_cast<size_t>(n) < sizeof small) {
    va_end(copy);
    Write(priority, std::string_view(small, static_cast<size_t>(n)));
    return;
  }
  std::string big(static_cast<size_t>(n) + 1, '\0');
  vsnprintf(big.data(), big.size(), format, copy);
  va_end(copy);
  big.resize(static_cast<size_t>(n));
  Write(priority, big);
}

Sink SetSink(Sink sink) {
  auto next = sink ? std::make_shared<const Sink>(std::move(sink)) : nullptr;
  std::lock_guard<std::mutex> lock(g_mutex);
  std::shared_ptr<const Sink> previous = std::move(CurrentSink());
  CurrentSink() = std::move(next);
  return previous ? *previous : Sink();
}

}  // namespace platform::log
