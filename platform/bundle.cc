#include "platform/bundle.h"

#include <dlfcn.h>
#include <libintl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <memory>

namespace platform {
namespace {

std::string RealPath(const char* path) {
  std::unique_ptr<char, decltype(&free)> resolved(realpath(path, nullptr), &free);
  return resolved ? std::string(resolved.get()) : std::string();
}

}  // namespace

Bundle::Bundle(std::string path, std::string domain) : path_(std::move(path)), domain_(std::move(domain)) {
  bind();
}

void Bundle::bind() const {
  if (domain_.empty()) return;
  // The binding is per process and per domain; binding again with the same
  // folder is cheap and keeps two bundles with one domain from mixing up.
  std::string locale_dir = resourcesPath() + "/locale";
  bindtextdomain(domain_.c_str(), locale_dir.c_str());
  bind_textdomain_codeset(domain_.c_str(), "UTF-8");
}

std::string Bundle::pathForResource(std::string_view name, std::string_view ext) const {
  if (name.empty()) return {};
  std::string p = resourcesPath();
  p += '/';
  p += name;
  if (!ext.empty()) {
    p += '.';
    p += ext;
  }
  struct stat st {};
  if (stat(p.c_str(), &st) != 0) return {};
  return p;
}

bool Bundle::lookupString(std::string_view key, std::string* out) const {
  // The empty msgid names the catalogue's header entry, not a translation.
  if (key.empty() || domain_.empty()) return false;
  bind();
  std::string k(key);
  const char* t = dgettext(domain_.c_str(), k.c_str());
  // gettext hands back its argument itself when it has no translation.
  if (t == nullptr || t == k.c_str()) return false;
  if (out != nullptr) *out = t;
  return true;
}

std::string Bundle::localizedString(std::string_view key) const {
  std::string t;
  return lookupString(key, &t) ? t : std::string(key);
}

Bundle Bundle::ForAddress(const void* address) {
  Dl_info info{};
  if (address == nullptr || dladdr(address, &info) == 0) return Bundle("", "");
  std::string file;
  if (info.dli_fname != nullptr && info.dli_fname[0] != '\0') file = RealPath(info.dli_fname);
  // The main program may be reported without a usable name.
  if (file.empty()) file = RealPath("/proc/self/exe");
  if (file.empty()) return Bundle("", "");
  auto slash = file.rfind('/');
  std::string folder = slash == 0 ? "/" : file.substr(0, slash);
  std::string base = file.substr(slash + 1);
  auto dot = base.find('.');
  if (dot != std::string::npos && dot > 0) base.resize(dot);
  return Bundle(folder, base);
}

}  // namespace platform
