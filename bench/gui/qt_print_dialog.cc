// The anchor of the dialog start-up benchmark: Qt's own print dialog on a
// CUPS destination (argv[1]), quit once painted, printing the
// CLOCK_MONOTONIC time then. The same scheduler and queue pdedialog opens.
#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <cstdio>

#include "quit_on_paint.h"

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
