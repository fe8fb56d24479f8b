// Environment and locale set for one scope and put back when it ends.
#pragma once

#include <optional>
#include <string>

namespace testsupport {

// Sets (or, with nullptr, unsets) an environment variable; the destructor
// restores the value it had, or unsets it again.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, const char* value);
  ScopedEnv(std::string name, const std::string& value) : ScopedEnv(std::move(name), value.c_str()) {}
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// Messages in `language` (LANGUAGE, e.g. "ja") under the locale `locale`
// (LC_ALL): glibc heeds LANGUAGE only when a real locale is set. The
// destructor restores both variables and the locale the process had (gettext
// keeps translated texts until the locale is set again).
class ScopedLanguage {
 public:
  explicit ScopedLanguage(const char* language, const char* locale = "C.UTF-8");
  ~ScopedLanguage();
  ScopedLanguage(const ScopedLanguage&) = delete;
  ScopedLanguage& operator=(const ScopedLanguage&) = delete;

  // Whether the locale could be set.
  bool ok() const { return ok_; }

 private:
  ScopedEnv lc_all_, language_;
  std::string old_locale_;
  bool ok_ = false;
};

}  // namespace testsupport
