// Sound output checked on what the disk sound driver wrote: exact samples at a volume, silence
// from the next device buffer on once muted, and the waveform of files without video.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "EngineTestSupport.h"
#include "support/DecodedClip.h"
#include "support/TestMedia.h"

namespace qarvo {
namespace {

using namespace std::chrono_literals;

std::vector<int16_t> ReadSamples(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

size_t FileSize(const std::string& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  return error ? 0 : static_cast<size_t>(size);
}

size_t FirstSound(const std::vector<int16_t>& samples, size_t from = 0) {
  for (size_t i = from; i < samples.size(); ++i)
    if (samples[i] != 0) return i;
  return samples.size();
}

// The disk driver paced like a real device: one buffer per buffer duration.
using RealTimeAudioTest = RealTimeEngineTest;

TEST_F(RealTimeAudioTest, PlayedSamplesAreTheDecodedOnesAtTheVolumeThenSilentWhenMuted) {
  const std::string path = EnsureClip("audio_only");
  const TDecodedClip decoded = DecodeClip(path);
  ASSERT_EQ(decoded.Streams.size(), 1u);
  const std::vector<int16_t>& reference = decoded.Streams[0].Samples;
  constexpr int kVolume = 77;
  host_.Controls().AudioVolume = kVolume;
  ASSERT_TRUE(Open(path)) << engine_->LastError();
  // The device plays in real time: a second and a half of sound, then the mute.
  std::this_thread::sleep_for(1500ms);
  host_.Controls().Mute = true;
  const size_t mutedAt = FileSize(audioFile_);
  // Real-time playing again: what the device gets while muted.
  std::this_thread::sleep_for(400ms);
  Stop();
  const std::vector<int16_t> played = ReadSamples(audioFile_);

  // Everything from one device buffer after the mute on is silence.
  const size_t buffer = 1024 * 2;  // samples of one 1024-frame stereo buffer
  const size_t silentFrom = mutedAt / 2 + buffer;
  ASSERT_GT(played.size(), silentFrom + buffer);
  EXPECT_EQ(FirstSound(played, silentFrom), played.size());

  // Before it, the decoded sound scaled by volume / 128, sample for sample.
  const size_t playedStart = FirstSound(played) & ~size_t{1};
  const size_t referenceStart = FirstSound(reference) & ~size_t{1};
  const size_t audible = mutedAt / 2 - playedStart;
  ASSERT_GT(audible, 44100u);  // over a second of sound was compared
  size_t mismatches = 0;
  for (size_t i = 0; i < audible && referenceStart + i < reference.size(); ++i) {
    const int expected = reference[referenceStart + i] * kVolume / 128;
    if (played[playedStart + i] != expected && ++mismatches < 5)
      ADD_FAILURE() << "sample " << i << ": " << played[playedStart + i] << " != " << expected;
  }
  EXPECT_EQ(mismatches, 0u);
}

TEST_F(EngineTest, AudioOnlyFileShowsItsWaveform) {
  ASSERT_TRUE(Open(EnsureClip("audio_only"))) << engine_->LastError();
  EXPECT_FALSE(engine_->HasVideo());
  ASSERT_TRUE(WaitUntil([&] { return surface_.ShownCount() > 5; }, 3s));
  int width = 0, height = 0;
  const std::vector<uint8_t> luma = surface_.LastLuma(width, height);
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);
  // Two channel bands with a white line between them, and the tone drawn in each.
  const size_t white = std::count(luma.begin(), luma.end(), 235);
  EXPECT_GT(white, static_cast<size_t>(width));
  const int middle = height / 2;
  EXPECT_EQ(std::count(luma.begin() + middle * width, luma.begin() + (middle + 1) * width, 235),
            width);
  EXPECT_GT(host_.PositionUpdates(), 0);
}

}  // namespace
}  // namespace qarvo
