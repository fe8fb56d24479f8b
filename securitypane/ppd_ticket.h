// Writing PPD choices into the print settings (the job ticket) while marking
// them in the PPD, and reading the pane's entries back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "securitypane/pde_core.h"

namespace securitypane {

struct PDEControlData;

// 0 <= index < count: settings[option] := choice keyword (not locked), then
// the choice is marked unless it already is. Keywords must be ASCII and
// shorter than 255 bytes or nothing is marked. -1 without a PPD or record,
// paramErr for an index out of range.
OSStatus UpdateTicketWithPPDOption(HVPDESession* session, const PPDUIOption* record, int index);
// Applies a control data record's current position (zero-based) to its option
// (a temporary record when it has none): the record's current index, the
// settings entry and the PPD mark. Keywords must be non-empty UTF-8 of at
// most 40 bytes.
OSStatus PDECustomSetJobTicketWithArgument(PDEControlData* control, HVPDESession* session);
// settings[key] := value, then marks (key, value) in the PPD unless marked.
OSStatus PDECustomSetJobTicketPPDDict(HVPDESession* session, std::string_view key, std::string_view value);
// 0 and the string when settings[key] is a string, else -1.
OSStatus PDECustomGetJobTicketPPDDict(HVPDESession* session, std::string_view key, std::string* out);
OSStatus PDECustomGetJobTicketPPDDictRoot(HVPDESession* session, std::string_view key,
                                          const std::string** out);
OSStatus PDECustomGetJobTicketSInt32DictPMPrintSettingsRef(HVPDESession* session, std::string_view keyword,
                                                           int32_t* out);
OSStatus PDECustomGetJobTicketSInt32DictPMPageFormatRef(HVPDESession* session, std::string_view keyword,
                                                        int32_t* out);

}  // namespace securitypane
