// The system log. Lines go to syslog(3) unless a sink is installed (tests).
#pragma once

#include <syslog.h>

#include <functional>
#include <string>
#include <string_view>

namespace platform::log {

using Sink = std::function<void(int priority, std::string_view line)>;

void Write(int priority, std::string_view line);
// printf-style.
void Writef(int priority, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Installs a sink for every later line (nullptr: back to syslog). Returns the previous one.
Sink SetSink(Sink sink);

}  // namespace platform::log
