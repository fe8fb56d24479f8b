// Queries on an edit field's current text.
#pragma once

#include "platform/ui/view.h"

namespace securitypane {

// The text equals "" (true for a missing field).
bool IsEmptyEditText(const platform::ui::TextField* field);
// The text's integer value is 0 (true for a missing field).
bool IsZeroEditText(const platform::ui::TextField* field);
// Length of the text in UTF-16 units (0 for a missing field).
int GetLengthEditText(const platform::ui::TextField* field);

}  // namespace securitypane
