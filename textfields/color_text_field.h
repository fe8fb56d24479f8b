// The colour plug-in's text field: a length limit in UTF-16 units, optional
// file-name rules (a name part, one ".", an extension of limited length), an
// input filter, and a control (an OK button) enabled only while the text is
// non-empty and does not begin with ".". A refused edit puts the last
// accepted text back; refused characters are deleted.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ui/view.h"

namespace colorpane {

class HVTextField : public platform::ui::TextField {
 public:
  const char* className() const override { return "HVTextField"; }

  // maxLen: the whole text; extension > 0 makes the text a file name whose
  // extension has at most that many characters and whose name part (and whole
  // text without ".") has at most maxLen - extension - 1.
  void setMaxLength(int32_t maxLen, int32_t extension) {
    maxLen_ = maxLen;
    maxExtension_ = extension;
  }
  void setInputKey(int32_t filter) { inputkey_ = filter; }
  void setOperateControl(platform::ui::Control* control) { operateOutlet_ = control; }
  // The last accepted text (UTF-8).
  void setOldString(std::string_view text);
  const std::u16string& oldValue() const { return oldValue_; }
  int32_t maxLength() const { return maxLen_; }
  int32_t maxExtension() const { return maxExtension_; }
  int32_t inputKey() const { return inputkey_; }
  platform::ui::Control* operateControl() const { return operateOutlet_; }
  int16_t index() const { return index_; }
  void setIndex(int16_t i) { index_ = i; }

  // True when the field would hold this text (UTF-8) as it stands: within
  // the length and file-name rules, every character accepted by the filter.
  bool acceptsText(std::string_view text) const;

  // The description may wire the operated control as outlet "operateOutlet".
  bool setOutlet(std::string_view outlet, platform::ui::Object* object) override;

  bool textShouldBeginEditing(platform::ui::FieldEditor* editor) override;
  void textDidChange(platform::ui::FieldEditor* editor) override;
  bool textShouldEndEditing(platform::ui::FieldEditor* editor) override;

 private:
  // True when the text breaks the length or file-name rules.
  bool breaksLimits(std::u16string_view text) const;
  void updateOperatedControl(std::u16string_view text);

  platform::ui::Control* operateOutlet_ = nullptr;
  int16_t index_ = 0;
  int32_t inputkey_ = 0;
  int32_t maxLen_ = 0;
  int32_t maxExtension_ = 0;
  std::u16string oldValue_;
  platform::ui::FieldEditor* textObj_ = nullptr;
};

}  // namespace colorpane
