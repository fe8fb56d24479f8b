// The PDF renderer of the dialog's preview, a module of its own so that the
// dialog loads the PDF library only when a preview is first shown.
#include <poppler-qt6.h>

#include <QImage>
#include <algorithm>
#include <memory>

// Renders page `page` (from 0) to fit width x height pixels into *out; the
// document's page count, or -1 when the file is no readable PDF (or locked).
extern "C" __attribute__((visibility("default"))) int vn420p_render_pdf_page(const char* path, int page,
                                                                             int width, int height,
                                                                             QImage* out) {
  std::unique_ptr<Poppler::Document> doc = Poppler::Document::load(QString::fromUtf8(path));
  if (!doc || doc->isLocked()) return -1;
  const int pages = doc->numPages();
  if (page < 0 || page >= pages) return pages;
  std::unique_ptr<Poppler::Page> p = doc->page(page);
  if (!p) return -1;
  doc->setRenderHint(Poppler::Document::Antialiasing);
  doc->setRenderHint(Poppler::Document::TextAntialiasing);
  const QSizeF points = p->pageSizeF();
  if (points.width() <= 0 || points.height() <= 0) return -1;
  const double dpi = 72.0 * std::min(width / points.width(), height / points.height());
  *out = p->renderToImage(dpi, dpi);
  return pages;
}
