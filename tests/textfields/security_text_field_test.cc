// The Security pane's fields typed into through the platform's field editor.
#include "textfields/security_text_field.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "typing.h"

namespace securitypane {
namespace {

using platform::ui::FieldEditor;

constexpr const char* kSecureKey = "jp.halvern.printers.VN420P.secureKey";
constexpr const char* kUserName = "jp.halvern.printers.VN420P.userName";
constexpr const char* kUserKey = "jp.halvern.printers.VN420P.userKey";
constexpr const char* kSectionName = "jp.halvern.printers.VN420P.sectionName";
constexpr const char* kSectionKey = "jp.halvern.printers.VN420P.sectionKey";

// A pane control record as the pane's table has it.
struct Record {
  platform::ui::Object* control;
  uint16_t kind;
  const char* settingsKey;
  std::string value;
};

// A field bound to one record of its own.
template <class Field>
struct Bound {
  Field field;
  Record table[2];
  explicit Bound(const char* key) : table{{&field, 6, key, ""}, {nullptr, 0xFFFF, nullptr, ""}} {
    HVTextFieldSetup(table);
  }
  const std::string& recordValue() const { return table[0].value; }
};

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

const std::string kIdeograph = "\xE4\xB8\x80";  // U+4E00, width 2

TEST(SecurityTextField, WidthLimitWhileTyping) {
  struct Case {
    const char* key;
    std::string before, typed, want;
  };
  const std::vector<Case> cases = {
      {kUserName, "", Repeat(kIdeograph, 33), Repeat(kIdeograph, 32)},  // 32 fill 64; the 33rd is undone
      {kUserName, Repeat(kIdeograph, 31) + "a", "b", Repeat(kIdeograph, 31) + "ab"},  // 63 + 1
      {kUserName, Repeat(kIdeograph, 31) + "a", kIdeograph, Repeat(kIdeograph, 31) + "a"},
      {kSectionName, "", "ABCDEFGHI", "ABCDEFGH"},
      {kSecureKey, "", "12345678 9", "12345678"},
  };
  for (const Case& c : cases) {
    Bound<HVTextField> b(c.key);
    b.field.setStringValue(c.before);
    ASSERT_TRUE(TypeAtEnd(b.field, c.typed));
    b.field.endEditing();
    EXPECT_EQ(b.field.stringValue(), c.want) << c.key << " " << c.typed;
    EXPECT_EQ(b.recordValue(), c.want) << c.key;
  }
}

TEST(SecurityTextField, FiltersAndNormalisation) {
  struct Case {
    const char* key;
    std::string typed, want;
  };
  const std::vector<Case> cases = {
      {kUserName,
       "a\xC2\xA5"
       "b\xEF\xBF\xA5"
       "c",
       "abc"},  // both yen signs removed
      {kUserName, "\"x+ y", "\"x+ y"},
      {kSecureKey, "ab\"c d", "abc d"},  // quotation mark removed, space kept
      {kSecureKey, "a+b", "ab"},
      {kUserKey, "ab c\"d", "abcd"},  // no space in the user password
      {kSectionKey, "k\xE4\xB8\x80y", "ky"},
      {kUserName, "e\xCC\x81", "\xC3\xA9"},  // e + combining acute: one precomposed character
      {kUserName,
       "\xF0\xA0\x80\x80"
       "a",
       "\xF0\xA0\x80\x80"
       "a"},  // a pair is one character
  };
  for (const Case& c : cases) {
    Bound<HVTextField> b(c.key);
    b.field.typeText(c.typed);
    EXPECT_EQ(b.field.stringValue(), c.want) << c.key << " " << c.typed;
    EXPECT_EQ(b.recordValue(), c.want) << c.key;
  }
  // Composition comes before the filter: in an ASCII field the e goes with its accent.
  Bound<HVTextField> section(kSectionName);
  section.field.typeText(
      "e\xCC\x81"
      "1234567");
  EXPECT_EQ(section.field.stringValue(), "1234567");
  // The composed letter counts 1.
  Bound<HVTextField> name(kUserName);
  name.field.typeText("e\xCC\x81" + std::string(63, 'x') + "y");
  EXPECT_EQ(name.field.stringValue(), "\xC3\xA9" + std::string(63, 'x'));
}

TEST(SecurityTextField, PasteOverTheLimitRestoresInOneStepWithTheCaretMovedBack) {
  struct Case {
    std::string before;
    int caret;
    std::string pasted;
    std::string want;
    int wantCaret;
  };
  const std::vector<Case> cases = {
      {"abc", 3, "123456", "abc", 3},
      {"abcd", 2, "123456", "abcd", 2},
      {"abcd", 2, "1234", "ab1234cd", 6},  // fits: caret after the paste
      {"ab", 1, "x\"y", "axyb", 3},        // filtered: caret less what was removed
  };
  for (const Case& c : cases) {
    Bound<HVTextField> b(kSectionName);
    ASSERT_TRUE(PasteAt(b.field, c.before, c.caret, c.pasted));
    EXPECT_EQ(b.field.stringValue(), c.want) << c.pasted;
    EXPECT_EQ(b.field.currentEditor()->selectedRange(), (FieldEditor::Range{c.wantCaret, 0})) << c.pasted;
  }
}

// Straight through the callbacks with text the UTF-8 side cannot carry.
TEST(SecurityTextField, UnpairedSurrogatesAndNulNeverStay) {
  struct Case {
    const char* key;
    std::u16string typed, want;
  };
  std::u16string hidden = u"a";
  hidden += u'\0';
  hidden += std::u16string(40, u'\u4E00');  // a NUL would hide the width of what follows
  const std::vector<Case> cases = {
      {kUserName, std::u16string{u'a', u'\xD800'}, u"a"},
      {kUserName, std::u16string{u'\xDC00', u'b', u'\xD83D'}, u"b"},
      {kUserName, std::u16string{u'\xD83D', u'\xDE00'}, u"\U0001F600"},
      {kUserName, hidden, u""},
      {kSectionName, std::u16string{u'\0', u'z'}, u"z"},
  };
  for (const Case& c : cases) {
    Bound<HVTextField> b(c.key);
    FieldEditor editor;
    ASSERT_TRUE(b.field.textShouldBeginEditing(&editor));
    editor.insertText(c.typed);
    b.field.textDidChange(&editor);
    EXPECT_EQ(editor.string(), c.want);
    EXPECT_EQ(b.field.oldValue(), c.want);
  }
}

TEST(SecurityTextField, EndOfEditingPutsTheLastAcceptedTextBackOnlyInNameFields) {
  Bound<HVTextField> name(kUserName);
  Bound<HVSecureTextField> password(kUserKey);
  for (platform::ui::TextField* f : {static_cast<platform::ui::TextField*>(&name.field),
                                     static_cast<platform::ui::TextField*>(&password.field)}) {
    ASSERT_TRUE(f->beginEditing());
    f->insertText("ab");
    f->setStringValue("zz");  // changed behind the callbacks
    f->endEditing();
  }
  EXPECT_EQ(name.field.stringValue(), "ab");
  EXPECT_EQ(name.recordValue(), "ab");
  EXPECT_EQ(password.field.stringValue(), "zz");
  EXPECT_EQ(password.recordValue(), "ab");
  password.field.setOldValue("old");
  EXPECT_EQ(password.field.oldValue(), u"old");
}

// The table walks, over both kinds of key member a record may have.
template <class Key>
struct TableRecord {
  platform::ui::Object* control;
  int kind;
  Key settingsKey;
  std::optional<std::string> value;
};

template <class Key>
void CheckSetupAndClassCheck() {
  HVSecureTextField secureKey, sectionKey;
  HVTextField userName, sectionName, passwordAsName;
  platform::ui::TextField plainPassword, label;
  std::vector<TableRecord<Key>> table = {
      {&label, 2, Key{}, {}},
      {&secureKey, 6, Key{kSecureKey}, {}},
      {&userName, 6, Key{kUserName}, {}},
      {&plainPassword, 6, Key{kUserKey}, {}},
      {&sectionName, 6, Key{kSectionName}, {}},
      {&sectionKey, 6, Key{kSectionKey}, {}},
      {&passwordAsName, 3, Key{kSectionKey}, {}},  // not an edit record: not bound, still hidden
      {nullptr, 0xFFFF, Key{}, {}},
  };
  HVTextFieldSetup(table.data());
  HVTextFieldClassCheck(table.data());
  EXPECT_EQ(secureKey.maxLength(), 8);
  EXPECT_EQ(userName.maxLength(), 64);
  EXPECT_EQ(sectionName.maxLength(), 8);
  EXPECT_EQ(sectionKey.maxLength(), 8);
  EXPECT_EQ(passwordAsName.maxLength(), 0);
  EXPECT_EQ(userName.table().settingsKey, kUserName);
  EXPECT_TRUE(plainPassword.isHidden());
  EXPECT_TRUE(passwordAsName.isHidden());
  for (platform::ui::View* v :
       std::initializer_list<platform::ui::View*>{&secureKey, &userName, &sectionName, &sectionKey, &label})
    EXPECT_FALSE(v->isHidden()) << v->className();
  userName.typeText("Tar\xC2\xA5o");
  EXPECT_EQ(table[2].value, std::optional<std::string>("Taro"));
  sectionKey.typeText("k1 2");
  EXPECT_EQ(table[5].value, std::optional<std::string>("k12"));
}

TEST(SecurityTextField, SetupBindsEditRecordsAndClassCheckHidesClearPasswords) {
  CheckSetupAndClassCheck<const char*>();
  CheckSetupAndClassCheck<std::optional<std::string>>();
  CheckSetupAndClassCheck<std::string>();
}

}  // namespace
}  // namespace securitypane
