#include "securitypane/ppd_ticket.h"

#include "platform/log.h"
#include "platform/utf8.h"
#include "securitypane/control_data.h"
#include "securitypane/text_check.h"

namespace securitypane {

namespace plist = platform::plist;
using platform::kStatusMissing;
using platform::noErr;

namespace {

constexpr size_t kMarkBufferSize = 255;  // ASCII marking buffers, NUL included
constexpr OSStatus kKeyNotMade = -10;

bool FitsAscii(std::string_view s) { return s.size() < kMarkBufferSize && IsAscii(s); }
bool FitsKeyword(std::string_view s) {
  return !s.empty() && s.size() <= kMaxKeywordBytes && platform::IsValidUtf8(s);
}

void MarkUnlessMarked(ppd_file_t* ppd, const std::string& option, const std::string& choice) {
  if (!platform::ppd::IsMarked(ppd, option.c_str(), choice.c_str()))
    platform::ppd::MarkOption(ppd, option.c_str(), choice.c_str());
}

// `keyword` as a 32-bit integer of the ticket `get` hands out (noErr and
// nothing read when there is none); *out is -1 when the read fails. A keyword
// that is not UTF-8 answers `bad_keyword`: no key can be made from it.
template <typename Ticket>
OSStatus GetTicketSInt32(HVPDESession* session, std::string_view keyword, int32_t* out,
                         OSStatus (*get)(HVPDESession*, Ticket**),
                         OSStatus (*read)(const Ticket*, std::string_view, int32_t*), OSStatus bad_keyword) {
  Ticket* ticket = nullptr;
  const OSStatus status = get(session, &ticket);
  if (status != noErr) return status;
  if (!ticket) return noErr;
  if (!platform::IsValidUtf8(keyword)) return bad_keyword;
  int32_t value = 0;
  const OSStatus result = read(ticket, keyword, &value);
  if (out) *out = result == noErr ? value : -1;
  return result;
}

}  // namespace

OSStatus UpdateTicketWithPPDOption(HVPDESession* session, const PPDUIOption* record, int index) {
  ppd_file_t* ppd = nullptr;
  GetPPDReference(session, &ppd);
  if (!ppd || !record) return kStatusMissing;
  const std::string* choice = PPDUIOptionIndexToKey(record, index);
  if (!choice) return platform::paramErr;
  platform::PrintSettings* settings = nullptr;
  OSStatus status = HVGetPrintSettings(session, &settings);
  if (status != noErr) return status;
  status = HVPrintSettingsSetItem(settings, kSettingsDomain, record->selfKey, plist::Value(*choice), false);
  if (FitsAscii(record->selfKey) && FitsAscii(*choice)) MarkUnlessMarked(ppd, record->selfKey, *choice);
  return status;
}

OSStatus PDECustomSetJobTicketWithArgument(PDEControlData* control, HVPDESession* session) {
  if (!control || !session) return kStatusMissing;
  std::unique_ptr<PPDUIOption> temporary;
  PPDUIOption* record = control->ppdInfo.get();
  ppd_file_t* ppd = nullptr;
  GetPPDReference(session, &ppd);
  if (!record) {
    temporary = CreatePPDUIOptionWithCFKey(ppd, control->key);
    record = temporary.get();
  }
  if (!record) return kStatusMissing;
  const int position = PDEControlDataGetIntValue(control, true);
  const std::string* choice = PPDUIOptionIndexToKey(record, position);
  if (!choice) return platform::paramErr;
  record->currentIndex = static_cast<int16_t>(position);
  platform::PrintSettings* settings = nullptr;
  OSStatus status = HVGetPrintSettings(session, &settings);
  if (status != noErr) return status;
  status = HVPrintSettingsSetItem(settings, kSettingsDomain, control->key, plist::Value(*choice), false);
  if (ppd && FitsKeyword(control->key) && FitsKeyword(*choice)) MarkUnlessMarked(ppd, control->key, *choice);
  return status;
}

OSStatus PDECustomSetJobTicketPPDDict(HVPDESession* session, std::string_view key, std::string_view value) {
  ppd_file_t* ppd = nullptr;
  GetPPDReference(session, &ppd);
  if (!ppd) return kStatusMissing;
  platform::PrintSettings* settings = nullptr;
  if (HVGetPrintSettings(session, &settings) != noErr) return kStatusMissing;
  HVPrintSettingsSetItem(settings, kSettingsDomain, key, plist::Value(value), false);
  if (FitsAscii(key) && FitsAscii(value)) MarkUnlessMarked(ppd, std::string(key), std::string(value));
  return noErr;
}

OSStatus PDECustomGetJobTicketPPDDict(HVPDESession* session, std::string_view key, std::string* out) {
  platform::PrintSettings* settings = nullptr;
  if (HVGetPrintSettings(session, &settings) != noErr || !settings) {
    platform::log::Write(LOG_NOTICE, "PDECoreGetModelDictionary ERR");
    return kStatusMissing;
  }
  const std::string* value = nullptr;
  if (HVPrintSettingsGetString(settings, key, &value) != noErr || !value) return kStatusMissing;
  if (out) *out = *value;
  return noErr;
}

OSStatus PDECustomGetJobTicketPPDDictRoot(HVPDESession* session, std::string_view key,
                                          const std::string** out) {
  platform::PrintSettings* settings = nullptr;
  const OSStatus status = HVGetPrintSettings(session, &settings);
  if (status == noErr) HVPrintSettingsGetString(settings, key, out);
  return status;
}

OSStatus PDECustomGetJobTicketSInt32DictPMPrintSettingsRef(HVPDESession* session, std::string_view keyword,
                                                           int32_t* out) {
  return GetTicketSInt32(session, keyword, out, HVGetPrintSettings, HVPrintSettingsGetSInt32, kKeyNotMade);
}

OSStatus PDECustomGetJobTicketSInt32DictPMPageFormatRef(HVPDESession* session, std::string_view keyword,
                                                        int32_t* out) {
  return GetTicketSInt32(session, keyword, out, HVGetPageFormat, HVPageFormatGetSInt32, noErr);
}

}  // namespace securitypane
