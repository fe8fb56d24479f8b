#include "host/pdehost_script.h"

#include "platform/wipe.h"

namespace host {

std::optional<std::vector<std::string>> SplitWords(std::string_view line) {
  std::vector<std::string> words;
  std::string cur;
  bool in_word = false;
  char quote = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (quote) {
      if (c == quote)
        quote = 0;
      else if (c == '\\' && quote == '"' && i + 1 < line.size())
        cur += line[++i];
      else
        cur += c;
    } else if (c == '\'' || c == '"') {
      quote = c;
      in_word = true;
    } else if (c == '\\' && i + 1 < line.size()) {
      cur += line[++i];
      in_word = true;
    } else if (c == ' ' || c == '\t') {
      if (in_word) words.push_back(std::move(cur));
      platform::WipeString(cur);
      in_word = false;
    } else if (c == '#' && !in_word) {
      break;
    } else {
      cur += c;
      in_word = true;
    }
  }
  if (quote) {
    platform::WipeString(cur);
    for (auto& w : words) platform::WipeString(w);
    return std::nullopt;
  }
  if (in_word) words.push_back(std::move(cur));
  return words;
}

ScriptReader::ScriptReader(std::istream* script, std::string name, std::istream& input)
    : script_(script), name_(std::move(name)), input_(input) {}

bool ScriptReader::next(std::vector<std::string>* words, std::string* error) {
  std::string line;
  for (auto& w : *words) platform::WipeString(w);
  words->clear();
  while (script_ && std::getline(*script_, line)) {
    ++lineno_;
    std::optional<std::vector<std::string>> split = SplitWords(line);
    platform::WipeString(line);  // it may have held a password
    if (!split) {
      *error = name_ + ":" + std::to_string(lineno_) + ": unbalanced quote";
      return false;
    }
    *words = std::move(*split);
    if (!words->empty()) return true;
  }
  return false;
}

bool ScriptReader::nextInputLine(std::string* line) {
  if (!std::getline(input_, *line)) return false;
  if (script_ == &input_) ++lineno_;
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return true;
}

}  // namespace host
