#include "gui/text.h"

#include <libintl.h>

namespace gui {

namespace {
constexpr const char* kDomain = "pdedialog";
}

void BindCatalogue(const std::string& localeDir) {
  bindtextdomain(kDomain, localeDir.c_str());
  bind_textdomain_codeset(kDomain, "UTF-8");
}

QString Tr(const char* english) { return QString::fromUtf8(dgettext(kDomain, english)); }

}  // namespace gui
