// pdehost's script: the commands of `--script FILE|-`, one per line, and the
// lines `set --stdin` takes from standard input. Lines may hold passwords:
// every buffer that held one is overwritten before it is let go.
#pragma once

#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace host {

// A line's words: blanks separate; single and double quotes group, a
// backslash escapes the next character (inside double quotes too), and a #
// outside a word starts a comment. nullopt for an unbalanced quote.
std::optional<std::vector<std::string>> SplitWords(std::string_view line);

class ScriptReader {
 public:
  // `script` may be nullptr (no script) or the same stream as `input`
  // (`--script -`); `name` is how messages call it.
  ScriptReader(std::istream* script, std::string name, std::istream& input);

  // The next line's words, blank lines skipped. False at the end, and with
  // *error ("NAME:LINE: unbalanced quote") for a malformed line.
  bool next(std::vector<std::string>* words, std::string* error);
  // The next line of the input as it is (no quotes, no comment, a final CR
  // dropped): a text kept out of the arguments. A line of the script when
  // the script is the input. False at the end of the input.
  bool nextInputLine(std::string* line);
  // The number of the script's line last read.
  int lineNumber() const { return lineno_; }
  const std::string& name() const { return name_; }

 private:
  std::istream* script_;
  std::string name_;
  std::istream& input_;
  int lineno_ = 0;
};

}  // namespace host
