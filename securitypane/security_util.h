// Alerts of the Security pane.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/bundle.h"

namespace securitypane {

class SecurityUtil {
 public:
  // A modal alert: the message, the default button only, no informative text.
  static void showAlert(const std::string& message);
  // The line that names a missing entry: "EmptyStringAlert" filled with
  // (item, action, item) at print time, "EmptyStringAlertOnChange" with
  // (action, item) otherwise; the keys are localized first. std::nullopt
  // without a bundle.
  static std::optional<std::string> SecurityEmptyAlert(const platform::Bundle* bundle, const char* action_key,
                                                       const char* item_key, bool load_timing);
  static void BoxNumberZeroValueAlert(const std::string&) {}
};

// Fills each "%@" (or "%n$@") of a localized format with the arguments, in
// order or by position.
std::string FormatLocalized(const std::string& format, const std::vector<std::string>& args);

}  // namespace securitypane
