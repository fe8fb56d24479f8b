#include "host/lpoptions.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/file_util.h"
#include "platform/ppd.h"
#include "securitypane/settings_keys.h"

namespace host {

namespace {

// The Security panel's modes and the option names of its fields; its own
// settings keys all begin with securitypane::kOwnKeyPrefix.
constexpr std::string_view kNeverDefaults[] = {securitypane::kPrintModeKey,
                                               securitypane::kAuthenticationKey,
                                               securitypane::kSectionManagementKey,
                                               "SecurePass",
                                               "UserName",
                                               "UserPass",
                                               "SectionName",
                                               "SectionPass"};
constexpr std::string_view kSecurityKeyPrefix = securitypane::kOwnKeyPrefix;
constexpr size_t kMaxFileBytes = 16u << 20;

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && (a.empty() || strncasecmp(a.data(), b.data(), a.size()) == 0);
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

// A "Dest" or "Default" line as libcups reads it: blanks before the
// keyword, the name (and "/instance") up to a blank, then the options up to
// a '#' that is not escaped.
struct DestLine {
  std::string_view name, instance;
  size_t nameEnd = 0;  // the bytes up to here are kept as written
  std::string_view options;
  std::string_view comment;  // from the '#', "" when none
};

std::optional<DestLine> ParseDestLine(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  size_t start = i;
  while (i < line.size() && !IsBlank(line[i])) ++i;
  const std::string_view keyword = line.substr(start, i - start);
  if (!EqualNoCase(keyword, "Dest") && !EqualNoCase(keyword, "Default")) return std::nullopt;
  while (i < line.size() && IsBlank(line[i])) ++i;
  start = i;
  while (i < line.size() && !IsBlank(line[i]) && line[i] != '#') ++i;
  if (i == start) return std::nullopt;
  DestLine d;
  std::string_view full = line.substr(start, i - start);
  const size_t slash = full.find('/');
  d.name = full.substr(0, slash);
  if (slash != std::string_view::npos) d.instance = full.substr(slash + 1);
  d.nameEnd = i;
  size_t end = i;
  for (; end < line.size(); ++end) {
    if (line[end] == '\\' && end + 1 < line.size())
      ++end;
    else if (line[end] == '#')
      break;
  }
  d.comment = line.substr(end);
  d.options = line.substr(i, end - i);
  return d;
}

// The options as written, one word each: blanks separate them outside
// quotes, a backslash escapes the next character.
struct Word {
  std::string_view text, name;
};

std::vector<Word> Words(std::string_view s) {
  std::vector<Word> words;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && IsBlank(s[i])) ++i;
    if (i == s.size()) break;
    const size_t start = i;
    char quote = 0;
    for (; i < s.size(); ++i) {
      const char c = s[i];
      if (c == '\\' && i + 1 < s.size()) {
        ++i;
      } else if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '\'' || c == '"') {
        quote = c;
      } else if (IsBlank(c)) {
        break;
      }
    }
    const std::string_view text = s.substr(start, i - start);
    words.push_back({text, text.substr(0, text.find('='))});
  }
  return words;
}

// name=value, the value quoted when libcups would otherwise split or cut it.
std::string OptionWord(const std::string& name, const std::string& value) {
  const bool quote = value.empty() || value.find_first_of(" \t'\"\\#") != std::string::npos;
  std::string out = name + "=";
  if (!quote) return out + value;
  out += '"';
  for (char c : value) {
    if (c == '"' || c == '\\' || c == '#') out += '\\';
    out += c;
  }
  return out + '"';
}

// The line rewritten: never-default options off, and, for the destination's
// own line, `options` set. nullopt when it stays as it is.
std::optional<std::string> Rewrite(std::string_view line, const DestLine& d, const JobOptions* options) {
  std::vector<std::string> out;
  std::vector<bool> placed(options ? options->size() : 0, false);
  bool changed = false;
  for (const Word& w : Words(d.options)) {
    if (IsNeverDefault(w.name)) {
      changed = true;
      continue;
    }
    size_t k = 0;
    while (options && k < options->size() && !EqualNoCase((*options)[k].first, w.name)) ++k;
    if (!options || k == options->size()) {
      out.emplace_back(w.text);
      continue;
    }
    // The first word of the option takes its new value; later ones go.
    std::string word = OptionWord((*options)[k].first, (*options)[k].second);
    changed = changed || placed[k] || word != w.text;
    if (!placed[k]) out.push_back(std::move(word));
    placed[k] = true;
  }
  for (size_t k = 0; k < placed.size(); ++k) {
    if (placed[k] || IsNeverDefault((*options)[k].first)) continue;
    out.push_back(OptionWord((*options)[k].first, (*options)[k].second));
    changed = true;
  }
  if (!changed) return std::nullopt;
  std::string text(line.substr(0, d.nameEnd));
  for (const std::string& w : out) text += " " + w;
  if (!d.comment.empty()) text += " " + std::string(d.comment);
  return text;
}

