// The in-memory list operations: recount, clean, salvage, padding, window merge.
#include "profilestore/profile_list.h"

#include <gtest/gtest.h>

#include <cstring>

#include "profile_lists.h"

namespace profilestore {
namespace {

using testsupport::NewList;
using testsupport::PutItem;

TEST(Recount, MatchingCountChangesNothing) {
  auto list = NewList();
  for (int i = 0; i < 4; ++i) PutItem(list.get(), i, 3, "A.ICC", kLocationDisk, 0);
  list->litem[10].iProfileClass = 7;  // stray data behind the items survives
  list->iNum = 4;
  HVPlistCheckWithInMenu_Dict(list.get());
  EXPECT_EQ(list->iNum, 4);
  EXPECT_EQ(list->litem[10].iProfileClass, 7);
}

TEST(Recount, ItemBehindAGapIsLostWhenTheCountDisagrees) {
  auto list = NewList();
  for (int i : {0, 1, 2, 7}) PutItem(list.get(), i, 4, "B.ICC", kLocationDisk, 0);
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
  PutItem(list.get(), 0, 4, "KEEP.ICC", kLocationDisk, 0);
  PutItem(list.get(), 1, 1, "DROP.ICC", kLocationDisk, 0);
  PutItem(list.get(), 2, 1, "ROW.ICC", kLocationDisk, 12);  // has a printer row: untouched
  PutItem(list.get(), 3, 5, "", kLocationDisk, 0);          // no file name: untouched
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
  PutItem(list.get(), 0, 3, "A.ICC", kLocationDisk, 5);
  PutItem(list.get(), 1, 3, "B.ICC", kLocationDisk, 0);
  PutItem(list.get(), 2, 4, "C.ICC", kLocationDisk, 6);
  PutItem(list.get(), 3, 3, "", kLocationDisk, 7);
  HVPListSalvage_Dict(list.get());
  EXPECT_EQ(list->litem[0].iInMenu, 6);
  EXPECT_EQ(list->litem[1].iInMenu, 3);
  EXPECT_EQ(list->litem[2].iInMenu, 4);
  EXPECT_EQ(list->litem[3].iInMenu, 3);
}

TEST(Padding, CompactsInOrderAndLeavesProfileClassBehind) {
  auto list = NewList();
  PutItem(list.get(), 1, 3, "A.ICC", kLocationDisk, 0);
  PutItem(list.get(), 3, 6, "B.ICC", kLocationDisk, 0);
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
  PutItem(file.get(), 0, 2, "GONE.ICC", kLocationDisk, 1);   // deleted by the user
  PutItem(file.get(), 1, 4, "KEPT.ICC", kLocationDisk, 2);   // untouched
  PutItem(file.get(), 2, 2, "EDIT.ICC", kLocationDisk, 3);   // replaced by the edited copy
  PutItem(file.get(), 3, 6, "TYPED.ICC", kLocationDisk, 0);  // not confirmed: comes from the window only
  PutItem(file.get(), 4, 4, "EDIT.ICC", kLocationCard, 4);   // same name on the card: kept
  file->iNum = 5;
  PutItem(deleted.get(), 0, 2, "GONE.ICC", kLocationDisk, 1);
  deleted->iNum = 1;
  PutItem(edited.get(), 0, 3, "EDIT.ICC", kLocationDisk, 3);
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
  for (int i = 0; i < 10; ++i) PutItem(file.get(), i, 4, "F" + std::to_string(i), kLocationDisk, i + 1);
  file->iNum = 10;
  for (int i = 0; i < kProfileMax; ++i)
    PutItem(edited.get(), i, 3, "E" + std::to_string(i), kLocationDisk, 0);
  edited->iNum = kProfileMax;
  HVPListMapping_Pap(edited.get(), file.get(), out.get(), deleted.get());
  EXPECT_EQ(out->iNum, kProfileMax);
  EXPECT_STREQ(out->litem[9].FileName, "F9");
  EXPECT_STREQ(out->litem[499].FileName, "E489");
}

TEST_F(WindowMerge, CorruptCountsStayInsideTheList) {
  PutItem(edited.get(), 0, 3, "E.ICC", kLocationDisk, 0);
  edited->iNum = 100000;
  file->iNum = -3;
  HVPListMapping_Pap(edited.get(), file.get(), out.get(), deleted.get());
  EXPECT_EQ(out->iNum, kProfileMax);
  EXPECT_STREQ(out->litem[0].FileName, "E.ICC");
}

}  // namespace
}  // namespace profilestore
