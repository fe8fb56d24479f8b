// The system log and its replaceable sink.
#include "platform/log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace platform::log {
namespace {

struct Line {
  int priority;
  std::string text;
};

TEST(Log, SinkReceivesLinesAndSwapsBack) {
  std::vector<Line> lines;
  Sink previous = SetSink([&](int p, std::string_view l) { lines.push_back({p, std::string(l)}); });
  EXPECT_FALSE(previous);
  Write(LOG_ERR, "profile file unreadable");
  Writef(LOG_NOTICE, "walk: %d entries from %s", 12, "192.0.2.7");
  std::string longer(2000, 'x');
  Writef(LOG_INFO, "[%s]", longer.c_str());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].priority, LOG_ERR);
  EXPECT_EQ(lines[0].text, "profile file unreadable");
  EXPECT_EQ(lines[1].priority, LOG_NOTICE);
  EXPECT_EQ(lines[1].text, "walk: 12 entries from 192.0.2.7");
  EXPECT_EQ(lines[2].text, "[" + longer + "]");

  Sink mine = SetSink(nullptr);
  ASSERT_TRUE(mine);
  Write(LOG_DEBUG, "to syslog, not to the sink");
  EXPECT_EQ(lines.size(), 3u);
  mine(LOG_INFO, "direct");  // the returned sink is the one installed
  EXPECT_EQ(lines.back().text, "direct");
}

TEST(Log, SinkMayLogAndSwapFromInsideItself) {
  std::vector<std::string> lines;
  Sink outer = [&](int, std::string_view l) { lines.push_back("outer:" + std::string(l)); };
  SetSink([&](int p, std::string_view l) {
    lines.push_back(std::string(l));
    SetSink(outer);
    Write(p, "nested");
  });
  Write(LOG_INFO, "first");
  SetSink(nullptr);
  EXPECT_EQ(lines, (std::vector<std::string>{"first", "outer:nested"}));
}

TEST(Log, ConcurrentWritesAndSwapsLoseNoLine) {
  std::atomic<int> a{0}, b{0};
  Sink count_a = [&](int, std::string_view) { a.fetch_add(1); };
  Sink count_b = [&](int, std::string_view) { b.fetch_add(1); };
  SetSink(count_a);
  constexpr int kThreads = 4, kLines = 2000;
  std::atomic<bool> stop{false};
  std::thread swapper([&] {
    for (bool use_a = false; !stop.load(); use_a = !use_a) SetSink(use_a ? count_a : count_b);
  });
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t)
    writers.emplace_back([] {
      for (int i = 0; i < kLines; ++i) Writef(LOG_INFO, "line %d", i);
    });
  for (auto& w : writers) w.join();
  stop = true;
  swapper.join();
  SetSink(nullptr);
  EXPECT_EQ(a.load() + b.load(), kThreads * kLines);
}

}  // namespace
}  // namespace platform::log
