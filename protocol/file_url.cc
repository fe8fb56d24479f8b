#include "protocol/file_url.h"

#include "platform/hex_digit.h"
#include "platform/utf8.h"

namespace protocol {
namespace {

bool KeptAsIs(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  switch (c) {
    case '-': case '.': case '_': case '~': case '/':
    case '!': case '$': case '&': case '\'': case '(': case ')':
    case '*': case '+': case ',': case ';': case '=': case ':': case '@':
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string FileURLFromPath(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  url.reserve(url.size() + path.size());
  for (unsigned char c : path) {
    if (KeptAsIs(c)) {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 15];
    }
  }
  return url;
}

std::optional<std::string> PathFromFileURL(std::string_view url) {
  constexpr std::string_view kScheme = "file://";
  constexpr std::string_view kLocalhost = "localhost";
  if (url.substr(0, kScheme.size()) != kScheme) return std::nullopt;
  url.remove_prefix(kScheme.size());
  if (url.substr(0, kLocalhost.size()) == kLocalhost) url.remove_prefix(kLocalhost.size());
  if (url.empty() || url.front() != '/') return std::nullopt;
  std::string path;
  path.reserve(url.size());
  for (size_t i = 0; i < url.size(); ++i) {
    char c = url[i];
    if (c == '%') {
      if (i + 2 >= url.size()) return std::nullopt;
      int hi = platform::HexValue(url[i + 1]), lo = platform::HexValue(url[i + 2]);
      if (hi < 0 || lo < 0) return std::nullopt;
      c = static_cast<char>(hi * 16 + lo);
      i += 2;
    }
    if (c == '\0') return std::nullopt;
    path += c;
  }
  if (!platform::IsValidUtf8(path)) return std::nullopt;
  return path;
}

}  // namespace protocol
