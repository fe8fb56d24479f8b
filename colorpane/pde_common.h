// PDECommon: the operations on control tables — PPD choices into pop-ups,
// localised titles, PPD defaults, control values to and from the print
// ticket, summaries, and the combined table of both panes.
//
// A table is walked from its first row while the row has a control; joining
// counts rows up to the first row of kind 1032. Statuses are the system's
// codes (0 success).
#pragma once

#include <cups/ppd.h>

#include <optional>
#include <string>
#include <vector>

#include "colorpane/control_table.h"
#include "platform/bundle.h"
#include "platform/plist.h"
#include "platform/ppd.h"
#include "platform/print_settings.h"
#include "platform/printing.h"
#include "platform/status.h"

namespace colorpane {

using platform::OSStatus;

// The bundle that holds the colour plug-in's code and string tables; null
// until the plug-in is handed its bundle (or a test sets one).
const platform::Bundle* PluginBundle();
void SetPluginBundle(const platform::Bundle* bundle);

class PDECommon {
 public:
  static OSStatus commonAddPPDArray(std::vector<std::string>* array, const PDEControlData* table);
  static OSStatus commonGetPPDArrayForUIOption(ppd_file_t* ppd, const char* key,
                                               std::shared_ptr<ChoiceRows>* array);
  static OSStatus commonGetUIListFromPPD(ppd_file_t* ppd, const char* key, ChoiceRows* array, int32_t* count);
  static void commonBuildPDEItem(PDEControlData* table, ppd_file_t* ppd);
  static void commonReBuildMenuFromPPD(ppd_file_t* ppd, const PDEControlData& row);
  static void commonSetControlTitleFromLocalizeString(const PDEControlData& row);
  static void commonDefaultFromPPDInfo(PDEControlData* table);
  // Spelled as the design spells it (not a typo to fix).
  static int32_t commonGetDefualtValueFromPPDWithSInt32(const PDEControlData& row);
  // choice: any property-list value, or none.
  static int32_t commonGetTicketValueWithSInt32(const PDEControlData& row, const std::string& option,
                                                const platform::plist::Value* choice);
  static int32_t commonFindPPDKeyPairsMatch(const ChoiceRows* rows, const std::string& option,
                                            const std::string& choice);
  static int32_t commonGetControlValueWithSInt32(const PDEControlData* row);
  static void commonSetControlValueWithSInt32(const PDEControlData& row, int32_t value);
  static int32_t commonGetControlValueFromPPDWithSInt32(const PDEControlData& row);
  static std::optional<std::string> commonGetControlValueFromPPDWithNSString(const PDEControlData& row);
  static OSStatus commonGetSummaryText(const PDEControlData* table, platform::plist::Dict* dict,
                                       platform::plist::Array* array);
  static OSStatus commonGetSummaryTextQuickColor(const char* itemName, const std::string& value,
                                                 platform::plist::Dict* dict, platform::plist::Array* array);
  static OSStatus commonSyncTicketFromPane(platform::PrintSettings* settings, platform::PrintSession* session,
                                           const PDEControlData* table);
  static OSStatus commonSyncPaneFromTicket(platform::PrintSettings* settings, platform::PrintSession* session,
                                           const PDEControlData* table);
  static OSStatus commonCFDictionaryMapToTicket(platform::PrintSettings* dest, const platform::PrintSettings* src);
  // Rows of the tables before their end rows, in order, then one end row.
  static std::unique_ptr<PDEControlTable> commonControlTableCompound(const PDEControlData* const* tables,
                                                                     int count);
  static int32_t commonConvertToCSTValue(const PDEControlData* row, int32_t value);
  static int32_t commonConvertFromCSTValue(const PDEControlData* row, int32_t value);
  static platform::ppd::TextEncoding commonGetEncodingFromPPD(const ppd_file_t* ppd);
  static platform::ppd::TextEncoding commonGetCFStringEncodingFromPPD(const ppd_file_t* ppd);

  // Profile ticket flag: the ticket's "<keyword>Custom" value for rows with
  // profileKind 1 to 3, none otherwise or when absent.
  static const platform::plist::Value* commonGetTicketAddedProfileFlag(const PDEControlData& row,
                                                                       const platform::PrintSettings* settings);
  static void commonSetTicketAddedProfileFlag(const PDEControlData& row, platform::PrintSettings* settings,
                                              const char* flag);

  // PPD text (bytes in the PPD's encoding) as UTF-8; undecodable bytes are
  // shown as U+FFFD rather than dropping the text.
  static std::string DecodePpdText(const char* bytes, platform::ppd::TextEncoding encoding);
};

}  // namespace colorpane
