// Every container of the format catalogue: each clip opens an output of it, and a clip
// converts into each one with the codecs the container guesses (or the catalogue names).
#include <gtest/gtest.h>

#include <algorithm>

#include "base/EngineError.h"
#include "probe/TMediaProbe.h"

#include "ConvertTestSupport.h"

namespace qarvo {
namespace {

struct TTarget {
  const char* Extension;
  const char* VideoCodec;  // empty: the container's choice; "-": no video
  const char* AudioCodec;  // empty: the container's choice
  int Width = 0, Height = 0, SampleRate = 0, FrameRate = 0, Channels = 0;
};

// The catalogue's containers, with the settings their formats require.
const TTarget kTargets[] = {
    {"mp4", "", ""},
    {"3gp", "h263", "aac", 176, 144, 22050},
    {"3g2", "h263", "aac", 176, 144, 22050},
    {"avi", "", ""},
    {"mov", "", ""},
    {"flv", "", "", 0, 0, 44100},
    {"swf", "", "", 0, 0, 44100},
    {"asf", "", ""},
    {"wmv", "", ""},
    {"mpg", "", ""},
    {"ts", "", ""},
    {"vob", "", "", 0, 0, 48000},
    {"dv", "", "", 720, 576, 48000, 25, 2},
    {"mkv", "", ""},
    {"mp3", "-", ""},
    {"aac", "-", ""},
    {"m4a", "-", ""},
    {"wma", "-", ""},
    {"wav", "-", ""},
    {"ogg", "-", ""},
    {"ac3", "-", "", 0, 0, 48000},
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
  if (target.FrameRate) o.FrameRate = {target.FrameRate, 1};
  if (target.Channels) o.AudioChannels = target.Channels;
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
      EXPECT_GT(task.OpenOutput(out, false), 0)
          << clip.Name << " -> " << target.Extension << ": " << task.ErrorText();
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
    EXPECT_NEAR(static_cast<double>(audio->Samples.size()) / audio->Channels / audio->SampleRate,
                3.0, 0.15)
        << target.Extension;
  }
}

// Every other clip into every container, one second of it: the result opens in the
// probe, every picture and sound frame decodes, and the pictures are the first second of the
// source in order.
class EveryClipContainerTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { LoadMediaLibraries(); }
  TScratchFolder dir_{"clip-containers"};
};

// Pairs the libraries cannot make: nothing of the clip fits the container, or the DV muxer,
// which needs pictures, gets sound only. Each must fail with a message. (Sound that starts a
// few milliseconds after the pictures, as in the Matroska clip, now starts with them.)
bool CannotConvert(const TClipSpec& spec, const TTarget& target) {
  const std::string extension = target.Extension;
  if (spec.AudioCodec.empty() && std::string(target.VideoCodec) == "-") return true;
  if (extension != "dv") return false;
  return spec.VideoCodec.empty();
}

TEST_P(EveryClipContainerTest, OneSecondConvertsAndDecodes) {
  const TClipSpec& spec = StandardClip(GetParam());
  for (const TTarget& target : kTargets) {
    const bool wantsVideo = std::string(target.VideoCodec) != "-";
    TRecordingTranscoder task;
    ASSERT_TRUE(task.OpenInput(EnsureClip(GetParam()))) << task.ErrorText();
    Apply(target, task.Options);
    task.Options.RecordingTime = 1000000;
    const std::string out = dir_.File(std::string("out.") + target.Extension);
    ASSERT_GT(task.OpenOutput(out, false), 0) << target.Extension << ": " << task.ErrorText();
    if (CannotConvert(spec, target)) {
      EXPECT_THROW(task.Transcode(), EEngineError) << target.Extension;
      continue;
    }
    try {
      task.Transcode();
    } catch (const EEngineError& e) {
      ADD_FAILURE() << target.Extension << ": " << e.what();
      continue;
    }
    task.ReleaseFiles(false);
    TMediaProbe probe;
    ASSERT_TRUE(probe.LoadFile(out)) << target.Extension << ": " << probe.LastErrMsg();
    TDecodedClip clip;
    try {
      clip = DecodeClip(out);
    } catch (const std::exception& e) {
      ADD_FAILURE() << target.Extension << ": " << e.what();
      continue;
    }
    const TDecodedStream* video = StreamOf(clip, AVMEDIA_TYPE_VIDEO);
    const TDecodedStream* audio = StreamOf(clip, AVMEDIA_TYPE_AUDIO);
    EXPECT_EQ(video != nullptr, wantsVideo && !spec.VideoCodec.empty()) << target.Extension;
    EXPECT_EQ(audio != nullptr, !spec.AudioCodec.empty()) << target.Extension;
    // The marks of a picture smaller than 176x144 do not survive a second lossy generation
    // in every codec: such a clip is checked for decoding only.
    const bool marksReadable = spec.Width >= 176;
    if (video) {
      ASSERT_FALSE(video->FrameNumbers.empty()) << target.Extension;
    }
    if (video && marksReadable) {
      EXPECT_EQ(video->FrameNumbers.front(), 0) << target.Extension;
      for (size_t i = 1; i < video->FrameNumbers.size(); ++i)
        EXPECT_GE(video->FrameNumbers[i], video->FrameNumbers[i - 1])
            << target.Extension << " picture " << i;
      // A rate change may leave the output up to two of its pictures behind the source.
      const double sourceRate = av_q2d(spec.FrameRate);
      const double outputRate = av_q2d(video->FrameRate);
      const double slack = std::max(1.0, outputRate > 0 ? 2 * sourceRate / outputRate : 1.0);
      EXPECT_NEAR(video->FrameNumbers.back(), sourceRate - 1, slack) << target.Extension;
    }
    // Into swf and dv a 1 fps clip's second holds one picture and only the sound it carries.
    const bool soundPerPicture =
        target.Extension == std::string("swf") || target.Extension == std::string("dv");
    if (audio && !(GetParam() == "fps1" && soundPerPicture)) {
      EXPECT_NEAR(static_cast<double>(audio->Samples.size()) / audio->Channels / audio->SampleRate,
                  1.0, 0.15)
          << target.Extension;
    }
  }
}

std::vector<std::string> OtherClips() {
  std::vector<std::string> names;
  for (const TNamedClip& clip : StandardClips())
    if (clip.Name != "short3s") names.push_back(clip.Name);
  return names;
}

INSTANTIATE_TEST_SUITE_P(Clips, EveryClipContainerTest, ::testing::ValuesIn(OtherClips()),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace qarvo
