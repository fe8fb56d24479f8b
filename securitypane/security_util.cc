#include "securitypane/security_util.h"

#include <vector>

#include "platform/ui/window.h"
#include "securitypane/security_strings.h"

namespace securitypane {

std::string FormatLocalized(const std::string& format, const std::vector<std::string>& args) {
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 >= format.size()) {
      out += format[i];
      continue;
    }
    if (format[i + 1] == '@') {
      if (next < args.size()) out += args[next];
      ++next;
      ++i;
      continue;
    }
    // Positional form "%2$@", as translations reorder the arguments.
    size_t j = i + 1;
    size_t position = 0;
    while (j < format.size() && format[j] >= '0' && format[j] <= '9' && position < 100)
      position = position * 10 + static_cast<size_t>(format[j++] - '0');
    if (position > 0 && j + 1 < format.size() && format[j] == '$' && format[j + 1] == '@') {
      if (position <= args.size()) out += args[position - 1];
      i = j + 1;
      continue;
    }
    if (format[i + 1] == '%') ++i;
    out += '%';
  }
  return out;
}

void SecurityUtil::showAlert(const std::string& message) {
  platform::ui::Alert alert;
  alert.messageText = message;
  alert.addButtonWithTitle("OK");
  alert.runModal();
}

std::optional<std::string> SecurityUtil::SecurityEmptyAlert(const platform::Bundle* bundle,
                                                            const char* action_key, const char* item_key,
                                                            bool load_timing) {
  if (!bundle) return std::nullopt;
  auto text = [&](const char* key) { return SecurityLocalizedString(bundle, key).value_or(key); };
  const std::string item = text(item_key), action = text(action_key);
  if (!load_timing) return FormatLocalized(text("EmptyStringAlertOnChange"), {action, item});
  return FormatLocalized(text("EmptyStringAlert"), {item, action, item});
}

}  // namespace securitypane
