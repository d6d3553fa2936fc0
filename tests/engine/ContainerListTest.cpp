// Every container of the format catalogue: each clip opens an output of it, and a clip
// converts into each one with the codecs the container guesses (or the catalogue names).
#include <gtest/gtest.h>

#include "ConvertTestSupport.h"
#include "engine/EngineError.h"
#include "probe/TMediaProbe.h"

namespace qarvo {
namespace {

struct TTarget {
  const char* Extension;
  const char* VideoCodec;  // empty: the container's choice; "-": no video
  const char* AudioCodec;  // empty: the container's choice
  int Width = 0, Height = 0, SampleRate = 0;
};

// The catalogue's containers, with the settings their formats require.
const TTarget kTargets[] = {
    {"mp4", "", ""},          {"3gp", "h263", "aac", 176, 144, 22050},
    {"3g2", "h263", "aac", 176, 144, 22050},
    {"avi", "", ""},          {"mov", "", ""},
    {"flv", "", "", 0, 0, 44100},
    {"swf", "", "", 0, 0, 44100},
    {"asf", "", ""},          {"wmv", "", ""},
    {"mpg", "", ""},          {"ts", "", ""},
    {"vob", "", "", 0, 0, 48000},
    {"dv", "", "", 720, 576, 48000},
    {"mkv", "", ""},          {"mp3", "-", ""},
    {"aac", "-", ""},         {"m4a", "-", ""},
    {"wma", "-", ""},         {"wav", "-", ""},
    {"ogg", "-", ""},         {"ac3", "-", "", 0, 0, 48000},
};

void Apply(const TTarget& target, TTaskOptions& o) {
  if (std::string(target.VideoCodec) == "-")
    o.VideoDisable = true;
  else
    o.VideoCodecName = target.VideoCodec;
  o.AudioCodecName = target.AudioCodec;
  if (target.Width) {
    o.FrameWidth = target.Width;
    o.FrameHeight = target.Height;
  }
  if (target.SampleRate) o.AudioSampleRate = target.SampleRate;
}

class ContainerListTest : public ::testing::Test {
 protected:
  void SetUp() override { LoadMediaLibraries(); }
  TScratchFolder dir_{"containers"};
};

TEST_F(ContainerListTest, EveryClipOpensAnOutputOfEveryContainer) {
  for (const TNamedClip& clip : StandardClips()) {
    if (clip.Spec.Duration > 6.0) continue;
    for (const TTarget& target : kTargets) {
      TRecordingTranscoder task;
      ASSERT_TRUE(task.OpenInput(EnsureClip(clip.Name))) << clip.Name << ": " << task.ErrorText();
      Apply(target, task.Options);
      const std::string out = dir_.File(clip.Name + "." + target.Extension);
      EXPECT_GT(task.OpenOutput(out, false), 0) << clip.Name << " -> " << target.Extension << ": " << task.ErrorText();
      task.ReleaseFiles(false);
    }
  }
}

TEST_F(ContainerListTest, AClipConvertsIntoEveryContainer) {
  for (const TTarget& target : kTargets) {
    TRecordingTranscoder task;
    ASSERT_TRUE(task.OpenInput(EnsureClip("short3s")));
    Apply(target, task.Options);
    const std::string out = dir_.File(std::string("short3s.") + target.Extension);
    ASSERT_GT(task.OpenOutput(out, false), 0) << target.Extension << ": " << task.ErrorText();
    try {
      task.Transcode();
    } catch (const EEngineError& e) {
      ADD_FAILURE() << target.Extension << ": " << e.what();
      continue;
    }
    task.ReleaseFiles(false);
    TMediaProbe probe;
    ASSERT_TRUE(probe.LoadFile(out)) << target.Extension << ": " << probe.LastErrMsg();
    const TDecodedClip clip = DecodeClip(out);
    const TDecodedStream* video = StreamOf(clip, AVMEDIA_TYPE_VIDEO);
    const TDecodedStream* audio = StreamOf(clip, AVMEDIA_TYPE_AUDIO);
    EXPECT_EQ(video != nullptr, std::string(target.VideoCodec) != "-") << target.Extension;
    if (video) {
      const double rate = av_q2d(video->FrameRate);
      EXPECT_NEAR(video->FrameNumbers.size() / rate, 3.0, 1.5 / rate) << target.Extension;
    }
    ASSERT_TRUE(audio) << target.Extension;
    EXPECT_NEAR(static_cast<double>(audio->Samples.size()) / audio->Channels / audio->SampleRate, 3.0, 0.15)
        << target.Extension;
  }
}

}  // namespace
}  // namespace qarvo
