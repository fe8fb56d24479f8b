#include "env.h"

#include <stdlib.h>

#include <clocale>

namespace testsupport {

ScopedEnv::ScopedEnv(std::string name, const char* value) : name_(std::move(name)) {
  if (const char* old = getenv(name_.c_str())) old_ = old;
  if (value != nullptr)
    setenv(name_.c_str(), value, 1);
  else
    unsetenv(name_.c_str());
}

ScopedEnv::~ScopedEnv() {
  if (old_)
    setenv(name_.c_str(), old_->c_str(), 1);
  else
    unsetenv(name_.c_str());
}

ScopedLanguage::ScopedLanguage(const char* language, const char* locale)
    : lc_all_("LC_ALL", locale), language_("LANGUAGE", language) {
  const char* old = std::setlocale(LC_ALL, nullptr);
  old_locale_ = old != nullptr ? old : "C";
  ok_ = std::setlocale(LC_ALL, "") != nullptr;
}

ScopedLanguage::~ScopedLanguage() { std::setlocale(LC_ALL, old_locale_.c_str()); }

}  // namespace testsupport
