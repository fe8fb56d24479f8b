#include "platform/printing_page_setup.h"

#include <charconv>
#include <cstdio>

namespace platform {

namespace {

constexpr double kMaxSide = 100000;

bool ParseSide(std::string_view text, double* out) {
  if (text.empty()) return false;
  double v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || !(v > 0) || v > kMaxSide) return false;
  *out = v;
  return true;
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
  char id[64];
  std::snprintf(id, sizeof id, "Custom.%gx%g", width, height);
  Paper paper;
  paper.id = id;
  paper.localizedName = id;
  paper.width = width;
  paper.height = height;
  paper.imageable.bottom = height;
  paper.imageable.right = width;
  return paper;
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
