// Neither opening nor closing waits for a read that does not return, nor for a thread that
// waits for the main thread.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <semaphore>

#include "base/MainThread.h"
#include "media/EngineLogger.h"
#include "player/TReadThread.h"

#include "EngineTestSupport.h"
#include "support/TestMedia.h"

namespace qarvo {
namespace {

using namespace std::chrono_literals;

TEST_F(EngineTest, CloseReturnsAtOnceWhileTheReadIsStalled) {
  const std::string source = EnsureClip("sd");
  std::ifstream in(source, std::ios::binary);
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string fifo = TestMediaDir() + "/stalled-" + std::to_string(getpid()) + ".avi";
  ::unlink(fifo.c_str());
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // A write after the reader went away must fail, not end the test program.
  ::signal(SIGPIPE, SIG_IGN);

  // Half the file arrives, then nothing more until the test lets the writer go.
  std::binary_semaphore release{0};
  std::thread writer([&] {
    const int fd = ::open(fifo.c_str(), O_WRONLY);
    if (fd < 0) return;
    size_t done = 0;
    const size_t half = data.size() / 2;
    while (done < half) {
      const ssize_t n = ::write(fd, data.data() + done, half - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    release.acquire();
    ::close(fd);
  });

  const bool opened = Open(fifo);
  if (!opened) {
    // A writer still waiting for its reader gets one, and then a broken pipe.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    if (reader >= 0) ::close(reader);
    release.release();
    writer.join();
    ::unlink(fifo.c_str());
  }
  ASSERT_TRUE(opened) << engine_->LastError();
  ASSERT_TRUE(WaitUntil([&] { return surface_.ShownCount() > 0; }, 5s));
  // Stuck in the read of a pipe that has no more data.
  ASSERT_TRUE(WaitUntil(
      [&] {
        if (!engine_->InRead()) return false;
        // Still in the read a while later: stuck, which is what the close is tested against.
        std::this_thread::sleep_for(200ms);
        return engine_->InRead();
      },
      5s));

  const double start = Now();
  engine_->PostQuit();
  playThread_.join();
  const double closed = Now() - start;
  EXPECT_TRUE(engine_->Closed());
  EXPECT_LT(closed, 1.0);
  std::printf("close with the read stalled: %.1f ms\n", closed * 1000);

  // The reader ends on its own once the read returns, and cleans up after itself.
  release.release();
  writer.join();
  EXPECT_TRUE(TReadThread::WaitAllEnded(20s));
  ::unlink(fifo.c_str());
}

// Sound paced like a real device, so pictures are not all late behind a clock that races on.
using CloseWhilePlayingTest = RealTimeEngineTest;

TEST_F(CloseWhilePlayingTest, CloseFromAnotherThreadEndsThePlayThread) {
  ASSERT_TRUE(Open(EnsureClip("short3s"))) << engine_->LastError();
  ASSERT_TRUE(WaitUntil([&] { return surface_.ShownCount() > 3; }, 10s));
  {
    // What a waiting stop does when the play thread does not answer.
    std::lock_guard<std::timed_mutex> lock(host_.Controls().Lock);
    engine_->Close();
  }
  playThread_.join();
  EXPECT_TRUE(engine_->Closed());
  EXPECT_EQ(surface_.Listener(), nullptr);
}

// The waiting stop's fallback closes on the main thread while the video thread waits for the
// main thread to take a log line: the close keeps running handed-over calls, so the line is
// delivered (on the main thread) and the close returns instead of joining a waiting thread.
TEST_F(EngineTest, CloseOnTheMainThreadDeliversALogLineTheVideoThreadHandsOver) {
  ASSERT_TRUE(TMainThread::IsMainThread());
  TEngineLogger& logger = TEngineLogger::GetLogger();
  const bool wasInMainThread = logger.TriggerEventInMainThread();
  logger.SetTriggerEventInMainThread(true);
  const std::string line = "hook line handed to the main thread";
  std::atomic<bool> deliveredOnMain{false};
  logger.SetOnLog([&](const void*, uint32_t, TLogLevel, const std::string& text) {
    if (text == line && TMainThread::IsMainThread()) deliveredOnMain = true;
  });
  std::mutex mutex;
  std::condition_variable changed;
  bool handing = false;
  std::atomic<bool> first{true};
  host_.HookAction = [&] {
    if (!first.exchange(false)) return;
    {
      std::lock_guard lock(mutex);
      handing = true;
    }
    changed.notify_all();
    logger.Log(nullptr, TLogLevel::llError, line);
  };
  host_.Controls().Hook = true;

  ASSERT_TRUE(Open(EnsureClip("short3s"))) << engine_->LastError();
  {
    // A plain wait: the hand-over stays queued until the close runs it.
    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, 10s, [&] { return handing; }));
  }
  // Safety net: a close that deadlocks ends the test program rather than hanging it.
  std::mutex doneMutex;
  std::condition_variable doneChanged;
  bool closed = false;
  std::thread watchdog([&] {
    std::unique_lock lock(doneMutex);
    if (doneChanged.wait_for(lock, 60s, [&] { return closed; })) return;
    std::fprintf(stderr, "Close did not return: it waits for a thread handing over a call\n");
    std::abort();
  });
  {
    std::lock_guard<std::timed_mutex> lock(host_.Controls().Lock);
    engine_->Close();
  }
  {
    std::lock_guard lock(doneMutex);
    closed = true;
  }
  doneChanged.notify_all();
  watchdog.join();
  playThread_.join();
  EXPECT_TRUE(engine_->Closed());
  EXPECT_TRUE(deliveredOnMain);
  logger.SetOnLog(nullptr);
  logger.SetTriggerEventInMainThread(wasInMainThread);
}

// A read thread that never reports (its open blocks on a pipe nobody writes) makes Open fail
// with a message once the bound passes; the thread is left to end on its own.
TEST_F(EngineTest, OpenGivesUpOnAReadThreadThatNeverReports) {
  const std::string fifo = TestMediaDir() + "/silent-" + std::to_string(getpid()) + ".avi";
  ::unlink(fifo.c_str());
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  host_.Controls().OpenTimeoutMs = 200;
  EXPECT_FALSE(engine_->Open(fifo, "", false));
  EXPECT_NE(engine_->LastError().find("did not open within 200 ms"), std::string::npos)
      << engine_->LastError();
  EXPECT_TRUE(engine_->Closed());
  // A writer that comes and goes lets the blocked open return; the reader then fails and ends.
  const int fd = ::open(fifo.c_str(), O_WRONLY);
  if (fd >= 0) ::close(fd);
  ::unlink(fifo.c_str());
  // The engine still opens a file afterwards.
  host_.Controls().OpenTimeoutMs = 30000;
  EXPECT_TRUE(Open(EnsureClip("short3s"))) << engine_->LastError();
}

}  // namespace
}  // namespace qarvo
