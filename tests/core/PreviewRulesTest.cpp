#include <gtest/gtest.h>

#include "core/FileInfoFields.h"
#include "core/PreviewState.h"
#include "core/PreviewText.h"

namespace qarvo {
namespace {

TEST(PreviewText, LabelsCutMillisecondsRoundTheLengthAndTheBarStaysInRange) {
  EXPECT_EQ(PreviewPositionText(3723456789), "01:02:03.456");  // cut, not rounded
  EXPECT_EQ(PreviewPositionText(999999), "00:00:00.999");
  EXPECT_EQ(PreviewPositionText(100LL * 3600 * 1000000), "100:00:00.000");
  EXPECT_EQ(PreviewPositionText(-5), "00:00:00.000");
  EXPECT_EQ(PreviewLengthText(3723600000), "1:02:04");
  EXPECT_EQ(PreviewLengthText(307000000), "0:05:07");
  EXPECT_EQ(PreviewLengthText(59499999), "0:00:59");
  EXPECT_EQ(PreviewLengthText(59500000), "0:01:00");  // a carry into the minutes

  EXPECT_EQ(PreviewBarValue(5000000, 10000000, 243), 121);
  EXPECT_EQ(PreviewBarValue(12000000, 10000000, 243), 243);  // past the end: the end
  EXPECT_EQ(PreviewBarValue(-1, 10000000, 243), 0);
  EXPECT_EQ(PreviewBarValue(5, 0, 243), 0);  // unknown length
  // Ten hours on a wide bar does not overflow.
  EXPECT_EQ(PreviewBarValue(36000000000, 36000000000, 1 << 20), 1 << 20);
  EXPECT_EQ(PreviewBarTarget(243, 243, 10000000), 10000000);
  EXPECT_EQ(PreviewBarTarget(400, 243, 10000000), 10000000);
  EXPECT_EQ(PreviewBarTarget(-3, 243, 10000000), 0);
  EXPECT_EQ(PreviewBarTarget(10, 0, 10000000), 0);
}

TEST(PreviewState, FlagsButtonsAndThePlayAfterAddingRequest) {
  TPreviewState state;
  const TPreviewButtons stopped{.Play = true, .Pause = false, .Stop = false, .Snapshot = false};
  const TPreviewButtons playing{.Play = false, .Pause = true, .Stop = true, .Snapshot = true};
  const TPreviewButtons paused{.Play = true, .Pause = false, .Stop = true, .Snapshot = true};
  EXPECT_TRUE(state.Stopped());
  EXPECT_EQ(state.Buttons(), stopped);
  EXPECT_FALSE(state.Pause());  // nothing open: nothing to pause
  EXPECT_FALSE(state.Stop());
  EXPECT_EQ(state.PlayStep(true), TPlayStep::AskForFiles);
  EXPECT_EQ(state.PlayStep(false), TPlayStep::OpenFocused);

  state.Played();
  EXPECT_TRUE(state.Playing());
  EXPECT_EQ(state.Buttons(), playing);
  EXPECT_TRUE(state.Pause());
  EXPECT_FALSE(state.Pause());  // twice changes nothing
  EXPECT_EQ(state.Buttons(), paused);
  EXPECT_EQ(state.PlayStep(false), TPlayStep::Resume);
  EXPECT_EQ(state.PlayStep(true), TPlayStep::Resume);
  EXPECT_TRUE(state.Stop());
  EXPECT_EQ(state.Buttons(), stopped);
  EXPECT_FALSE(state.Paused());

  state.Played();
  state.Pause();
  state.EndReached();  // also from paused
  EXPECT_TRUE(state.Stopped());
  EXPECT_FALSE(state.Paused());
  EXPECT_EQ(state.PlayStep(false), TPlayStep::OpenFocused);  // opens again from the start

  // Paused, Play resumes only the selected row's source (or with no row selected).
  state.Opened("/clips/a.avi");
  EXPECT_EQ(state.Source(), "/clips/a.avi");
  state.Pause();
  EXPECT_EQ(state.PlayStep(false, "/clips/a.avi"), TPlayStep::Resume);
  EXPECT_EQ(state.PlayStep(false, ""), TPlayStep::Resume);
  EXPECT_EQ(state.PlayStep(false, "/clips/b.avi"), TPlayStep::OpenFocused);
  state.Opened("/clips/b.avi");
  EXPECT_TRUE(state.Playing());
  EXPECT_EQ(state.PlayStep(false, "/clips/b.avi"), TPlayStep::OpenFocused);  // playing: again

  EXPECT_FALSE(state.TakePlayAfterAdding());
  state.RequestPlayAfterAdding();
  EXPECT_TRUE(state.TakePlayAfterAdding());
  EXPECT_FALSE(state.TakePlayAfterAdding());
}

TEST(FileInfoFields, NamesDurationsCodecAndFrameFigures) {
  const std::string path45 = "/media/videos/" + std::string(27, 'x') + ".avi";
  ASSERT_EQ(path45.size(), 45u);
  EXPECT_EQ(FileInfoShortName(path45), path45);
  EXPECT_EQ(FileInfoShortName("/media/videos/" + std::string(28, 'x') + ".avi"),
            "/media/videos/" + std::string(26, 'x') + "...avi  ");
  // Characters, not bytes: a name of 45 accented letters is whole, and a cut never splits one.
  std::string accented;
  for (int i = 0; i < 45; ++i) accented += "\xC3\xA9";
  EXPECT_EQ(FileInfoShortName(accented), accented);
  EXPECT_EQ(FileInfoShortName(accented + "\xC3\xA9.mp4"), accented.substr(0, 80) + "...mp4  ");
  // A point in a folder name is no extension.
  EXPECT_EQ(FileInfoShortName("/media/v1.0/aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"),
            "/media/v1.0/aaaaaaaaaaaaaaaaaaaaaaaaaaaa..  ");

  EXPECT_EQ(FileInfoDurationText(83456700), "83.456 Second");
  EXPECT_EQ(FileInfoDurationText(5000), "0.005 Second");
  EXPECT_EQ(FileInfoDurationText(-1), "0.000 Second");

  EXPECT_EQ(FileInfoAudioFormat("  Stream #0:1: Audio: mp3, 44100 Hz, stereo, fltp, 128 kb/s"),
            "mp3");
  EXPECT_EQ(FileInfoAudioFormat("Video: mpeg4, yuv420p\nAudio: pcm_s16le\n"), "pcm_s16le");
  EXPECT_EQ(FileInfoAudioFormat("Audio: mp3 (U[0][0][0] / 0x0055), 44100 Hz, stereo"), "mp3");
  EXPECT_EQ(FileInfoAudioFormat("Video: h264, yuv420p"), "");

  // Bit rates in kb/s; the probe's 0 means unknown.
  EXPECT_EQ(FileInfoBitRate(178627), "179 kb/s");
  EXPECT_EQ(FileInfoBitRate(128000), "128 kb/s");
  EXPECT_EQ(FileInfoBitRate(300), "1 kb/s");
  EXPECT_EQ(FileInfoBitRate(0), "");
  EXPECT_EQ(FileInfoBitRate(-1), "");
  EXPECT_EQ(FileInfoCodec("h264(H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10)"), "h264");
  EXPECT_EQ(FileInfoCodec("mpeg4 (MPEG-4 part 2)"), "mpeg4");
  EXPECT_EQ(FileInfoCodec("XVID / 0x44495658"), "XVID / 0x44495658");
  EXPECT_EQ(FileInfoCodec(""), "");

  EXPECT_EQ(FileInfoFrameRate(25, 1), "25");
  EXPECT_EQ(FileInfoFrameRate(30000, 1001), "29.97");
  EXPECT_EQ(FileInfoFrameRate(24000, 1001), "23.976");
  EXPECT_EQ(FileInfoFrameRate(0, 0), "");
  EXPECT_EQ(FileInfoFrameCount(25, 1, 2000000), "50");
  EXPECT_EQ(FileInfoFrameCount(30000, 1001, 10010000), "300");
  EXPECT_EQ(FileInfoFrameCount(25, 0, 2000000), "");
  EXPECT_EQ(FileInfoNumber(-1), "");
  EXPECT_EQ(FileInfoNumber(128000), "128000");
}

}  // namespace
}  // namespace qarvo
