#include "platform/paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace platform::paths {
namespace {

// The password entry of the real user; false when there is none.
bool PasswordEntry(std::string* name, std::string* gecos, std::string* home) {
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buf(size > 0 ? static_cast<size_t>(size) : 16384);
  for (;;) {
    struct passwd pw {};
    struct passwd* found = nullptr;
    int rc = getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found);
    if (rc == ERANGE && buf.size() < (1u << 20)) {
      buf.resize(buf.size() * 2);
      continue;
    }
    if (rc != 0 || found == nullptr) return false;
    if (name) *name = pw.pw_name ? pw.pw_name : "";
    if (gecos) *gecos = pw.pw_gecos ? pw.pw_gecos : "";
    if (home) *home = pw.pw_dir ? pw.pw_dir : "";
    return true;
  }
}

}  // namespace

std::string InstallRoot() {
  const char* env = getenv("VN420P_ROOT");
  std::string root = env ? env : "";
  while (!root.empty() && root.back() == '/') root.pop_back();
  return root;
}

std::string UnderRoot(const std::string& absolute) {
  std::string p = InstallRoot();
  if (absolute.empty() || absolute.front() != '/') p += '/';
  return p + absolute;
}

std::string PreferenceFolder() {
  return UnderRoot("/Library/Printers/HALVERN/Preferences/jp.halvern.printers.VN420P/");
}

std::string DownloadManagerApp() {
  return UnderRoot("/Applications/Download Manager VN420P/HALVERN Download Manager.app");
}

std::string ModelPreferenceFile() {
  return UnderRoot("/Library/Preferences/jp.halvern.printers.VN420P.plist");
}

std::string BridgeToolPath() {
  return UnderRoot(
      "/Library/Application Support/HALVERN/VN420P/Helpers/bridgetool.app/Contents/MacOS/bridgetool");
}

std::string ProfilesFolder() { return UnderRoot("/Library/Printers/HALVERN/VN420P/Profiles"); }

std::string FileExistsIcon() {
  return UnderRoot("/Library/Printers/HALVERN/VN420P/Icons/fileExistbzVN420P.icns");
}

std::string UserPreferencesFolder() {
  // A relative XDG_CONFIG_HOME is invalid and ignored, as the XDG rules say.
  const char* xdg = getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return xdg;
  const char* home = getenv("HOME");
  std::string h = home && home[0] ? home : "";
  if (h.empty()) PasswordEntry(nullptr, nullptr, &h);
  if (h.empty()) return {};
  if (h.back() == '/') h.pop_back();
  return h + "/.config";
}

std::string LoginName() {
  std::string name;
  return PasswordEntry(&name, nullptr, nullptr) ? name : std::string();
}

std::string FullUserName() {
  std::string name, gecos;
  if (!PasswordEntry(&name, &gecos, nullptr)) return {};
  std::string full = gecos.substr(0, gecos.find(','));
  return full.empty() ? name : full;
}

}  // namespace platform::paths
