// The merge of the spool table into the profile file, the file-name rule and
// the spool table's column layout.
#include "profilewalk/merge.h"

#include <gtest/gtest.h>

#include <cstring>

#include "files.h"
#include "profile_lists.h"
#include "profilestore/profile_store.h"
#include "profilewalk/spool.h"
#include "tests/profilewalk/walk_test_util.h"

namespace profilewalk {
namespace {

using profilestore::kLocationCard;
using profilestore::kLocationDisk;
using namespace profilewalk::testing;

// ---- file-name rule ----

TEST(FileNameRule, AcceptsEightDotThreeAndLongerBases) {
  EXPECT_TRUE(bJudgement8point3Format("ABCDEFGH.ICC"));
  EXPECT_TRUE(bJudgement8point3Format("NAME."));  // ends with its only full stop
  EXPECT_TRUE(bJudgement8point3Format(std::string(27, 'a').c_str()));
  EXPECT_TRUE(bJudgement8point3Format((std::string(27, 'a') + ".icc").c_str()));
  EXPECT_TRUE(bJudgement8point3Format("a.b.c"));  // "b.c": three bytes after the first dot
  EXPECT_TRUE(bJudgement8point3Format("!#$%&'()-^_`{}~.x"));
}

TEST(FileNameRule, RefusesBadShapesAndCharacters) {
  EXPECT_FALSE(bJudgement8point3Format(nullptr));
  EXPECT_FALSE(bJudgement8point3Format(""));
  EXPECT_FALSE(bJudgement8point3Format(".ICC"));  // empty base
  EXPECT_FALSE(bJudgement8point3Format(std::string(28, 'a').c_str()));
  EXPECT_FALSE(bJudgement8point3Format((std::string(28, 'a') + ".icc").c_str()));
  EXPECT_FALSE(bJudgement8point3Format("NAME.ICCX"));
  EXPECT_FALSE(bJudgement8point3Format("a.b.cd"));  // four bytes after the first dot
  EXPECT_FALSE(bJudgement8point3Format("MY FILE.ICC"));
  EXPECT_FALSE(bJudgement8point3Format("MY@FILE.ICC"));
  EXPECT_FALSE(bJudgement8point3Format("MY|FILE"));
  EXPECT_FALSE(bJudgement8point3Format("caf\xc3\xa9.icc"));
  EXPECT_FALSE(bJudgement8point3Format("tab\t.icc"));
}

TEST(FileNameRule, FilterCharacterClasses) {
  for (char c : std::string("azAZ09!#$%&'()-.^_`{}~")) EXPECT_TRUE(FileNameFilter(c)) << c;
  for (char c : std::string(" @|/\\:*?\"<>+=,;[]\x01\x7f")) EXPECT_FALSE(FileNameFilter(c)) << int(c);
  EXPECT_FALSE(FileNameFilter(static_cast<char>(0x80)));
  EXPECT_FALSE(FileNameFilter(static_cast<char>(0xff)));
}

// ---- ageing ----

TEST(Ageing, SuccessAndFailureTables) {
  auto ok = NewList();
  auto failed = NewList();
  for (int state = 0; state <= 6; ++state) {
    PutItem(ok.get(), state, state, "F.ICC", kLocationDisk, 1);
    PutItem(failed.get(), state, state, "F.ICC", kLocationDisk, 1);
  }
  vDeleteMIBprofilesTemporary(0, ok.get());
  vDeleteMIBprofilesTemporary(1, failed.get());
  const int after_success[] = {0, 1, 1, 3, 3, 5, 6};
  const int after_failure[] = {0, 0, 0, 3, 6, 5, 6};
  for (int state = 0; state <= 6; ++state) {
    EXPECT_EQ(ok->litem[state].iInMenu, after_success[state]) << "state " << state;
    EXPECT_EQ(failed->litem[state].iInMenu, after_failure[state]) << "state " << state;
  }
  // A status of 2 is a failure too.
  auto other = NewList();
  PutItem(other.get(), 0, 4, "F.ICC", kLocationDisk, 1);
  vDeleteMIBprofilesTemporary(2, other.get());
  EXPECT_EQ(other->litem[0].iInMenu, 6);
}

// ---- one row into one list ----

class RestructDetail : public ::testing::Test {
 protected:
  void SetUp() override { vSpoolPlist(nullptr, 0, nullptr, 1); }
  void TearDown() override { vSpoolPlist(nullptr, 0, nullptr, 1); }
};

TEST_F(RestructDetail, MatchByNameAndLocationRaisesState) {
  SpoolRow(1, "A.ICC", kLocationDisk, 2);
  const int before[] = {1, 5, 3, 6, 2, 4};
  const int after[] = {2, 2, 4, 4, 2, 4};
  for (int i = 0; i < 6; ++i) {
    auto list = NewList();
    PutItem(list.get(), 0, before[i], "A.ICC", kLocationDisk, 9, 7);
    list->iNum = 1;
    vRestructDetail(0, list.get());
    EXPECT_EQ(list->litem[0].iInMenu, after[i]) << "from " << before[i];
    EXPECT_EQ(list->litem[0].iIndexOnDevice, 9);  // nothing else changes
    EXPECT_EQ(list->litem[0].iProfileClass, 7);
    EXPECT_EQ(list->iNum, 1);
  }
}

TEST_F(RestructDetail, SameNameOtherLocationIsANewItem) {
  SpoolRow(1, "A.ICC", kLocationCard, 2);
  auto list = NewList();
  PutItem(list.get(), 0, 3, "A.ICC", kLocationDisk, 4);
  list->iNum = 1;
  vRestructDetail(0, list.get());
  EXPECT_EQ(list->iNum, 2);
  EXPECT_EQ(list->litem[0].iInMenu, 3);
  EXPECT_EQ(list->litem[1].iInMenu, 2);
  EXPECT_EQ(list->litem[1].iLocation, kLocationCard);
  EXPECT_STREQ(list->litem[1].ProfileName, "name of A.ICC");
  EXPECT_EQ(list->litem[1].iIndexOnDevice, 1);
}

TEST_F(RestructDetail, OnlyTheFirstINumItemsAreSearched) {
  SpoolRow(1, "A.ICC", kLocationDisk, 2);
  auto list = NewList();
  PutItem(list.get(), 0, 3, "B.ICC", kLocationDisk, 4);
  PutItem(list.get(), 1, 3, "A.ICC", kLocationDisk, 4);
  list->iNum = 1;  // the match in slot 1 lies beyond the count
  vRestructDetail(0, list.get());
  EXPECT_EQ(list->litem[1].iInMenu, 3);
  EXPECT_EQ(list->iNum, 2);
  EXPECT_EQ(list->litem[2].iInMenu, 2);
}

TEST_F(RestructDetail, FullListDropsTheRow) {
  SpoolRow(1, "NEW.ICC", kLocationDisk, 2);
  auto list = NewList();
  for (int i = 0; i < profilestore::kProfileMax; ++i)
    PutItem(list.get(), i, 3, "F" + std::to_string(i) + ".ICC", kLocationDisk, 0);
  list->iNum = profilestore::kProfileMax;
  auto copy = *list;
  vRestructDetail(0, list.get());
  EXPECT_EQ(std::memcmp(list.get(), &copy, sizeof copy), 0);
}

TEST_F(RestructDetail, CountOutsideTheListStaysInBounds) {
  SpoolRow(1, "A.ICC", kLocationDisk, 2);
  auto list = NewList();
  list->iNum = 100000;
  vRestructDetail(0, list.get());
  EXPECT_EQ(list->litem[0].iInMenu, 2);
  list->iNum = -5;
  vRestructDetail(0, list.get());
  EXPECT_EQ(list->litem[1].iInMenu, 2);
}

// ---- the whole merge, through the profile file ----

class SpoolMerge : public ::testing::Test {
 protected:
  void SetUp() override {
    vSpoolPlist(nullptr, 0, nullptr, 1);
    rgb_ = NewList();
    sim_ = NewList();
    dst_ = NewList();
  }
  void TearDown() override { vSpoolPlist(nullptr, 0, nullptr, 1); }
  void WriteFile() {
    ASSERT_EQ(profilestore::HVPListWriteProfile_All(rgb_.get(), sim_.get(), dst_.get()), 0);
  }
  void ReadFile() {
    rgb_ = NewList();
    sim_ = NewList();
    dst_ = NewList();
    ASSERT_EQ(profilestore::HVPListReadProfile_All(rgb_.get(), sim_.get(), dst_.get()), 0);
  }
  static const HVProfileItem* Find(const HVProfileList& list, const char* file, int32_t location) {
    for (int i = 0; i < list.iNum; ++i)
      if (std::strcmp(list.litem[i].FileName, file) == 0 && list.litem[i].iLocation == location)
        return &list.litem[i];
    return nullptr;
  }

