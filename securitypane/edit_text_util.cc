#include "securitypane/edit_text_util.h"

#include <unicode/unistr.h>

namespace securitypane {

bool IsEmptyEditText(const platform::ui::TextField* field) { return !field || field->stringValue().empty(); }

bool IsZeroEditText(const platform::ui::TextField* field) { return !field || field->intValue() == 0; }

int GetLengthEditText(const platform::ui::TextField* field) {
  if (!field) return 0;
  return icu::UnicodeString::fromUTF8(field->stringValue()).length();
}

}  // namespace securitypane
