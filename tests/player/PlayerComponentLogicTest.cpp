// The player component's logic that holds without playback: position reports, notification
// delivery, the picture hook, and what Open and the controls do with nothing playing.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <semaphore>
#include <stdexcept>
#include <thread>
#include <vector>

#include "base/EngineRecords.h"
#include "base/MainThread.h"
#include "media/LibraryLoader.h"
#include "media/LibraryObjects.h"
#include "player/ComponentTestSupport.h"
#include "player/TEventThread.h"
#include "player/TMediaPlayer.h"
#include "player/TPositionRule.h"

#include "support/TestMediaError.h"

namespace qarvo {
namespace {

using namespace std::chrono_literals;

// ---- Position reports ------------------------------------------------------------------------

TEST(PlayerPositionRuleTest, ReportsOnlyMovesOverTenMillisecondsAndEndsAtTheDuration) {
  TPositionRule rule;
  const int64_t duration = 2000000;
  struct TStep {
    int64_t position;
    bool reported;
    int64_t shown;
  };
  const std::vector<TStep> steps = {
      {0, true, 0},       // the first position is always reported
      {10000, false, 0},  // exactly 10 ms is not a move
      {10001, true, 10001},
      {15000, false, 10001},
      {5000, false, 10001},    // backwards within 10 ms
      {-20000, true, -20000},  // backwards by more (a seek)
      {1995000, true, 1995000},
      {2000500, true, duration},   // past the end: the duration, though only 5 ms on
      {2100000, false, duration},  // and only once
      {1999000, false, duration},
  };
  for (const TStep& step : steps) {
    int64_t position = step.position;
    EXPECT_EQ(rule.Update(position, duration), step.reported) << step.position;
    if (step.reported) {
      EXPECT_EQ(position, step.shown) << step.position;
    }
    EXPECT_EQ(rule.Last(), step.shown) << step.position;
  }
  rule.Reset();
  EXPECT_EQ(rule.Last(), kNoTimestamp);
}

TEST(PlayerPositionRuleTest, TheEndReportsTheDurationOnceAndHoldsItUntilPlaybackMovesOn) {
  TPositionRule rule;
  int64_t position = 2950000;
  EXPECT_TRUE(rule.Update(position, 3000000));
  EXPECT_TRUE(rule.Finish(3000000));  // the clock stopped short of the duration
  EXPECT_FALSE(rule.Finish(3000000));
  position = 2960000;  // a later refresh at the end
  EXPECT_FALSE(rule.Update(position, 3000000));
  EXPECT_EQ(rule.Last(), 3000000);
  rule.Resume();  // a seek back
  position = 0;
  EXPECT_TRUE(rule.Update(position, 3000000));
  EXPECT_FALSE(rule.Finish(-1));  // no duration: nothing to add
}

TEST(PlayerPositionRuleTest, UnknownDurationIsNotAClampAndPositionsCountFromTheStart) {
  TPositionRule rule;
  int64_t position = 99000000;
  EXPECT_TRUE(rule.Update(position, -1));
  EXPECT_EQ(position, 99000000);
  EXPECT_EQ(TPositionRule::PositionOf(1.5, 500000), 1000000);
  EXPECT_EQ(TPositionRule::PositionOf(1.5, kNoTimestamp), 1500000);
  EXPECT_EQ(TPositionRule::PositionOf(0.0000004, 0), 0);
  EXPECT_EQ(TPositionRule::PositionOf(std::nan(""), 0), 0);
}

// ---- Notification delivery -------------------------------------------------------------------

struct TDelivered {
  std::mutex Mutex;
  std::vector<TNotification> Items;
  void Add(const TNotification& item) {
    std::lock_guard lock(Mutex);
    Items.push_back(item);
  }
  size_t Count() {
    std::lock_guard lock(Mutex);
    return Items.size();
  }
};

TEST(PlayerNotificationTest, PositionsQueuedWhileTheMainThreadIsBusyArriveAsTheNewest) {
  auto ring = std::make_shared<TNotificationRing>();
  TDelivered delivered;
  std::counting_semaphore<> taken{0};
  TEventThread thread(ring, [&](const TNotification& item) {
    taken.release();
    TMainThread::RunInMainThread([&] { delivered.Add(item); });
  });
  ring->Push({TNotificationKind::nkPosition, TPlayState::psPlay, 1000});
  // The notification thread takes it and waits for the main thread, which is busy here.
  ASSERT_TRUE(taken.try_acquire_for(10s));
  for (int64_t p = 2000; p <= 9000; p += 1000)
    ring->Push({TNotificationKind::nkPosition, TPlayState::psPlay, p});
  ring->Push({TNotificationKind::nkState, TPlayState::psEnd, 0});
  ring->Push({TNotificationKind::nkPosition, TPlayState::psPlay, 9500});
  ring->Push({TNotificationKind::nkState, TPlayState::psStop, 0});
  EXPECT_TRUE(TMainThread::WaitPumping([&] { return thread.Finished(); }, 5s));
  ASSERT_EQ(delivered.Count(), 5u);
  EXPECT_EQ(delivered.Items[0].Position, 1000);
  EXPECT_EQ(delivered.Items[1].Position, 9000);
  EXPECT_EQ(delivered.Items[2].State, TPlayState::psEnd);
  EXPECT_EQ(delivered.Items[3].Position, 9500);
  EXPECT_EQ(delivered.Items[4].State, TPlayState::psStop);
}

TEST(PlayerNotificationTest, TheThreadEndsOnTheEndEntryWithoutDeliveringIt) {
  auto ring = std::make_shared<TNotificationRing>();
  TDelivered delivered;
  TEventThread thread(ring, [&](const TNotification& item) { delivered.Add(item); });
  ring->Push({TNotificationKind::nkPosition, TPlayState::psPlay, 1});
  ring->Push({TNotificationKind::nkEnd, TPlayState::psStop, 0});
  ring->Push({TNotificationKind::nkPosition, TPlayState::psPlay, 2});
  EXPECT_TRUE(TMainThread::WaitPumping([&] { return thread.Finished(); }, 5s));
  ASSERT_EQ(delivered.Count(), 1u);
  EXPECT_EQ(delivered.Items[0].Position, 1);
}

// ---- The component without playback --------------------------------------------------------

class PlayerComponentLogicTest : public ::testing::Test {
 protected:
  void SetUp() override { test::LoadPlayerLibraries(); }
};

TEST_F(PlayerComponentLogicTest, PublishedDefaults) {
  TMediaPlayer player;
  EXPECT_EQ(player.Version(), "2.3");
  EXPECT_EQ(player.AspectRatio(), 0.0f);
  EXPECT_EQ(player.AudioDriver(), TAudioDriver::adDefault);
  EXPECT_EQ(player.VideoDriver(), TVideoDriver::vdDefault);
  EXPECT_EQ(player.AudioVolume(), 128);
  EXPECT_FALSE(player.DisableAudio() || player.DisableVideo() || player.DisableDisplay() ||
               player.Mute() || player.Hook());
  EXPECT_EQ(
      player.FrameWidth() + player.FrameHeight() + player.ScreenWidth() + player.ScreenHeight(), 0);
  EXPECT_TRUE(player.TriggerEventInMainThread());
  EXPECT_EQ(player.LastPosition(), kNoTimestamp);
  player.SetAudioVolume(300);
  EXPECT_EQ(player.AudioVolume(), 128);
  player.SetAudioVolume(-5);
  EXPECT_EQ(player.AudioVolume(), 0);
  EXPECT_TRUE(player.Controls().PlayThreadRunning.IsSet());
  EXPECT_TRUE(player.Controls().SeekDone.IsSet());
  EXPECT_TRUE(player.Controls().PictureDecoded.IsSet());
}

TEST_F(PlayerComponentLogicTest, OpenWithoutLibrariesFailsAndTouchesNoSdl) {
  test::TEnvGuard audio("SDL_AUDIODRIVER");
  setenv("SDL_AUDIODRIVER", "disk", 1);
  TLibraryLoader::Instance().Unload(LibraryBit(liSDL));
  TMediaPlayer player;
  player.SetAudioDriver(TAudioDriver::adWaveOut);
  EXPECT_FALSE(player.AVLibLoaded());
  TMemorySurface surface(320, 240);
  EXPECT_FALSE(player.Open("/nonexistent.avi", &surface, false));
  EXPECT_EQ(player.LastErrMsg(), "libav or libsdl not loaded.");
  EXPECT_STREQ(getenv("SDL_AUDIODRIVER"), "disk");  // the drivers come after the check

  ASSERT_TRUE(player.LoadAVLib(""));
  EXPECT_TRUE(player.AVLibLoaded());
  EXPECT_EQ(api().SDL_WasInit(SDL_INIT_EVERYTHING), 0u);
}

TEST_F(PlayerComponentLogicTest, FailedOpenEndsTheSdlItStartedAndLeavesNothingOpen) {
  TMediaPlayer player;
  TMemorySurface surface(320, 240);
  EXPECT_FALSE(player.Open("/nonexistent/clip.avi", &surface, false));
  EXPECT_FALSE(player.LastErrMsg().empty());
  EXPECT_FALSE(player.Opened());
  EXPECT_EQ(api().SDL_WasInit(SDL_INIT_EVERYTHING), 0u);
  EXPECT_FALSE(player.MediaProbe().Loaded());
  EXPECT_FALSE(player.NotificationThreadRunning());
}

TEST_F(PlayerComponentLogicTest, DriverSettingsChooseLinuxDriversAndDefaultsKeepTheEnvironment) {
  test::TEnvGuard audio("SDL_AUDIODRIVER");
  test::TEnvGuard video("SDL_VIDEODRIVER");
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  TMediaPlayer player;
  TMemorySurface surface(320, 240);
  player.Open("/nonexistent/clip.avi", &surface, false);
  EXPECT_STREQ(getenv("SDL_AUDIODRIVER"), "disk");
  EXPECT_STREQ(getenv("SDL_VIDEODRIVER"), "dummy");

  player.SetAudioDriver(TAudioDriver::adWaveOut);
  player.SetVideoDriver(TVideoDriver::vdGDI);
  player.Open("/nonexistent/clip.avi", &surface, false);
  EXPECT_STREQ(getenv("SDL_AUDIODRIVER"), "alsa");
  EXPECT_STREQ(getenv("SDL_VIDEODRIVER"), "x11");
  player.SetAudioDriver(TAudioDriver::adDirectSound);
  player.SetVideoDriver(TVideoDriver::vdDirectDraw);
  player.Open("/nonexistent/clip.avi", &surface, false);
  EXPECT_STREQ(getenv("SDL_AUDIODRIVER"), "pulseaudio");
  EXPECT_STREQ(getenv("SDL_VIDEODRIVER"), "wayland");
  EXPECT_EQ(api().SDL_WasInit(SDL_INIT_EVERYTHING), 0u);
}

TEST_F(PlayerComponentLogicTest, ControlsWithNothingOpenDoNothing) {
  TMediaPlayer player;
  std::vector<TPlayState> states;
  player.SetOnState([&](TCustomPlayer&, TPlayState state) { states.push_back(state); });
  player.Pause();
  player.Resume();
  player.Seek(kSeekAny, true, 0);
  player.SeekRelative(0, true, 5.0);
  player.Stop(true);
  player.Stop(false);
  EXPECT_TRUE(states.empty());
  EXPECT_FALSE(player.Paused());
  int64_t pts = 0;
  TBitmap& frame = player.CurrentFrame(pts);
  EXPECT_EQ(frame.Width(), 0);
  EXPECT_EQ(frame.Height(), 0);
  EXPECT_EQ(pts, -1);
}

// ---- The picture hook ------------------------------------------------------------------------

class PlayerHookTest : public PlayerComponentLogicTest {
 protected:
  static constexpr int kWidth = 64;
  static constexpr int kHeight = 48;

