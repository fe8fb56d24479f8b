// dialog_pictures: renders the print dialog's pages to PNG files for the
// documentation — each panel, the colour panel's Advanced pane and profile
// management window, the Layout page, the summary, and the Security panel's
// alert when Secure Print has no password — with a sample PDF in the preview. Run it on Qt's offscreen
// platform (scripts/render-pictures.sh does).
#include <CLI/CLI.hpp>
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <filesystem>
#include <iostream>

#include "gui/panel_renderer.h"
#include "gui/preview.h"
#include "gui/print_dialog.h"
#include "gui/text.h"

namespace {

namespace fs = std::filesystem;

void Settle(gui::PrintDialog& d) {
  for (int i = 0; i < 3; ++i) {
    d.session().drain();
    QCoreApplication::processEvents();
  }
}

bool Save(QWidget* w, const fs::path& file) {
  bool ok = w->grab().save(QString::fromStdString(file.string()), "PNG");
  std::cout << (ok ? "wrote " : "cannot write ") << file.string() << "\n";
  return ok;
}

std::string Slug(std::string kind) {
  for (char& c : kind)
    if (c == '.') c = '-';
  return kind;
}

// Waits up to two seconds for the condition, letting the dialog run.
template <class F>
bool WaitFor(gui::PrintDialog& d, F condition) {
  for (int i = 0; i < 80 && !condition(); ++i) {
    Settle(d);
    QThread::msleep(25);
  }
  return condition();
}

// The colour panel's profile management window with one typed profile, then
// Cancel, which keeps the profile file as it was. The window opens only for
// a person the profile store lets write, with its helper tools installed.
bool PictureProfileWindow(gui::PrintDialog& d, gui::PanelRenderer* panel, const fs::path& file) {
  auto* manage = qobject_cast<QPushButton*>(panel->widgetNamed("button_ManageProfile"));
  if (!manage || !manage->isEnabled()) {
    std::cout
        << "skipped " << file.string()
        << ": the window opens for an administrator with the helper tools installed under VN420P_ROOT\n";
    return true;
  }
  manage->click();
  if (!WaitFor(d, [&] { return d.modalWindow() != nullptr; })) {
    std::cerr << "dialog_pictures: the profile management window did not open\n";
    return false;
  }
  gui::PanelRenderer* w = d.modalWindow()->renderer();
  if (auto* add = qobject_cast<QPushButton*>(w->widgetNamed("_addButton"))) add->click();
  Settle(d);
  for (auto [field, text] :
       {std::pair{"_fileNameEdit", "OFFICE.ICC"}, std::pair{"_profileNameEdit", "Office"}})
    if (auto* edit = qobject_cast<QLineEdit*>(w->widgetNamed(field))) {
      edit->setFocus();
      for (QChar c : QString(text)) {  // typed, so the window's editing callbacks run
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(edit, &key);
      }
      Settle(d);
    }
  if (auto* ok = qobject_cast<QPushButton*>(w->widgetNamed("_localOK"))) ok->click();
  Settle(d);
  bool saved = Save(d.modalWindow(), file);
  d.modalWindow()->reject();
  WaitFor(d, [&] { return d.modalWindow() == nullptr; });
  return saved;
}

// A two-page sample document for the preview: a heading, text and colour.
void WriteSample(const QString& file) {
  QPdfWriter pdf(file);
  pdf.setTitle("VN420P sample");
  QPainter p(&pdf);
  const QRect page = p.viewport();
  for (int i = 0; i < 2; ++i) {
    if (i) pdf.newPage();
    QFont heading = p.font();
    heading.setPointSize(28);
    heading.setBold(true);
    p.setFont(heading);
    p.drawText(QRect(0, 0, page.width(), page.height() / 8), Qt::AlignCenter,
               QString("Quarterly report %1").arg(i + 1));
    const QColor colours[] = {QColor(0, 160, 220), QColor(220, 0, 120), QColor(250, 210, 0),
                              QColor(40, 40, 40)};
    for (int c = 0; c < 4; ++c)
      p.fillRect(QRect(page.width() / 10 + c * page.width() / 5, page.height() / 4, page.width() / 6,
                       page.height() / 3 - c * page.height() / 16),
                 colours[c]);
  }
}

int Run(int argc, char** argv) {
  gui::PrintDialogOptions opt;
  std::string out = "docs/pictures", suffix, locale;
  CLI::App app{"dialog_pictures: renders each page of the print dialog to PNG"};
  app.add_option("--ppd", opt.dialog.ppdPath, "PPD file")->required();
  app.add_option("--plugins", opt.dialog.pluginsDir, "folder of *.plugin bundles")->required();
  app.add_option("--locale-dir", locale, "folder of the dialog's catalogues");
  app.add_option("--out", out, "folder for the pictures");
  app.add_option("--suffix", suffix, "added to every file name (e.g. -ja)");
  app.add_option("--file", opt.file, "the document to preview");
  app.add_option("--pdf-renderer", opt.pdfRenderer, "the preview's PDF module");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  QApplication qapp(argc, argv);
  if (!locale.empty()) gui::BindCatalogue(locale);
  fs::create_directories(out);
  QTemporaryDir scratch;
  if (opt.file.empty()) {
    opt.file = scratch.filePath("sample.pdf").toStdString();
    WriteSample(QString::fromStdString(opt.file));
  }
  gui::PrintDialog d(opt);
  d.show();
  Settle(d);
  WaitFor(d, [&] { return !d.preview()->rendering() && d.preview()->pageCount() > 0; });
  if (!d.isOpened()) {
    std::cerr << "dialog_pictures: " << d.statusText().toStdString() << "\n";
    return 1;
  }
  auto* list = d.findChild<QListWidget*>();
  bool ok = true;
  for (int i = 0; d.panelRenderer(i); ++i) {
    list->setCurrentRow(i);
    Settle(d);
    std::string kind = list->item(i)->data(Qt::UserRole).toString().toStdString();
    ok = Save(&d, fs::path(out) / (Slug(kind) + suffix + ".png")) && ok;
    // The colour panel's second pane: Quick Color "Custom", then its button.
    gui::PanelRenderer* r = d.panelRenderer(i);
    auto* quick = qobject_cast<QComboBox*>(r->widgetNamed("menu_QuickColor"));
    auto* button = qobject_cast<QPushButton*>(r->widgetNamed("button_AdvanceColorOptions"));
    if (quick && button) {
      int custom = quick->count() - 1;
      for (int k = 0; k < quick->count(); ++k)
        if (quick->itemText(k).contains("Custom") || k == 3) custom = k;
      quick->setCurrentIndex(custom);
      emit quick->activated(custom);
      Settle(d);
      button->click();
      Settle(d);
      ok = Save(&d, fs::path(out) / (Slug(kind) + "-advanced" + suffix + ".png")) && ok;
      ok = PictureProfileWindow(d, r, fs::path(out) / ("profile-window" + suffix + ".png")) && ok;
    }
  }
  // The standard options' page.
  for (int row = 0; row < list->count(); ++row)
    if (list->item(row)->data(Qt::UserRole + 1).toString() == "layout") list->setCurrentRow(row);
  Settle(d);
  ok = Save(&d, fs::path(out) / ("layout" + suffix + ".png")) && ok;
  list->setCurrentRow(list->count() - 1);
  Settle(d);
  ok = Save(&d, fs::path(out) / ("summary" + suffix + ".png")) && ok;

  // Secure Print without a password: the Security panel refuses to print
  // with its alert; picture it, then answer it.
  for (int i = 0; d.panelRenderer(i); ++i)
    if (auto* mode = qobject_cast<QComboBox*>(d.panelRenderer(i)->widgetNamed("waitModePopUp"))) {
      list->setCurrentRow(i);
      Settle(d);
      int secure = mode->findText("Secure Print");
      if (secure < 0) secure = 1;  // the sample PPD's second print mode
      mode->setCurrentIndex(secure);
      emit mode->activated(secure);
      Settle(d);
    }
  QTimer alertWatch;
  QObject::connect(&alertWatch, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
        Save(box, fs::path(out) / ("alert" + suffix + ".png"));
        box->buttons().first()->click();
      }
  });
  alertWatch.start(100);
  for (auto* b : d.findChildren<QPushButton*>())
    if (b->text() == gui::Tr("Print")) b->click();
  for (int i = 0; i < 20; ++i) {
    QCoreApplication::processEvents();
    QThread::msleep(25);
  }
  Settle(d);
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "dialog_pictures: " << e.what() << "\n";
    return 1;
  }
}
