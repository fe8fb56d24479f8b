#include "securitypane/security_strings.h"

#include <utility>

namespace securitypane {

namespace {

// The same texts as resources/po/securitypane/en.po.
constexpr std::pair<std::string_view, std::string_view> kEnglish[] = {
    {"PDETitle", "Security"},
    {"PrintModeVN420P", "Print Mode"},
    {"HVAuthenticationVN420P", "User Authentication"},
    {"HVSectionManagementVN420P", "Section Management"},
    {"SecureTitle", "Secure Print"},
    {"SecurePass", "Password"},
    {"UserName", "User Name"},
    {"UserPass", "User Password"},
    {"SectionName", "Section Name"},
    {"SectionPass", "Section Password"},
    {"UserTypePublic", "Public User"},
    {"UserTypePrivate", "Private User"},
    {"SecurePrint", "Secure Print"},
    {"EmptyStringAlert", "Enter the %1$@. %2$@ needs a %3$@ before the job can print."},
    {"EmptyStringAlertOnChange", "%1$@ was switched off: enter the %2$@ first."},
    {"TooLongAlert", "The %@ is too long to be stored; shorten it."},
    {"UnstorableAlert", "The %@ cannot be stored as typed (a \"+\" is not allowed); change it."},
};

}  // namespace

std::optional<std::string> SecurityLocalizedString(const platform::Bundle* bundle, std::string_view key) {
  std::string text;
  if (bundle && bundle->lookupString(key, &text)) return text;
  for (const auto& [k, v] : kEnglish)
    if (k == key) return std::string(v);
  return std::nullopt;
}

}  // namespace securitypane
