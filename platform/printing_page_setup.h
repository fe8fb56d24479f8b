// The page set-up a host chooses before the panels run: the document's paper
// (a PPD page size or a custom size), its orientation and a scale-to-paper
// request. Hosts parse it from their command line and apply it to the page
// format and print settings they hand the panels.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/print_settings.h"
#include "platform/printing.h"

namespace platform {

struct PageSetup {
  std::string paper;                  // PPD page size name; "" keeps the format's paper
  std::optional<double> customWidth;  // custom size in points (both or neither)
  std::optional<double> customHeight;
  std::optional<PMOrientation> orientation;
  std::string scaleTo;  // destination PPD page size for scale-to-paper; "" for none
};

// "WxH" in points, e.g. "216x360" or "595.5x842"; both sides positive and
// finite (whether the printer takes the size is the PPD's to say: see
// CheckCustomSizes). False for anything else.
bool ParseCustomSize(std::string_view text, double* width, double* height);
// "portrait", "landscape", "reverse-portrait", "reverse-landscape" or 1..4.
std::optional<PMOrientation> ParseOrientation(std::string_view text);

// The custom paper of that size: id "Custom.WxH" (the PPD's custom page size
// choice, as CUPS names it; each side written in full, never rounded), no
// margins.
Paper CustomPaper(double width, double height);

// The custom page sizes a PPD offers, in points, as libcups reads them
// (ParamCustomPageSize, narrowed by MaxMediaWidth and MaxMediaHeight).
struct CustomSizeRange {
  float minWidth = 0, maxWidth = 0, minHeight = 0, maxHeight = 0;
};
// std::nullopt when the PPD offers no custom sizes.
std::optional<CustomSizeRange> CustomSizeRangeOf(const PrintSession& session);

// Whether every custom size the set-up names (its WxH, or a "Custom.WxH"
// paper or scale-to name) is one the PPD offers: each side within its range,
// bounds included, compared at the single precision the PPD's limits have.
// False and *error otherwise, giving the ranges or saying that the PPD offers
// no custom sizes. ApplyPageSetup takes any size (the Security pane's
// constraints tell sizes outside the range apart); hosts check first.
bool CheckCustomSizes(const PrintSession& session, const PageSetup& setup, std::string* error);

// Applies the set-up: the paper (named or custom) and orientation to *format;
// a scale-to request stores the mapping type and the destination paper in
// *settings (see printing.h). False and *error naming the paper when the PPD
// has no such page size; nothing is changed then.
bool ApplyPageSetup(const PrintSession& session, const PageSetup& setup, PageFormat* format,
                    PrintSettings* settings, std::string* error);

}  // namespace platform
