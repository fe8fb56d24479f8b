#include "host/display_text.h"

#include "platform/utf8.h"

namespace host {

std::string ShowableText(std::string_view bytes) { return platform::ToUtf8(platform::ToUtf16(bytes)); }

std::string ShowableJson(const nlohmann::ordered_json& value) {
  return value.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace host
