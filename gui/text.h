// The dialog's own texts, from its gettext catalogue "pdedialog" keyed by the
// English text (a missing translation answers the key), like the bundles'.
#pragma once

#include <QString>
#include <string>

namespace gui {

// Binds the catalogue to "<localeDir>/<lang>/LC_MESSAGES/pdedialog.mo".
void BindCatalogue(const std::string& localeDir);
QString Tr(const char* english);

}  // namespace gui
