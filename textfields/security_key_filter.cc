#include "textfields/security_key_filter.h"

#include <iterator>

namespace securitypane {

const EditInfo myEditInfTable[5] = {
    {"jp.halvern.printers.VN420P.secureKey", 3, 8, 1, 1},
    {"jp.halvern.printers.VN420P.userName", 0, 64, 0, 1},
    {"jp.halvern.printers.VN420P.userKey", 2, 64, 1, 0},
    {"jp.halvern.printers.VN420P.sectionName", 1, 8, 0, 0},
    {"jp.halvern.printers.VN420P.sectionKey", 2, 8, 1, 0},
};

int GetEditInfoTableSize() { return static_cast<int>(std::size(myEditInfTable)); }

namespace {

const EditInfo* Find(std::string_view key) {
  for (const EditInfo& info : myEditInfTable)
    if (key == info.key) return &info;
  return nullptr;
}

bool PrintableAsciiNoQuote(char32_t c) { return c >= 0x21 && c <= 0x7E && c != U'"'; }

textfields::KeyFilter FilterOf(std::string_view key) {
  switch (GetEditTextType(key)) {
    case 1:
      return WideCharKeyFilter2;
    case 2:
      return AsciiKeyFilter;
    case 3:
      return AsciiKeyFilter2;
    case 4:
      return AlphaNumericKeyFilter;
    case 5:
      return NumericKeyFilter;
    default:
      return WideCharKeyFilter;
  }
}

}  // namespace

int32_t GetEditTextType(std::string_view key) {
  const EditInfo* info = Find(key);
  return info ? info->editType : 0;
}

int32_t GetEditTextMaxLength(std::string_view key) {
  const EditInfo* info = Find(key);
  return info ? info->maxLength : 0;
}

bool IsEditTextRequired(std::string_view key) {
  const EditInfo* info = Find(key);
  return info && info->isRequired;
}

bool IsEditTextPassword(std::string_view key) {
  const EditInfo* info = Find(key);
  return info && info->isPassword;
}

bool WideCharKeyFilter2(char32_t c) { return PrintableAsciiNoQuote(c); }
bool AsciiKeyFilter(char32_t c) { return PrintableAsciiNoQuote(c); }
bool AsciiKeyFilter2(char32_t c) { return c == U' ' || (PrintableAsciiNoQuote(c) && c != U'+'); }

bool WideCharKeyFilter(char32_t c) {
  return c != 0 && c != 0x00A5 && c != 0xFFE5 && !textfields::IsSurrogateCodePoint(c) && c <= 0x10FFFF;
}

bool FilterEditTextInputKey(std::string_view key, char32_t c) { return FilterOf(key)(c); }

std::u16string CheckUniCharString(const textfields::UniChar* units, int count, std::string_view key) {
  if (units == nullptr || count <= 0) return {};
  return textfields::KeepAccepted(std::u16string_view(units, static_cast<size_t>(count)), FilterOf(key));
}

}  // namespace securitypane
