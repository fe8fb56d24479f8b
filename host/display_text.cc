#include "host/display_text.h"

#include <unicode/utf8.h>

namespace host {

std::string ShowableText(std::string_view bytes) {
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
  const auto length = static_cast<int32_t>(bytes.size());
  std::string out;
  out.reserve(bytes.size());
  for (int32_t i = 0; i < length;) {
    int32_t start = i;
    UChar32 c;
    U8_NEXT(p, i, length, c);
    if (c < 0)
      out += "\xEF\xBF\xBD";
    else
      out.append(bytes.substr(static_cast<size_t>(start), static_cast<size_t>(i - start)));
  }
  return out;
}

std::string ShowableJson(const nlohmann::ordered_json& value) {
  return value.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace host
