#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "base/MainThread.h"
#include "app/TApplication.h"

#include "AppTestSupport.h"

namespace qarvo {
namespace {

void PostClick(QPushButton& button) {
  const QPointF inside(button.width() / 2.0, button.height() / 2.0);
  const QPointF global = button.mapToGlobal(inside);
  QCoreApplication::postEvent(
      &button, new QMouseEvent(QEvent::MouseButtonPress, inside, global, Qt::LeftButton,
                               Qt::LeftButton, Qt::NoModifier));
  QCoreApplication::postEvent(
      &button, new QMouseEvent(QEvent::MouseButtonRelease, inside, global, Qt::LeftButton,
                               Qt::NoButton, Qt::NoModifier));
}

// A click that arrives while the main thread waits (here for a worker's hand-overs) runs its
// handler after the wait, never inside it; the wait itself keeps running the hand-overs and
// timers.
TEST(TApplication, AClickDuringAMainThreadWaitIsHandledAfterTheWait) {
  Application();
  QPushButton button(QStringLiteral("Click"));
  button.resize(80, 30);
  button.show();
  bool waiting = false;
  int clicks = 0;
  int clicksInsideTheWait = 0;
  QObject::connect(&button, &QPushButton::clicked, [&] {
    ++clicks;
    if (waiting) ++clicksInsideTheWait;
  });
  bool timerFired = false;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    TMainThread::RunInMainThread([&] {
      PostClick(button);
      QTimer::singleShot(0, [&] { timerFired = true; });
    });
    done = true;
  });
  waiting = true;
  // The timer fires in a slice of the wait that also has the click to deliver.
  const bool ended =
      TMainThread::WaitPumping([&] { return done.load() && timerFired; }, std::chrono::seconds(60));
  waiting = false;
  worker.join();
  ASSERT_TRUE(ended);
  EXPECT_EQ(clicksInsideTheWait, 0);
  EXPECT_TRUE(QTest::qWaitFor([&] { return clicks == 1; }, 20000));
  EXPECT_EQ(clicksInsideTheWait, 0);
}

}  // namespace
}  // namespace qarvo
