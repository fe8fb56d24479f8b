// Typing and pasting as a user does: one character per change, or one
// paste at the caret.
#pragma once

#include <string>

#include "platform/ui/view.h"

// Types the UTF-8 text after the field's text, each character its own change,
// and leaves the editing session open. False when editing does not begin.
inline bool TypeAtEnd(platform::ui::TextField& field, const std::string& utf8) {
  if (!field.beginEditing()) return false;
  for (size_t i = 0; i < utf8.size();) {
    field.currentEditor()->setSelectedRange({1 << 20, 0});
    size_t n = 1;
    while (i + n < utf8.size() && (static_cast<unsigned char>(utf8[i + n]) & 0xC0) == 0x80) ++n;
    field.insertText(utf8.substr(i, n));
    i += n;
  }
  return true;
}

// Sets the field's text, begins editing with the caret at `caret` and pastes
// `text` there as one change. False when editing does not begin.
inline bool PasteAt(platform::ui::TextField& field, const std::string& before, int caret,
                    const std::string& text) {
  field.setStringValue(before);
  if (!field.beginEditing()) return false;
  field.currentEditor()->setSelectedRange({caret, 0});
  field.insertText(text);
  return true;
}
