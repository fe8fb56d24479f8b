// For comparison in the dialog start-up benchmark: the least a Qt Widgets
// program does to put a dialog on screen — an empty dialog, quit once painted.
#include <QApplication>
#include <QDialog>

#include "quit_on_paint.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QDialog dialog;
  QuitOnPaint quit;
  dialog.installEventFilter(&quit);
  dialog.show();
  return app.exec();
}
