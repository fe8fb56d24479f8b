#include "textfields/color_text_field.h"

#include "platform/utf8.h"
#include "textfields/color_key_filter.h"

namespace colorpane {

using platform::ui::FieldEditor;

void HVTextField::setOldString(std::string_view text) { oldValue_ = platform::ToUtf16(text); }

bool HVTextField::acceptsText(std::string_view text) const {
  std::u16string units = platform::ToUtf16(text);
  if (breaksLimits(units)) return false;
  std::u16string kept = units;
  CheckUniCharString(units.data(), static_cast<int>(units.size()), inputkey_, &kept);
  return kept == units;
}

bool HVTextField::setOutlet(std::string_view outlet, platform::ui::Object* object) {
  if (outlet != "operateOutlet") return false;
  setOperateControl(dynamic_cast<platform::ui::Control*>(object));
  return true;
}

bool HVTextField::textShouldBeginEditing(FieldEditor* editor) {
  if (editor != nullptr) oldValue_ = editor->string();
  textObj_ = editor;
  return TextField::textShouldBeginEditing(editor);
}

bool HVTextField::breaksLimits(std::u16string_view text) const {
  const int64_t len = static_cast<int64_t>(text.size());
  const size_t dot = text.find(u'.');
  const bool fileName = maxExtension_ > 0;
  const int64_t nameMax = static_cast<int64_t>(maxLen_) - maxExtension_ - 1;
  if (len > (fileName && dot == std::u16string_view::npos ? nameMax : maxLen_)) return true;
  if (!fileName || dot == std::u16string_view::npos) return false;
  const int64_t d = static_cast<int64_t>(dot);
  if (d > nameMax) return true;                                        // name part too long
  if (len - d > static_cast<int64_t>(maxExtension_) + 1) return true;  // extension too long
  return text.find(u'.', dot + 1) != std::u16string_view::npos;        // a second "."
}

void HVTextField::textDidChange(FieldEditor* editor) {
  if (editor == nullptr) return;
  textObj_ = editor;
  std::u16string text = editor->string();
  const int caret = editor->selectedRange().location;
  const int typed = static_cast<int>(text.size());
  bool putBack = breaksLimits(text);
  if (putBack) {
    editor->setString(oldValue_);
    editor->setSelectedRange({caret - typed + static_cast<int>(oldValue_.size()), 0});
  } else if (!text.empty()) {
    std::u16string kept = text;
    CheckUniCharString(text.data(), typed, inputkey_, &kept);
    if (kept != text) {
      // Keep the caret where the user was typing, less what was deleted.
      editor->setString(kept);
      editor->setSelectedRange({caret - typed + static_cast<int>(kept.size()), 0});
    }
  }
  updateOperatedControl(editor->string());
  if (!putBack) oldValue_ = editor->string();
}

void HVTextField::updateOperatedControl(std::u16string_view text) {
  if (operateOutlet_ == nullptr) return;
  const bool enable = !text.empty() && text.front() != u'.';
  if (operateOutlet_->isEnabled() != enable) operateOutlet_->setEnabled(enable);
}

bool HVTextField::textShouldEndEditing(FieldEditor* editor) {
  return TextField::textShouldEndEditing(editor);
}

}  // namespace colorpane
