#include "securitypane/paper_query.h"

#include <cmath>

#include "platform/paths.h"
#include "securitypane/plist_util.h"

namespace securitypane {

namespace plist = platform::plist;
using platform::noErr;

namespace {

constexpr uint16_t kTigerVersion = 0x1040;
constexpr const char* kCustomPapersFile = "com.apple.print.custompapers.plist";

// The page rectangle as if the page stood upright: PPD sizes are listed in
// portrait, while a landscape page format answers a turned rectangle.
platform::PMRect Upright(const platform::PMRect& rect, platform::PMOrientation orientation) {
  if (orientation != platform::kPMLandscape && orientation != platform::kPMReverseLandscape) return rect;
  return platform::PMRect{rect.left, rect.top, rect.right, rect.bottom};
}

}  // namespace

bool IsDocumentUseFitToPage(HVPDESession* session) {
  if (GetSystemVersion() < kTigerVersion) return false;
  platform::PrintSettings* settings = nullptr;
  if (HVGetPrintSettings(session, &settings) != noErr) return false;
  int32_t mapping = 0;
  return HVPrintSettingsGetSInt32(settings, platform::kPMPageToPaperMappingTypeKey, &mapping) == noErr &&
         mapping == platform::kPMScaleToPaperMapping;
}

bool IsCustomPaperSizeWithinRange(HVPDESession* session, const platform::PMRect& rect, int /*orientation*/) {
  ppd_file_t* ppd = nullptr;
  if (GetPPDReference(session, &ppd) != noErr || !ppd || !ppd->variable_sizes) return false;
  const float width = static_cast<float>(std::abs(rect.right - rect.left));
  const float height = static_cast<float>(std::abs(rect.bottom - rect.top));
  return ppd->custom_min[0] <= width && width <= ppd->custom_max[0] && ppd->custom_min[1] <= height &&
         height <= ppd->custom_max[1];
}

OSStatus GetDestinationPaperName(HVPDESession* session, std::string* out) {
  if (GetSystemVersion() < kTigerVersion) return noErr;
  platform::PrintSettings* settings = nullptr;
  HVGetPrintSettings(session, &settings);
  std::optional<std::string> name;
  const OSStatus status = HVPrintSettingsGetPaperName(session, settings, &name);
  if (status != noErr && status != platform::paramErr) return status;
  if (!name) return platform::kNoPaperName;
  if (out) *out = std::move(*name);
  return noErr;
}

OSStatus GetCustomPaperNameFromPlist(const std::string& name, std::string* out, int* created) {
  if (out) *out = name;
  const std::string folder = platform::paths::UserPreferencesFolder();
  if (folder.empty()) return platform::kStatusMissing;
  auto dict = MyPListCreateDictionaryFromPath(folder + "/" + kCustomPapersFile);
  const plist::Value* entry =
      dict ? CFDictionaryGetValueWithType(&*dict, name, kValueKindDictionary) : nullptr;
  const plist::Value* display = CFDictionaryGetValueWithType(entry, "name", kValueKindString);
  if (display) {
    if (out) *out = *display->string();
    if (created) *created = 1;
  }
  return noErr;
}

OSStatus GetDocumentPaperName(HVPDESession* session, std::string* out, int* created) {
  platform::PageFormat* format = nullptr;
  OSStatus status = HVGetPageFormat(session, &format);
  if (status != noErr) return status;
  std::string name;
  status = HVPageFormatGetPaperName(session, format, &name);
  if (status != noErr) return status;
  if (GetSystemVersion() >= kTigerVersion) {
    if (name.empty()) return platform::kNoPaperName;
    if (out) *out = std::move(name);
    return noErr;
  }
  return GetCustomPaperNameFromPlist(name, out, created);
}

OSStatus GetDocumentPaperRect(HVPDESession* session, platform::PMRect* rect) {
  return HVGetDocumentPaperRect(session, rect);
}

OSStatus GetDocumentOrientation(HVPDESession* session, platform::PMOrientation* out) {
  platform::PageFormat* format = nullptr;
  const OSStatus status = HVGetPageFormat(session, &format);
  if (status != noErr) return status;
  return HVPageFormatGetOrientation(format, out);
}

std::optional<std::string> GetPaperNameByStandardTicketArgument(int* created, HVPDESession* session) {
  const PPDUIOption* papers = PDECoreGetPPDPapers(session);
  if (!papers || papers->items.empty()) return std::nullopt;
  platform::PMOrientation orientation = platform::kPMPortrait;
  std::string document_name;
  platform::PMRect rect;
  int local_created = 0;
  if (GetDocumentPaperName(session, &document_name, &local_created) != noErr ||
      GetDocumentPaperRect(session, &rect) != noErr || GetDocumentOrientation(session, &orientation) != noErr)
    return std::nullopt;
  if (created) *created = local_created;

  const platform::PMRect upright = Upright(rect, orientation);
  std::string answer;
  const std::string* key = nullptr;
  if (PPDPaperSizeFindAdjustedPMRect(papers, upright, orientation, &key)) {
    answer = *key;
  } else if (IsCustomPaperSizeWithinRange(session, upright, orientation)) {
    answer = document_name;
  } else {
    const std::string* def = PPDUIOptionGetDefaultKey(papers);
    if (!def) return std::nullopt;
    answer = *def;
  }
  if (GetSystemVersion() < kTigerVersion || !IsDocumentUseFitToPage(session)) return answer;

  std::string destination;
  if (GetDestinationPaperName(session, &destination) != noErr) return answer;
  const std::string* choice = PPDUIOptionAliasToKey(papers, destination);
  return choice ? *choice : destination;
}

}  // namespace securitypane