std::string HomeFolder() {
  if (const char* home = getenv("HOME"); home && *home) return home;
  const passwd* pw = getpwuid(getuid());
  return pw && pw->pw_dir ? pw->pw_dir : "";
}

}  // namespace

bool IsNeverDefault(std::string_view key) {
  if (key.size() >= kSecurityKeyPrefix.size() &&
      EqualNoCase(key.substr(0, kSecurityKeyPrefix.size()), kSecurityKeyPrefix))
    return true;
  return std::any_of(std::begin(kNeverDefaults), std::end(kNeverDefaults),
                     [&](std::string_view k) { return EqualNoCase(k, key); });
}

JobOptions DefaultableOptions(ppd_file_t* ppd, const JobOptions& ticket,
                              const std::vector<std::string>& supportedKeys) {
  JobOptions out;
  if (!ppd) return out;
  for (const auto& [key, value] : ticket) {
    if (IsNeverDefault(key) ||
        std::find(supportedKeys.begin(), supportedKeys.end(), key) == supportedKeys.end())
      continue;
    ppd_option_t* option = platform::ppd::FindOption(ppd, key.c_str());
    if (option && platform::ppd::FindChoice(option, value.c_str())) out.emplace_back(key, value);
  }
  return out;
}

std::string LpoptionsPath() {
  if (getuid() == 0) {
    const char* root = getenv("CUPS_SERVERROOT");
    return std::string(root && *root ? root : "/etc/cups") + "/lpoptions";
  }
  return HomeFolder() + "/.cups/lpoptions";
}

std::string MergeQueueDefaults(std::string_view text, const std::string& destination,
                               const JobOptions& options) {
  const size_t slash = destination.find('/');
  const std::string_view queue = std::string_view(destination).substr(0, slash);
  const std::string_view instance =
      slash == std::string::npos ? std::string_view() : std::string_view(destination).substr(slash + 1);
  std::string out;
  bool found = false;
  size_t firstInstanceAt = std::string::npos;  // in `out`
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    end = end == std::string_view::npos ? text.size() : end + 1;
    const std::string_view whole = text.substr(at, end - at);
    at = end;
    const std::string_view line = whole.substr(0, whole.size() - (whole.ends_with('\n') ? 1 : 0));
    const std::optional<DestLine> d = ParseDestLine(line);
    if (!d || !EqualNoCase(d->name, queue)) {
      out += whole;
      continue;
    }
    const bool own = EqualNoCase(d->instance, instance);
    found = found || own;
    if (!d->instance.empty() && firstInstanceAt == std::string::npos) firstInstanceAt = out.size();
    std::optional<std::string> rewritten = Rewrite(line, *d, own ? &options : nullptr);
    if (!rewritten) {
      out += whole;
      continue;
    }
    out += *rewritten;
    out += whole.substr(line.size());
  }
  if (found) return out;
  JobOptions kept;
  for (const auto& o : options)
    if (!IsNeverDefault(o.first)) kept.push_back(o);
  if (kept.empty()) return out;
  std::string line = "Dest " + destination;
  for (const auto& [name, value] : kept) line += " " + OptionWord(name, value);
  line += "\n";
  if (instance.empty() && firstInstanceAt != std::string::npos) return out.insert(firstInstanceAt, line);
  if (!out.empty() && out.back() != '\n') out += '\n';
  return out + line;
}

bool SaveQueueDefaults(const std::string& path, const std::string& destination, const JobOptions& options,
                       std::string* error) {
  std::string target = path;
  struct stat st {};
  bool exists = lstat(path.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) {
    *error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  if (exists && S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr || stat(resolved, &st) != 0) {
      *error = "cannot follow " + path + ": " + std::strerror(errno);
      return false;
    }
    target = resolved;
  }
  std::string text;
  if (exists) {
    if (platform::ReadFile(target, &text, kMaxFileBytes) != platform::noErr) {
      *error = "cannot read " + path + " (a regular file of at most 16 MiB)";
      return false;
    }
  } else {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    if (!folder.empty() && mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
      *error = "cannot create " + folder + ": " + std::strerror(errno);
      return false;
    }
  }
  const std::string merged = MergeQueueDefaults(text, destination, options);
  if (merged == text) return true;  // nothing to save, or saved already
  const platform::FileOwner owner{st.st_uid, st.st_gid};
  std::string why;
  if (platform::ReplaceFile(target, merged, exists ? static_cast<int>(st.st_mode & 07777) : 0644,
                            exists ? &owner : nullptr, &why) == platform::noErr)
    return true;
  *error = "cannot write " + path + (target != path ? " (" + target + ")" : "") + ": " + why;
  return false;
}

}  // namespace host
