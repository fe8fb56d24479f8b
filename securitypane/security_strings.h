// The Security pane's localized texts. Its keys are symbolic ("PDETitle",
// option keywords), so a user whose language has no table (the C locale
// among them) gets the English texts built in here rather than the keys.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/bundle.h"

namespace securitypane {

// The bundle's translation, else the built-in English text; std::nullopt
// for a key neither knows.
std::optional<std::string> SecurityLocalizedString(const platform::Bundle* bundle, std::string_view key);

}  // namespace securitypane
