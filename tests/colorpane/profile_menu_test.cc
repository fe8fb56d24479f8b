// Profiles of the user's profile file in the profile pop-ups and the ticket.
#include "colorpane/profile_menu.h"

#include <optional>

#include "colorpane/profile_hooks.h"
#include "platform/paths.h"
#include "profile_lists.h"
#include "profilestore/profile_store.h"
#include "temp_root.h"
#include "test_panel.h"

namespace colorpane::testing {
namespace {

using profilestore::HVProfileList;
using testsupport::AddItem;

TEST(NibbleTest, EncodesEachByteAsTwoCharacters) {
  EXPECT_EQ(NibbleEncode("/"), "2?");
  EXPECT_EQ(NibbleEncode("A\xC3\xA9"), "41<3:9");
  EXPECT_EQ(NibbleDecode("41<3:9"), "A\xC3\xA9");
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(NibbleDecode(NibbleEncode(all)), all);
  EXPECT_EQ(NibbleDecode("2?2").size(), 2u) << "an odd length rounds up";
}

class ProfileMenuTest : public PanelTest {
 protected:
  void SetUp() override {
    root_.emplace();
    PanelTest::SetUp();
  }
  void TearDown() override {
    PanelTest::TearDown();
    root_.reset();
  }

  // Writes the lists as this user's profile file, with the store's own writer.
  void WriteProfiles() { ASSERT_TRUE(testsupport::WriteUserProfiles(platform::paths::LoginName(), lists_)); }

  testsupport::ProfileLists lists_;
  HVProfileList& rgb = lists_[0];
  HVProfileList& sim = lists_[1];
  HVProfileList& dst = lists_[2];
  std::optional<testsupport::TempRoot> root_;
};

TEST_F(ProfileMenuTest, ShownProfilesFollowThePPDChoices) {
  AddItem(&dst, "A.ICC", "First", 4, profilestore::kLocationDisk);
  AddItem(&dst, "B.ICC", "Hidden", 2, profilestore::kLocationDisk);
  AddItem(&dst, "C.ICC", "Third", 6, profilestore::kLocationCard);
  AddItem(&dst, "A.ICC", "Twin", 3, profilestore::kLocationCard);
  AddItem(&sim, "S.ICC", "Sim", 3, 0);
  WriteProfiles();
  Open();
  auto* dest = Adv(kIDest);
  size_t n = advanced->getControlData()[kIDest].choiceRows->size();
  ASSERT_EQ(dest->numberOfItems(), static_cast<int>(n) + 3);
  EXPECT_EQ(dest->itemAtIndex(static_cast<int>(n))->title, "A.ICC(First)Disk");
  EXPECT_EQ(dest->itemAtIndex(static_cast<int>(n) + 1)->title, "C.ICC(Third)Card");
  EXPECT_EQ(dest->itemAtIndex(static_cast<int>(n) + 2)->title, "A.ICC(Twin)Card");
  EXPECT_EQ(Adv(kSSource)->itemAtIndex(Adv(kSSource)->numberOfItems() - 1)->title, "S.ICC(Sim)");
  EXPECT_EQ(Adv(kIRGBSource)->numberOfItems(), static_cast<int>(advanced->getControlData()[0].choiceRows->size()));

  // The card twin of a disk profile maps back to its own entry.
  dest->selectItemAtIndex(static_cast<int>(n) + 2);
  std::string error;
  panel->saveValuesAndReturnError(&error);
  EXPECT_EQ(Ticket("HVImageDestinationProfileCustom"), "True");
  EXPECT_EQ(Ticket("HVImageDestinationProfile"), (*advanced->getControlData()[kIDest].choiceRows)[0][2]);
  EXPECT_EQ(Ticket("HVImageDestinationProfileCustomFilename"), NibbleEncode(std::string(kCardProfilePrefix) + "A.ICC"));
  dest->selectItemAtIndex(0);
  panel->restoreValuesAndReturnError(&error);
  EXPECT_EQ(dest->indexOfSelectedItem(), static_cast<int>(n) + 2);

  // Hidden since: the restore falls back to the PPD default.
  dst.litem[3].iInMenu = 2;
  WriteProfiles();
  panel->restoreValuesAndReturnError(&error);
  EXPECT_EQ(dest->indexOfSelectedItem(), 0);
}

TEST_F(ProfileMenuTest, NoProfileFileLeavesThePPDChoices) {
  Open();
  EXPECT_EQ(Adv(kIDest)->numberOfItems(), static_cast<int>(advanced->getControlData()[kIDest].choiceRows->size()));
  PDEControlData row = advanced->getControlData()[kIDest];
  EXPECT_EQ(GetTicketAddedProfile(row, &host->settings), 0);
  EXPECT_EQ(GetTicketAddedProfile(row, nullptr), -1);
  EXPECT_EQ(GetTicketAddedProfile(advanced->getControlData()[kIIntent], &host->settings), -1);
}

}  // namespace
}  // namespace colorpane::testing
