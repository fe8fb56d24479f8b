#include "protocol/walk_args.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

namespace protocol {
namespace {

constexpr std::string_view kProgramName = "snmpwalk";
constexpr size_t kMaxCommunityBytes = 255;
constexpr size_t kMaxOidTextBytes = 512;
// print_variable's output letters; none of them takes a value.
constexpr std::string_view kOutputLetters = "0abeEfnqQsStTuUvxX";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlnum(char c) { return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool AllOf(std::string_view s, bool (*pred)(char)) {
  for (char c : s)
    if (!pred(c)) return false;
  return true;
}

std::optional<unsigned> Number(std::string_view s, unsigned max) {
  if (s.empty() || s.size() > 5 || !AllOf(s, IsDigit)) return std::nullopt;
  unsigned value = 0;
  std::from_chars(s.data(), s.data() + s.size(), value);
  if (value > max) return std::nullopt;
  return value;
}

bool IsDottedIPv4(std::string_view s) {
  int parts = 0;
  while (true) {
    size_t dot = s.find('.');
    std::string_view part = s.substr(0, dot);
    if (part.size() > 3 || !Number(part, 255)) return false;
    ++parts;
    if (dot == std::string_view::npos) break;
    s.remove_prefix(dot + 1);
  }
  return parts == 4;
}

bool IsHostName(std::string_view s) {
  if (s.empty() || s.size() > 253) return false;
  while (true) {
    size_t dot = s.find('.');
    std::string_view label = s.substr(0, dot);
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') return false;
    for (char c : label)
      if (!IsAlnum(c) && c != '-') return false;
    if (dot == std::string_view::npos) return true;
    s.remove_prefix(dot + 1);
  }
}

// Seconds as digits with an optional fraction ("0.5").
std::optional<double> Seconds(std::string_view s) {
  size_t dot = s.find('.');
  std::string_view whole = s.substr(0, dot);
  std::string_view fraction = dot == std::string_view::npos ? std::string_view() : s.substr(dot + 1);
  if (whole.empty() || whole.size() > 3 || !AllOf(whole, IsDigit)) return std::nullopt;
  if (dot != std::string_view::npos && (fraction.empty() || fraction.size() > 6 || !AllOf(fraction, IsDigit)))
    return std::nullopt;
  return std::strtod(std::string(s).c_str(), nullptr);
}

bool IsOidText(std::string_view s) {
  if (s.empty() || s.size() > kMaxOidTextBytes || s.front() == '-') return false;
  for (char c : s)
    if (!IsAlnum(c) && c != '.' && c != ':' && c != '_' && c != '-') return false;
  return true;
}

// The transport names the SNMP library reads before a ':' (in any case).
constexpr std::string_view kTransportNames[] = {
    "udp",      "tcp",     "udp6",  "tcp6",  "udpv6",     "tcpv6",     "udpipv6", "tcpipv6",
    "ipv6",     "inet",    "inet6", "unix",  "local",     "ipx",       "aal5pvc", "pvc",
    "callback", "alias",   "dtls",  "dtls6", "dtlsudp",   "dtlsudp6",  "tls",     "tls6",
    "tlstcp",   "tlstcp6", "ssh",   "std",   "udpshared", "udpshared6"};

bool IsTransportName(std::string_view host) {
  for (std::string_view name : kTransportNames) {
    if (name.size() != host.size()) continue;
    bool same = true;
    for (size_t i = 0; same && i < name.size(); ++i)
      same = name[i] == (host[i] >= 'A' && host[i] <= 'Z' ? host[i] - 'A' + 'a' : host[i]);
    if (same) return true;
  }
  return false;
}

}  // namespace

std::string UdpAgent(std::string_view agent) { return "udp:" + std::string(agent); }

bool IsAgentAddress(std::string_view text) {
  size_t colon = text.find(':');
  std::string_view host = text.substr(0, colon);
  if (IsTransportName(host)) return false;
  if (colon != std::string_view::npos) {
    std::optional<unsigned> port = Number(text.substr(colon + 1), 65535);
    if (!port || *port == 0) return false;
  }
  bool numeric = !host.empty() && AllOf(host, [](char c) { return IsDigit(c) || c == '.'; });
  return numeric ? IsDottedIPv4(host) : IsHostName(host);
}

std::optional<std::string> RefuseWalkArguments(int argc, const char* const* argv, int* agent_index) {
  if (agent_index != nullptr) *agent_index = -1;
  if (argc < 1 || argv == nullptr || argv[0] == nullptr || argv[0] != kProgramName)
    return "the program name is not snmpwalk";
  double timeout = 1;  // the library's defaults
  int retries = 5;
  int i = 1;
  for (; i < argc && argv[i] != nullptr && argv[i][0] == '-'; ++i) {
    std::string_view option = argv[i];
    if (option.size() < 2 || option[1] == '-') return "option " + std::string(option) + " is not accepted";
    char letter = option[1];
    if (letter == 'V' || letter == 'h' || letter == 'H') {
      if (option.size() != 2) return "option " + std::string(option) + " is not accepted";
      return std::nullopt;  // prints and ends the parse; nothing after it is read
    }
    if (std::strchr("vcOCtr", letter) == nullptr) return "option -" + std::string(1, letter) + " is not accepted";
    std::string_view value = option.substr(2);
    if (value.empty()) {
      if (++i >= argc || argv[i] == nullptr) return "option -" + std::string(1, letter) + " lacks its value";
      value = argv[i];
    }
    bool ok = false;
    switch (letter) {
      case 'v':
        ok = value == "1";
        break;
      case 'c':
        ok = !value.empty() && value.size() <= kMaxCommunityBytes;
        break;
      case 'O':
        ok = value.find_first_not_of(kOutputLetters) == std::string_view::npos;
        break;
      case 'C':
        ok = value.size() <= 16 && AllOf(value, IsAlnum);
        break;
      case 't':
        if (std::optional<double> t = Seconds(value); t && *t > 0 && *t <= kMaxWalkTimeoutSeconds) {
          timeout = *t;
          ok = true;
        }
        break;
      case 'r':
        if (std::optional<unsigned> r = Number(value, kMaxWalkRetries)) {
          retries = static_cast<int>(*r);
          ok = true;
        }
        break;
    }
    if (!ok) return "option -" + std::string(1, letter) + " has a value that is not accepted";
  }
  if (timeout * (retries + 1) > kMaxWalkRequestSeconds) return "time-out and retries exceed the walk's bound";
  if (i >= argc || argv[i] == nullptr) return std::nullopt;  // no agent: the parser reports it
  if (!IsAgentAddress(argv[i])) return "the agent address is not an IPv4 address or host name";
  if (agent_index != nullptr) *agent_index = i;
  if (++i < argc && argv[i] != nullptr && !IsOidText(argv[i])) return "the root is not an object identifier";
  if (i < argc && ++i < argc && argv[i] != nullptr) return "more than one root object identifier";
  return std::nullopt;
}

}  // namespace protocol
