// dialog_pictures: renders the print dialog's pages to PNG files for the
// documentation — each panel, the colour panel's Advanced pane, the summary,
// and the alert of a panel that refuses to print, if one does. Run it on Qt's
// offscreen platform (scripts/render-pictures.sh does).
#include <CLI/CLI.hpp>
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <filesystem>
#include <iostream>

#include "gui/panel_renderer.h"
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

int Run(int argc, char** argv) {
  gui::PrintDialogOptions opt;
  std::string out = "docs/pictures", suffix, locale;
  CLI::App app{"dialog_pictures: renders each page of the print dialog to PNG"};
  app.add_option("--ppd", opt.dialog.ppdPath, "PPD file")->required();
  app.add_option("--plugins", opt.dialog.pluginsDir, "folder of *.plugin bundles")->required();
  app.add_option("--locale-dir", locale, "folder of the dialog's catalogues");
  app.add_option("--out", out, "folder for the pictures");
  app.add_option("--suffix", suffix, "added to every file name (e.g. -ja)");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  QApplication qapp(argc, argv);
  if (!locale.empty()) gui::BindCatalogue(locale);
  fs::create_directories(out);
  gui::PrintDialog d(opt);
  d.show();
  Settle(d);
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
    }
  }
  list->setCurrentRow(list->count() - 1);
  Settle(d);
  ok = Save(&d, fs::path(out) / ("summary" + suffix + ".png")) && ok;

  // A panel that refuses printing shows its alert; picture it, then answer it.
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
