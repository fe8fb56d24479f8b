// The comparison programs of the dialog start-up benchmark: prints
// "painted <CLOCK_MONOTONIC ns>" at the watched window's first paint and quits.
#pragma once

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <cstdio>
#include <ctime>

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
