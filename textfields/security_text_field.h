// The Security pane's text fields: HVTextField (names) and HVSecureTextField
// (passwords). Each is bound to one record of the pane control table; every
// edit is normalised to form C, refused when its display width exceeds the
// field's maximum, filtered by the record's key, and then copied into the
// record's value. A refused edit puts the last accepted text back.
//
// Binding seam: a field needs two things of its record, the settings key and
// a way to set the record's value. HVTextFieldSetup and HVTextFieldClassCheck
// walk any pane control table whose records have the members
//   control      a pointer to a platform::ui object (or nullptr),
//   kind         an integer (6 edit text, 0xFFFF ends the table),
//   settingsKey  const char* (nullptr: none), std::string or
//                std::optional<std::string> (empty: none),
//   value        std::string or std::optional<std::string>,
// so the table's own record type binds without an adapter.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ui/view.h"
#include "textfields/security_key_filter.h"

namespace securitypane {

// What a field keeps of its pane control record.
struct EditRecordBinding {
  std::string settingsKey;                           // picks the filter
  std::function<void(const std::string&)> setValue;  // record value := UTF-8 copy of the text
};

// The editing logic both field classes share.
class SecurityEditField {
 public:
  virtual ~SecurityEditField();

  void setTable(EditRecordBinding record) { ctrlTable_ = std::move(record); }
  const EditRecordBinding& table() const { return ctrlTable_; }
  void setMaxLength(int16_t len) { maxLen_ = len; }
  int16_t maxLength() const { return maxLen_; }
  // The last accepted text (UTF-8 in, as the pane shows it).
  void setOldValue(std::string_view text);
  const std::u16string& oldValue() const { return oldValue_; }

 protected:
  bool beginEdit(platform::ui::FieldEditor* editor);
  void didChange(platform::ui::FieldEditor* editor);
  // Puts the last accepted text back and into the record (names only).
  void restoreOnEnd(platform::ui::FieldEditor* editor);

 private:
  void storeInRecord() const;
  void replaceOldValue(std::u16string text);

  EditRecordBinding ctrlTable_;
  int16_t maxLen_ = 0;
  std::u16string oldValue_;
  platform::ui::FieldEditor* textObj_ = nullptr;
};

class HVTextField : public platform::ui::TextField, public SecurityEditField {
 public:
  const char* className() const override { return "HVTextField"; }
  bool textShouldBeginEditing(platform::ui::FieldEditor* editor) override;
  void textDidChange(platform::ui::FieldEditor* editor) override;
  bool textShouldEndEditing(platform::ui::FieldEditor* editor) override;
};

class HVSecureTextField : public platform::ui::SecureTextField, public SecurityEditField {
 public:
  const char* className() const override { return "HVSecureTextField"; }
  bool textShouldBeginEditing(platform::ui::FieldEditor* editor) override;
  void textDidChange(platform::ui::FieldEditor* editor) override;
  bool textShouldEndEditing(platform::ui::FieldEditor* editor) override;
};

namespace textfield_detail {
inline std::string_view KeyOf(const char* key) { return key ? key : ""; }
inline std::string_view KeyOf(const std::string& key) { return key; }
inline std::string_view KeyOf(const std::optional<std::string>& key) {
  return key ? std::string_view(*key) : std::string_view();
}
inline constexpr int kKindEditText = 6;
inline constexpr int kKindEnd = 0xFFFF;
}  // namespace textfield_detail

// Binds every edit record (kind 6 with a settings key) whose control is one of
// the two field classes to its record, with the key's maximum length. The
// records must outlive the fields' edits.
template <class Record>
void HVTextFieldSetup(Record* table) {
  using namespace textfield_detail;
  for (Record* r = table; r != nullptr && static_cast<int>(r->kind) != kKindEnd; ++r) {
    std::string_view key = KeyOf(r->settingsKey);
    if (static_cast<int>(r->kind) != kKindEditText || key.empty()) continue;
    auto* field = dynamic_cast<SecurityEditField*>(r->control);
    if (field == nullptr) continue;
    field->setTable({std::string(key), [r](const std::string& v) { r->value = v; }});
    field->setMaxLength(static_cast<int16_t>(GetEditTextMaxLength(key)));
  }
}

// Hides the control of every password record that is not a secure text
// field, so a password is never shown in clear.
template <class Record>
void HVTextFieldClassCheck(Record* table) {
  using namespace textfield_detail;
  for (Record* r = table; r != nullptr && static_cast<int>(r->kind) != kKindEnd; ++r) {
    if (!IsEditTextPassword(KeyOf(r->settingsKey))) continue;
    auto* view = dynamic_cast<platform::ui::View*>(r->control);
    if (view != nullptr && dynamic_cast<platform::ui::SecureTextField*>(r->control) == nullptr)
      view->setHidden(true);
  }
}

}  // namespace securitypane
