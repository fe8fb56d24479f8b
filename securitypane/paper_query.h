// Paper questions the constraint engine asks about the document: which PPD
// page size its page corresponds to, whether a custom size lies within the
// printer's limits, and whether the user asked to scale it to another paper.
#pragma once

#include <optional>
#include <string>

#include "securitypane/pde_core.h"

namespace securitypane {

// The print settings ask to scale the document to the destination paper
// ("com.apple.print.PageToPaperMappingType" = 2).
bool IsDocumentUseFitToPage(HVPDESession* session);
// Width and height (single precision) within the PPD's custom size limits,
// bounds included; false for a PPD without custom sizes.
bool IsCustomPaperSizeWithinRange(HVPDESession* session, const platform::PMRect& rect, int orientation);
// The destination paper's display name; -30892 when there is none.
OSStatus GetDestinationPaperName(HVPDESession* session, std::string* out);
// The display name the user's custom paper file gives `name` (*created = 1),
// else `name` itself; 0 also when the file is missing or has another shape.
OSStatus GetCustomPaperNameFromPlist(const std::string& name, std::string* out, int* created);
OSStatus GetDocumentPaperName(HVPDESession* session, std::string* out, int* created);
OSStatus GetDocumentPaperRect(HVPDESession* session, platform::PMRect* rect);
OSStatus GetDocumentOrientation(HVPDESession* session, platform::PMOrientation* out);
// The "PageSize" choice the document's page stands for: the PPD size of the
// page's dimensions (a landscape page is matched upright), else the document
// paper name when it is a custom size within the limits, else the PPD's
// default; with scale-to-paper, the destination paper's choice (or its
// display name when no choice has that name). std::nullopt without a session
// or papers record, or when the page format cannot be read.
std::optional<std::string> GetPaperNameByStandardTicketArgument(int* created, HVPDESession* session);

}  // namespace securitypane
