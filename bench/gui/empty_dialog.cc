// For comparison in the dialog start-up benchmark: the least a Qt Widgets
// program does to put a dialog on screen — an empty dialog, quit once painted.
#include <QApplication>
#include <QDialog>
#include <QEvent>
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
  QDialog dialog;
  QuitOnPaint quit;
  dialog.installEventFilter(&quit);
  dialog.show();
  return app.exec();
}
