// What is drawn where: the player's own window when no surface is given, nothing at all
// when the display is disabled, bitmap subtitles over the pictures of their time.
#include <gtest/gtest.h>

#include <cstdlib>

#include "media/LibraryLoader.h"

#include "EngineTestSupport.h"
#include "support/PlayerClips.h"
#include "support/TestMedia.h"

namespace qarvo {
namespace {

using namespace std::chrono_literals;

// Without a surface the play thread opens its own window and pumps its events.
TEST(EngineOwnWindowTest, PlaysIntoItsOwnWindowAndClosesIt) {
  TLibraryLoader& loader = TLibraryLoader::Instance();
  ASSERT_TRUE(loader.Load(kPlayerLibraries)) << loader.LastError();
  // The offscreen driver renders through the system's GL libraries, which leak on unloading
  // and would spoil the sanitizer build; the dummy driver draws in memory.
  test::TEnvGuard driver("SDL_VIDEODRIVER");
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  TTestHost host;
  TPlayerEngine engine(host, nullptr);
  host.SetEngine(&engine);
  ASSERT_TRUE(engine.Open(EnsureClip("video_only"), "", false)) << engine.LastError();
  std::thread play([&] { engine.RunEventLoop(); });
  EXPECT_TRUE(host.WaitPositionUpdates(10, 10s));
  EXPECT_GT(engine.VideoClock(), 0.1);
  engine.PostQuit();
  play.join();
  EXPECT_TRUE(engine.Closed());
}

// Display disabled: sound only, nothing drawn, positions still reported.
TEST_F(EngineTest, DisabledDisplayDrawsNothing) {
  host_.Controls().DisableDisplay = true;
  ASSERT_TRUE(Open(EnsureClip("avi_mpeg4_mp3"))) << engine_->LastError();
  EXPECT_FALSE(engine_->HasVideo());
  ASSERT_TRUE(WaitUntil([&] { return host_.PositionUpdates() > 5; }, 3s));
  EXPECT_EQ(surface_.ShownCount(), 0);
}

// The page covers the whole picture, so a covered picture has no readable number and is
// white; every page is dropped once it has ended or been replaced (the sanitizer build sees
// one lost or freed twice).
TEST_F(EngineTest, BitmapSubtitleCoversThePicturesOfItsTimeOnly) {
  ASSERT_TRUE(Open(EnsureSubtitledClip())) << engine_->LastError();
  ASSERT_TRUE(WaitUntil(
      [&] {
        const auto states = host_.States();
        return !states.empty() && states.back() == TPlayState::psEnd;
      },
      20s));
  Stop();
  constexpr double kFrameSeconds = 1.0 / 25;
  int covered = 0, before = 0, after = 0;
  for (const TShownPicture& picture : surface_.Shown()) {
    if (picture.Frame < 0) {
      ++covered;
      EXPECT_GT(picture.MeanLuma, 200);
      continue;
    }
    const double time = picture.Frame * kFrameSeconds;
    // The pictures at the two times themselves may go either way.
    EXPECT_FALSE(time > kSubtitleShown + kFrameSeconds / 2 &&
                 time < kSubtitleCleared - kFrameSeconds / 2)
        << "picture " << picture.Frame << " shown without its subtitle";
    before += time < kSubtitleShown;
    after += time > kSubtitleCleared;
  }
  EXPECT_GE(covered, 5);  // of the 15 pictures in the page's time
  EXPECT_GT(before, 5);
  EXPECT_GT(after, 5);
}

}  // namespace
}  // namespace qarvo
