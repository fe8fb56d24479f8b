// Profile lists for tests and benchmarks: made cleared, filled item by item,
// and a user's profile file written and read with the store's own direct
// variant (as the user themself would, not through the service).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "profilestore/direct_variant.h"
#include "profilestore/profile_list.h"
#include "temp_root.h"

namespace testsupport {

using profilestore::HVProfileItem;
using profilestore::HVProfileList;

// Lists are 44 KB each: kept off the stack, cleared.
std::unique_ptr<HVProfileList> NewList();

// The three lists of a profile file: RGB, simulation, destination.
struct ProfileLists {
  ProfileLists();
  HVProfileList& operator[](int c) { return lists[c]; }
  std::unique_ptr<HVProfileList[]> lists;
};

// Every slot of the three lists used, names partly non-ASCII: the largest
// file a user can have. Lists of two variants differ in every text and menu
// state.
ProfileLists FullLists(int variant);

// The text into a field, cut to fit and zero padded.
void SetText(char (&field)[profilestore::kProfileTextSize], const std::string& text);

// Fills slot `slot`; the profile name is the file name. Leaves iNum alone.
void PutItem(HVProfileList* list, int slot, int32_t in_menu, const std::string& file, int32_t location,
             int32_t index_on_device, int32_t klass = 2);

// Appends an item after the last one counted (iNum grows; the index on the
// device is the new count).
void AddItem(HVProfileList* list, const std::string& file, const std::string& name, int32_t in_menu,
             int32_t location, int32_t klass = 0);

// The profile file of user `user` (model VN420P) under the current
// installation root, all three lists at once; false when it fails.
bool WriteUserProfiles(const std::string& user, ProfileLists& lists);
bool ReadUserProfiles(const std::string& user, ProfileLists& lists);

// A temporary installation root whose profile path globals name user
// "alice"'s files for model VN420P while it lives (the store's operations
// then work on them).
class ProfileRoot {
 public:
  ProfileRoot();
  ~ProfileRoot();
  ProfileRoot(const ProfileRoot&) = delete;
  ProfileRoot& operator=(const ProfileRoot&) = delete;

  const std::string& root() const { return root_.root(); }
  const std::string& folder() const { return root_.folder(); }
  const std::string& profile() const { return paths_.profile; }
  const std::string& prev() const { return paths_.prev; }

 private:
  TempRoot root_;
  profilestore::ProfilePaths paths_;
};

}  // namespace testsupport
