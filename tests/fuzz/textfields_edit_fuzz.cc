// Drives every kind of validated text field through its editing callbacks with
// arbitrary UTF-16 edits (lone surrogates, NULs, pastes, selections) and
// checks after each change that the field holds only text it accepts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "textfields/color_key_filter.h"
#include "textfields/color_text_field.h"
#include "textfields/display_width.h"
#include "textfields/security_text_field.h"

namespace {

using platform::ui::FieldEditor;

struct Record {
  platform::ui::Object* control;
  int kind;
  const char* settingsKey;
  std::string value;
};

void Check(bool ok) {
  if (!ok) std::abort();
}

bool AllAccepted(const std::u16string& s, bool (*accepts)(char32_t, const void*), const void* ctx) {
  int count = static_cast<int>(s.size());
  for (int i = 0; i < count;) {
    char32_t c = textfields::UCFindComposedCharAtIndex(s.data(), count, i, &i);
    if (!accepts(c, ctx)) return false;
  }
  return true;
}

bool SecurityAccepts(char32_t c, const void* key) {
  return securitypane::FilterEditTextInputKey(static_cast<const char*>(key), c);
}
bool ColorAccepts(char32_t c, const void* filter) {
  return colorpane::FilterEditTextInputKey(*static_cast<const int32_t*>(filter), c);
}

bool FileNameHolds(const std::u16string& s, int32_t m, int32_t e) {
  size_t dot = s.find(u'.');
  if (e <= 0) return static_cast<int32_t>(s.size()) <= m;
  if (dot == std::u16string::npos) return static_cast<int32_t>(s.size()) <= m - e - 1;
  return static_cast<int32_t>(dot) <= m - e - 1 && static_cast<int32_t>(s.size() - dot) <= e + 1 &&
         s.find(u'.', dot + 1) == std::u16string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const char* kKeys[] = {"jp.halvern.printers.VN420P.secureKey", "jp.halvern.printers.VN420P.userName",
                                "jp.halvern.printers.VN420P.userKey",
                                "jp.halvern.printers.VN420P.sectionName",
                                "jp.halvern.printers.VN420P.sectionKey"};
  struct ColorSetting {
    int32_t m, e, filter;
  };
  static const ColorSetting kColor[] = {{31, 3, 1}, {30, 0, 0}, {16, 0, 4}, {12, 2, 4}};

  // The first byte picks the field; the rest is a sequence of edits.
  const uint8_t pick = data[0] % 10;
  securitypane::HVTextField name;
  securitypane::HVSecureTextField password;
  colorpane::HVTextField color;
  platform::ui::Button ok;
  Record table[2] = {{nullptr, 6, nullptr, ""}, {nullptr, 0xFFFF, nullptr, ""}};
  platform::ui::TextField* field = nullptr;
  const char* key = nullptr;
  const ColorSetting* cs = nullptr;
  if (pick < 5) {
    key = kKeys[pick];
    field = securitypane::IsEditTextPassword(key) ? static_cast<platform::ui::TextField*>(&password) : &name;
    table[0] = {field, 6, key, ""};
    securitypane::HVTextFieldSetup(table);
  } else if (pick < 9) {
    cs = &kColor[pick - 5];
    color.setMaxLength(cs->m, cs->e);
    color.setInputKey(cs->filter);
    color.setOperateControl(&ok);
    field = &color;
  } else {
    key = "unknown.key";  // a field bound to a key outside the table takes nothing
    field = &name;
    table[0] = {field, 6, key, ""};
    securitypane::HVTextFieldSetup(table);
  }

  FieldEditor editor;
  size_t i = 1;
  auto take = [&](size_t n) {
    size_t got = std::min(n, size - i);
    i += got;
    return got;
  };
  while (i < size) {
    const uint8_t op = data[i++];
    switch (op % 4) {
      case 0:
        field->textShouldBeginEditing(&editor);
        break;
      case 1: {  // select
        if (size - i < 2) return 0;
        int loc = data[i], len = data[i + 1];
        i += 2;
        editor.setSelectedRange({loc - 8, len - 8});
        break;
      }
      case 2: {  // type or paste (op / 4 + 1 units)
        size_t units = (op >> 2) + 1, start = i;
        size_t got = take(units * 2) / 2;
        std::u16string text;
        for (size_t k = 0; k < got; ++k)
          text.push_back(static_cast<char16_t>(data[start + 2 * k] | (data[start + 2 * k + 1] << 8)));
        editor.insertText(text);
        field->textDidChange(&editor);
        const std::u16string& s = editor.string();
        if (cs != nullptr) {
          Check(FileNameHolds(s, cs->m, cs->e));
          Check(AllAccepted(s, ColorAccepts, &cs->filter));
          Check(ok.isEnabled() == (!s.empty() && s[0] != u'.'));
          Check(color.oldValue() == s);
        } else {
          Check(s.find(u'\0') == std::u16string::npos);
          Check(textfields::CFStringGetEastAsianWidth(s) <= securitypane::GetEditTextMaxLength(key));
          Check(AllAccepted(s, SecurityAccepts, key));
        }
        break;
      }
      case 3:
        field->textShouldEndEditing(&editor);
        break;
    }
  }
  return 0;
}
