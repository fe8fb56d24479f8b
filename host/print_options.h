// The options every print dialog offers beside the plug-ins' panels, where a
// dialog starts them (what `lp` would send for the queue), and how each
// reaches a CUPS job. Two-sided printing and the paper source are the PPD's
// `Duplex` and `InputSlot`: they live in the PPD's marking and the ticket like
// any PPD option. The paper is the page format's. The rest are the
// scheduler's standard job attributes, kept in PrintOptions.
#pragma once

#include <cups/ppd.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/printing.h"

namespace host {

using Options = std::vector<std::pair<std::string, std::string>>;

struct PrintOptions {
  int copies = 1;
  bool collate = true;
  std::string pageRanges;  // as ParsePageRanges gives it; "" prints every page
  int numberUp = 1;        // one of kNumberUpChoices
  platform::PMOrientation orientation = platform::kPMPortrait;
  bool fitToPage = false;
  bool operator==(const PrintOptions&) const = default;
};

inline constexpr int kNumberUpChoices[] = {1, 2, 4, 6, 9, 16};
inline constexpr int kMaxCopies = 9999;

// "1-3, 5, 8-" → "1-3,5,8-": pages from 1, each range ascending and after the
// one before (the scheduler refuses others); only the last may stay open.
// std::nullopt for anything else, "" for blank text.
std::optional<std::string> ParsePageRanges(std::string_view text);

// The IPP orientation-requested value (3 portrait, 4 landscape, 5 reverse
// landscape, 6 reverse portrait) and back.
int OrientationRequested(platform::PMOrientation orientation);
std::optional<platform::PMOrientation> OrientationFromRequested(std::string_view value);

// The `sides` value meaning the PPD's Duplex choice ("" for a choice with no
// standard meaning).
std::string SidesForDuplex(std::string_view duplexChoice);

// The options `lp` adds for the destination ("name" or "name/instance"): the
// scheduler's defaults, then /etc/cups/lpoptions, then the user's
// ~/.cups/lpoptions (cupsGetNamedDest merges them). Empty when the scheduler
// has no such destination.
Options DestinationOptions(const std::string& destination);

// What a destination's options ask of a dialog on this PPD.
struct DestinationDefaults {
  // PPD choices to mark: every option naming a PPD option and one of its
  // choices; a standard attribute with a PPD meaning (sides → Duplex,
  // media → PageSize, media-source → InputSlot) when the PPD keyword itself
  // is not given. Free text never is a choice, so none is taken.
  Options ppdChoices;
  PrintOptions print;
};
DestinationDefaults ReadDestinationDefaults(ppd_file_t* ppd, const Options& destinationOptions);

// The job's options: the ticket's entries, PageSize (a PPD's paper; "media"
// without a PPD) from the page format's paper unless the ticket names one,
// `sides` from the ticket's Duplex, and the standard attributes (copies,
// collate, page-ranges, number-up, orientation-requested, fit-to-page).
Options JobOptionsFor(const PrintOptions& print, const Options& ticket, const std::string& paperId,
                      ppd_file_t* ppd);

// The PPD's limits for a custom paper in points, when it takes one.
struct CustomSizeLimits {
  double minWidth = 0, minHeight = 0, maxWidth = 0, maxHeight = 0;
};
std::optional<CustomSizeLimits> CustomLimits(ppd_file_t* ppd);

// A PPD option as a dialog draws it: its choices and which is marked.
struct PpdChoiceInfo {
  std::string choice, text;
  bool operator==(const PpdChoiceInfo&) const = default;
};
struct PpdOptionInfo {
  std::string keyword, text;
  std::vector<PpdChoiceInfo> choices;
  std::string marked;
  bool conflicted = false;  // a constraint of the PPD holds against the marked choices
  bool operator==(const PpdOptionInfo&) const = default;
};

// Marks the job's PPD choices (the ticket's, and PageSize for the paper) and
// answers the texts of the options then in conflict, in the PPD's order.
std::vector<std::string> MarkJobChoices(ppd_file_t* ppd, const Options& ticket, const std::string& paperId);
// The options with the keywords, in the PPD's order, as marked now.
std::vector<PpdOptionInfo> ReadPpdOptions(ppd_file_t* ppd, const std::vector<std::string>& keywords);
// The job options of the PPD that no panel owns: not in `owned`, not the
// paper or an option the standard options show, and not an installable
// option (those describe the printer, set once by its administrator).
std::vector<std::string> UnownedPpdOptions(ppd_file_t* ppd, const std::vector<std::string>& owned);

}  // namespace host
