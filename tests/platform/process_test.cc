// Child processes with their output on a pipe.
#include "platform/process.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

namespace platform {
namespace {

int OpenDescriptors() {
  int n = 0;
  DIR* d = opendir("/proc/self/fd");
  if (d == nullptr) return -1;
  while (readdir(d) != nullptr) ++n;
  closedir(d);
  return n;
}

TEST(RunTask, CollectsOutputAndExitStatus) {
  TaskResult r;
  ASSERT_EQ(RunTask("/bin/echo", {"echo", "hello", "world"}, &r), noErr);
  EXPECT_EQ(r.output, "hello world\n");
  EXPECT_EQ(r.exitStatus, 0);

  ASSERT_EQ(RunTask("/bin/sh", {"sh", "-c", "printf partial; exit 3"}, &r), noErr);
  EXPECT_EQ(r.output, "partial");
  EXPECT_EQ(r.exitStatus, 3);

  // Killed by a signal: no exit code.
  ASSERT_EQ(RunTask("/bin/sh", {"sh", "-c", "kill -9 $$"}, &r), noErr);
  EXPECT_EQ(r.exitStatus, -1);
}

TEST(RunTask, ReadsMoreThanAPipeHolds) {
  TaskResult r;
  ASSERT_EQ(RunTask("/usr/bin/head", {"head", "-c", "300000", "/dev/zero"}, &r), noErr);
  EXPECT_EQ(r.output.size(), 300000u);
  EXPECT_EQ(r.exitStatus, 0);
}

TEST(RunTask, MissingProgramIsAParameterError) {
  TaskResult r;
  r.output = "stale";
  EXPECT_EQ(RunTask("/nonexistent/bridgetool", {"bridgetool"}, &r), paramErr);
  EXPECT_EQ(r.exitStatus, -1);
  EXPECT_EQ(r.output, "");
  EXPECT_EQ(RunTask("/bin/echo", {}, &r), paramErr);
  EXPECT_EQ(RunTask("/bin/echo", {"echo"}, nullptr), paramErr);
}

TEST(RunTask, StandardInputIsDevNull) {
  // Put readable data on our own standard input: the child must not see it.
  int saved = dup(STDIN_FILENO);
  int p[2];
  ASSERT_EQ(pipe(p), 0);
  ASSERT_EQ(write(p[1], "leak\n", 5), 5);
  close(p[1]);
  dup2(p[0], STDIN_FILENO);
  close(p[0]);
  TaskResult r;
  OSStatus s = RunTask("/bin/sh", {"sh", "-c", "read x; echo \"got:$x\""}, &r);
  dup2(saved, STDIN_FILENO);
  close(saved);
  ASSERT_EQ(s, noErr);
  EXPECT_EQ(r.output, "got:\n");
}

TEST(RunTask, NoDescriptorLeaksIntoTheChildOrTheParent) {
  int inheritable = open("/dev/null", O_RDONLY);  // deliberately without O_CLOEXEC
  ASSERT_GE(inheritable, 0);
  int before = OpenDescriptors();
  std::string probe =
      "if [ -e /proc/self/fd/" + std::to_string(inheritable) + " ]; then echo leaked; else echo closed; fi";
  TaskResult r;
  for (int i = 0; i < 20; ++i) ASSERT_EQ(RunTask("/bin/sh", {"sh", "-c", probe}, &r), noErr);
  EXPECT_EQ(r.output, "closed\n");
  EXPECT_EQ(OpenDescriptors(), before);
  close(inheritable);
}

TEST(RunTask, StandardDescriptorsClosedInTheParent) {
  // With standard input closed the pipe may take descriptor 0; the child's
  // redirections must still work.
  int saved = dup(STDIN_FILENO);
  close(STDIN_FILENO);
  TaskResult r;
  OSStatus s = RunTask("/bin/echo", {"echo", "ok"}, &r);
  dup2(saved, STDIN_FILENO);
  close(saved);
  ASSERT_EQ(s, noErr);
  EXPECT_EQ(r.output, "ok\n");
}

TEST(RunTask, AnInstalledRunnerReplacesRealProcesses) {
  std::vector<std::string> seen;
  TaskRunner previous =
      SetTaskRunner([&](const std::string& path, const std::vector<std::string>& argv, TaskResult* r) {
        seen.push_back(path + " " + argv.at(1));
        r->output = "0\n";
        r->exitStatus = 0;
        return noErr;
      });
  EXPECT_FALSE(previous);
  TaskResult r;
  r.output = "stale";
  EXPECT_EQ(RunTask("/nonexistent/bridgetool", {"bridgetool", "-test"}, &r), noErr);
  EXPECT_EQ(r.output, "0\n");
  EXPECT_EQ(seen, std::vector<std::string>{"/nonexistent/bridgetool -test"});
  EXPECT_TRUE(SetTaskRunner(nullptr));
  EXPECT_EQ(RunTask("/nonexistent/bridgetool", {"bridgetool"}, &r), paramErr);
}

}  // namespace
}  // namespace platform
