#include "textfields/color_key_filter.h"

#include <string_view>

namespace colorpane {

bool AsciiKeyFilter(char32_t c) { return c >= 0x20 && c <= 0x7E; }

bool AsciiKeyFilterAppoint(char32_t c) {
  static constexpr std::u32string_view kRefused = U"\"*+,/:;<=>?@[\\]|";
  return c >= 0x21 && c <= 0x7E && kRefused.find(c) == std::u32string_view::npos;
}

bool WideCharKeyFilter(char32_t c) {
  return c != 0 && c != U'"' && c != U'+' && !textfields::IsSurrogateCodePoint(c) && c <= 0x10FFFF;
}

namespace {

textfields::KeyFilter FilterOf(int32_t filter) {
  switch (filter) {
    case 0:
      return AsciiKeyFilter;
    case 1:
      return AsciiKeyFilterAppoint;
    case 2:
      return AlphaNumericKeyFilter;
    case 3:
      return NumericKeyFilter;
    default:
      return WideCharKeyFilter;
  }
}

}  // namespace

bool FilterEditTextInputKey(int32_t filter, char32_t c) { return FilterOf(filter)(c); }

void CheckUniCharString(const textfields::UniChar* units, int count, int32_t filter, std::u16string* text) {
  if (units == nullptr || count <= 0 || text == nullptr) return;
  *text = textfields::KeepAccepted(std::u16string_view(units, static_cast<size_t>(count)), FilterOf(filter));
}

}  // namespace colorpane
