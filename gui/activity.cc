#include "gui/activity.h"

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace gui {

bool Activity::operator==(const Activity& o) const {
  return subject == o.subject && (text == o.text || (text && o.text && std::strcmp(text, o.text) == 0));
}

Activity HelperActivity(const std::vector<std::string>& argv) {
  if (argv.empty()) return {};
  const std::string program = std::filesystem::path(argv[0]).filename().string();
  if (program != "bridgetool") return {"Waiting for %1…", program};
  // The bridge tool's first argument names the request it forwards.
  static constexpr std::pair<std::string_view, const char*> kRequests[] = {
      {"mibwalk_XPC", "Looking for colour profiles on the printer…"},
      {"hvPListIsAdminProfile_XPC", "Checking whether you may change the shared profiles…"},
      {"hvPListExistProfile_XPC", "Reading the profile list…"},
      {"hvPListSwapProfile_XPC", "Keeping a copy of the profile list…"},
      {"hvPListRemove_XPC", "Saving the profile list…"},
      {"writeDictionaryToPlistFile_XPC", "Saving the profile list…"},
      {"writeDataToPlistFile_XPC", "Saving the profile list…"},
      {"writeDataToPlistFileRename_XPC", "Saving the profile list…"},
  };
  if (argv.size() > 1)
    for (const auto& [method, words] : kRequests)
      if (argv[1] == method) return {words, {}};
  return {"Waiting for the profile service…", {}};
}

std::vector<std::vector<std::string>> ChildCommandLines(int threadId) {
  std::vector<std::vector<std::string>> lines;
  const std::string task =
      "/proc/" + std::to_string(getpid()) + "/task/" + std::to_string(threadId) + "/children";
  std::ifstream children(task);
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  for (long pid; children >> pid;) {
    // Between fork and exec a child still runs this program, with its
    // command line: it is no helper yet.
    const std::string proc = "/proc/" + std::to_string(pid);
    if (!self.empty() && std::filesystem::read_symlink(proc + "/exe", error) == self) continue;
    std::ifstream in(proc + "/cmdline", std::ios::binary);
    std::vector<std::string> argv;
    // NUL-separated; the program and its first argument are enough.
    for (std::string arg; argv.size() < 2 && std::getline(in, arg, '\0');) argv.push_back(std::move(arg));
    if (!argv.empty()) lines.push_back(std::move(argv));
  }
  return lines;
}

}  // namespace gui
