// A preview of the document's pages beside the options. Nothing is read
// while the dialog starts: the first time the pane is shown it renders on a
// thread of its own, PDF through the renderer module (loaded then, so the PDF
// library costs the start-up nothing), images scaled by Qt, text as its first
// lines; other types (PostScript) get a plain placeholder.
#pragma once

#include <QWidget>
#include <future>

class QLabel;
class QToolButton;

namespace gui {

class PreviewPane : public QWidget {
 public:
  // `pdfRenderer`: the module's path ("" renders no PDF).
  PreviewPane(std::string pdfRenderer, QWidget* parent = nullptr);
  ~PreviewPane() override;  // waits for a render under way

  // The document: rendered when the pane is (or next is) on screen.
  void setDocument(const std::string& file);
  // The page count once known (0 before, or without one), the page shown
  // (from 0), and the text in place of a picture ("" when there is one).
  int pageCount() const { return pages_; }
  int page() const { return page_; }
  QString placeholder() const;
  bool rendering() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  struct Result;
  void start();
  void display(const Result& r);

  std::string renderer_, file_;
  QLabel* picture_;
  QLabel* caption_;
  QToolButton *previous_, *next_;
  int pages_ = 0, page_ = 0, shownFor_ = -1;
  std::future<void> pending_;
};

// The first page count and picture of a PDF through the module (a shared
// library exporting vn420p_render_pdf_page); -1 and *error when it cannot.
int RenderPdfPage(const std::string& module, const std::string& file, int page, QSize box, QImage* out,
                  std::string* error);

}  // namespace gui
