// The one application object of the app test program, whichever test makes it first.
#pragma once

#include <QCoreApplication>

#include "app/TApplication.h"

namespace qarvo::test {

inline TApplication& AppApplication() {
  static int argc = 1;
  static char name[] = "qarvo_app_tests";
  static char* argv[] = {name, nullptr};
  if (auto* existing = qobject_cast<TApplication*>(QCoreApplication::instance())) return *existing;
  // Never destroyed: Qt's globals may be gone at static destruction.
  return *new TApplication(argc, argv);
}

}  // namespace qarvo::test
