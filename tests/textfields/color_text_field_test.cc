// The colour plug-in's field with the management window's two settings.
#include "textfields/color_text_field.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "typing.h"

namespace colorpane {
namespace {

using platform::ui::FieldEditor;

struct Fields {
  HVTextField fileName, displayName;
  platform::ui::Button ok;
  Fields() {
    fileName.setMaxLength(31, 3);
    fileName.setInputKey(1);
    fileName.setOperateControl(&ok);
    displayName.setMaxLength(30, 0);
    displayName.setInputKey(0);
  }
};

TEST(ColorTextField, FileNameRules) {
  const std::string n27(27, 'N');
  struct Case {
    std::string before;
    int caret;  // where typing starts; -1: at the end
    std::string typed, want;
  };
  const std::vector<Case> cases = {
      {"", -1, n27 + "X", n27},  // 28th character without "." undone
      {"", -1, "ABCDEFGH.ICC", "ABCDEFGH.ICC"},
      {"", -1, "ABCDEFGH.ICCX", "ABCDEFGH.ICC"},  // fourth extension character
      {"", -1, "AB.C.D", "AB.CD"},                // second "."
      {"", -1, n27 + ".icc", n27 + ".icc"},       // 27 + "." + 3 = the whole 31
      {n27 + ".IC", 0, "B", n27 + ".IC"},         // name part of 28 before the "."
      {"", -1, "a/b c:d", "abcd"},                // solidus, space and colon removed
      {"", -1, "x\xC3\xA9y", "xy"},
      {"", -1, ".icc", ".icc"},
  };
  for (const Case& c : cases) {
    Fields f;
    f.fileName.setStringValue(c.before);
    ASSERT_TRUE(f.fileName.beginEditing());
    if (c.caret >= 0) {
      for (char ch : c.typed) {
        f.fileName.currentEditor()->setSelectedRange({c.caret, 0});
        f.fileName.insertText(std::string(1, ch));
      }
    } else {
      ASSERT_TRUE(TypeAtEnd(f.fileName, c.typed));
    }
    f.fileName.endEditing();
    EXPECT_EQ(f.fileName.stringValue(), c.want) << c.typed;
  }
}

TEST(ColorTextField, DisplayNameTakesThirtyPrintableAsciiCharacters) {
  Fields f;
  ASSERT_TRUE(TypeAtEnd(f.displayName, std::string(30, 'd') + "e"));
  EXPECT_EQ(f.displayName.stringValue(), std::string(30, 'd'));
  f.displayName.typeText("My \"profile\"\xE2\x82\xAC+1");  // replaces; the euro sign is not ASCII
  EXPECT_EQ(f.displayName.stringValue(), "My \"profile\"+1");
}

TEST(ColorTextField, OperatedControlFollowsTheText) {
  struct Step {
    std::string typed;  // replaces the text
    bool enabled;
  };
  const std::vector<Step> steps = {{"a", true}, {".icc", false}, {"p.icc", true}, {"", false}, {"/", false}};
  Fields f;
  for (const Step& s : steps) {
    ASSERT_TRUE(f.fileName.beginEditing());
    f.fileName.currentEditor()->setSelectedRange({0, 1 << 20});
    f.fileName.insertText(s.typed);
    f.fileName.endEditing();
    EXPECT_EQ(f.ok.isEnabled(), s.enabled) << s.typed;
  }
}

TEST(ColorTextField, PasteOverTheLimitRestoresInOneStepWithTheCaretMovedBack) {
  struct Case {
    std::string before;
    int caret;
    std::string pasted, want;
    int wantCaret;
  };
  const std::vector<Case> cases = {
      {"abc", 3, std::string(30, 'p'), "abc", 3},
      {"abcd", 1, "x.y.z", "abcd", 1},  // a second "." restores too
      {"ab.icc", 2, "1234", "ab1234.icc", 6},
      {"ab", 1, "x/y", "axyb", 3},  // deleted characters move the caret back
  };
  for (const Case& c : cases) {
    Fields f;
    ASSERT_TRUE(PasteAt(f.fileName, c.before, c.caret, c.pasted));
    EXPECT_EQ(f.fileName.stringValue(), c.want) << c.pasted;
    EXPECT_EQ(f.fileName.currentEditor()->selectedRange(), (FieldEditor::Range{c.wantCaret, 0})) << c.pasted;
    EXPECT_EQ(f.fileName.oldValue(), std::u16string(c.want.begin(), c.want.end()));
  }
}

TEST(ColorTextField, UnpairedSurrogatesAreDeleted) {
  Fields f;
  f.fileName.setInputKey(4);
  FieldEditor editor;
  ASSERT_TRUE(f.fileName.textShouldBeginEditing(&editor));
  editor.insertText(std::u16string{u'a', u'\xD800', u'\xDC00', u'\xDC01', u'b', u'\xDBFF'});
  f.fileName.textDidChange(&editor);
  EXPECT_EQ(editor.string(), (std::u16string{u'a', u'\xD800', u'\xDC00', u'b'}));
}

}  // namespace
}  // namespace colorpane
