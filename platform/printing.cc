#include "platform/printing.h"

#include <cups/cups.h>

#include <cstring>
#include <filesystem>

namespace platform {

PMRect PageFormat::unadjustedPaperRect() const {
  const bool turned = orientation_ == kPMLandscape || orientation_ == kPMReverseLandscape;
  PMRect r;
  r.bottom = turned ? paper_.width : paper_.height;
  r.right = turned ? paper_.height : paper_.width;
  return r;
}

std::unique_ptr<PrintSession> PrintSession::FromPpdFile(const std::string& ppd_path,
                                                        const std::string& device_uri, std::string* error) {
  auto file = ppd::PpdFile::Open(ppd_path, error);
  if (!file) return nullptr;
  std::string id = std::filesystem::path(ppd_path).filename().string();
  constexpr std::string_view kSuffix = ".ppd";
  if (id.size() > kSuffix.size() && id.ends_with(kSuffix)) id.resize(id.size() - kSuffix.size());
  return std::unique_ptr<PrintSession>(new PrintSession(Printer(std::move(id), device_uri), std::move(file)));
}

std::unique_ptr<PrintSession> PrintSession::FromDestination(const std::string& name, std::string* error) {
  cups_dest_t* dests = nullptr;
  const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
  const cups_dest_t* dest = cupsGetDest(name.c_str(), nullptr, count, dests);
  std::string uri;
  bool found = dest != nullptr;
  if (dest) {
    const char* value = cupsGetOption("device-uri", dest->num_options, dest->options);
    if (value) uri = value;
  }
  cupsFreeDests(count, dests);

  if (!found) {
    if (error) *error = "no such destination \"" + name + "\"";
    return nullptr;
  }
  if (uri.empty()) {
    if (error) *error = "destination \"" + name + "\" has no device-uri";
    return nullptr;
  }
  auto file = ppd::OpenDestinationPpd(name, error);
  // A raw queue has no PPD (the scheduler answers "not found"): a session
  // without one. Any other failure is the printer's.
  if (!file && cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND) return nullptr;
  return std::unique_ptr<PrintSession>(new PrintSession(Printer(name, std::move(uri)), std::move(file)));
}

PageFormat PrintSession::defaultPageFormat() const {
  ppd_file_t* file = ppd();
  ppd_choice_t* marked = ppd::FindMarkedChoice(file, "PageSize");
  std::optional<Paper> paper;
  if (marked) paper = paperForName(marked->choice);
  if (!paper) {
    // No marked PageSize: fall back to what the option names as its default.
    ppd_option_t* option = ppd::FindOption(file, "PageSize");
    if (option) paper = paperForName(option->defchoice);
  }
  return PageFormat(paper.value_or(Paper{}), kPMPortrait);
}

std::optional<Paper> PrintSession::paperForName(const std::string& name) const {
  ppd_file_t* file = ppd();
  if (!file || name.empty()) return std::nullopt;
  ppd_size_t* size = ppd::PageSize(file, name.c_str());
  if (!size) return std::nullopt;

  Paper paper;
  // A custom size ("Custom.WxH") keeps its whole name: the dimensions are in it.
  const bool custom = !std::strcmp(size->name, "Custom");
  paper.id = custom ? name : size->name;
  paper.width = size->width;
  paper.height = size->length;
  // The PPD measures from the lower-left corner upwards; paper coordinates run
  // from the top-left corner downwards.
  paper.imageable.top = size->length - size->top;
  paper.imageable.left = size->left;
  paper.imageable.bottom = size->length - size->bottom;
  paper.imageable.right = size->right;

  ppd_choice_t* choice = custom ? nullptr : ppd::FindChoice(ppd::FindOption(file, "PageSize"), size->name);
  if (choice && choice->text[0]) {
    auto text = ppd::Decode(choice->text, ppd::EncodingForPpd(file));
    if (text) paper.localizedName = std::move(*text);
  }
  if (paper.localizedName.empty()) paper.localizedName = paper.id;
  return paper;
}

namespace {

// The shape of every getter below: paramErr when the object or the place for
// the answer is missing, else the answer and noErr.
template <typename Object, typename Out, typename Get>
OSStatus Answer(const Object* object, Out* out, Get get) {
  if (!object || !out) return paramErr;
  *out = get(*object);
  return noErr;
}

}  // namespace

OSStatus PMSessionGetCurrentPrinter(const PrintSession* session, const Printer** printer) {
  return Answer(session, printer, [](const PrintSession& s) { return &s.currentPrinter(); });
}

OSStatus PMPrinterGetID(const Printer* printer, std::string* id) {
  return Answer(printer, id, [](const Printer& p) { return p.id(); });
}

OSStatus PMPrinterCopyDeviceURI(const Printer* printer, std::string* uri) {
  return Answer(printer, uri, [](const Printer& p) { return p.deviceURI(); });
}

OSStatus PMGetPageFormatPaper(const PageFormat* format, const Paper** paper) {
  return Answer(format, paper, [](const PageFormat& f) { return &f.paper(); });
}

OSStatus PMPaperCreateLocalizedName(const Paper* paper, std::string* name) {
  return Answer(paper, name, [](const Paper& p) { return p.localizedName.empty() ? p.id : p.localizedName; });
}

OSStatus PMGetUnadjustedPaperRect(const PageFormat* format, PMRect* rect) {
  return Answer(format, rect, [](const PageFormat& f) { return f.unadjustedPaperRect(); });
}

OSStatus PMGetOrientation(const PageFormat* format, PMOrientation* orientation) {
  return Answer(format, orientation, [](const PageFormat& f) { return f.orientation(); });
}

plist::Value PaperToDict(const Paper& paper) {
  return plist::Dict{{"PMPaperName", paper.id},
                     {"PMLocalizedPaperName", paper.localizedName},
                     {"PMPaperWidth", paper.width},
                     {"PMPaperHeight", paper.height}};
}

namespace {

std::optional<double> PositiveNumber(const plist::Value* v) {
  if (!v) return std::nullopt;
  double d = 0;
  if (const double* r = v->real()) {
    d = *r;
  } else if (const int64_t* i = v->integer()) {
    d = static_cast<double>(*i);
  } else {
    return std::nullopt;
  }
  if (!(d > 0) || d > 1e6) return std::nullopt;  // also refuses NaN
  return d;
}

}  // namespace

std::optional<Paper> PaperFromDict(const plist::Value& dict) {
  const plist::Value* id = dict.find("PMPaperName");
  const plist::Value* name = dict.find("PMLocalizedPaperName");
  auto width = PositiveNumber(dict.find("PMPaperWidth"));
  auto height = PositiveNumber(dict.find("PMPaperHeight"));
  if (!id || !id->string() || id->string()->empty() || !width || !height) return std::nullopt;
  Paper paper;
  paper.id = *id->string();
  paper.localizedName = name && name->string() ? *name->string() : paper.id;
  paper.width = *width;
  paper.height = *height;
  paper.imageable.bottom = *height;
  paper.imageable.right = *width;
  return paper;
}

OSStatus PMPageFormatCreateWithDataRepresentation(std::string_view bytes, PageFormat* format) {
  if (!format) return paramErr;
  auto root = plist::Parse(bytes);
  if (!root || !root->isDict()) return paramErr;
  PageFormat out;
  if (const plist::Value* paper = root->find(kPMPageFormatPaperKey))
    if (auto p = PaperFromDict(*paper)) out.setPaper(std::move(*p));
  if (const plist::Value* o = root->find(kPMPageFormatOrientationKey))
    if (const int64_t* n = o->integer(); n && *n >= kPMPortrait && *n <= kPMReverseLandscape)
      out.setOrientation(static_cast<PMOrientation>(*n));
  *format = std::move(out);
  return noErr;
}

}  // namespace platform
