#include "profile_lists.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "profilestore/profile_store.h"

namespace testsupport {

namespace {

// Runs `fn` on the user's files with the direct variant installed.
template <class Fn>
bool OnUserFile(const std::string& user, Fn fn) {
  profilestore::ProfilePaths paths;
  profilestore::FormProfilePaths(user, "VN420P", &paths);
  profilestore::SetProfilePathGlobals(&paths);
  profilestore::FileVariant* previous = profilestore::SetFileVariant(nullptr);
  const bool ok = fn() == 0;
  profilestore::SetFileVariant(previous);
  profilestore::SetProfilePathGlobals(nullptr);
  return ok;
}

}  // namespace

std::unique_ptr<HVProfileList> NewList() {
  auto list = std::make_unique<HVProfileList>();
  profilestore::ClearProfileList(list.get());
  return list;
}

ProfileLists::ProfileLists() : lists(std::make_unique<HVProfileList[]>(3)) {
  for (int c = 0; c < 3; ++c) profilestore::ClearProfileList(&lists[c]);
}

ProfileLists FullLists(int variant) {
  ProfileLists lists;
  for (int c = 0; c < 3; ++c) {
    HVProfileList& l = lists[c];
    for (int i = 0; i < profilestore::kProfileMax; ++i) {
      HVProfileItem& item = l.litem[i];
      item.iIndexOnDevice = i + 1;
      item.iInMenu = 1 + (i + variant) % 6;
      item.iProfileClass = c;
      item.iLocation = i % 2 ? profilestore::kLocationDisk : profilestore::kLocationCard;
      std::snprintf(item.FileName, sizeof item.FileName, "P%03d_%d_%d.icc", i, c, variant);
      std::snprintf(item.ProfileName, sizeof item.ProfileName, "プロファイル%03d-%d", i, variant);
    }
    l.iNum = profilestore::kProfileMax;
  }
  return lists;
}

void SetText(char (&field)[profilestore::kProfileTextSize], const std::string& text) {
  std::memset(field, 0, sizeof field);
  std::memcpy(field, text.data(), std::min(text.size(), sizeof field - 1));
}

void PutItem(HVProfileList* list, int slot, int32_t in_menu, const std::string& file, int32_t location,
             int32_t index_on_device, int32_t klass) {
  HVProfileItem& item = list->litem[slot];
  item.iInMenu = in_menu;
  item.iIndexOnDevice = index_on_device;
  item.iLocation = location;
  item.iProfileClass = klass;
  SetText(item.FileName, file);
  SetText(item.ProfileName, file);
}

void AddItem(HVProfileList* list, const std::string& file, const std::string& name, int32_t in_menu,
             int32_t location, int32_t klass) {
  HVProfileItem& item = list->litem[list->iNum++];
  SetText(item.FileName, file);
  SetText(item.ProfileName, name);
  item.iInMenu = in_menu;
  item.iLocation = location;
  item.iIndexOnDevice = list->iNum;
  item.iProfileClass = klass;
}

bool WriteUserProfiles(const std::string& user, ProfileLists& l) {
  return OnUserFile(user, [&] { return profilestore::HVPListWriteProfile_All(&l[0], &l[1], &l[2]); });
}

bool ReadUserProfiles(const std::string& user, ProfileLists& l) {
  return OnUserFile(user, [&] { return profilestore::HVPListReadProfile_All(&l[0], &l[1], &l[2]); });
}

ProfileRoot::ProfileRoot() {
  profilestore::FormProfilePaths("alice", "VN420P", &paths_);
  profilestore::SetProfilePathGlobals(&paths_);
}

ProfileRoot::~ProfileRoot() { profilestore::SetProfilePathGlobals(nullptr); }

}  // namespace testsupport
