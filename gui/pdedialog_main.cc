// pdedialog: the print dialog of the VN420P plug-ins on a Linux desktop. It
// loads the plug-in bundles like pdehost, shows their panels as Qt widgets
// and sends the job to CUPS.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <QApplication>
#include <QPaintEvent>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>
#include <iostream>

#include "gui/print_dialog.h"
#include "gui/text.h"
#include "host/frontend.h"
#include "host/process_hardening.h"
#include "vn420p_version.h"

namespace {

namespace fs = std::filesystem;

long long MonotonicNs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000000000LL + now.tv_nsec;
}

// For start-up measurements: prints the CLOCK_MONOTONIC time of the window's
// first paint ("painted") and of the first paint with the panels ("panels"),
// then quits; or, asked for a screenshot, saves one once the panels are on
// screen.
class FirstPaintQuit : public QObject {
 public:
  FirstPaintQuit(gui::PrintDialog* d, std::string screenshot) : d_(d), screenshot_(std::move(screenshot)) {}
  bool eventFilter(QObject* o, QEvent* e) override {
    if (o != d_ || e->type() != QEvent::Paint || done_) return false;
    const long long now = MonotonicNs();
    if (!painted_ && screenshot_.empty()) std::cout << "painted " << now << std::endl;
    painted_ = true;
    if (!d_->panelRenderer(0)) return false;
    done_ = true;
    if (screenshot_.empty()) {
      std::cout << "panels " << now << std::endl;
      QTimer::singleShot(0, qApp, &QApplication::quit);
    } else {
      // Taken from the display once the window manager had its turn.
      QTimer::singleShot(300, qApp, [this] {
        QPixmap shot = d_->screen()->grabWindow(d_->winId());
        if (shot.isNull()) shot = d_->grab();
        if (!shot.save(QString::fromStdString(screenshot_), "PNG"))
          std::cerr << "pdedialog: cannot write " << screenshot_ << "\n";
        QApplication::quit();
      });
    }
    return false;
  }

 private:
  gui::PrintDialog* d_;
  std::string screenshot_;
  bool painted_ = false, done_ = false;
};

int Run(int argc, char** argv) {
  // The Security panel holds passwords in clear while the dialog runs: no
  // core file, no other process of the user reading its memory.
  host::HardenProcess();
  fs::path exe = host::ExeDir();
  gui::PrintDialogOptions opt;
  opt.dialog.ppdPath =
      host::FirstExisting({exe / "../share/vn420p/VN420P.ppd", exe / "../../resources/ppd/VN420P.ppd"});
  opt.dialog.pluginsDir = host::FirstExisting({exe / "../plugins", exe / "../lib/vn420p/plugins"});
  opt.pdfRenderer = host::FirstExisting({exe / "../lib/vn420p/pdfpreview.so"});
  bool quitWhenShown = false;
  std::string screenshot;

  CLI::App app{"pdedialog: the print dialog of the VN420P plug-ins"};
  app.set_version_flag("--version", "pdedialog " VN420P_VERSION);
  auto* ppd = app.add_option("--ppd", opt.dialog.ppdPath, "PPD file of an offline printer (default: the bundled sample)");
  app.add_option("--printer", opt.dialog.printerName, "CUPS destination to open the dialog on")->excludes(ppd);
  app.add_option("--device-uri", opt.dialog.deviceURI, "device URI of the offline printer");
  app.add_option("--settings", opt.dialog.settingsPath, "print settings file: read when the dialog opens, written by Print");
  app.add_option("--plugins", opt.dialog.pluginsDir, "folder of *.plugin bundles");
  app.add_flag("--quit-when-shown", quitWhenShown,
               "quit once the dialog has painted its panels, printing the CLOCK_MONOTONIC times of its first "
               "paint and of that");
  app.add_option("--screenshot", screenshot, "save a PNG of the window as the display shows it, then quit");
  app.add_option("FILE", opt.file, "the file Print sends (asked for when missing)")->check(CLI::ExistingFile);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }

  QApplication qapp(argc, argv);  // sets the locale from the environment
  gui::BindCatalogue(host::FirstExisting({exe / "../share/vn420p/locale", exe / "../share/locale"}));
  QApplication::setApplicationName("pdedialog");
  int status = 0;
  {
    gui::PrintDialog dialog(opt);
    FirstPaintQuit quit(&dialog, screenshot);
    if (quitWhenShown || !screenshot.empty()) dialog.installEventFilter(&quit);
    QObject::connect(&dialog, &QDialog::finished, &qapp, &QApplication::quit);
    dialog.show();  // at once: the panels fill in as they load
    int rc = qapp.exec();
    status = quitWhenShown || !screenshot.empty()              ? rc
             : rc == 0 && dialog.result() == QDialog::Accepted ? 0
                                                               : 1;
  }
  // A plug-in call the person did not wait for (Cancel while a panel waited
  // for the printer) still runs on its thread, in the plug-ins and the
  // libraries: leave without running their destructors under it.
  if (gui::PluginThread::Abandoned() > 0) {
    std::cout.flush();
    std::fflush(nullptr);
    _exit(status);
  }
  return status;  // 1: cancelled
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
