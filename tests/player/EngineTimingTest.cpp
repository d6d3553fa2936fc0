// Pictures timed against a sound clock that jumps, and pictures that change size.
#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "support/PlayerClips.h"
#include "support/TestMedia.h"

namespace qarvo {
namespace {

using namespace std::chrono_literals;

using TimingTest = RealTimeEngineTest;

// The newest frame number on screen at a moment of the playback.
int FrameAt(const std::vector<TShownPicture>& shown, double time) {
  int frame = -1;
  for (const TShownPicture& p : shown)
    if (p.Time <= time && p.Frame >= 0) frame = p.Frame;
  return frame;
}

TEST_F(TimingTest, PicturesFollowASoundTimestampJumpOfThreeSeconds) {
  // Sound timestamps jump forward at 1 s; the pictures run on without a jump.
  ASSERT_TRUE(Open(EnsureAudioJumpClip(1.0, 3.0))) << engine_->LastError();
  const double start = Now();
  // Playback in real time: where the pictures are 1.8 s in is what is tested.
  std::this_thread::sleep_for(1800ms);
  const int followed = FrameAt(surface_.Shown(), start + 1.7);
  Stop();
  // Chasing the sound clock, the pictures are already near the end of the clip.
  EXPECT_GE(followed, 65);
}

TEST_F(TimingTest, PicturesKeepTheirPaceOverASoundTimestampJumpOfTenSecondsOrMore) {
  ASSERT_TRUE(Open(EnsureAudioJumpClip(1.0, 11.0))) << engine_->LastError();
  const double again = Now();
  // Playback in real time: where the pictures are 1.8 s in is what is tested.
  std::this_thread::sleep_for(1800ms);
  const int kept = FrameAt(surface_.Shown(), again + 1.7);
  // Such a jump is taken for broken timestamps: the pictures keep their own pace.
  EXPECT_GE(kept, 30);
  EXPECT_LE(kept, 50);
}

TEST_F(EngineTest, PictureSizeChangeMidFileGetsPicturesAndSurfaceOfTheNewSize) {
  ASSERT_TRUE(Open(EnsureSizeChangeClip())) << engine_->LastError();
  ASSERT_TRUE(WaitUntil([&] { return surface_.Last().Width == 176; }, 5s));
  const auto shown = surface_.Shown();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.front().Width, 320);
  EXPECT_EQ(shown.front().Height, 240);
  EXPECT_EQ(shown.back().Height, 144);
  ASSERT_TRUE(WaitUntil(
      [&] {
        int width = 0, height = 0;
        surface_.ClientSize(width, height);
        return width == 176 && height == 144;
      },
      1s));
  // Pictures of the new size are whole: their numbers read back.
  EXPECT_GE(shown.back().Frame, 0);
}

}  // namespace
}  // namespace qarvo
