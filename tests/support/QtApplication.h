// One Qt application object per widget test program, on the platform the test entry point
// chose (offscreen unless the environment names another).
#pragma once

#include <QApplication>

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

}  // namespace qarvo::test
