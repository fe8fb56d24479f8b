#include "securitypane/pde_core.h"

#include <climits>

#include "platform/file_util.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "profilestore/direct_variant.h"
#include "securitypane/plist_util.h"

namespace securitypane {

namespace plist = platform::plist;
using platform::kStatusMissing;
using platform::noErr;

namespace {

constexpr const char* kOrientationKey = platform::kPMPageFormatOrientationKey;

}  // namespace

// --- Core context

OSStatus PDECoreOnInitialize(HVPDESession* session) {
  PDECoreContext* context = HVPDECoreGetContextArgument(session);
  if (!context) return kStatusMissing;
  context->ppdProductName = kPPDProductName;
  const platform::Printer* printer = nullptr;
  if (platform::PMSessionGetCurrentPrinter(HVGetPMPrintSession(session), &printer) == noErr) {
    std::string id;
    if (platform::PMPrinterGetID(printer, &id) == noErr) context->printQueueName = std::move(id);
  }
  ppd_file_t* ppd = nullptr;
  if (GetPPDReference(session, &ppd) == noErr && ppd) {
    ClearPPDUIOption(&context->ppdPapers);
    SetupPPDUIOption(&context->ppdPapers, ppd, "PageSize");
  }
  return noErr;
}

PDECoreContext* HVPDECoreGetContextArgument(HVPDESession* session) {
  return session ? session->coreContext : nullptr;
}
PDECoreContext* PDECoreGetContextArgument(HVPDESession* session) {
  return HVPDECoreGetContextArgument(session);
}

const std::string* PDECoreGetPluginNameArgument(HVPDESession* session) {
  PDECoreContext* c = HVPDECoreGetContextArgument(session);
  return c ? &c->pluginName : nullptr;
}

const std::string* PDECoreGetPPDProductNameArgument(HVPDESession* session) {
  PDECoreContext* c = HVPDECoreGetContextArgument(session);
  return c ? &c->ppdProductName : nullptr;
}

const std::string* PDECoreGetPrintQueueNameArgument(HVPDESession* session) {
  PDECoreContext* c = HVPDECoreGetContextArgument(session);
  return c ? &c->printQueueName : nullptr;
}

PPDUIOption* PDECoreGetPPDPapers(HVPDESession* session) {
  PDECoreContext* c = HVPDECoreGetContextArgument(session);
  return c ? &c->ppdPapers : nullptr;
}

std::optional<plist::Dict> ModelDictionaryForQueue(platform::PrintSettings* settings,
                                                   OSStatus settings_status, const std::string* product,
                                                   const std::string* queue) {
  if (!product || product->empty() || settings_status != noErr || !settings) {
    platform::log::Writef(LOG_NOTICE, "PDECoreGetModelDictionary error1:%d",
                          static_cast<int>(settings_status));
    platform::log::Write(LOG_NOTICE, "PDECoreGetModelDictionary error3");
    return std::nullopt;
  }
  const plist::Value* model = HVPrintSettingsGetCFDictionary(settings, *product);
  plist::Value updated = model ? *model : plist::Value(plist::Dict{});
  if (!queue || queue->empty() || !updated.isDict()) {
    if (!model) HVPrintSettingsSetItem(settings, kSettingsDomain, *product, updated, false);
    platform::log::Write(LOG_NOTICE, "PDECoreGetModelDictionary error3");
    return std::nullopt;
  }
  auto [entry, added] = updated.dict()->try_emplace(*queue, plist::Dict{});
  if (!model || added) HVPrintSettingsSetItem(settings, kSettingsDomain, *product, updated, false);
  if (!entry->second.isDict()) return std::nullopt;
  return *entry->second.dict();
}

std::optional<plist::Dict> PDECoreGetModelDictionary(HVPDESession* session) {
  platform::PrintSettings* settings = nullptr;
  const OSStatus status = HVGetPrintSettings(session, &settings);
  return ModelDictionaryForQueue(settings, status, PDECoreGetPPDProductNameArgument(session),
                                 PDECoreGetPrintQueueNameArgument(session));
}

platform::PrintSettings* PDECoreGetPrintSettingHVDictionary(HVPDESession* session) {
  platform::PrintSettings* settings = nullptr;
  HVGetPrintSettings(session, &settings);
  return settings;
}

// --- Session and settings access

platform::PrintSession* HVGetPMPrintSession(HVPDESession* session) {
  if (!session) return nullptr;
  if (!session->printSession && session->callback) session->printSession = session->callback->printSession();
  return session->printSession;
}

OSStatus HVGetPrintSettings(HVPDESession* session, platform::PrintSettings** out) {
  if (!session || !out || !session->callback) return kStatusMissing;
  *out = session->callback->printSettings();
  return noErr;
}

OSStatus HVGetPageFormat(HVPDESession* session, platform::PageFormat** out) {
  if (!session || !out || !session->callback) return kStatusMissing;
  *out = session->callback->pageFormat();
  return noErr;
}

OSStatus GetPPDReference(HVPDESession* session, ppd_file_t** out) {
  if (out) *out = nullptr;
  platform::PrintSession* print_session = HVGetPMPrintSession(session);
  if (!print_session) return platform::paramErr;
  if (out) *out = print_session->ppd();
  return noErr;
}

bool HVIsPrintSettingsItem(const platform::PrintSettings* settings, std::string_view key) {
  return HVDictionaryContainsKey(settings, key);
}

OSStatus HVPrintSettingsSetItem(platform::PrintSettings* settings, std::string_view /*domain*/,
                                std::string_view key, const plist::Value& value, bool locked) {
  return platform::PMPrintSettingsSetValue(settings, key, value, locked);
}

const plist::Value* HVPrintSettingsGetCFDictionary(const platform::PrintSettings* s, std::string_view key) {
  return HVDictionaryGetValue(s, key);
}

const plist::Value* HVPrintSettingsGetCFNumber(const platform::PrintSettings* s, std::string_view key) {
  return HVDictionaryGetValue(s, key);
}

OSStatus HVPrintSettingsGetString(const platform::PrintSettings* s, std::string_view key,
                                  const std::string** out) {
  const plist::Value* v = nullptr;
  const OSStatus status = platform::PMPrintSettingsGetValue(s, key, &v);
  if (status != noErr || !out) return status;
  *out = v->string();
  return *out ? noErr : kStatusMissing;
}

OSStatus HVPrintSettingsGetBoolean(const platform::PrintSettings* s, std::string_view key, int* out) {
  const plist::Value* v = nullptr;
  const OSStatus status = platform::PMPrintSettingsGetValue(s, key, &v);
  if (status != noErr || !out) return status;
  *out = 0;
  const bool* b = v->boolean();
  if (!b) return kStatusMissing;
  *out = *b ? 1 : 0;
  return noErr;
}

OSStatus HVPrintSettingsGetSInt32(const platform::PrintSettings* s, std::string_view key, int32_t* out) {
  const plist::Value* v = nullptr;
  const OSStatus status = platform::PMPrintSettingsGetValue(s, key, &v);
  if (status != noErr || !out) return status;
  *out = 0;
  if (const int64_t* i = v->integer()) {
    *out = static_cast<int32_t>(*i);
    return noErr;
  }
  if (const double* d = v->real(); d && *d >= INT32_MIN && *d <= INT32_MAX) {
    *out = static_cast<int32_t>(*d);
    return noErr;
  }
  return kStatusMissing;
}

OSStatus HVPrintSettingsGetPaperName(HVPDESession* session, const platform::PrintSettings* settings,
                                     std::optional<std::string>* out) {
  if (!settings || !out) return platform::paramErr;
  out->reset();
  std::string bytes;
  OSStatus status = platform::PMPrintSettingsCreateDataRepresentation(settings, &bytes);
  if (status != noErr) return status;
  platform::PageFormat format;
  status = platform::PMPageFormatCreateWithDataRepresentation(bytes, &format);
  if (status != noErr) return status;
  const platform::Paper* paper = nullptr;
  if (platform::PMGetPageFormatPaper(&format, &paper) != noErr || !paper || paper->id.empty()) return noErr;
  const platform::Printer* printer = nullptr;
  platform::PMSessionGetCurrentPrinter(HVGetPMPrintSession(session), &printer);
  std::string name;
  if (platform::PMPaperCreateLocalizedName(paper, &name) == noErr) *out = std::move(name);
  return noErr;
}

OSStatus HVGetDocumentPaperRect(HVPDESession* session, platform::PMRect* rect) {
  if (!session) return kStatusMissing;
  platform::PageFormat* format = nullptr;
  const OSStatus status = HVGetPageFormat(session, &format);
  if (status != noErr) return status;
  return platform::PMGetUnadjustedPaperRect(format, rect);
}

OSStatus HVPageFormatGetSInt32(const platform::PageFormat* format, std::string_view key, int32_t* out) {
  if (key != kOrientationKey) {
    if (out) *out = -1;
    return kStatusMissing;
  }
  platform::PMOrientation orientation{};
  const OSStatus status = platform::PMGetOrientation(format, &orientation);
  if (status != noErr) return status;
  int32_t value = -1;
  switch (orientation) {
    case platform::kPMPortrait:
      value = 1;
      break;
    case platform::kPMLandscape:
      value = 2;
      break;
    case platform::kPMReversePortrait:
      value = 4;
      break;
    case platform::kPMReverseLandscape:
      value = 3;
      break;
  }
  if (out) *out = value;
  return noErr;
}

OSStatus HVPageFormatGetPaperName(HVPDESession* session, const platform::PageFormat* format,
                                  std::string* out) {
  const platform::Paper* paper = nullptr;
  if (format) {
    const OSStatus status = platform::PMGetPageFormatPaper(format, &paper);
    if (status != noErr) return status;
  }
  const platform::Printer* printer = nullptr;
  platform::PMSessionGetCurrentPrinter(HVGetPMPrintSession(session), &printer);
  return platform::PMPaperCreateLocalizedName(paper, out);
}

OSStatus HVPageFormatGetOrientation(const platform::PageFormat* format, platform::PMOrientation* out) {
  return platform::PMGetOrientation(format, out);
}

std::optional<std::string> HVCopyLocalizedStringFromTableInBundle(HVPDESession* session, std::string_view key,
                                                                  std::string_view /*table*/) {
  if (!session || !session->bundle) return std::nullopt;
  return session->bundle->localizedString(key);
}

// --- Model preference file

bool HVPropertyIsWritable() {
  profilestore::DirectVariant files;
  return files.IsAdmin(platform::paths::ModelPreferenceFile()) == 1;
}

bool HVPropertyGetString(std::string_view key, std::string* out) {
  auto dict = MyPListCreateDictionaryFromPath(platform::paths::ModelPreferenceFile());
  const plist::Value* v = dict ? dict->find(key) : nullptr;
  if (!v || !v->string()) return false;
  if (out) *out = *v->string();
  return true;
}

bool HVPropertySetString(std::string_view key, std::string_view value) {
  if (!HVPropertyIsWritable()) return false;
  const std::string path = platform::paths::ModelPreferenceFile();
  plist::Value dict = MyPListCreateDictionaryMutableFromPath(path).value_or(plist::Value(plist::Dict{}));
  (*dict.dict())[std::string(key)] = std::string(value);
  return platform::WriteFileAtomically(path, plist::ToXml(dict), 0664) == noErr;
}

}  // namespace securitypane
