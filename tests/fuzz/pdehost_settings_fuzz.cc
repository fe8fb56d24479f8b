// pdehost's settings file on arbitrary bytes: the bounded load, the write back
// in the file's own form, a second load of what was written, and the ticket as
// pdehost prints it, in text and in JSON. Output is always UTF-8 and JSON that
// parses; what was written always loads again.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/display_text.h"
#include "host/settings_file.h"

namespace {

// One scratch folder per run, removed at exit (a plain array: no destructor
// runs before the exit handler).
const char* Folder() {
  static char folder[] = "/tmp/fuzz-pdehost-XXXXXX";
  static const bool made = [] {
    if (mkdtemp(folder) == nullptr) std::abort();
    std::atexit([] { std::filesystem::remove_all(folder); });
    return true;
  }();
  (void)made;
  return folder;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = std::string(Folder()) + "/ticket.plist";
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  platform::PrintSettings settings;
  std::string error;
  auto file = host::SettingsFile::Open(path, &settings, &error);
  if (!file) {
    Check(!error.empty());
    return 0;
  }
  nlohmann::ordered_json ticket = nlohmann::ordered_json::object();
  std::string text;
  for (const auto& [key, value] : settings.entries()) {
    if (const std::string* s = value.string()) {
      ticket[key] = *s;
      text += key + "=" + *s + "\n";
    }
  }
  std::string json = host::ShowableJson(ticket);
  Check(host::ShowableText(json) == json && nlohmann::ordered_json::accept(json));
  std::string shown = host::ShowableText(text);
  Check(host::ShowableText(shown) == shown);

  if (file->write(settings, &error)) {
    platform::PrintSettings again;
    Check(host::SettingsFile::Open(path, &again, &error).has_value());
    Check(again.entries().size() == settings.entries().size());
  }
  return 0;
}
