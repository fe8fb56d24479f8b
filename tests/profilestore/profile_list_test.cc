// The in-memory list operations: recount, clean, salvage, padding, window merge.
#include "profilestore/profile_list.h"

#include <gtest/gtest.h>

#include <cstring>

#include "store_fixture.h"

namespace profilestore {
namespace {

using testing::NewList;
using testing::SetItem;

TEST(Recount, MatchingCountChangesNothing) {
  auto list = NewList();
  for (int i = 0; i < 4; ++i) SetItem(list.get(), i, 3, "A.ICC");
  list->litem[10].iProfileClass = 7;  // stray data behind the items survives
  list->iNum = 4;
  HVPlistCheckWithInMenu_Dict(list.get());
  EXPECT_EQ(list->iNum, 4);
  EXPECT_EQ(list->litem[10].iProfileClass, 7);
}

TEST(Recount, ItemBehindAGapIsLostWhenTheCountDisagrees) {
  auto list = NewList();
  for (int i : {0, 1, 2, 7}) SetItem(list.get(), i, 4, "B.ICC");
  list->iNum = 3;
  HVPlistCheckWithInMenu_Dict(list.get());
  EXPECT_EQ(list->iNum, 4);
  EXPECT_EQ(list->litem[2].iInMenu, 4);
  EXPECT_EQ(list->litem[7].iInMenu, 0);
  EXPECT_EQ(list->litem[7].FileName[0], '\0');
  for (int i = 4; i < kProfileMax; ++i) ASSERT_EQ(list->litem[i].iProfileClass, 0) << i;
}

TEST(Clean, ShownItemWithoutPrinterRowIsKeptOthersErased) {
  auto list = NewList();
  SetItem(list.get(), 0, 4, "KEEP.ICC");
  SetItem(list.get(), 1, 1, "DROP.ICC");
  SetItem(list.get(), 2, 1, "ROW.ICC", 12);  // has a printer row: untouched
  SetItem(list.get(), 3, 5, "");             // no file name: untouched
  list->iNum = 4;
  HVPListCleanProfile_Dict(list.get());
  EXPECT_EQ(list->litem[0].iIndexOnDevice, kKeptItemMarker);
  EXPECT_EQ(list->litem[0].iInMenu, 3);
  EXPECT_EQ(list->litem[1].iInMenu, 0);
  EXPECT_EQ(list->litem[1].FileName[0], '\0');
  EXPECT_EQ(list->litem[2].iInMenu, 1);
  EXPECT_EQ(list->litem[3].iInMenu, 5);
  EXPECT_EQ(list->iNum, 3);
}

TEST(Salvage, OnlyState3WithPrinterRowAndNameBecomes6) {
  auto list = NewList();
  SetItem(list.get(), 0, 3, "A.ICC", 5);
  SetItem(list.get(), 1, 3, "B.ICC", 0);
  SetItem(list.get(), 2, 4, "C.ICC", 6);
  SetItem(list.get(), 3, 3, "", 7);
  HVPListSalvage_Dict(list.get());
  EXPECT_EQ(list->litem[0].iInMenu, 6);
  EXPECT_EQ(list->litem[1].iInMenu, 3);
  EXPECT_EQ(list->litem[2].iInMenu, 4);
  EXPECT_EQ(list->litem[3].iInMenu, 3);
}

TEST(Padding, CompactsInOrderAndLeavesProfileClassBehind) {
  auto list = NewList();
  SetItem(list.get(), 1, 3, "A.ICC");
  SetItem(list.get(), 3, 6, "B.ICC");
  list->litem[3].iProfileClass = 9;
  list->iNum = 2;
  HVPListPaddingProfile_Dict(list.get());
  EXPECT_EQ(list->litem[0].iInMenu, 3);
  EXPECT_STREQ(list->litem[0].FileName, "A.ICC");
  EXPECT_EQ(list->litem[1].iInMenu, 6);
  EXPECT_STREQ(list->litem[1].FileName, "B.ICC");
  EXPECT_EQ(list->litem[1].iProfileClass, 9);
  EXPECT_EQ(list->litem[2].iInMenu, 0);
  EXPECT_EQ(list->litem[3].iInMenu, 0);
  EXPECT_EQ(list->litem[3].FileName[0], '\0');
  EXPECT_EQ(list->litem[3].iProfileClass, 9);
  EXPECT_EQ(list->iNum, 2);
}

class WindowMerge : public ::testing::Test {
 protected:
  std::unique_ptr<HVProfileList> edited = NewList(), file = NewList(), out = NewList(), deleted = NewList();
};

TEST_F(WindowMerge, KeepsUntouchedConfirmedItemsAheadOfEditedOnes) {
  SetItem(file.get(), 0, 2, "GONE.ICC", 1);                 // deleted by the user
  SetItem(file.get(), 1, 4, "KEPT.ICC", 2);                 // untouched
  SetItem(file.get(), 2, 2, "EDIT.ICC", 3);                 // replaced by the edited copy
  SetItem(file.get(), 3, 6, "TYPED.ICC", 0);                // not confirmed: comes from the window only
  SetItem(file.get(), 4, 4, "EDIT.ICC", 4, kLocationCard);  // same name on the card: kept
  file->iNum = 5;
  SetItem(deleted.get(), 0, 2, "GONE.ICC", 1);
  deleted->iNum = 1;
  SetItem(edited.get(), 0, 3, "EDIT.ICC", 3);
  std::strcpy(edited->litem[0].ProfileName, "Renamed");
  edited->iNum = 1;

  HVPListMapping_Pap(edited.get(), file.get(), out.get(), deleted.get());
  ASSERT_EQ(out->iNum, 3);
  EXPECT_STREQ(out->litem[0].FileName, "KEPT.ICC");
  EXPECT_STREQ(out->litem[1].FileName, "EDIT.ICC");
  EXPECT_EQ(out->litem[1].iLocation, kLocationCard);
  EXPECT_STREQ(out->litem[2].ProfileName, "Renamed");
  EXPECT_EQ(out->litem[3].iInMenu, 0);
}

TEST_F(WindowMerge, NeverExceeds500Items) {
  for (int i = 0; i < 10; ++i) SetItem(file.get(), i, 4, ("F" + std::to_string(i)).c_str(), i + 1);
  file->iNum = 10;
  for (int i = 0; i < kProfileMax; ++i) SetItem(edited.get(), i, 3, ("E" + std::to_string(i)).c_str());
  edited->iNum = kProfileMax;
  HVPListMapping_Pap(edited.get(), file.get(), out.get(), deleted.get());
  EXPECT_EQ(out->iNum, kProfileMax);
  EXPECT_STREQ(out->litem[9].FileName, "F9");
  EXPECT_STREQ(out->litem[499].FileName, "E489");
}

TEST_F(WindowMerge, CorruptCountsStayInsideTheList) {
  SetItem(edited.get(), 0, 3, "E.ICC");
  edited->iNum = 100000;
  file->iNum = -3;
  HVPListMapping_Pap(edited.get(), file.get(), out.get(), deleted.get());
  EXPECT_EQ(out->iNum, kProfileMax);
  EXPECT_STREQ(out->litem[0].FileName, "E.ICC");
}

}  // namespace
}  // namespace profilestore
