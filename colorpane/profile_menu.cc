#include "colorpane/profile_menu.h"

#include <memory>

#include "colorpane/delegating_variant.h"
#include "colorpane/pde_common.h"
#include "colorpane/profile_hooks.h"
#include "platform/ui/view.h"
#include "platform/utf8.h"
#include "profilestore/profile_store.h"

namespace colorpane {

using platform::plist::Value;
using profilestore::HVProfileItem;
using profilestore::HVProfileList;

namespace {

// Reading the user's profile file needs no privilege; every file operation
// that does goes through the privileged service.
void EnsureVariant() { InstallDelegatingVariant(); }

bool ReadList(int profileKind, HVProfileList* list) {
  int cls = ListClassForProfileKind(profileKind);
  if (cls < 0) return false;
  EnsureVariant();
  profilestore::ClearProfileList(list);
  return profilestore::HVPListReadProfile_Dict(list, cls) == 0;
}

}  // namespace

std::string NibbleEncode(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    out += static_cast<char>(0x30 + (b >> 4));
    out += static_cast<char>(0x30 + (b & 0x0F));
  }
  return out;
}

std::string NibbleDecode(std::string_view text) {
  std::string out;
  out.reserve((text.size() + 1) / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    unsigned h = static_cast<unsigned char>(text[i]);
    unsigned l = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    out += static_cast<char>(static_cast<uint8_t>((h * 16) % 256 + l - 0x30));
  }
  return out;
}

std::string ProfilePathOf(const HVProfileItem& item) {
  std::string name(item.FileName, strnlen(item.FileName, sizeof item.FileName));
  if (item.iLocation == profilestore::kLocationDisk) return kDiskProfilePrefix + name;
  if (item.iLocation == profilestore::kLocationCard) return kCardProfilePrefix + name;
  return name;
}

bool IsShownInMenu(const HVProfileItem& item) {
  return item.iInMenu == 3 || item.iInMenu == 4 || item.iInMenu == 6;
}

int ListClassForProfileKind(int profileKind) {
  switch (profileKind) {
    case kProfileRGB: return profilestore::kClassRGB;
    case kProfileDestination: return profilestore::kClassDST;
    case kProfileSimulation: return profilestore::kClassSIM;
    default: return -1;
  }
}

void AddMenuFromProfilePlist(PDEControlData* table) {
  if (!table) return;
  EnsureVariant();
  // Three 500-slot lists are too large for the stack of a dialog's thread.
  auto lists = std::make_unique<HVProfileList[]>(3);
  if (profilestore::HVPListReadProfile_All(&lists[profilestore::kClassRGB], &lists[profilestore::kClassSIM],
                                           &lists[profilestore::kClassDST]) != 0)
    return;
  const platform::Bundle* bundle = PluginBundle();
  // Looked up once: a full list puts hundreds of items into each pop-up.
  const std::string disk = bundle ? bundle->localizedString("Disk") : "";
  const std::string card = bundle ? bundle->localizedString("Card") : "";
  for (PDEControlData* row = table; row->kind != kCtrlEnd; ++row) {
    int cls = ListClassForProfileKind(row->profileKind);
    auto* popup = dynamic_cast<platform::ui::PopUpButton*>(row->control);
    if (cls < 0 || !popup) continue;
    const HVProfileList& list = lists[cls];
    for (int i = 0; i < list.iNum && i < profilestore::kProfileMax; ++i) {
      const HVProfileItem& item = list.litem[i];
      if (!IsShownInMenu(item)) continue;
      std::string where;
      if (item.iLocation == profilestore::kLocationDisk || item.iLocation == profilestore::kLocationCard) {
        if (!bundle) continue;
        where = item.iLocation == profilestore::kLocationDisk ? disk : card;
      }
      std::string title(item.FileName, strnlen(item.FileName, sizeof item.FileName));
      title += "(";
      title.append(item.ProfileName, strnlen(item.ProfileName, sizeof item.ProfileName));
      title += ")" + where;
      popup->addItemWithTitle(title);
    }
  }
}

int32_t SetTicketAddedProfile(const PDEControlData& row, platform::PrintSettings* settings, int32_t position) {
  if (!settings || ListClassForProfileKind(row.profileKind) < 0) return -1;
  auto list = std::make_unique<HVProfileList>();
  std::string path;
  if (ReadList(row.profileKind, list.get())) {
    int32_t count = 0;
    for (int i = 0; i < list->iNum && i < profilestore::kProfileMax; ++i) {
      if (!IsShownInMenu(list->litem[i])) continue;
      if (++count == position) {
        path = ProfilePathOf(list->litem[i]);
        break;
      }
    }
  }
  if (!platform::IsValidUtf8(path)) return 0;
  if (row.choiceRows && !row.choiceRows->empty()) {
    const ChoiceRow& first = row.choiceRows->front();
    platform::PMPrintSettingsSetValue(settings, first[0], Value(first[2]));
  }
  platform::PMPrintSettingsSetValue(settings, std::string(row.ppdKeyword) + "CustomFilename",
                                    Value(NibbleEncode(path)));
  PDECommon::commonSetTicketAddedProfileFlag(row, settings, "True");
  return 0;
}

int32_t GetTicketAddedProfile(const PDEControlData& row, const platform::PrintSettings* settings) {
  if (!settings || ListClassForProfileKind(row.profileKind) < 0) return -1;
  auto list = std::make_unique<HVProfileList>();
  if (!ReadList(row.profileKind, list.get())) profilestore::ClearProfileList(list.get());
  const Value* stored = nullptr;
  if (platform::PMPrintSettingsGetValue(settings, std::string(row.ppdKeyword) + "CustomFilename", &stored) != 0 ||
      !stored->string())
    return 0;
  const std::string& text = *stored->string();
  if (text.size() > 1023) return 0;
  std::string path = NibbleDecode(text);
  if (!platform::IsValidUtf8(path)) return 0;
  int32_t count = 0;
  for (int i = 0; i < list->iNum && i < profilestore::kProfileMax; ++i) {
    const HVProfileItem& item = list->litem[i];
    if (!IsShownInMenu(item)) continue;
    ++count;
    if ((item.iLocation == profilestore::kLocationDisk || item.iLocation == profilestore::kLocationCard) &&
        ProfilePathOf(item) == path)
      return count;
  }
  return 0;
}


}  // namespace colorpane
