// pdedialog: the print dialog of the VN420P plug-ins on a Linux desktop. It
// loads the plug-in bundles like pdehost, shows their panels as Qt widgets
// and sends the job to CUPS.
#include <CLI/CLI.hpp>
#include <QApplication>
#include <QPaintEvent>
#include <QTimer>
#include <exception>
#include <filesystem>
#include <iostream>

#include "gui/print_dialog.h"
#include "gui/text.h"

namespace {

namespace fs = std::filesystem;

fs::path ExeDir() {
  std::error_code ec;
  fs::path p = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path(".") : p.parent_path();
}

std::string FirstExisting(std::initializer_list<fs::path> candidates) {
  for (const auto& c : candidates)
    if (fs::exists(c)) return c.lexically_normal().string();
  return candidates.begin()->lexically_normal().string();
}

// Quits once the dialog has painted with its panels (startup measurements).
class FirstPaintQuit : public QObject {
 public:
  explicit FirstPaintQuit(gui::PrintDialog* d) : d_(d) {}
  bool eventFilter(QObject* o, QEvent* e) override {
    if (o == d_ && e->type() == QEvent::Paint && d_->panelRenderer(0))
      QTimer::singleShot(0, qApp, &QApplication::quit);
    return false;
  }

 private:
  gui::PrintDialog* d_;
};

int Run(int argc, char** argv) {
  fs::path exe = ExeDir();
  gui::PrintDialogOptions opt;
  opt.dialog.ppdPath = FirstExisting({exe / "../share/vn420p/VN420P.ppd", exe / "../../resources/ppd/VN420P.ppd"});
  opt.dialog.pluginsDir = FirstExisting({exe / "../plugins", exe / "../lib/vn420p/plugins"});
  bool quitWhenShown = false;

  CLI::App app{"pdedialog: the print dialog of the VN420P plug-ins"};
  auto* ppd = app.add_option("--ppd", opt.dialog.ppdPath, "PPD file of an offline printer (default: the bundled sample)");
  app.add_option("--printer", opt.dialog.printerName, "CUPS destination to open the dialog on")->excludes(ppd);
  app.add_option("--device-uri", opt.dialog.deviceURI, "device URI of the offline printer");
  app.add_option("--settings", opt.dialog.settingsPath, "print settings file: read when the dialog opens, written by Print");
  app.add_option("--plugins", opt.dialog.pluginsDir, "folder of *.plugin bundles");
  app.add_flag("--quit-when-shown", quitWhenShown, "quit once the dialog has painted its panels (for measurements)");
  app.add_option("FILE", opt.file, "the file Print sends (asked for when missing)")->check(CLI::ExistingFile);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }

  QApplication qapp(argc, argv);  // sets the locale from the environment
  gui::BindCatalogue(FirstExisting({exe / "../share/vn420p/locale", exe / "../share/locale"}));
  QApplication::setApplicationName("pdedialog");
  gui::PrintDialog dialog(opt);
  FirstPaintQuit quit(&dialog);
  if (quitWhenShown) dialog.installEventFilter(&quit);
  QObject::connect(&dialog, &QDialog::finished, &qapp, &QApplication::quit);
  dialog.show();
  return qapp.exec() == 0 && dialog.result() == QDialog::Accepted ? 0 : (quitWhenShown ? 0 : 1);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "pdedialog: " << e.what() << "\n";
    return 1;
  }
}
