// The anchor of the dialog start-up benchmark: Qt's own print dialog on a
// CUPS destination (argv[1]), quit once painted, printing the
// CLOCK_MONOTONIC time then. The same scheduler and queue pdedialog opens.
#include <QApplication>
#include <QEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QTimer>
#include <cstdio>
#include <ctime>

namespace {
class QuitOnPaint : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() != QEvent::Paint || done_) return false;
    done_ = true;
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::printf("painted %lld\n", now.tv_sec * 1000000000LL + now.tv_nsec);
    std::fflush(stdout);
    QTimer::singleShot(0, qApp, &QApplication::quit);
    return false;
  }

 private:
  bool done_ = false;
};
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s DESTINATION\n", argv[0]);
    return 2;
  }
  QPrinter printer;
  printer.setPrinterName(QString::fromLocal8Bit(argv[1]));
  QPrintDialog dialog(&printer);
  QuitOnPaint quit;
  dialog.installEventFilter(&quit);
  dialog.show();
  return app.exec();
}
