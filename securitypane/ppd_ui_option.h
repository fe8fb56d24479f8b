// The PPD option model: one PPD option as a compact record (keyword, display
// text, choices, default and current choice, and for "PageSize" the paper
// of every choice), conversions between keywords, texts and positions, and
// the PPD's constraints and installed options as property lists.
//
// Records are built from the PPD in its state at that moment (marked choices
// included) and are not refreshed later; callers move only the current index.
// Keywords are kept as UTF-8; display texts are decoded with the PPD's
// language encoding. Accessors lend strings from the record (nullptr: none).
#pragma once

#include <cups/ppd.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/plist.h"
#include "platform/ppd.h"
#include "platform/printing.h"

namespace securitypane {

// The paper of a "PageSize" choice, in points: the PPD size of the same
// position, single-precision values widened.
struct PaperRecord {
  double width = 0, length = 0, top = 0, left = 0, bottom = 0, right = 0;
};

struct PPDUIOption;

struct PPDUIOptionItem {
  std::string key;                     // choice keyword
  std::string alias;                   // choice display text
  std::unique_ptr<PaperRecord> paper;  // "PageSize" only
  PPDUIOption* owner = nullptr;
};

// Not copyable or movable: items point back at their record.
struct PPDUIOption {
  PPDUIOption() = default;
  PPDUIOption(const PPDUIOption&) = delete;
  PPDUIOption& operator=(const PPDUIOption&) = delete;

  std::string selfKey;
  std::string selfAlias;
  int16_t defaultIndex = 0;
  int16_t currentIndex = 0;
  int16_t itemCount = 0;
  std::vector<PPDUIOptionItem> items;
};

// Keywords of the fixed-size variant keep at most 41 bytes, texts 123; both
// are copied as raw bytes without re-encoding.
inline constexpr size_t kTinyKeywordCopy = 41;
inline constexpr size_t kTinyTextCopy = 123;

struct PPDUIOptionTinyItem {
  char keyword[42] = {};
  char text[126] = {};
  struct PPDUIOptionTiny* owner = nullptr;
};

struct PPDUIOptionTiny {
  PPDUIOptionTiny() = default;
  PPDUIOptionTiny(const PPDUIOptionTiny&) = delete;
  PPDUIOptionTiny& operator=(const PPDUIOptionTiny&) = delete;

  char keyword[42] = {};
  char text[126] = {};
  int16_t defaultIndex = 0;
  int16_t currentIndex = 0;
  uint16_t itemCount = 0;
  std::vector<PPDUIOptionTinyItem> items;
};

// Longest keyword the 41-byte conversions accept (one byte is the NUL).
inline constexpr size_t kMaxKeywordBytes = 40;

// --- PPD access

platform::ppd::TextEncoding GetCFStringEncodingFromPPD(const ppd_file_t* ppd);
// One dictionary per constraint, in PPD order: "option1", "choice1",
// "option2", "choice2" (an empty choice stays ""). std::nullopt when the PPD
// has none.
std::optional<platform::plist::Array> CreatePPDConstraintsArray(const ppd_file_t* ppd);
// Options of the group "InstallableOptions": keyword → marked choice, or the
// default choice when none is marked. std::nullopt without the group or options.
std::optional<platform::plist::Dict> CreatePPDInstallableOptionDict(ppd_file_t* ppd);

// --- Option records

// Fills a cleared record. False when the option is absent or has no choices
// (more than 32767 choices count as unusable), and when no choice of
// "InputSlot", "PageSize" or "PageRegion" is marked (the record is still
// filled then, current index = default index).
bool SetupPPDUIOption(PPDUIOption* record, ppd_file_t* ppd, const char* keyword);
void ClearPPDUIOption(PPDUIOption* record);
// A new record, or nullptr (and the log line "keyword:%s is NULL") when setup fails.
std::unique_ptr<PPDUIOption> CreatePPDUIOption(ppd_file_t* ppd, const char* keyword);
// The same for a key of any length; keys over kMaxKeywordBytes fail.
std::unique_ptr<PPDUIOption> CreatePPDUIOptionWithCFKey(ppd_file_t* ppd, std::string_view key);

bool SetupPPDUIOptionTiny(PPDUIOptionTiny* record, ppd_file_t* ppd, const char* keyword);
void ClearPPDUIOptionTiny(PPDUIOptionTiny* record);

// Attaches the PPD's sizes by position to a "PageSize" record; false (nothing
// attached) for another record or when the size and choice counts differ.
bool SetupPPDPageSize(PPDUIOption* record, const ppd_file_t* ppd);

// --- Accessors and conversions (case-insensitive comparisons; searches run
// from the last item to the first). A missing record answers nullptr/0/-1.

const std::string* PPDUIOptionGetSelfKey(const PPDUIOption* record);
const std::string* PPDUIOptionGetSelfAlias(const PPDUIOption* record);
int PPDUIOptionGetItemCount(const PPDUIOption* record);
int PPDUIOptionGetDefaultIndex(const PPDUIOption* record);
const std::string* PPDUIOptionGetDefaultKey(const PPDUIOption* record);
const std::string* PPDUIOptionGetDefaultAlias(const PPDUIOption* record);
int PPDUIOptionKeyToIndex(const PPDUIOption* record, std::string_view key);
const std::string* PPDUIOptionKeyToAlias(const PPDUIOption* record, std::string_view key);
const std::string* PPDUIOptionAliasToKey(const PPDUIOption* record, std::string_view alias);
const std::string* PPDUIOptionIndexToKey(const PPDUIOption* record, int index);
const std::string* PPDUIOptionIndexToAlias(const PPDUIOption* record, int index);

// The first "PageSize" item whose paper equals the rectangle's width and
// height (single precision, exact). The orientation is not consulted.
bool PPDPaperSizeFindAdjustedPMRect(const PPDUIOption* record, const platform::PMRect& rect, int orientation,
                                    const std::string** key);

// Display text of a choice of an option, through a temporary record.
std::optional<std::string> PDECustomGetPPDAliasItem(std::string_view option_key, std::string_view choice_key,
                                                    ppd_file_t* ppd);
// The option's default choice keyword (ASCII); std::nullopt when absent.
std::optional<std::string> PDECustomGetPPDDefaultItemByCStringKey(ppd_file_t* ppd, const char* keyword);
std::optional<std::string> PDECustomGetPPDDefaultItem(ppd_file_t* ppd, std::string_view key);

// Case-insensitive equality of two UTF-8 texts (the comparisons above).
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace securitypane
