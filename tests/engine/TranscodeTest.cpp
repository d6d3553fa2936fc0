// End-to-end conversions through the task's transcode: containers, sizes, rates, limits.
#include <gtest/gtest.h>

#include "ConvertTestSupport.h"
#include "engine/EngineError.h"
#include "probe/TMediaProbe.h"

namespace qarvo {
namespace {

class TranscodeTest : public ::testing::Test {
 protected:
  void SetUp() override { LoadMediaLibraries(); }
  // Opens the clip, lets `configure` set options before the output opens, converts.
  void Convert(TRecordingTranscoder& task, const std::string& clip, const std::string& out,
               const std::function<void(TTaskOptions&)>& configure = {}) {
    ASSERT_TRUE(task.OpenInput(EnsureClip(clip))) << task.ErrorText();
    if (configure) configure(task.Options);
    ASSERT_GT(task.OpenOutput(out, false), 0) << task.ErrorText();
    task.Transcode();
    task.ReleaseFiles(false);
  }
  TScratchFolder dir_{"transcode"};
};

TEST_F(TranscodeTest, VideoAndAudioToMp4) {
  TRecordingTranscoder task;
  const std::string out = dir_.File("out.mp4");
  Convert(task, "short3s", out, [](TTaskOptions& o) {
    o.VideoCodecName = "libx264";
    o.AudioCodecName = "aac";
  });
  const TDecodedClip clip = DecodeClip(out);
  const TDecodedStream* video = StreamOf(clip, AVMEDIA_TYPE_VIDEO);
  const TDecodedStream* audio = StreamOf(clip, AVMEDIA_TYPE_AUDIO);
  ASSERT_TRUE(video && audio);
  EXPECT_EQ(video->Codec, AV_CODEC_ID_H264);
  EXPECT_EQ(video->Width, 320);
  EXPECT_EQ(video->FrameNumbers.size(), 75u);
  for (size_t i = 0; i < video->FrameNumbers.size(); ++i) EXPECT_EQ(video->FrameNumbers[i], static_cast<int>(i));
  EXPECT_EQ(audio->Codec, AV_CODEC_ID_AAC);
  EXPECT_NEAR(audio->Samples.size() / 2 / 44100.0, 3.0, 0.05);
  EXPECT_NEAR(clip.Duration, 3.0, 0.05);
  ASSERT_FALSE(task.Reports.empty());
  const TProgressInfo& last = task.Reports.back();
  EXPECT_EQ(last.FileIndex, -1);
  EXPECT_EQ(last.FrameCount, 75);
  EXPECT_NEAR(last.CurrentDuration / 1e6, 3.0, 0.1);
}

}  // namespace
}  // namespace qarvo
