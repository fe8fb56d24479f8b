// Cutting the profile file's XML text into request-sized chunks, and the
// UTF-8 / UTF-16 handling under it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace protocol {

// At most this many UTF-16 units per chunk.
inline constexpr size_t kChunkUnits = 90000;

// `splitCharEvery:` over UTF-16 units: a text of at most n units is one piece
// (the empty text included); otherwise pieces of n units are cut from the
// front while at least n remain and a shorter rest is the last piece. A cut
// that would fall between the halves of a surrogate pair moves one unit
// earlier (for n == 1: one later), so every piece converts to UTF-8.
// REQUIRES: n > 0.
std::vector<std::u16string> SplitCharEvery(std::u16string_view text, size_t n);

// The same over UTF-8 text, answering UTF-8 pieces; nullopt when `text` is
// not valid UTF-8.
std::optional<std::vector<std::string>> SplitUtf8Every(std::string_view text, size_t n);

// Conversions; nullopt on ill-formed input.
std::optional<std::u16string> Utf16FromUtf8(std::string_view text);
std::optional<std::string> Utf8FromUtf16(std::u16string_view text);

}  // namespace protocol
