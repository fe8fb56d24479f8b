// Unicode normalisation form C of a field's text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace textfields {

// The text in normalisation form C, or nullopt when it cannot be normalised
// (the caller then keeps the text as it is). Unpaired surrogates pass through.
std::optional<std::u16string> stringConvertNormalize(std::u16string_view text);

}  // namespace textfields
