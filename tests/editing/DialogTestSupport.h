// What the editing dialogs' tests share: the main-thread hand-over as the application
// installs it, controls found by name, and pixels of a preview.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QWidget>
#include <string>

#include "base/MainThread.h"
#include "core/AppPaths.h"

#include "support/QtApplication.h"

namespace qarvo::test {

inline std::string LibraryFolder() { return ExecutableFolder() + "LibAV"; }

template <typename T>
T* Find(QWidget& window, const char* name) {
  T* found = window.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(found, nullptr) << name;
  return found;
}

// Whether a pixel is clearly green (the crop frame's colour after the preview's scaling).
inline bool Greenish(QRgb pixel) {
  return qGreen(pixel) > qRed(pixel) + 30 && qGreen(pixel) > qBlue(pixel) + 30;
}

// Some clearly green pixel in the column band [x0, x1] of row y.
inline bool GreenBetween(const QImage& shot, int x0, int x1, int y) {
  for (int x = x0; x <= x1; ++x)
    if (x >= 0 && x < shot.width() && Greenish(shot.pixel(x, y))) return true;
  return false;
}

}  // namespace qarvo::test
