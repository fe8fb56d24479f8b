#include "gui/preview.h"

#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLibrary>
#include <QMimeDatabase>
#include <QPainter>
#include <QPointer>
#include <QTextStream>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/text.h"

namespace gui {

namespace {

constexpr QSize kBox(220, 286);  // about a letter page's shape
constexpr int kTextLines = 66;

using RenderFn = int (*)(const char*, int, int, int, QImage*);

// The first lines of a text file on a white page, in a fixed-width font.
QImage TextPage(const QString& file, QString* error) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
    *error = f.errorString();
    return {};
  }
  QImage page(kBox * 2, QImage::Format_RGB32);
  page.fill(Qt::white);
  QPainter painter(&page);
  QFont font("Monospace");
  font.setStyleHint(QFont::TypeWriter);
  font.setPixelSize(page.height() / kTextLines);
  painter.setFont(font);
  QTextStream in(&f);
  const int line = page.height() / kTextLines;
  for (int i = 0; i < kTextLines - 4 && !in.atEnd(); ++i)
    painter.drawText(QPoint(line * 2, line * (i + 3)), in.readLine(200));
  return page;
}

}  // namespace

int RenderPdfPage(const std::string& module, const std::string& file, int page, QSize box, QImage* out,
                  std::string* error) {
  if (module.empty()) {
    *error = "no PDF renderer";
    return -1;
  }
  QLibrary library(QString::fromStdString(module));
  auto render = reinterpret_cast<RenderFn>(library.resolve("vn420p_render_pdf_page"));
  if (!render) {
    *error = library.errorString().toStdString();
    return -1;
  }
  // The module stays loaded: unloading a library with Qt's types in use is
  // not worth the memory.
  int pages = render(file.c_str(), page, box.width(), box.height(), out);
  if (pages < 0) *error = file + ": not a readable PDF";
  return pages;
}

struct PreviewPane::Result {
  QImage image;
  QString placeholder;
  int pages = 0;
};

PreviewPane::PreviewPane(std::string pdfRenderer, QWidget* parent)
    : QWidget(parent), renderer_(std::move(pdfRenderer)) {
  setObjectName("preview");
  picture_ = new QLabel;
  picture_->setObjectName("previewPicture");
  picture_->setFixedSize(kBox);
  picture_->setAlignment(Qt::AlignCenter);
  picture_->setWordWrap(true);
  picture_->setFrameShape(QFrame::StyledPanel);
  picture_->setAccessibleName(Tr("Preview"));
  caption_ = new QLabel;
  caption_->setAlignment(Qt::AlignCenter);
  previous_ = new QToolButton;
  previous_->setArrowType(Qt::LeftArrow);
  previous_->setAccessibleName(Tr("Previous page"));
  previous_->setText(Tr("Pre&vious page"));  // drawn as the arrow; the letter is its key
  next_ = new QToolButton;
  next_->setArrowType(Qt::RightArrow);
  next_->setAccessibleName(Tr("Next page"));
  next_->setText(Tr("Ne&xt page"));
  previous_->hide();
  next_->hide();
  auto* pager = new QHBoxLayout;
  pager->addWidget(previous_);
  pager->addWidget(caption_, 1);
  pager->addWidget(next_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(picture_);
  layout->addLayout(pager);
  layout->addStretch(1);
  connect(previous_, &QToolButton::clicked, this, [this] {
    page_ = std::max(0, page_ - 1);
    start();
  });
  connect(next_, &QToolButton::clicked, this, [this] {
    page_ = std::min(pages_ - 1, page_ + 1);
    start();
  });
  previous_->setEnabled(false);
  next_->setEnabled(false);
}

PreviewPane::~PreviewPane() {
  if (pending_.valid()) pending_.wait();
}

void PreviewPane::setDocument(const std::string& file) {
  file_ = file;
  page_ = 0;
  pages_ = 0;
  shownFor_ = -1;
  if (isVisible()) start();
}

bool PreviewPane::rendering() const {
  return pending_.valid() && pending_.wait_for(std::chrono::seconds(0)) != std::future_status::ready;
}

QString PreviewPane::placeholder() const {
  return picture_->pixmap().isNull() ? picture_->text() : QString();
}

void PreviewPane::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // After the first paint of the window, never before it.
  if (shownFor_ != page_)
    QMetaObject::invokeMethod(
        this, [this] { start(); }, Qt::QueuedConnection);
}

void PreviewPane::start() {
  if (pending_.valid()) pending_.wait();  // one render at a time; each is short
  shownFor_ = page_;
  if (file_.empty()) {
    display({{}, Tr("No document yet: Print asks for the file."), 0});
    return;
  }
  picture_->setText(Tr("Preparing the preview…"));
  const QString file = QString::fromStdString(file_);
  const std::string path = file_, module = renderer_;
  const int page = page_;
  QPointer<PreviewPane> self(this);
  pending_ = std::async(std::launch::async, [self, file, path, module, page] {
    Result r;
    const QMimeType type = QMimeDatabase().mimeTypeForFile(file);
    QString error;
    if (type.inherits("application/pdf")) {
      std::string why;
      r.pages = RenderPdfPage(module, path, page, kBox, &r.image, &why);
      if (r.pages < 0) error = QString::fromStdString(why);
    } else if (type.name().startsWith("image/")) {
      QImageReader reader(file);
      QSize size = reader.size();
      if (size.isValid()) reader.setScaledSize(size.scaled(kBox, Qt::KeepAspectRatio));
      r.image = reader.read();
      r.pages = r.image.isNull() ? 0 : 1;
      if (r.image.isNull()) error = reader.errorString();
    } else if (type.inherits("text/plain") && !type.inherits("application/postscript")) {
      r.image = TextPage(file, &error);
      r.pages = r.image.isNull() ? 0 : 1;
    } else {
      r.placeholder = Tr("No preview for this kind of file (%1); it prints as it is.").arg(type.comment());
    }
    if (!error.isEmpty()) r.placeholder = Tr("No preview: %1").arg(error);
    QMetaObject::invokeMethod(qApp, [self, r] {
      if (self) self->display(r);
    });
  });
}

void PreviewPane::display(const Result& r) {
  if (r.pages >= 0) pages_ = r.pages;
  if (r.image.isNull()) {
    picture_->setPixmap({});
    picture_->setText(r.placeholder);
  } else {
    picture_->setPixmap(
        QPixmap::fromImage(r.image.scaled(kBox, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
  }
  caption_->setText(pages_ > 0 ? Tr("Page %1 of %2").arg(page_ + 1).arg(pages_) : QString());
  previous_->setEnabled(page_ > 0);
  next_->setEnabled(page_ + 1 < pages_);
  // Only a document of several pages has pages to turn.
  previous_->setVisible(pages_ > 1);
  next_->setVisible(pages_ > 1);
}

}  // namespace gui
