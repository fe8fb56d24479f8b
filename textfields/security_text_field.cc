#include "textfields/security_text_field.h"

#include <algorithm>

#include "platform/utf8.h"
#include "platform/wipe.h"
#include "textfields/display_width.h"
#include "textfields/normalize.h"

namespace securitypane {
namespace {

using platform::ui::FieldEditor;

// Passwords pass through these buffers: overwrite before letting go.
void Wipe(std::u16string& s) { platform::WipeString(s); }

}  // namespace

SecurityEditField::~SecurityEditField() { Wipe(oldValue_); }

void SecurityEditField::replaceOldValue(std::u16string text) {
  Wipe(oldValue_);
  oldValue_ = std::move(text);
}

void SecurityEditField::setOldValue(std::string_view text) { replaceOldValue(platform::ToUtf16(text)); }

void SecurityEditField::storeInRecord() const {
  if (!ctrlTable_.setValue) return;
  std::string copy = platform::ToUtf8(oldValue_);
  ctrlTable_.setValue(copy);
  std::fill(copy.begin(), copy.end(), '\0');
}

bool SecurityEditField::beginEdit(FieldEditor* editor) {
  if (editor != nullptr) replaceOldValue(editor->string());
  textObj_ = editor;
  return true;
}

void SecurityEditField::didChange(FieldEditor* editor) {
  if (editor == nullptr) return;
  textObj_ = editor;
  std::u16string text = editor->string();
  // A U+0000 would end the width measurement early and let any amount of text
  // after it in: it is never part of a credential, so it goes first.
  std::erase(text, u'\0');
  if (std::optional<std::u16string> nfc = textfields::stringConvertNormalize(text)) {
    Wipe(text);
    text = std::move(*nfc);
  }
  const int caret = editor->selectedRange().location;
  const int typed = static_cast<int>(editor->string().size());
  if (textfields::CFStringGetEastAsianWidth(text) > maxLen_) {
    Wipe(text);
    std::u16string restored = oldValue_;
    editor->setString(restored);
    editor->setSelectedRange({caret - typed + static_cast<int>(restored.size()), 0});
    Wipe(restored);
    return;
  }
  if (textfields::CFStringGetEastAsianWidth(text) > 0) {
    std::u16string kept =
        CheckUniCharString(text.data(), static_cast<int>(text.size()), ctrlTable_.settingsKey);
    Wipe(text);
    text = std::move(kept);
  }
  // Set even when nothing was removed, so the field holds the normalised text.
  editor->setString(text);
  editor->setSelectedRange({caret - typed + static_cast<int>(text.size()), 0});
  replaceOldValue(std::move(text));
  storeInRecord();
}

void SecurityEditField::restoreOnEnd(FieldEditor* editor) {
  if (editor != nullptr) editor->setString(oldValue_);
  storeInRecord();
}

bool HVTextField::textShouldBeginEditing(FieldEditor* editor) {
  return beginEdit(editor) && TextField::textShouldBeginEditing(editor);
}
void HVTextField::textDidChange(FieldEditor* editor) { didChange(editor); }
bool HVTextField::textShouldEndEditing(FieldEditor* editor) {
  restoreOnEnd(editor);
  return TextField::textShouldEndEditing(editor);
}

bool HVSecureTextField::textShouldBeginEditing(FieldEditor* editor) {
  return beginEdit(editor) && SecureTextField::textShouldBeginEditing(editor);
}
void HVSecureTextField::textDidChange(FieldEditor* editor) { didChange(editor); }
bool HVSecureTextField::textShouldEndEditing(FieldEditor* editor) {
  return SecureTextField::textShouldEndEditing(editor);
}

}  // namespace securitypane
