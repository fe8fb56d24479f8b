// Load and save of the pane's edit texts over the print settings.
#include "securitypane/edit_text_settings.h"

#include <gtest/gtest.h>

namespace securitypane {
namespace {

using platform::PrintSettings;
namespace plist = platform::plist;

constexpr const char* kUserName = "jp.halvern.printers.VN420P.userName";
constexpr const char* kUserKey = "jp.halvern.printers.VN420P.userKey";
constexpr const char* kSecureKey = "jp.halvern.printers.VN420P.secureKey";

const std::string* Stored(const PrintSettings& s, const char* key) {
  const plist::Value* v = nullptr;
  if (platform::PMPrintSettingsGetValue(&s, key, &v) != platform::noErr) return nullptr;
  return v->string();
}

TEST(EditTextSettings, NameIsStoredPlainEncodedAndLoadsBack) {
  PrintSettings s;
  ASSERT_EQ(SaveEditText(&s, kUserName, "abc"), platform::noErr);
  ASSERT_NE(Stored(s, kUserName), nullptr);
  EXPECT_EQ(*Stored(s, kUserName), "616263");
  std::string out;
  EXPECT_EQ(LoadEditText(&s, kUserName, &out), platform::noErr);
  EXPECT_EQ(out, "abc");
  EXPECT_EQ(SaveEditTextNumber(&s, "n", "1234"), platform::noErr);
  EXPECT_EQ(*Stored(s, "n"), "31323334");
  EXPECT_EQ(LoadEditTextNumber(&s, "n", &out), platform::noErr);
  EXPECT_EQ(out, "1234");
}

TEST(EditTextSettings, EmptyValueStoresNothing) {
  PrintSettings s;
  ASSERT_EQ(SaveEditText(&s, kUserName, "old"), platform::noErr);
  const std::string before = *Stored(s, kUserName);
  EXPECT_EQ(SaveEditText(&s, kUserName, ""), platform::noErr);
  EXPECT_EQ(SaveEditTextPassword(&s, kUserKey, 54, 0, ""), platform::noErr);
  EXPECT_EQ(*Stored(s, kUserName), before);
  EXPECT_EQ(Stored(s, kUserKey), nullptr);
  EXPECT_EQ(s.entries().size(), 1u);
}

TEST(EditTextSettings, PasswordsAreEncryptedUnlessASelectorSaysPlain) {
  PrintSettings s;
  ASSERT_EQ(SaveEditTextPassword(&s, kSecureKey, 54, 0, "pw12"), platform::noErr);
  EXPECT_EQ(Stored(s, kSecureKey)->size(), 32u);
  EXPECT_NE(*Stored(s, kSecureKey), "70773132");
  std::string out;
  EXPECT_EQ(LoadEditTextPassword(&s, kSecureKey, 54, 0, &out), platform::noErr);
  EXPECT_EQ(out, "pw12");

  ASSERT_EQ(SaveEditTextPassword(&s, kUserKey, kNoEncryption, 0, "pw12"), platform::noErr);
  EXPECT_EQ(*Stored(s, kUserKey), "70773132");
  ASSERT_EQ(SaveEditTextPassword(&s, kUserKey, 54, kNoEncryption, "pw12"), platform::noErr);
  EXPECT_EQ(*Stored(s, kUserKey), "70773132");
  // Either selector 0xFFFFFFFF reads the item as plain-encoded.
  out.clear();
  EXPECT_EQ(LoadEditTextPassword(&s, kUserKey, 54, kNoEncryption, &out), platform::noErr);
  EXPECT_EQ(out, "pw12");
  EXPECT_EQ(LoadEditTextPassword(&s, kUserKey, kNoEncryption, 0, &out), platform::noErr);
  EXPECT_EQ(out, "pw12");

  // A 64-character user password takes 160 characters.
  ASSERT_EQ(SaveEditTextPassword(&s, kUserKey, 54, 0, std::string(64, 'k')), platform::noErr);
  EXPECT_EQ(Stored(s, kUserKey)->size(), 160u);
  EXPECT_EQ(LoadEditTextPassword(&s, kUserKey, 54, 0, &out), platform::noErr);
  EXPECT_EQ(out, std::string(64, 'k'));
}

TEST(EditTextSettings, AbsentOrWrongTypedItemsLeaveOutUntouched) {
  PrintSettings s;
  s.setValue("num", plist::Value(42));
  std::string out = "keep";
  EXPECT_EQ(LoadEditText(&s, "absent", &out), platform::kPMKeyNotFound);
  EXPECT_EQ(LoadEditText(&s, "num", &out), platform::kStatusMissing);
  EXPECT_EQ(LoadEditTextPassword(&s, "num", 54, 0, &out), platform::kStatusMissing);
  EXPECT_EQ(LoadEditText(nullptr, "num", &out), platform::kStatusMissing);
  EXPECT_EQ(out, "keep");
  s.setValue("bad", plist::Value(std::string(300, 'A')));
  EXPECT_EQ(LoadEditText(&s, "bad", &out), platform::paramErr);
  EXPECT_EQ(out, "keep");
}

TEST(EditTextSettings, OverLongValuesAreRefusedAndNothingIsStored) {
  PrintSettings s;
  std::string accented;
  for (int i = 0; i < 64; ++i) accented += "\xC3\xA9";  // 64 characters, 128 bytes
  EXPECT_EQ(SaveEditText(&s, kUserName, accented), platform::paramErr);
  EXPECT_EQ(SaveEditTextPassword(&s, kUserKey, 54, 0, std::string(112, 'x')), platform::paramErr);
  EXPECT_TRUE(s.entries().empty());
  EXPECT_EQ(SaveEditText(nullptr, kUserName, "a"), platform::kStatusMissing);
}

}  // namespace
}  // namespace securitypane
