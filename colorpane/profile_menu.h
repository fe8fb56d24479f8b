// Profile items in the profile pop-ups and the ticket's profile entries.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "profilestore/profile_list.h"

namespace colorpane {

// Location prefixes of a profile on the printer.
inline constexpr const char* kDiskProfilePrefix = "/ata1a/data/USfiles/Profiles/";
inline constexpr const char* kCardProfilePrefix = "/ataCf1a/data/USfiles/Profiles/";

// Each byte b becomes the characters 0x30 + (b >> 4) and 0x30 + (b & 0x0F).
std::string NibbleEncode(std::string_view bytes);
// Pairs (h, l) become ((h * 16) mod 256) + l - 0x30; an odd last character
// pairs with 0. The result is raw bytes (the caller checks them as UTF-8).
std::string NibbleDecode(std::string_view text);

// Location prefix followed by the file name; the file name alone for other
// locations.
std::string ProfilePathOf(const profilestore::HVProfileItem& item);
// Menu states 3, 4 and 6 are shown in menus.
bool IsShownInMenu(const profilestore::HVProfileItem& item);
// The list class read for a row's profileKind (1 RGB, 2 DST, 3 SIM); -1 otherwise.
int ListClassForProfileKind(int profileKind);

}  // namespace colorpane