  void SetUp() override {
    PlayerComponentLogicTest::SetUp();
    picture_ = MakeFrame();
    picture_->format = AV_PIX_FMT_YUV420P;
    picture_->width = kWidth;
    picture_->height = kHeight;
    CheckAv(api().av_frame_get_buffer(picture_.get(), 32), "av_frame_get_buffer");
    Fill(*picture_, 16);  // black
    overlay_ = MakeFrame();
    overlay_->format = AV_PIX_FMT_YUV420P;
    overlay_->width = kWidth;
    overlay_->height = kHeight;
    CheckAv(api().av_frame_get_buffer(overlay_.get(), 32), "av_frame_get_buffer");
    Fill(*overlay_, 16);
    player_.SetHook(true);
  }

  static void Fill(AVFrame& frame, uint8_t luma) {
    for (int plane = 0; plane < 3; ++plane) {
      const int height = plane ? frame.height / 2 : frame.height;
      const int width = plane ? frame.width / 2 : frame.width;
      for (int y = 0; y < height; ++y)
        std::memset(frame.data[plane] + static_cast<ptrdiff_t>(y) * frame.linesize[plane],
                    plane ? 128 : luma, width);
    }
  }
  // Mean luma of the overlay.
  int OverlayLuma() const {
    int64_t sum = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) sum += overlay_->data[0][y * overlay_->linesize[0] + x];
    return static_cast<int>(sum / (kWidth * kHeight));
  }
  void Hook(double pts) { player_.HookPicture(*picture_, overlay_->data, overlay_->linesize, pts); }

