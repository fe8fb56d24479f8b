#include "cupssetup/private_values.h"

#include <strings.h>

#include <algorithm>
#include <optional>

namespace cupssetup {

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && (a.empty() || strncasecmp(a.data(), b.data(), a.size()) == 0);
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The words of a line up to a comment (a '#' not escaped), as the
// scheduler's configuration reader splits them.
std::vector<std::string_view> Words(std::string_view line, size_t* contentEnd) {
  size_t end = 0;
  while (end < line.size() && !(line[end] == '#' && (end == 0 || line[end - 1] != '\\'))) ++end;
  while (end > 0 && IsBlank(line[end - 1])) --end;
  *contentEnd = end;
  std::vector<std::string_view> words;
  for (size_t i = 0; i < end;) {
    while (i < end && IsBlank(line[i])) ++i;
    const size_t start = i;
    while (i < end && !IsBlank(line[i])) ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

bool StartsWithNoCase(std::string_view word, std::string_view prefix) {
  return word.size() >= prefix.size() && EqualNoCase(word.substr(0, prefix.size()), prefix);
}

struct Policy {
  std::string name;
  size_t openLine = 0;                   // the <Policy> line
  std::optional<size_t> lastValuesLine;  // the last JobPrivateValues line
  std::vector<std::string> values, access;
  std::string indent = "  ";
  bool indented = false;
};

struct Line {
  std::string_view text;  // without the line feed
  std::string_view end;   // "\n" or ""
};

std::vector<Line> Lines(std::string_view conf) {
  std::vector<Line> lines;
  for (size_t at = 0; at < conf.size();) {
    size_t feed = conf.find('\n', at);
    if (feed == std::string_view::npos) feed = conf.size();
    lines.push_back({conf.substr(at, feed - at), conf.substr(feed, feed < conf.size() ? 1 : 0)});
    at = feed + 1;
  }
  return lines;
}

// Every policy section, closed or running to the end of the text.
std::vector<Policy> Policies(const std::vector<Line>& lines) {
  std::vector<Policy> policies;
  bool inPolicy = false;
  int limits = 0;  // <Limit> sections inside the policy, where these directives do not belong
  for (size_t i = 0; i < lines.size(); ++i) {
    size_t end;
    std::vector<std::string_view> words = Words(lines[i].text, &end);
    if (words.empty()) continue;
    std::string_view first = words[0];
    if (!inPolicy) {
      if (!StartsWithNoCase(first, "<Policy")) continue;
      Policy p;
      std::string_view rest = lines[i].text.substr(0, end);
      rest = rest.substr(rest.find_first_not_of(" \t") + 7);
      rest = rest.substr(0, rest.find('>'));
      while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
      while (!rest.empty() && IsBlank(rest.back())) rest.remove_suffix(1);
      p.name = rest;
      p.openLine = i;
      policies.push_back(std::move(p));
      inPolicy = true;
      limits = 0;
      continue;
    }
    Policy& p = policies.back();
    if (!p.indented && !StartsWithNoCase(first, "</Policy")) {
      // A new line is indented as the policy's first line is.
      p.indent = lines[i].text.substr(0, lines[i].text.find_first_not_of(" \t"));
      p.indented = true;
    }
    if (StartsWithNoCase(first, "</Policy")) {
      inPolicy = false;
    } else if (StartsWithNoCase(first, "<Limit")) {
      ++limits;
    } else if (StartsWithNoCase(first, "</Limit")) {
      limits = std::max(0, limits - 1);
    } else if (limits == 0) {
      std::vector<std::string>* list = EqualNoCase(first, "JobPrivateValues")   ? &p.values
                                       : EqualNoCase(first, "JobPrivateAccess") ? &p.access
                                                                                : nullptr;
      if (list) list->insert(list->end(), words.begin() + 1, words.end());
      if (list == &p.values) p.lastValuesLine = i;
    }
  }
  return policies;
}

bool Names(const std::vector<std::string>& list, std::string_view word) {
  return std::any_of(list.begin(), list.end(), [&](const std::string& w) { return EqualNoCase(w, word); });
}

std::vector<std::string> Readable(const Policy& p, const std::vector<std::string>& keys) {
  std::vector<std::string> readable;
  if (Names(p.values, "all")) return readable;
  for (const std::string& key : keys)
    if (!Names(p.values, key)) readable.push_back(key);
  return readable;
}

}  // namespace

std::vector<PolicyReport> CheckPolicies(std::string_view conf, const std::vector<std::string>& keys) {
  std::vector<PolicyReport> reports;
  for (const Policy& p : Policies(Lines(conf)))
    reports.push_back({p.name, Readable(p, keys), Names(p.access, "all")});
  return reports;
}

std::string HideKeys(std::string_view conf, const std::vector<std::string>& keys) {
  const std::vector<Line> lines = Lines(conf);
  std::vector<std::string> added(lines.size());     // appended to line i
  std::vector<std::string> inserted(lines.size());  // a line after line i
  for (const Policy& p : Policies(lines)) {
    std::vector<std::string> missing = Readable(p, keys);
    if (missing.empty()) continue;
    std::string words;
    for (const std::string& key : missing) words += " " + key;
    if (p.lastValuesLine)
      added[*p.lastValuesLine] = words;
    else
      inserted[p.openLine] = p.indent + "JobPrivateValues default" + words;
  }
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view text = lines[i].text;
    if (added[i].empty()) {
      out += text;
    } else {
      size_t end;
      Words(text, &end);
      out.append(text.substr(0, end)).append(added[i]).append(text.substr(end));
    }
    out += lines[i].end;
    if (!inserted[i].empty()) out += (lines[i].end.empty() ? "\n" : "") + inserted[i] + "\n";
  }
  return out;
}

}  // namespace cupssetup
