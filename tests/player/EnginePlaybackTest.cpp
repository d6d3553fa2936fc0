// Playback end to end: open, play, pause, seek, end and close on generated clips.
#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "support/TestMedia.h"

namespace qarvo {
namespace {

using namespace std::chrono_literals;

TEST_F(EngineTest, PlaysVideoAndAudioToTheEndInOrder) {
  const std::string path = EnsureClip("avi_mpeg4_mp3");
  ASSERT_TRUE(Open(path)) << engine_->LastError();
  EXPECT_TRUE(engine_->HasVideo());
  EXPECT_TRUE(engine_->HasAudio());
  EXPECT_EQ(engine_->VideoWidth(), 320);
  EXPECT_EQ(engine_->VideoHeight(), 240);
  ASSERT_TRUE(WaitUntil([&] {
    const auto states = host_.States();
    return !states.empty() && states.back() == TPlayState::psEnd;
  }, 10s));
  const auto shown = surface_.Shown();
  ASSERT_GT(shown.size(), 10u);
  int last = -1;
  for (const TShownPicture& p : shown) {
    if (p.Frame < 0) continue;
    EXPECT_GT(p.Frame, last);
    last = p.Frame;
  }
  EXPECT_GE(last, 45);  // 2 s at 25 fps: the last pictures are shown before the end
  EXPECT_TRUE(engine_->EofReached());
}

}  // namespace
}  // namespace qarvo