  TMediaPlayer player_;
  TFramePtr picture_;
  TFramePtr overlay_;
};

TEST_F(PlayerHookTest, AChangedBitmapIsWrittenBackIntoTheShownPicture) {
  int64_t seenPts = 0;
  int seenWidth = 0;
  player_.SetOnHook([&](TCustomPlayer&, TBitmap& bitmap, int64_t pts) {
    seenPts = pts;
    seenWidth = bitmap.Width();
    EXPECT_EQ(bitmap.ScanLine(kHeight / 2)[0], 0);  // the picture arrived black
    std::memset(bitmap.Bits(), 255, bitmap.SizeInBytes());
  });
  Hook(1.25);
  EXPECT_EQ(seenPts, 1250000);
  EXPECT_EQ(seenWidth, kWidth);
  EXPECT_GT(OverlayLuma(), 230);
}

TEST_F(PlayerHookTest, AnExceptionInTheHandlerIsLoggedAndThePictureShownUnchanged) {
  test::TErrorLog log;
  player_.SetOnHook([&](TCustomPlayer&, TBitmap& bitmap, int64_t) {
    std::memset(bitmap.Bits(), 255, bitmap.SizeInBytes());
    throw std::runtime_error("drawing failed");
  });
  Hook(0);
  EXPECT_EQ(OverlayLuma(), 16);
  EXPECT_TRUE(log.Contains("Error occurs OnHook: drawing failed"));
  // The next picture is hooked as before.
  player_.SetOnHook([](TCustomPlayer&, TBitmap& bitmap, int64_t) {
    std::memset(bitmap.Bits(), 255, bitmap.SizeInBytes());
  });
  Hook(0.04);
  EXPECT_GT(OverlayLuma(), 230);
}

TEST_F(PlayerHookTest, NothingIsTouchedWithHookOffOrWithoutHandler) {
  int calls = 0;
  player_.SetOnHook([&](TCustomPlayer&, TBitmap& bitmap, int64_t) {
    ++calls;
    std::memset(bitmap.Bits(), 255, bitmap.SizeInBytes());
  });
  player_.SetHook(false);
  Hook(0);
  player_.SetHook(true);
  player_.SetOnHook(nullptr);
  Hook(0);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(OverlayLuma(), 16);
}

}  // namespace
}  // namespace qarvo
