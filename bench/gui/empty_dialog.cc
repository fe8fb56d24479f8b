// The anchor of the dialog start-up benchmark: the least a Qt Widgets
// program does to put a dialog on screen — an empty dialog, quit once painted.
// Built with VN_ONE_LABEL the dialog holds one label, for comparison: an
// empty dialog paints no text, so it never loads the font configuration.
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLabel>
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
#ifdef VN_ONE_LABEL
  QLabel label("Print", &dialog);
#endif
  QuitOnPaint quit;
  dialog.installEventFilter(&quit);
  dialog.show();
  return app.exec();
}
