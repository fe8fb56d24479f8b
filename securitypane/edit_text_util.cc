#include "securitypane/edit_text_util.h"

#include "platform/utf8.h"

namespace securitypane {

bool IsEmptyEditText(const platform::ui::TextField* field) { return !field || field->stringValue().empty(); }

bool IsZeroEditText(const platform::ui::TextField* field) { return !field || field->intValue() == 0; }

int GetLengthEditText(const platform::ui::TextField* field) {
  if (!field) return 0;
  return static_cast<int>(platform::Utf16Length(field->stringValue()));
}

}  // namespace securitypane
