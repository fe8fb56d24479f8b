// Print session, current printer and page format: what the print dialog hands
// a panel besides the print settings.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/plist.h"
#include "platform/ppd.h"
#include "platform/status.h"

namespace platform {

class Printer {
 public:
  Printer(std::string id, std::string device_uri) : id_(std::move(id)), uri_(std::move(device_uri)) {}
  const std::string& id() const { return id_; }
  const std::string& deviceURI() const { return uri_; }

 private:
  std::string id_;
  std::string uri_;
};

// A rectangle in points, in the print system's order.
struct PMRect {
  double top = 0, left = 0, bottom = 0, right = 0;
  bool operator==(const PMRect&) const = default;
};

enum PMOrientation : int { kPMPortrait = 1, kPMLandscape = 2, kPMReversePortrait = 3, kPMReverseLandscape = 4 };

// A paper: its PPD page-size name, display name and size in points.
struct Paper {
  std::string id;
  std::string localizedName;
  double width = 0, height = 0;
  PMRect imageable;  // the PPD's imageable area, in paper coordinates
};

class PageFormat {
 public:
  PageFormat() = default;
  PageFormat(Paper paper, PMOrientation orientation) : paper_(std::move(paper)), orientation_(orientation) {}
  const Paper& paper() const { return paper_; }
  PMOrientation orientation() const { return orientation_; }
  void setPaper(Paper p) { paper_ = std::move(p); }
  void setOrientation(PMOrientation o) { orientation_ = o; }
  // The paper's rectangle before any margins: (0,0)-(height,width), turned
  // for landscape orientations.
  PMRect unadjustedPaperRect() const;

 private:
  Paper paper_;
  PMOrientation orientation_ = kPMPortrait;
};

// The session of one print dialog: the current printer and its parsed PPD.
class PrintSession {
 public:
  // Offline session on a PPD file; the printer id is the file's base name
  // without ".ppd". nullptr and *error when the PPD cannot be opened.
  static std::unique_ptr<PrintSession> FromPpdFile(const std::string& ppd_path, const std::string& device_uri,
                                                   std::string* error);
  // Session on a CUPS destination: cupsGetDest, its PPD through cupsGetPPD2
  // (the temporary copy is removed again) and its "device-uri". A raw queue
  // (one without a PPD) gives a session whose ppd() is nullptr.
  static std::unique_ptr<PrintSession> FromDestination(const std::string& name, std::string* error);

  const Printer& currentPrinter() const { return printer_; }
  ppd_file_t* ppd() const { return ppd_ ? ppd_->get() : nullptr; }
  // The page format the PPD's default page size gives.
  PageFormat defaultPageFormat() const;
  // The paper the PPD names, or std::nullopt.
  std::optional<Paper> paperForName(const std::string& name) const;

 private:
  PrintSession(Printer p, std::unique_ptr<ppd::PpdFile> ppd) : printer_(std::move(p)), ppd_(std::move(ppd)) {}
  Printer printer_;
  std::unique_ptr<ppd::PpdFile> ppd_;
};

// Property-list form of a paper: {"PMPaperName", "PMLocalizedPaperName",
// "PMPaperWidth", "PMPaperHeight"}. PaperFromDict answers std::nullopt for
// anything else (a missing name, sizes that are not positive numbers).
plist::Value PaperToDict(const Paper& paper);
std::optional<Paper> PaperFromDict(const plist::Value& dict);

// Keys of a page format's data representation (a property-list dictionary).
// Print settings carry the scale-to-paper request in the same form: the
// mapping type (a number; kPMScaleToPaperMapping asks to scale the document
// to the destination paper) and that paper under kPMPageFormatPaperKey, so a
// page format built from the settings' representation has the destination
// paper.
inline constexpr const char* kPMPageFormatOrientationKey = "com.apple.print.PageFormat.PMOrientation";
inline constexpr const char* kPMPageFormatPaperKey = "com.apple.print.PageFormat.PMPaper";
inline constexpr const char* kPMPageToPaperMappingTypeKey = "com.apple.print.PageToPaperMappingType";
inline constexpr int kPMScaleToPaperMapping = 2;

// The print system's calls, as the panes use them.
OSStatus PMSessionGetCurrentPrinter(const PrintSession* session, const Printer** printer);
OSStatus PMPrinterGetID(const Printer* printer, std::string* id);
OSStatus PMPrinterCopyDeviceURI(const Printer* printer, std::string* uri);
OSStatus PMGetPageFormatPaper(const PageFormat* format, const Paper** paper);
OSStatus PMPaperCreateLocalizedName(const Paper* paper, std::string* name);
OSStatus PMGetUnadjustedPaperRect(const PageFormat* format, PMRect* rect);
OSStatus PMGetOrientation(const PageFormat* format, PMOrientation* orientation);
// A page format from a data representation (see the keys above): the paper
// (an empty one when the representation has none) and the orientation
// (portrait unless a valid one is stored). paramErr when the bytes are not a
// property-list dictionary.
OSStatus PMPageFormatCreateWithDataRepresentation(std::string_view bytes, PageFormat* format);

}  // namespace platform
