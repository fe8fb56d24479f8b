// pdehost's script reader: words of a line, blank and comment lines, line
// numbers, and the lines `set --stdin` takes from the same input.
#include "host/pdehost_script.h"

#include <gtest/gtest.h>

#include <sstream>

namespace host {
namespace {

using Words = std::vector<std::string>;

TEST(PdehostScriptTest, SplitWords) {
  const struct {
    const char* line;
    std::optional<Words> words;
  } cases[] = {
      {"set P o 1", Words{"set", "P", "o", "1"}},
      {"  a\t\tb  ", Words{"a", "b"}},
      {"a 'b c' \"d e\"", Words{"a", "b c", "d e"}},
      {"x'y z'w", Words{"xy zw"}},
      {"'' \"\"", Words{"", ""}},
      {R"(a\ b c\'d)", Words{"a b", "c'd"}},
      {R"("q\"q" 'n\n')", Words{"q\"q", "n\\n"}},
      {"a # comment 'x", Words{"a"}},
      {"a#b", Words{"a#b"}},
      {"# only", Words{}},
      {"", Words{}},
      {"tail\\", Words{"tail\\"}},
      {"a 'open", std::nullopt},
      {"\"open", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitWords(c.line), c.words) << c.line;
}

// The words of the reader's next line, "<end>", or "<error> " and the error.
Words Next(ScriptReader& reader) {
  Words words{"left", "over"};
  std::string error;
  if (reader.next(&words, &error)) return words;
  EXPECT_TRUE(words.empty()) << "no words are left behind";
  return {error.empty() ? "<end>" : "<error> " + error};
}

TEST(PdehostScriptTest, LinesNumbersAndErrors) {
  std::istringstream script("\nshow P\n  # note\nset P 'x y'\nbad 'quote\nafter\n");
  std::istringstream input;
  ScriptReader reader(&script, "s.txt", input);
  const std::pair<Words, int> lines[] = {
      {{"show", "P"}, 2}, {{"set", "P", "x y"}, 4}, {{"<error> s.txt:5: unbalanced quote"}, 5},
      {{"after"}, 6},  // the caller decides whether to go on
      {{"<end>"}, 6},
  };
  for (const auto& [words, number] : lines) {
    EXPECT_EQ(Next(reader), words);
    EXPECT_EQ(reader.lineNumber(), number);
  }
  ScriptReader none(nullptr, "", input);
  EXPECT_EQ(Next(none), (Words{"<end>"}));
}

TEST(PdehostScriptTest, InputLinesAreTakenAsTheyAre) {
  // With --script -, a --stdin text is the script's next line, counted as one.
  std::istringstream both("set P --stdin f\n 'pass word' # x\r\nticket\n");
  ScriptReader shared(&both, "-", both);
  std::string line;
  EXPECT_EQ(Next(shared), (Words{"set", "P", "--stdin", "f"}));
  ASSERT_TRUE(shared.nextInputLine(&line));
  EXPECT_EQ(line, " 'pass word' # x");
  EXPECT_EQ(Next(shared), (Words{"ticket"}));
  EXPECT_EQ(shared.lineNumber(), 3);
  EXPECT_FALSE(shared.nextInputLine(&line));

  // A script file apart from the input: its lines do not count.
  std::istringstream script("a\nb\n"), input("secret\n");
  ScriptReader apart(&script, "f", input);
  EXPECT_EQ(Next(apart), (Words{"a"}));
  ASSERT_TRUE(apart.nextInputLine(&line));
  EXPECT_EQ(line, "secret");
  EXPECT_EQ(Next(apart), (Words{"b"}));
  EXPECT_EQ(apart.lineNumber(), 2);
}

}  // namespace
}  // namespace host
