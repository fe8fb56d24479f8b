// Bundles: a folder "<name>.plugin/" holding the module, "Resources/" with the
// interface descriptions and "Resources/locale/<lang>/LC_MESSAGES/<domain>.mo"
// string tables (gettext catalogues keyed by the English text).
#pragma once

#include <string>
#include <string_view>

namespace platform {

class Bundle {
 public:
  // path: the bundle folder; domain: its catalogue name.
  Bundle(std::string path, std::string domain);

  const std::string& path() const { return path_; }
  std::string resourcesPath() const { return path_ + "/Resources"; }
  // "<resources>/<name>.<ext>"; "" when no such file exists.
  std::string pathForResource(std::string_view name, std::string_view ext) const;
  // The translation of the key in the user's language (LANGUAGE, LC_ALL,
  // LC_MESSAGES, LANG); the key itself when there is none. The program must
  // have called setlocale(LC_ALL, ""); gettext ignores LANGUAGE while the
  // messages locale is "C" (but not "C.UTF-8"). The empty key answers "".
  std::string localizedString(std::string_view key) const;
  // As above, but answers false (and leaves *out alone) when the table has no
  // entry for the key, for callers that must tell a missing translation apart.
  bool lookupString(std::string_view key, std::string* out) const;

  // The bundle that holds the calling module's code: the folder of the shared
  // object that contains `address` (dladdr), domain = the module's base name.
  // A bundle with empty path and domain when the address is in no module.
  static Bundle ForAddress(const void* address);

  const std::string& domain() const { return domain_; }

 private:
  // Binds the domain to "<resources>/locale" with UTF-8 output.
  void bind() const;

  std::string path_, domain_;
};

}  // namespace platform
