// Pictures against sound over a whole minute: the picture on screen when each click of the
// sound is heard is the picture of that moment.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "EngineTestSupport.h"
#include "support/TestMedia.h"

namespace qarvo {
namespace {

using namespace std::chrono_literals;

struct TWrite {
  double Time;
  size_t Size;
};

// How long each thread of this process but the calling one (the watcher, whose lateness
// HeardAt allows for) has waited for a processor so far, in seconds.
struct TWaits {
  double Time;
  std::map<std::string, double> ByThread;
};

TWaits ThreadWaits() {
  TWaits waits{Now(), {}};
  const std::string self = std::to_string(::gettid());
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
    if (task.path().filename() == self) continue;
    std::ifstream file(task.path() / "schedstat");
    unsigned long long run = 0, wait = 0;
    if (file >> run >> wait) waits.ByThread[task.path().filename().string()] = wait / 1e9;
  }
  return waits;
}

// The longest time any one thread stood ready to run without a processor between two
// instants: a thread of the player kept that long from running shows its picture or its
// sound late by as much. (Waits that only add up, as a busy decoder's do, delay nothing.)
double LongestWait(const std::vector<TWaits>& samples, double from, double to) {
  std::map<std::string, double> waiting;  // how long each thread has been waiting throughout
  double longest = 0;
  for (size_t i = 1; i < samples.size(); ++i) {
    const TWaits& before = samples[i - 1];
    const TWaits& after = samples[i];
    if (after.Time < from || before.Time > to) continue;
    const double elapsed = after.Time - before.Time;
    for (const auto& [thread, wait] : after.ByThread) {
      const auto earlier = before.ByThread.find(thread);
      const double waited = wait - (earlier == before.ByThread.end() ? wait : earlier->second);
      double& run = waiting[thread];
      run = waited >= 0.8 * elapsed ? run + waited : 0;
      longest = std::max(longest, run);
    }
  }
  return longest;
}

using SyncTest = RealTimeEngineTest;

// When the file grew past each size: the moment a device buffer was handed over.
std::vector<TWrite> WatchWrites(const std::string& file, const std::function<bool()>& done,
                                std::vector<TWaits>& waits) {
  std::vector<TWrite> writes;
  for (int poll = 0; !done(); ++poll) {
    std::error_code error;
    const size_t size = std::filesystem::file_size(file, error);
    if (!error && (writes.empty() || size != writes.back().Size)) writes.push_back({Now(), size});
    if (poll % 5 == 0) waits.push_back(ThreadWaits());
    std::this_thread::sleep_for(1ms);  // the file's growth is sampled against the clock
  }
  waits.push_back(ThreadWaits());
  return writes;
}

// When the byte at offset started to be heard. The watcher may look late when it is not
// scheduled, but the driver writes a buffer no sooner than its pacing delay after the one
// before; so any later sighting, less the pacing of the buffers between, bounds the write.
double HeardAt(const std::vector<TWrite>& writes, size_t offset, int sampleRate) {
  size_t bufferBytes = SIZE_MAX;
  for (size_t i = 1; i < writes.size(); ++i)
    bufferBytes = std::min(bufferBytes, writes[i].Size - writes[i - 1].Size);
  if (writes.size() < 2 || bufferBytes == 0) return -1;
  // The driver's default pacing: whole milliseconds per buffer.
  const double pace = std::floor(bufferBytes / 4.0 * 1000.0 / sampleRate) / 1000.0;
  const double bytesPerSecond = sampleRate * 4.0;
  const size_t bufferStart = offset / bufferBytes * bufferBytes;
  double written = -1;
  for (size_t i = 0; i < writes.size(); ++i) {
    if (writes[i].Size <= offset) continue;
    const size_t lastStart = writes[i].Size - bufferBytes;
    if (lastStart > bufferStart + bytesPerSecond) break;  // a second on is plenty
    const double buffersBetween = static_cast<double>((lastStart - bufferStart) / bufferBytes);
    const double bound = writes[i].Time - buffersBetween * pace;
    written = written < 0 ? bound : std::min(written, bound);
  }
  return written < 0 ? -1 : written + (offset - bufferStart) / bytesPerSecond;
}

TEST_F(SyncTest, PictureOnScreenAtEachClickIsWithinOneFrame) {
  const std::string path = EnsureClip("clicks60");
  const TClipSpec& spec = StandardClip("clicks60");
  ASSERT_TRUE(Open(path)) << engine_->LastError();
  std::vector<TWaits> waits;
  const std::vector<TWrite> writes = WatchWrites(
      audioFile_,
      [&] {
        const auto states = host_.States();
        return !states.empty() && states.back() == TPlayState::psEnd;
      },
      waits);
  Stop();

  std::ifstream in(audioFile_, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<int16_t> played(bytes.size() / 2);
  std::memcpy(played.data(), bytes.data(), played.size() * 2);
  const std::vector<double> clicks = FindClicks(played.data(), played.size(), spec.SampleRate, 2);
  // Silence the callback had to insert (the sound ran dry) would show as runs of zeros.
  int gaps = 0;
  for (size_t i = 0, run = 0; i < played.size(); ++i) {
    run = played[i] == 0 ? run + 1 : 0;
    if (run == 512) ++gaps;
  }
  std::printf("clicks found: %zu, gaps of silence: %d, bytes played: %zu\n", clicks.size(), gaps,
              played.size() * 2);
  ASSERT_GE(clicks.size(), 55u);

  const auto shown = surface_.Shown();
  const double bytesPerSecond = spec.SampleRate * 4.0;
  int checked = 0, worst = 0, withinOneFrame = 0, starved = 0;
  std::string offsets;
  for (double click : clicks) {
    const size_t offset = static_cast<size_t>(click * bytesPerSecond);
    const double heard = HeardAt(writes, offset, spec.SampleRate);
    if (heard < 0) continue;
    // A click the machine kept a thread of ours from timing says nothing about the player:
    // the picture shown then was chosen in the frames before it.
    if (LongestWait(waits, heard - 0.5, heard + 0.04) > 0.030) {
      ++starved;
      offsets += "_ ";
      continue;
    }
    auto picture = std::find_if(shown.rbegin(), shown.rend(),
                                [&](const TShownPicture& p) { return p.Time <= heard; });
    if (picture == shown.rend() || picture->Frame < 0) continue;
    const int second = static_cast<int>(std::lround(picture->Frame / 25.0));
    const int framesOff = picture->Frame - second * 25;
    worst = std::max(worst, std::abs(framesOff));
    offsets += std::to_string(framesOff) + " ";
    // A picture is 40 ms long: one frame off is within 40 ms of the click.
    EXPECT_LE(std::abs(framesOff), 2)
        << "click at " << second << " s showed frame " << picture->Frame;
    if (std::abs(framesOff) <= 1) ++withinOneFrame;
    ++checked;
  }
  std::printf(
      "A/V sync over %d clicks (%d more while a thread stood over 30 ms without a processor): "
      "worst %d frame(s) = %d ms; frames off: %s\n",
      checked, starved, worst, worst * 40, offsets.c_str());
  EXPECT_GE(checked + starved, 55);
  // Drifting clocks would show at every click, so a third of them on time proves enough.
  EXPECT_GE(checked, 20) << "the machine was too busy to time the playback";
  // A scheduling hiccup may show one picture early; the clocks must not drift apart. Under the
  // thread sanitizer every step of the player takes several times as long, and a busy
  // moment of the parallel suite shows as a short run of pictures two frames late.
#if defined(__SANITIZE_THREAD__)
  constexpr int kLateClicks = 6;
#else
  constexpr int kLateClicks = 2;
#endif
  EXPECT_GE(withinOneFrame, checked - kLateClicks);
}

}  // namespace
}  // namespace qarvo
