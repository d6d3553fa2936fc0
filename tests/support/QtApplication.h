// One Qt application object per widget test program, on the platform the test entry point
// chose (offscreen unless the environment names another).
#pragma once

#include <QApplication>
#include <QMetaObject>

#include "base/MainThread.h"

namespace qarvo::test {

inline QApplication& QtApplication() {
  static int argc = 1;
  static char name[] = "qarvo_widget_tests";
  static char* argv[] = {name, nullptr};
  // Never destroyed: at static destruction Qt's own globals may be gone already, and a
  // destructor running then crashes the program after its tests have passed.
  static QApplication* application = new QApplication(argc, argv);
  return *application;
}

// The main-thread hand-over as the application installs it, while the object lives: calls
// handed to the main thread wake its event loop, and waits on the main thread keep the
// windows painted.
struct TQtHandOver {
  TQtHandOver() {
    QtApplication();
    TMainThread::SetMainThread();
    TMainThread::SetWakeHook([] {
      QMetaObject::invokeMethod(
          qApp, [] { TMainThread::ProcessPendingCalls(); }, Qt::QueuedConnection);
    });
    TMainThread::SetIdleHook([] { QCoreApplication::processEvents(); });
  }
  ~TQtHandOver() {
    TMainThread::SetWakeHook({});
    TMainThread::SetIdleHook({});
  }
  TQtHandOver(const TQtHandOver&) = delete;
  TQtHandOver& operator=(const TQtHandOver&) = delete;
};

}  // namespace qarvo::test
