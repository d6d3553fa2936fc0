// Playback end to end: open, play, pause, seek, end and close on generated clips.
#include <gtest/gtest.h>

#include <cstdio>

#include "media/TRGBPicture.h"

#include "EngineTestSupport.h"
#include "support/TestMedia.h"

namespace qarvo {
namespace {

using namespace std::chrono_literals;

bool Ended(const TTestHost& host) {
  const auto states = host.States();
  return !states.empty() && states.back() == TPlayState::psEnd;
}

// Paced like a real sound device, so no picture is late enough to be dropped.
using PlaybackTest = RealTimeEngineTest;

TEST_F(PlaybackTest, PlaysVideoAndAudioToTheEndInOrder) {
  ASSERT_TRUE(Open(EnsureClip("avi_mpeg4_mp3"))) << engine_->LastError();
  EXPECT_TRUE(engine_->HasVideo());
  EXPECT_TRUE(engine_->HasAudio());
  EXPECT_EQ(engine_->VideoWidth(), 320);
  EXPECT_EQ(engine_->VideoHeight(), 240);
  ASSERT_TRUE(WaitUntil([&] { return Ended(host_); }, 10s));
  const auto shown = surface_.Shown();
  ASSERT_GT(shown.size(), 10u);
  int last = -1;
  for (const TShownPicture& p : shown) {
    if (p.Frame < 0) continue;
    EXPECT_GT(p.Frame, last);
    last = p.Frame;
  }
  EXPECT_GE(last, 48);  // 2 s at 25 fps: the last pictures are shown before the end
  EXPECT_TRUE(engine_->EofReached());
  // The end is reported once, however long the file stays open (the time open is tested).
  std::this_thread::sleep_for(100ms);
  const auto states = host_.States();
  EXPECT_EQ(std::count(states.begin(), states.end(), TPlayState::psEnd), 1);
}

TEST_F(EngineTest, VideoOnlyPlaysOnTheVideoClockInRealTime) {
  ASSERT_TRUE(Open(EnsureClip("video_only"))) << engine_->LastError();
  EXPECT_FALSE(engine_->HasAudio());
  ASSERT_TRUE(WaitUntil([&] { return surface_.Last().Frame >= 25; }, 5s));
  EXPECT_NEAR(engine_->MasterClock(), engine_->VideoClock(), 0.01);
  // Without a sound clock the pictures keep their own pace from the first one shown. A busy
  // machine may show a picture late, and then rightly skip one to catch up; but a picture is
  // never early, lateness does not pile up, and none is skipped while the pictures are on time.
  const auto shown = surface_.Shown();
  ASSERT_FALSE(shown.empty());
  ASSERT_GE(shown.front().Frame, 0);
  const double origin = shown.front().Time - shown.front().Frame / 25.0;
  double worstEarly = 0, lastLate = 0, previousLate = 0;
  int previous = -1, skippedOnTime = 0;
  for (const TShownPicture& p : shown) {
    if (p.Frame < 0) continue;
    const double late = p.Time - origin - p.Frame / 25.0;
    worstEarly = std::min(worstEarly, late);
    if (previous >= 0 && p.Frame > previous + 1 && previousLate < 0.02) ++skippedOnTime;
    previous = p.Frame;
    previousLate = lastLate = late;
  }
  EXPECT_GT(worstEarly, -0.02);
  EXPECT_LT(lastLate, 0.5);
  EXPECT_LE(skippedOnTime, 1);
}

TEST_F(EngineTest, OpeningPausedShowsTheFirstPictureAndHoldsIt) {
  ASSERT_TRUE(Open(EnsureClip("avi_mpeg4_mp3"), true)) << engine_->LastError();
  ASSERT_TRUE(WaitUntil(
      [&] {
        const auto states = host_.States();
        return !states.empty() && states.back() == TPlayState::psPause;
      },
      2s));
  ASSERT_TRUE(WaitUntil([&] { return surface_.ShownCount() > 0; }, 1s));
  // Held means no new picture for a while: the time paused is what is tested.
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(surface_.ShownCount(), 1);
  EXPECT_EQ(surface_.Last().Frame, 0);
  EXPECT_TRUE(engine_->Paused());
  EXPECT_EQ(host_.States().size(), 1u);

  // The snapshot is the picture on screen.
  TRGBPicture converter;
  double pts = -1;
  ASSERT_TRUE(engine_->CurrentPicture(converter, pts));
  EXPECT_NEAR(pts, 0.0, 0.001);
  ASSERT_NE(converter.Bitmap(), nullptr);
  EXPECT_EQ(converter.Bitmap()->Width(), 320);

  engine_->TogglePause();
  EXPECT_FALSE(engine_->Paused());
  // A bound only: a loaded machine may take a while to show ten pictures.
  ASSERT_TRUE(WaitUntil([&] { return surface_.Last().Frame >= 10; }, 20s));
}

TEST_F(EngineTest, SeekWhilePausedShowsTheNewPositionAndStaysPaused) {
  ASSERT_TRUE(Open(EnsureClip("short3s"), true)) << engine_->LastError();
  ASSERT_TRUE(WaitUntil([&] { return !host_.States().empty(); }, 2s));
  ASSERT_TRUE(WaitUntil([&] { return surface_.ShownCount() == 1; }, 1s));
  const double asked = Now();
  engine_->RequestSeek(engine_->StartTime() + 2200000, 0, kSeekBackward, false);
  ASSERT_TRUE(WaitUntil([&] { return surface_.ShownCount() >= 2; }, 2s));
  const TShownPicture shown = surface_.Last();
  EXPECT_LT(shown.Time - asked, 0.3);
  std::printf("seek while paused: new picture after %.1f ms\n", (shown.Time - asked) * 1000);
  // The picture of the key frame at or before the target (one a second).
  EXPECT_GE(shown.Frame, 50);
  EXPECT_LE(shown.Frame, 55);
  // Still paused a while after the seek: the time paused is what is tested.
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(surface_.ShownCount(), 2);
  EXPECT_TRUE(engine_->Paused());
  EXPECT_FALSE(host_.Controls().Seeking);

  // Playing on continues from there, not from where the file was paused.
  engine_->TogglePause();
  ASSERT_TRUE(WaitUntil([&] { return surface_.ShownCount() >= 6; }, 2s));
  const auto all = surface_.Shown();
  for (size_t i = 1; i < all.size(); ++i) EXPECT_GE(all[i].Frame, 50) << i;
}

TEST_F(EngineTest, SeekWithWaitReturnsWithThePictureDecoded) {
  ASSERT_TRUE(Open(EnsureClip("short3s"))) << engine_->LastError();
  engine_->RequestSeek(engine_->StartTime() + 1000000, 0, kSeekBackward, true);
  EXPECT_TRUE(host_.Controls().SeekDone.IsSet());
  EXPECT_TRUE(host_.Controls().PictureDecoded.IsSet());
  ASSERT_TRUE(WaitUntil([&] { return surface_.Last().Frame >= 25; }, 2s));
  // Positions after the seek resume from the target.
  EXPECT_GE(engine_->MasterClock(), 0.9);
}

TEST_F(EngineTest, SeekBackFromTheEndPlaysAgainFromTheTarget) {
  ASSERT_TRUE(Open(EnsureClip("video_only"))) << engine_->LastError();
  ASSERT_TRUE(WaitUntil([&] { return Ended(host_); }, 5s));
  const size_t before = host_.Positions().size();
  engine_->RequestSeek(engine_->StartTime(), 1, kSeekAny, true);
  ASSERT_TRUE(WaitUntil([&] { return host_.Positions().size() > before + 3; }, 2s));
  const std::vector<double> positions = host_.Positions();
  // Every position after the seek is from the new place, none from the old end.
  for (size_t i = before; i < before + 3; ++i) EXPECT_LT(positions[i], 0.5) << i;
  EXPECT_FALSE(engine_->EofReached());
  ASSERT_TRUE(
      WaitUntil([&] { return surface_.Last().Frame >= 10 && surface_.Last().Frame < 30; }, 2s));
}

TEST_F(EngineTest, HookChangesThePictureShown) {
  host_.Controls().Hook = true;
  host_.PaintLuma = 200;
  ASSERT_TRUE(Open(EnsureClip("avi_mpeg4_mp3"), true)) << engine_->LastError();
  ASSERT_TRUE(WaitUntil([&] { return surface_.ShownCount() > 0; }, 2s));
  EXPECT_GT(host_.Hooked(), 0);
  EXPECT_EQ(surface_.Last().MeanLuma, 200);
}

TEST_F(EngineTest, PictureSizeFollowsTheAspectRule) {
  host_.Controls().ScreenWidth = 400;
  host_.Controls().ScreenHeight = 400;
  ASSERT_TRUE(Open(EnsureClip("avi_mpeg4_mp3"), true)) << engine_->LastError();
  ASSERT_TRUE(WaitUntil([&] { return surface_.ShownCount() > 0; }, 2s));
  int width = 0, height = 0;
  surface_.ClientSize(width, height);
  EXPECT_EQ(width, 400);
  EXPECT_EQ(height, 400);
  // 4:3 in a square: full width, letter-boxed.
  const TDisplayRect rect = surface_.Last().Rect;
  EXPECT_EQ(rect.Width, 400);
  EXPECT_EQ(rect.Height, 300);
  EXPECT_EQ(rect.Top, 50);

  host_.Controls().AspectRatio = -1.0f;  // fill the surface
  engine_->AspectChanged();
  ASSERT_TRUE(WaitUntil([&] { return surface_.Last().Rect.Height == 400; }, 1s));
  EXPECT_EQ(surface_.Last().Rect.Width, 400);

  // A resize of the surface becomes the screen size.
  surface_.Listener()->SurfaceResized(200, 100);
  ASSERT_TRUE(WaitUntil([&] { return host_.Controls().ScreenWidth == 200; }, 1s));
  EXPECT_EQ(host_.Controls().ScreenHeight, 100);
}

}  // namespace
}  // namespace qarvo
