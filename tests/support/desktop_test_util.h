#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <functional>

#include "X11Backend.h"

// The test program's X connection: the devices under test post on it and the checks read back
// on it, so a query is answered after every request sent before it.
inline X11Backend& testDesktop() {
  static X11Backend desktop;
  return desktop;
}

// Runs the event loop until cond holds; false when it never did (the deadline only guards a hang).
inline bool waitUntil(const std::function<bool()>& cond, int deadlineMs = 5000) {
  QElapsedTimer t;
  t.start();
  while (!cond()) {
    if (t.elapsed() > deadlineMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  return true;
}

// Lets queued events and X round trips settle for a moment.
inline void settle(int ms = 100) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
}
