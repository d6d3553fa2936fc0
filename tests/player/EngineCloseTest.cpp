// Closing never waits for a read that does not return.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

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
  std::atomic<bool> release{false};
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
    while (!release) std::this_thread::sleep_for(5ms);
    ::close(fd);
  });

  const bool opened = Open(fifo);
  if (!opened) {
    release = true;
    writer.join();
    ::unlink(fifo.c_str());
  }
  ASSERT_TRUE(opened) << engine_->LastError();
  ASSERT_TRUE(WaitUntil([&] { return surface_.ShownCount() > 0; }, 5s));
  // Stuck in the read of a pipe that has no more data.
  ASSERT_TRUE(WaitUntil([&] {
    if (!engine_->InRead()) return false;
    std::this_thread::sleep_for(200ms);
    return engine_->InRead();
  }, 5s));

  const double start = Now();
  engine_->PostQuit();
  playThread_.join();
  const double closed = Now() - start;
  EXPECT_TRUE(engine_->Closed());
  EXPECT_LT(closed, 1.0);
  std::printf("close with the read stalled: %.1f ms\n", closed * 1000);

  // The reader ends on its own once the read returns, and cleans up after itself.
  release = true;
  writer.join();
  std::this_thread::sleep_for(300ms);
  ::unlink(fifo.c_str());
}

TEST_F(EngineTest, CloseFromAnotherThreadEndsThePlayThread) {
  ASSERT_TRUE(Open(EnsureClip("short3s"))) << engine_->LastError();
  ASSERT_TRUE(WaitUntil([&] { return surface_.ShownCount() > 3; }, 3s));
  {
    // What a waiting stop does when the play thread does not answer.
    std::lock_guard<std::timed_mutex> lock(host_.Controls().Lock);
    engine_->Close();
  }
  playThread_.join();
  EXPECT_TRUE(engine_->Closed());
  EXPECT_EQ(surface_.Listener(), nullptr);
}

}  // namespace
}  // namespace qarvo
