// The file-URL form of a path, as the write requests carry it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace protocol {

// "file://" + the absolute path, every byte outside the URL path's
// unreserved and sub-delimiter set (and '/', ':', '@') percent-encoded.
std::string FileURLFromPath(std::string_view path);

// The path of a "file://" or "file://localhost" URL with an absolute path,
// percent-escapes decoded. nullopt for another scheme or host, a bad escape,
// an escaped NUL, or a path that is not valid UTF-8.
std::optional<std::string> PathFromFileURL(std::string_view url);

}  // namespace protocol
