// A probe reading a slow source gives up at its next step once its owner stops it or the
// process is asked to end, with a plain message, instead of reading on to the end.
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>

#include "base/ProcessEnd.h"
#include "media/LibraryLoader.h"
#include "media/LibraryObjects.h"
#include "probe/TMediaProbe.h"

#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace qarvo {
namespace {

// A slow medium: the clip's bytes in small reads, one of which waits until the test lets it
// go (a read that takes its time on a worn disc or a sleeping drive).
class TSlowInput {
 public:
  TSlowInput(std::string bytes, int heldRead) : bytes_(std::move(bytes)), heldRead_(heldRead) {
    constexpr int kReadSize = 512;
    TAvMemoryPtr<unsigned char> buffer(static_cast<unsigned char*>(api().av_malloc(kReadSize)));
    AVIOContext* io =
        api().avio_alloc_context(buffer.get(), kReadSize, 0, this, &Read, nullptr, nullptr);
    if (!io) throw std::bad_alloc();
    static_cast<void>(buffer.release());
    io_.reset(io);
  }
  AVIOContext* Context() const { return io_.get(); }

  void WaitUntilHeld() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return held_; });
  }
  void Release() {
    {
      std::lock_guard lock(mutex_);
      released_ = true;
    }
    changed_.notify_all();
  }
  int Reads() {
    std::lock_guard lock(mutex_);
    return reads_;
  }

 private:
  static int Read(void* opaque, uint8_t* buffer, int size) {
    auto& self = *static_cast<TSlowInput*>(opaque);
    {
      std::unique_lock lock(self.mutex_);
      if (++self.reads_ == self.heldRead_) {
        self.held_ = true;
        self.changed_.notify_all();
        self.changed_.wait(lock, [&] { return self.released_; });
      }
    }
    const size_t count = std::min(static_cast<size_t>(size), self.bytes_.size() - self.at_);
    if (count == 0) return AVERROR_EOF;
    std::memcpy(buffer, self.bytes_.data() + self.at_, count);
    self.at_ += count;
    return static_cast<int>(count);
  }

  std::string bytes_;
  size_t at_ = 0;
  int heldRead_;
  std::mutex mutex_;  // guards reads_, held_, released_
  std::condition_variable changed_;
  int reads_ = 0;
  bool held_ = false;
  bool released_ = false;
  TIOContextPtr io_;
};

std::string ClipBytes(const std::string& clip) {
  std::ifstream file(EnsureClip(clip), std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

TEST(ProbeStop, AStoppedProbeGivesUpAtItsNextReadWithAPlainMessage) {
  LoadMediaLibraries();
  const std::string bytes = ClipBytes("avi_mpeg4_mp3");
  TMediaProbe probe;
  TSlowInput whole(bytes, 0);
  ASSERT_TRUE(probe.LoadStream(whole.Context(), "slow.avi")) << probe.LastErrMsg();
  const int allReads = whole.Reads();

  TSlowInput slow(bytes, 2);
  bool loaded = true;
  std::thread prober([&] { loaded = probe.LoadStream(slow.Context(), "slow.avi"); });
  slow.WaitUntilHeld();
  probe.RequestStop();  // from another thread, as the window's Stop does
  slow.Release();
  prober.join();
  EXPECT_FALSE(loaded);
  EXPECT_FALSE(probe.Loaded());
  EXPECT_EQ(probe.LastErrMsg(), "slow.avi: stopped");
  // The container's open reads on (a stream of the caller's has no check of its own), the
  // analysis after it gives up at once.
  EXPECT_LT(slow.Reads(), allReads);

  // A stopped probe stays stopped until its owner clears it.
  TSlowInput again(bytes, 0);
  EXPECT_FALSE(probe.LoadStream(again.Context(), "again.avi"));
  probe.ClearStop();
  TSlowInput cleared(bytes, 0);
  EXPECT_TRUE(probe.LoadStream(cleared.Context(), "cleared.avi")) << probe.LastErrMsg();
}

// The process's end (qarvo-convert's interrupt and termination signals) stops every probe,
// a file's reads included; nothing is read once it was asked.
TEST(ProbeStop, TheProcessEndStopsAProbeOfAFile) {
  LoadMediaLibraries();
  const std::string clip = EnsureClip("short3s");
  TMediaProbe probe;
  RequestProcessEnd();
  const bool loaded = probe.LoadFile(clip);
  ProcessEndFlag() = false;
  EXPECT_FALSE(loaded);
  EXPECT_EQ(probe.LastErrMsg(), clip + ": stopped");
  EXPECT_TRUE(probe.LoadFile(clip)) << probe.LastErrMsg();
}

}  // namespace
}  // namespace qarvo
