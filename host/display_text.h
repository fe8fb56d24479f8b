// Text as pdehost shows it: always UTF-8. Names can reach the host holding
// bytes that are not (a PPD, a profile file); each ill-formed sequence is
// shown as U+FFFD instead of breaking the output.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace host {

std::string ShowableText(std::string_view bytes);
// The JSON text of a value (indented by 2, one line feed after), its strings
// made showable the same way.
std::string ShowableJson(const nlohmann::ordered_json& value);

}  // namespace host
