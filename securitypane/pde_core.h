// The Security pane's door to the print system: the session record and core
// context, thin status-returning accessors over the print settings, page
// format and print session the host hands the pane, the model dictionary,
// and the model preference file.
//
// Statuses: 0 success; -1 missing argument or a value of the wrong type;
// print-system statuses pass through. The print session is cached on first
// use; print settings and page format are asked from the host every time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host/plugin_api.h"
#include "platform/bundle.h"
#include "platform/plist.h"
#include "platform/print_settings.h"
#include "platform/printing.h"
#include "securitypane/ppd_ui_option.h"
#include "securitypane/ui_constraints.h"

namespace securitypane {

using platform::OSStatus;

inline constexpr const char* kPPDProductName = "VN420P";
inline constexpr const char* kSettingsDomain = "jp.halvern";
inline constexpr const char* kPMPPDReferenceKey = "kPMPPDReference";

struct PDECoreContext {
  PDECoreContext() = default;
  PDECoreContext(const PDECoreContext&) = delete;
  PDECoreContext& operator=(const PDECoreContext&) = delete;

  std::string pluginName;
  std::string secondName;
  std::string ppdProductName;
  std::string printQueueName;
  PPDUIOption ppdPapers;  // "PageSize", with paper records
  UIConstraintsPPDState uiConstraints;
};

struct HVPDESession {
  platform::PrintSession* printSession = nullptr;  // cached on first use
  pde::HostCallback* callback = nullptr;
  PDECoreContext* coreContext = nullptr;
  const platform::Bundle* bundle = nullptr;
};

// --- Core context
OSStatus PDECoreOnInitialize(HVPDESession* session);
PDECoreContext* HVPDECoreGetContextArgument(HVPDESession* session);
PDECoreContext* PDECoreGetContextArgument(HVPDESession* session);
const std::string* PDECoreGetPluginNameArgument(HVPDESession* session);
const std::string* PDECoreGetPPDProductNameArgument(HVPDESession* session);
const std::string* PDECoreGetPrintQueueNameArgument(HVPDESession* session);
PPDUIOption* PDECoreGetPPDPapers(HVPDESession* session);
// The current queue's entry of the model dictionary (settings[product][queue]),
// creating missing levels in the settings; std::nullopt (and a log line) when
// the settings, product or queue name are missing.
std::optional<platform::plist::Dict> PDECoreGetModelDictionary(HVPDESession* session);
// The same for given settings (and the status of getting them) and names.
std::optional<platform::plist::Dict> ModelDictionaryForQueue(platform::PrintSettings* settings,
                                                             OSStatus settings_status,
                                                             const std::string* product,
                                                             const std::string* queue);
platform::PrintSettings* PDECoreGetPrintSettingHVDictionary(HVPDESession* session);

// --- Session and settings access
platform::PrintSession* HVGetPMPrintSession(HVPDESession* session);
OSStatus HVGetPrintSettings(HVPDESession* session, platform::PrintSettings** out);
OSStatus HVGetPageFormat(HVPDESession* session, platform::PageFormat** out);
// The PPD the session holds (its "kPMPPDReference" data); the status of the
// session query. The PPD belongs to the session.
OSStatus GetPPDReference(HVPDESession* session, ppd_file_t** out);
inline void FreePPDReference(ppd_file_t*) {}

bool HVIsPrintSettingsItem(const platform::PrintSettings* settings, std::string_view key);
OSStatus HVPrintSettingsSetItem(platform::PrintSettings* settings, std::string_view domain,
                                std::string_view key, const platform::plist::Value& value, bool locked);
const platform::plist::Value* HVPrintSettingsGetCFDictionary(const platform::PrintSettings* s,
                                                             std::string_view key);
const platform::plist::Value* HVPrintSettingsGetCFNumber(const platform::PrintSettings* s,
                                                         std::string_view key);
// The get's status; then -1 when the value has another type. *out is lent.
OSStatus HVPrintSettingsGetString(const platform::PrintSettings* s, std::string_view key,
                                  const std::string** out);
OSStatus HVPrintSettingsGetBoolean(const platform::PrintSettings* s, std::string_view key, int* out);
OSStatus HVPrintSettingsGetSInt32(const platform::PrintSettings* s, std::string_view key, int32_t* out);
// The destination paper's display name (from a page format built out of the
// settings' representation); -50 without settings or out slot; 0 with an
// empty *out when the settings name no paper.
OSStatus HVPrintSettingsGetPaperName(HVPDESession* session, const platform::PrintSettings* settings,
                                     std::optional<std::string>* out);
OSStatus HVGetDocumentPaperRect(HVPDESession* session, platform::PMRect* rect);
// Only "com.apple.print.PageFormat.PMOrientation": 1 portrait, 2 landscape,
// 4 reverse portrait, 3 reverse landscape. Any other key: -1 and *out = -1.
OSStatus HVPageFormatGetSInt32(const platform::PageFormat* format, std::string_view key, int32_t* out);
OSStatus HVPageFormatGetPaperName(HVPDESession* session, const platform::PageFormat* format,
                                  std::string* out);
OSStatus HVPageFormatGetOrientation(const platform::PageFormat* format, platform::PMOrientation* out);
std::optional<std::string> HVCopyLocalizedStringFromTableInBundle(HVPDESession* session, std::string_view key,
                                                                  std::string_view table);

// --- Model preference file (under the installation root)
// Whether this user may write the model preference file: the profile store's
// administrator test on that file (leaves no new file behind).
bool HVPropertyIsWritable();
bool HVPropertyGetString(std::string_view key, std::string* out);
bool HVPropertySetString(std::string_view key, std::string_view value);

}  // namespace securitypane
