#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "base/EngineRecords.h"
#include "base/MainThread.h"
#include "engine/hook/TPreviewer.h"
#include "jobs/TfrmPreviewWindow.h"

#include "support/QtApplication.h"

namespace qarvo {
namespace {

TfrmPreviewWindow* ShownPreviewWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* window = qobject_cast<TfrmPreviewWindow*>(widget); window && window->isVisible())
      return window;
  return nullptr;
}

// Runs `work` on a thread of its own while this (main) thread serves the hand-over.
void OnWorker(const std::function<void()>& work) {
  std::atomic<bool> done{false};
  std::thread worker([&] {
    work();
    done = true;
  });
  const bool finished =
      TMainThread::WaitPumping([&] { return done.load(); }, std::chrono::seconds(60));
  worker.join();
  ASSERT_TRUE(finished);
}

void Send(QWidget* target, QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(local), QPointF(target->mapToGlobal(local)),
                    type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                    Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

TEST(TfrmPreviewWindow, TaskPreviewsOpenAStayOnTopCaptionedMovableWindowUntilTheUserClosesIt) {
  test::TQtHandOver handOver;
  InstallPreviewWindowFactory();

  TBitmap bitmap(176, 144);
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) {
      uint8_t* pixel = bitmap.ScanLine(y) + 3 * x;
      pixel[0] = 200, pixel[1] = static_cast<uint8_t>(y), pixel[2] = static_cast<uint8_t>(x);
    }
  auto previewer = std::make_unique<TPreviewer>();
  bool shown = false;
  OnWorker([&] { shown = previewer->Show(bitmap, 5, 3723456000); });
  EXPECT_TRUE(shown);
  TfrmPreviewWindow* window = ShownPreviewWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowTitle(), "01:02:03.456");
  EXPECT_EQ(window->size(), QSize(176, 144));
  EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(window->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_LE((window->frameGeometry().center() - window->screen()->availableGeometry().center())
                .manhattanLength(),
            4);
  // A copy of the task's picture, which the task then overwrites.
  EXPECT_EQ(window->Picture().pixelColor(10, 20), QColor(10, 20, 200));
  bitmap.ScanLine(20)[30] = 0;
  EXPECT_EQ(window->Picture().pixelColor(10, 20), QColor(10, 20, 200));
  EXPECT_EQ(window->grab().toImage().pixelColor(10, 20), QColor(10, 20, 200));

  // Later pictures reuse the window; a missing time shows "N/A".
  OnWorker([&] { shown = previewer->Show(bitmap, 6, kNoTimestamp); });
  EXPECT_EQ(ShownPreviewWindow(), window);
  EXPECT_EQ(window->windowTitle(), "N/A");

  // A drag anywhere in the picture moves the window.
  const QPoint start = window->pos();
  Send(window, QEvent::MouseButtonPress, QPoint(50, 50), Qt::LeftButton);
  Send(window, QEvent::MouseMove, QPoint(80, 70), Qt::LeftButton);
  Send(window, QEvent::MouseButtonRelease, QPoint(80, 70), Qt::NoButton);
  EXPECT_EQ(window->pos(), start + QPoint(30, 20));

  // Closed by the user: the task shows nothing more; freeing the previewer frees the window.
  window->close();
  OnWorker([&] { shown = previewer->Show(bitmap, 7, 0); });
  EXPECT_FALSE(shown);
  EXPECT_TRUE(previewer->ClosedByUser());
  QPointer<TfrmPreviewWindow> watched(window);
  OnWorker([&] { previewer.reset(); });
  EXPECT_TRUE(watched.isNull());

  SetPreviewWindowFactory(nullptr);
}

}  // namespace
}  // namespace qarvo
