// Sources shaped like files other programs write (streams with far-off or shifted clocks,
// preroll, priming, edit lists, cover art) convert through the composition into outputs whose
// sound and pictures start and end together and last as long as the source's content.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "base/MainThread.h"
#include "probe/TMediaProbe.h"
#include "core/BatchRun.h"
#include "convert/EngineBatch.h"

#include "FormatJob.h"
#include "support/DecodedClip.h"
#include "support/ScratchFolder.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace qarvo {
namespace {

// Mobile 3GP (H.263, 15 fps), MPEG-4 in MP4, H.264 in MP4.
constexpr int kFormats[] = {1400, 2602, 2603};

struct TConverted {
  TJobReport Report;
  int64_t MostTotal = -1;  // largest progress total seen, µs
};

void Convert(int code, const std::string& source, const std::string& folder, TConverted& result) {
  test::ConvertIntoFolder(folder, code, source, result.Report, &result.MostTotal);
}

TClipSpec Asf(double seconds) {
  TClipSpec spec;
  spec.Container = spec.Extension = "asf";
  spec.VideoCodec = "wmv2";
  spec.AudioCodec = "wmav2";
  spec.Duration = seconds;
  return spec;
}

struct TTimingCase {
  std::string Name;
  TClipSpec Spec;
};

std::vector<TTimingCase> TimingCases() {
  TClipSpec farStart = Asf(2.0);
  farStart.VideoStart = 3600000.0;  // 1000 hours after the sound
  TClipSpec ts = StandardClip("mp4_h264_aac");
  ts.Container = "mpegts";
  ts.Extension = "ts";
  ts.VideoStart = ts.AudioStart = 10000.0;
  return {{"far_start", farStart},
          // The ASF muxer declares a preroll of 3.1 s and times every payload after it; its
          // encoders' delays leave the sound's first sample 46 ms after the first picture.
          {"asf_preroll", Asf(2.0)},
          {"avi_mp3", StandardClip("avi_mpeg4_mp3")},
          {"mkv", StandardClip("mkv_mpeg4_vorbis")},
          // Edits that hide the pictures' reordering delay and the sound's priming.
          {"mp4_edit_list", StandardClip("mp4_h264_aac")},
          {"ts_late_start", ts}};
}

class SourceTiming : public ::testing::TestWithParam<TTimingCase> {
 protected:
  static void SetUpTestSuite() {
    LoadMediaLibraries();
    TMainThread::SetMainThread();
  }
};

double Seconds(const std::vector<double>& times, double period) {
  return times.empty() ? 0.0 : times.back() - times.front() + period;
}

TEST_P(SourceTiming, SoundAndPicturesStartAndEndTogether) {
  const TClipSpec& spec = GetParam().Spec;
  const std::string source =
      EnsureClipFile(spec, "timing_" + GetParam().Name + "." + spec.Extension);
  // Whatever the clocks say, the content is the clip's length.
  const double content = spec.Duration;
  for (int code : kFormats) {
    SCOPED_TRACE("format " + std::to_string(code));
    const test::TScratchFolder scratch("timing");
    TConverted converted;
    ASSERT_NO_FATAL_FAILURE(Convert(code, source, scratch.Folder(), converted));
    EXPECT_NEAR(converted.MostTotal / 1e6, content, 0.5);

    TMediaProbe probe;
    ASSERT_TRUE(probe.LoadFile(converted.Report.Output)) << probe.LastErrMsg();
    const double probed = probe.FileStreamInfo().Duration / 1e6;
    const TAudioStreamInfo audioInfo = probe.AudioStreamInfo(-1);
    probe.CloseFile();

    const TDecodedClip clip = DecodeClip(converted.Report.Output);
    const TDecodedStream* video = nullptr;
    const TDecodedStream* audio = nullptr;
    for (const TDecodedStream& s : clip.Streams) {
      if (s.Type == AVMEDIA_TYPE_VIDEO && !video) video = &s;
      if (s.Type == AVMEDIA_TYPE_AUDIO && !audio) audio = &s;
    }
    ASSERT_TRUE(video && audio && video->FrameRate.num > 0 && audio->SampleRate > 0);
    const double frame = av_q2d(av_inv_q(video->FrameRate));
    const double audioFrame = 1024.0 / audio->SampleRate;
    const double pictures = Seconds(video->FrameTimes, frame);
    const double sound =
        static_cast<double>(audio->Samples.size() / audio->Channels) / audio->SampleRate;
    const std::string shown =
        "video " + std::to_string(video->FrameTimes.front()) + " + " + std::to_string(pictures) +
        " s, audio " + std::to_string(audio->FirstSampleTime) + " + " + std::to_string(sound) +
        " s, container " + std::to_string(probed) + " s";
    EXPECT_NEAR(audio->FirstSampleTime, video->FrameTimes.front(), audioFrame) << shown;
    EXPECT_NEAR(pictures, content, frame * 1.01) << shown;
    EXPECT_NEAR(sound, content, frame * 1.01) << shown;
    EXPECT_NEAR(sound, pictures, frame * 1.01) << shown;
    EXPECT_NEAR(probed, content, frame + audioFrame) << shown;
    // What the container says the sound lasts is what it holds.
    EXPECT_NEAR(audioInfo.DurationUS / 1e6, sound, audioFrame) << shown;
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, SourceTiming, ::testing::ValuesIn(TimingCases()),
                         [](const auto& info) { return info.param.Name; });

// Cover art in an MP3 is a tag, not a video: the probe says so and the conversion into a
// video format writes the sound only, as for any audio-only source.
TEST(CoverArt, AnMp3WithAPictureConvertsAsSound) {
  LoadMediaLibraries();
  TMainThread::SetMainThread();
  TClipSpec spec = StandardClip("audio_only");
  spec.Duration = 2.0;
  spec.CoverArt = "png";
  const std::string source = EnsureClipFile(spec, "cover_art.mp3");
  {
    TMediaProbe probe;
    ASSERT_TRUE(probe.LoadFile(source)) << probe.LastErrMsg();
    ASSERT_EQ(probe.StreamCount(), 2);
    const int picture = probe.FirstAudioStreamIndex() == 0 ? 1 : 0;
    EXPECT_EQ(probe.VideoStreamCount(), 0);
    EXPECT_EQ(probe.AudioStreamCount(), 1);
    EXPECT_FALSE(probe.IsVideoStream(picture));
    EXPECT_NE(probe.FileInfoText().find("attached picture"), std::string::npos)
        << probe.FileInfoText();
  }
  for (int code : kFormats) {
    SCOPED_TRACE("format " + std::to_string(code));
    const test::TScratchFolder scratch("cover");
    TConverted converted;
    ASSERT_NO_FATAL_FAILURE(Convert(code, source, scratch.Folder(), converted));
    const TDecodedClip clip = DecodeClip(converted.Report.Output);
    ASSERT_EQ(clip.Streams.size(), 1u);
    ASSERT_EQ(clip.Streams[0].Type, AVMEDIA_TYPE_AUDIO);
    const TDecodedStream& audio = clip.Streams[0];
    EXPECT_NEAR(static_cast<double>(audio.Samples.size() / audio.Channels) / audio.SampleRate,
                spec.Duration, 0.1);
  }
}

}  // namespace
}  // namespace qarvo
