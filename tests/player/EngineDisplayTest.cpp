// What is drawn where: the player's own window when no surface is given, nothing at all
// when the display is disabled.
#include <gtest/gtest.h>

#include <cstdlib>

#include "EngineTestSupport.h"
#include "media/LibraryLoader.h"
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
  const auto end = std::chrono::steady_clock::now() + 3s;
  while (host.PositionUpdates() < 10 && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(10ms);
  EXPECT_GE(host.PositionUpdates(), 10);
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

}  // namespace
}  // namespace qarvo