  testsupport::ProfileRoot root_;
  std::unique_ptr<HVProfileList> rgb_, sim_, dst_;
};

TEST_F(SpoolMerge, SuccessfulWalkConfirmsAndAddsProfiles) {
  PutItem(rgb_.get(), 0, 3, "SHOWN.ICC", kLocationDisk, 1, 1);  // shown, found again -> 4
  PutItem(rgb_.get(), 1, 1, "WAIT.ICC", kLocationDisk, 2, 1);   // hidden, not found -> stays 1
  PutItem(rgb_.get(), 2, 3, "GONE.ICC", kLocationDisk, 7, 1);   // shown with a row, not found -> 6
  rgb_->iNum = 3;
  WriteFile();

  SpoolRow(1, "SHOWN.ICC", kLocationDisk, 1);
  SpoolRow(2, "NEW.ICC", kLocationCard, 2);
  SpoolRow(3, "PRESS.ICC", kLocationDisk, 3);
  SpoolRow(4, "OTHER.ICC", kLocationDisk, 4);  // class 4: not merged
  ASSERT_EQ(vRestructPlistSpool2Current(0), 0);

  ReadFile();
  ASSERT_NE(Find(*rgb_, "SHOWN.ICC", kLocationDisk), nullptr);
  EXPECT_EQ(Find(*rgb_, "SHOWN.ICC", kLocationDisk)->iInMenu, 4);
  EXPECT_EQ(Find(*rgb_, "WAIT.ICC", kLocationDisk)->iInMenu, 1);
  EXPECT_EQ(Find(*rgb_, "GONE.ICC", kLocationDisk)->iInMenu, 6);
  ASSERT_NE(Find(*rgb_, "NEW.ICC", kLocationCard), nullptr);
  EXPECT_EQ(Find(*rgb_, "NEW.ICC", kLocationCard)->iInMenu, 2);
  EXPECT_EQ(Find(*rgb_, "NEW.ICC", kLocationCard)->iIndexOnDevice, 2);
  EXPECT_EQ(rgb_->iNum, 4);
  // Class 3 lands in both SIM and DST.
  ASSERT_NE(Find(*sim_, "PRESS.ICC", kLocationDisk), nullptr);
  ASSERT_NE(Find(*dst_, "PRESS.ICC", kLocationDisk), nullptr);
  EXPECT_EQ(Find(*sim_, "PRESS.ICC", kLocationDisk)->iInMenu, 2);
  EXPECT_EQ(sim_->iNum, 1);
  EXPECT_EQ(dst_->iNum, 1);
  EXPECT_EQ(Find(*rgb_, "OTHER.ICC", kLocationDisk), nullptr);
}

TEST_F(SpoolMerge, FailedWalkFreesHiddenAndKeepsShownAsUnconfirmed) {
  PutItem(rgb_.get(), 0, 2, "HIDDEN.ICC", kLocationDisk, 1, 1);
  PutItem(rgb_.get(), 1, 4, "SHOWN.ICC", kLocationDisk, 2, 1);
  PutItem(rgb_.get(), 2, 1, "WAIT.ICC", kLocationDisk, 3, 1);
  rgb_->iNum = 3;
  WriteFile();
  ASSERT_EQ(vRestructPlistSpool2Current(1), 0);
  ReadFile();
  EXPECT_EQ(Find(*rgb_, "HIDDEN.ICC", kLocationDisk), nullptr);
  EXPECT_EQ(Find(*rgb_, "WAIT.ICC", kLocationDisk), nullptr);
  ASSERT_NE(Find(*rgb_, "SHOWN.ICC", kLocationDisk), nullptr);
  EXPECT_EQ(Find(*rgb_, "SHOWN.ICC", kLocationDisk)->iInMenu, 6);
  EXPECT_EQ(rgb_->iNum, 1);
}

TEST_F(SpoolMerge, InvalidExistingNamesGoEvenAfterAFailedWalk) {
  PutItem(rgb_.get(), 0, 3, "BAD NAME.ICC", kLocationDisk, 0, 1);
  PutItem(rgb_.get(), 1, 3, "GOOD.ICC", kLocationDisk, 0, 1);
  PutItem(sim_.get(), 0, 6, "x@y.icc", kLocationCard, 4, 3);
  PutItem(sim_.get(), 1, 6, "KEEP.ICC", kLocationCard, 5, 3);
  rgb_->iNum = 2;
  sim_->iNum = 2;
  WriteFile();
  ASSERT_EQ(vRestructPlistSpool2Current(1), 0);
  ReadFile();
  EXPECT_EQ(Find(*rgb_, "BAD NAME.ICC", kLocationDisk), nullptr);
  ASSERT_NE(Find(*rgb_, "GOOD.ICC", kLocationDisk), nullptr);
  EXPECT_STREQ(rgb_->litem[0].FileName, "GOOD.ICC");  // compacted to the front
  EXPECT_EQ(rgb_->litem[0].iIndexOnDevice, profilestore::kKeptItemMarker);
  EXPECT_EQ(rgb_->iNum, 1);
  EXPECT_EQ(Find(*sim_, "x@y.icc", kLocationCard), nullptr);
  ASSERT_NE(Find(*sim_, "KEEP.ICC", kLocationCard), nullptr);
  EXPECT_EQ(sim_->iNum, 1);
}

TEST_F(SpoolMerge, RowsNeedALocationAndAValidName) {
  SpoolRow(1, "NOLOC.ICC", 1, 1);
  SpoolRow(2, "LONGEXT.ICCX", kLocationDisk, 1);
  SpoolRow(3, "OK.ICC", kLocationDisk, 1);
  ASSERT_EQ(vRestructPlistSpool2Current(0), 0);  // no file yet: starts from empty lists
  ReadFile();
  EXPECT_EQ(rgb_->iNum, 1);
  EXPECT_NE(Find(*rgb_, "OK.ICC", kLocationDisk), nullptr);
}

TEST_F(SpoolMerge, SpoolCountStopsShortOfRowsBehindAGap) {
  // Rows 1, 2 and 5: count 3, so row 5 is never visited and the empty row 3
  // fails the file-name rule.
  SpoolRow(1, "ONE.ICC", kLocationDisk, 1);
  SpoolRow(2, "TWO.ICC", kLocationDisk, 1);
  SpoolRow(5, "FIVE.ICC", kLocationDisk, 1);
  ASSERT_EQ(PlistForSpool.iNum, 3);
  ASSERT_EQ(vRestructPlistSpool2Current(0), 0);
  ReadFile();
  EXPECT_EQ(rgb_->iNum, 2);
  EXPECT_EQ(Find(*rgb_, "FIVE.ICC", kLocationDisk), nullptr);
}

TEST_F(SpoolMerge, FullListDropsNewRowsButStillConfirmsKnownOnes) {
  for (int i = 0; i < profilestore::kProfileMax; ++i)
    PutItem(rgb_.get(), i, 3, "F" + std::to_string(i) + ".ICC", kLocationDisk, i + 1, 1);
  rgb_->iNum = profilestore::kProfileMax;
  WriteFile();
  SpoolRow(1, "F0.ICC", kLocationDisk, 1);
  SpoolRow(2, "EXTRA.ICC", kLocationDisk, 1);
  ASSERT_EQ(vRestructPlistSpool2Current(0), 0);
  ReadFile();
  EXPECT_EQ(rgb_->iNum, profilestore::kProfileMax);
  EXPECT_EQ(Find(*rgb_, "EXTRA.ICC", kLocationDisk), nullptr);
  EXPECT_EQ(Find(*rgb_, "F0.ICC", kLocationDisk)->iInMenu, 4);
  EXPECT_EQ(Find(*rgb_, "F1.ICC", kLocationDisk)->iInMenu, 6);  // not found, has a row: salvaged
}

TEST_F(SpoolMerge, UnwritableFolderIsTheMergeResult) {
  WriteFile();
  const std::string before = testsupport::ReadText(root_.profile());
  SpoolRow(1, "OK.ICC", kLocationDisk, 1);
  profilestore::SetProfilePathGlobals(nullptr);
  EXPECT_EQ(vRestructPlistSpool2Current(0), -1);
  EXPECT_EQ(testsupport::ReadText(root_.profile()), before);
}

// ---- the spool table's column layout ----

class Spool : public ::testing::Test {
 protected:
  void SetUp() override { vSpoolPlist(nullptr, 0, nullptr, 1); }
  void TearDown() override { vSpoolPlist(nullptr, 0, nullptr, 1); }
};

TEST_F(Spool, ColumnsLandInTheirFields) {
  Variable::Integer(TableOid({1, 1, 3}), 3).Spool();
  Variable::Integer(TableOid({2, 1, 3}), 5).Spool();
  Variable::String(TableOid({3, 1, 3}), "Press").Spool();
  Variable::String(TableOid({4, 1, 3}), "PRESS.ICC").Spool();
  Variable::Integer(TableOid({5, 1, 3}), 3).Spool();
  Variable::Integer(TableOid({6, 1, 3}), 99).Spool();
  Variable::Integer(TableOid({7, 1, 3}), 1).Spool();
  const HVProfileItem& item = PlistForSpool.litem[2];
  EXPECT_EQ(item.iIndexOnDevice, 3);
  EXPECT_EQ(item.iLocation, 5);
  EXPECT_STREQ(item.ProfileName, "Press");
  EXPECT_STREQ(item.FileName, "PRESS.ICC");
  EXPECT_EQ(item.iProfileClass, 3);
  EXPECT_EQ(item.iDriver, 1);
  EXPECT_EQ(item.iInMenu, 0);
  EXPECT_EQ(PlistForSpool.iNum, 1);
}

TEST_F(Spool, IntegersKeepTheirLow32Bits) {
  Variable::Integer(TableOid({2, 1, 1}), 0x1'0000'0005L).Spool();
  EXPECT_EQ(PlistForSpool.litem[0].iLocation, 5);
  Variable::Integer(TableOid({2, 1, 1}), -2).Spool();
  EXPECT_EQ(PlistForSpool.litem[0].iLocation, -2);
}

TEST_F(Spool, OutOfRangeRowsAndShortOidsAreNotStored) {
  const auto before = std::make_unique<HVProfileList>(PlistForSpool);
  Variable::Integer(TableOid({1, 1, 0}), 1).Spool();
  Variable::Integer(TableOid({1, 1, 501}), 1).Spool();
  Variable::Integer(TableOid({1, 1, 100000}), 1).Spool();
  Variable::Integer(TableOid({1, 1}), 1).Spool();
  Variable::Integer(TableOid({1}), 1).Spool();
  // Another table beside the profile table.
  std::vector<oid> other = TableOid({1, 1, 1});
  other[14] = 2;
  Variable::Integer(other, 1).Spool();
  EXPECT_EQ(std::memcmp(&PlistForSpool, before.get(), sizeof PlistForSpool), 0);
  Variable::Integer(TableOid({1, 1, 500}), 500).Spool();
  EXPECT_EQ(PlistForSpool.litem[499].iIndexOnDevice, 500);
}

TEST_F(Spool, WrongTypesAreIgnored) {
  Variable::String(TableOid({1, 1, 1}), "1").Spool();
  Variable::String(TableOid({2, 1, 1}), "4").Spool();
  Variable::Integer(TableOid({4, 1, 1}), 7).Spool();
  unsigned long counter = 3;
  Variable(TableOid({5, 1, 1}), ASN_COUNTER, &counter, sizeof counter).Spool();
  EXPECT_EQ(PlistForSpool.iNum, 0);
  EXPECT_EQ(PlistForSpool.litem[0].iLocation, 0);
  EXPECT_EQ(PlistForSpool.litem[0].FileName[0], '\0');
  EXPECT_EQ(PlistForSpool.litem[0].iProfileClass, 0);
}

TEST_F(Spool, LongStringsNeverLeaveTheirFields) {
  Variable::String(TableOid({4, 1, 1}), "OLD.ICC").Spool();
  Variable::String(TableOid({4, 1, 1}), std::string(31, 'F')).Spool();
  EXPECT_EQ(std::string(PlistForSpool.litem[0].FileName), std::string(31, 'F'));
  // A file name over 31 bytes leaves the field empty rather than naming another file.
  Variable::String(TableOid({4, 1, 1}), std::string(27, 'A') + ".ICC" + std::string(200, 'X')).Spool();
  EXPECT_EQ(PlistForSpool.litem[0].FileName[0], '\0');
  EXPECT_EQ(PlistForSpool.litem[1].iIndexOnDevice, 0);  // the next row is untouched
  // A profile name is cut, at a character boundary.
  Variable::String(TableOid({3, 1, 1}), std::string(300, 'N')).Spool();
  EXPECT_EQ(std::string(PlistForSpool.litem[0].ProfileName), std::string(31, 'N'));
  Variable::String(TableOid({3, 1, 1}), std::string(30, 'N') + "\xc3\xa9" + "tail").Spool();
  EXPECT_EQ(std::string(PlistForSpool.litem[0].ProfileName), std::string(30, 'N'));
  EXPECT_EQ(PlistForSpool.litem[0].ProfileName[31], '\0');
}

TEST_F(Spool, CountNeverPassesTheTable) {
  // Column 1 of one row answered again and again (the ignored 17th index varies).
  for (oid i = 1; i <= 700; ++i) Variable::Integer(TableOid({1, i, 7}), 7).Spool();
  EXPECT_EQ(PlistForSpool.iNum, profilestore::kProfileMax);
}

TEST_F(Spool, ClearEmptiesEverything) {
  Variable::Integer(TableOid({1, 1, 9}), 9).Spool();
  vSpoolPlist(nullptr, 0, nullptr, 1);
  auto empty = NewList();
  EXPECT_EQ(std::memcmp(&PlistForSpool, empty.get(), sizeof PlistForSpool), 0);
}

}  // namespace
}  // namespace profilewalk
