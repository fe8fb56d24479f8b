// Queries on an edit field's text.
#include <gtest/gtest.h>

#include "securitypane/edit_text_util.h"

namespace securitypane {
namespace {

TEST(EditTextUtil, EmptyZeroAndLengthInUtf16Units) {
  platform::ui::TextField field;
  EXPECT_TRUE(IsEmptyEditText(&field));
  EXPECT_TRUE(IsZeroEditText(&field));
  EXPECT_EQ(GetLengthEditText(&field), 0);

  field.setStringValue("0042");
  EXPECT_FALSE(IsEmptyEditText(&field));
  EXPECT_FALSE(IsZeroEditText(&field));
  EXPECT_EQ(GetLengthEditText(&field), 4);

  field.setStringValue("abc");  // no digits: integer value 0
  EXPECT_TRUE(IsZeroEditText(&field));

  field.setStringValue("\xC3\xA9\xF0\x9F\x98\x80");  // one BMP letter, one supplementary
  EXPECT_EQ(GetLengthEditText(&field), 3);

  EXPECT_TRUE(IsEmptyEditText(nullptr));
  EXPECT_EQ(GetLengthEditText(nullptr), 0);
}

}  // namespace
}  // namespace securitypane
