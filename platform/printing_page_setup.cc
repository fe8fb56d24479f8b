#include "platform/printing_page_setup.h"

#include <charconv>
#include <cmath>
#include <utility>
#include <vector>

#include "platform/ppd.h"

namespace platform {

namespace {

bool ParseSide(std::string_view text, double* out) {
  if (text.empty()) return false;
  double v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || !(v > 0) || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

// The shortest decimal that reads back as the same number, never in
// exponent form (CUPS reads "Custom.WxH" sides as plain decimals).
template <typename Number>
std::string Decimal(Number v) {
  char text[512];
  auto [end, ec] = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed);
  return ec == std::errc() ? std::string(text, end) : std::string();
}

// The width and height a "Custom.WxH" name gives, or std::nullopt for any
// other name.
std::optional<std::pair<double, double>> CustomSizeNamed(const PrintSession& session,
                                                         const std::string& name) {
  if (!name.starts_with("Custom.")) return std::nullopt;
  auto paper = session.paperForName(name);
  if (!paper) return std::nullopt;  // ApplyPageSetup says the PPD has no such page size
  return std::pair(paper->width, paper->height);
}

}  // namespace

bool ParseCustomSize(std::string_view text, double* width, double* height) {
  const size_t x = text.find('x');
  if (x == std::string_view::npos) return false;
  double w = 0, h = 0;
  if (!ParseSide(text.substr(0, x), &w) || !ParseSide(text.substr(x + 1), &h)) return false;
  *width = w;
  *height = h;
  return true;
}

std::optional<PMOrientation> ParseOrientation(std::string_view text) {
  if (text == "portrait" || text == "1") return kPMPortrait;
  if (text == "landscape" || text == "2") return kPMLandscape;
  if (text == "reverse-portrait" || text == "3") return kPMReversePortrait;
  if (text == "reverse-landscape" || text == "4") return kPMReverseLandscape;
  return std::nullopt;
}

Paper CustomPaper(double width, double height) {
  Paper paper;
  paper.id = "Custom." + Decimal(width) + "x" + Decimal(height);
  paper.localizedName = paper.id;
  paper.width = width;
  paper.height = height;
  paper.imageable.bottom = height;
  paper.imageable.right = width;
  return paper;
}

std::optional<CustomSizeRange> CustomSizeRangeOf(const PrintSession& session) {
  ppd_file_t* ppd = session.ppd();
  if (ppd == nullptr || !ppd->variable_sizes) return std::nullopt;
  return CustomSizeRange{ppd->custom_min[0], ppd->custom_max[0], ppd->custom_min[1], ppd->custom_max[1]};
}

bool CheckCustomSizes(const PrintSession& session, const PageSetup& setup, std::string* error) {
  std::vector<std::pair<double, double>> sizes;
  if (setup.customWidth && setup.customHeight) sizes.emplace_back(*setup.customWidth, *setup.customHeight);
  for (const std::string* name : {&setup.paper, &setup.scaleTo})
    if (auto size = CustomSizeNamed(session, *name)) sizes.push_back(*size);
  const std::optional<CustomSizeRange> range = CustomSizeRangeOf(session);
  for (auto [width, height] : sizes) {
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    if (range && range->minWidth <= w && w <= range->maxWidth && range->minHeight <= h &&
        h <= range->maxHeight)
      continue;
    const std::string size = "custom size " + Decimal(width) + "x" + Decimal(height);
    if (error && !range) *error = "the PPD offers no custom page sizes (" + size + ")";
    if (error && range)
      *error = size + " is outside the PPD's custom page sizes: width " + Decimal(range->minWidth) + " to " +
               Decimal(range->maxWidth) + ", height " + Decimal(range->minHeight) + " to " +
               Decimal(range->maxHeight) + " points";
    return false;
  }
  return true;
}

bool ApplyPageSetup(const PrintSession& session, const PageSetup& setup, PageFormat* format,
                    PrintSettings* settings, std::string* error) {
  auto named = [&](const std::string& name, const char* what) -> std::optional<Paper> {
    auto paper = session.paperForName(name);
    if (!paper && error) *error = std::string(what) + " \"" + name + "\" is not a page size of the PPD";
    return paper;
  };
  std::optional<Paper> paper;
  if (setup.customWidth && setup.customHeight) {
    paper = CustomPaper(*setup.customWidth, *setup.customHeight);
  } else if (!setup.paper.empty()) {
    paper = named(setup.paper, "paper");
    if (!paper) return false;
  }
  std::optional<Paper> destination;
  if (!setup.scaleTo.empty()) {
    destination = named(setup.scaleTo, "scale-to paper");
    if (!destination) return false;
  }
  if (paper) format->setPaper(std::move(*paper));
  if (setup.orientation) format->setOrientation(*setup.orientation);
  if (destination && settings) {
    settings->setValue(kPMPageToPaperMappingTypeKey, plist::Value(kPMScaleToPaperMapping));
    settings->setValue(kPMPageFormatPaperKey, PaperToDict(*destination));
  }
  return true;
}

}  // namespace platform
