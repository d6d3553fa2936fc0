// Pictures against sound over a whole minute: the picture on screen when each click of the
// sound is heard is the picture of that moment.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "EngineTestSupport.h"
#include "support/TestMedia.h"

namespace qarvo {
namespace {

using namespace std::chrono_literals;

struct TWrite {
  double Time;
  size_t Size;
};

using SyncTest = RealTimeEngineTest;

// When the file grew past each size: the moment a device buffer was handed over.
std::vector<TWrite> WatchWrites(const std::string& file, const std::function<bool()>& done) {
  std::vector<TWrite> writes;
  while (!done()) {
    std::error_code error;
    const size_t size = std::filesystem::file_size(file, error);
    if (!error && (writes.empty() || size != writes.back().Size)) writes.push_back({Now(), size});
    std::this_thread::sleep_for(1ms);
  }
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
  const std::vector<TWrite> writes = WatchWrites(audioFile_, [&] {
    const auto states = host_.States();
    return !states.empty() && states.back() == TPlayState::psEnd;
  });
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
  int checked = 0, worst = 0, withinOneFrame = 0;
  std::string offsets;
  for (double click : clicks) {
    const size_t offset = static_cast<size_t>(click * bytesPerSecond);
    const double heard = HeardAt(writes, offset, spec.SampleRate);
    if (heard < 0) continue;
    auto picture = std::find_if(shown.rbegin(), shown.rend(), [&](const TShownPicture& p) { return p.Time <= heard; });
    if (picture == shown.rend() || picture->Frame < 0) continue;
    const int second = static_cast<int>(std::lround(picture->Frame / 25.0));
    const int framesOff = picture->Frame - second * 25;
    worst = std::max(worst, std::abs(framesOff));
    offsets += std::to_string(framesOff) + " ";
    // A picture is 40 ms long: one frame off is within 40 ms of the click.
    EXPECT_LE(std::abs(framesOff), 2) << "click at " << second << " s showed frame " << picture->Frame;
    if (std::abs(framesOff) <= 1) ++withinOneFrame;
    ++checked;
  }
  EXPECT_GE(checked, 55);
  // A scheduling hiccup may show one picture early; the clocks must not drift apart.
  EXPECT_GE(withinOneFrame, checked - 2);
  std::printf("A/V sync over %d clicks: worst %d frame(s) = %d ms; frames off: %s\n", checked,
              worst, worst * 40, offsets.c_str());
}

}  // namespace
}  // namespace qarvo
