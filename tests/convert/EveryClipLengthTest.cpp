// Every clip the generator makes, converted into a 3GP, an MP4 MPEG-4 and an MP4 H.264
// format, comes out no longer than its content by more than one picture, with its sound and
// pictures ending together. Long clips are cut to a few seconds of the same shape.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/MainThread.h"
#include "core/BatchRun.h"

#include "FormatJob.h"
#include "support/DecodedClip.h"
#include "support/ScratchFolder.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace qarvo {
namespace {

// Mobile 3GP (H.263, 15 fps), MPEG-4 in MP4, H.264 in MP4.
constexpr int kFormats[] = {1400, 2602, 2603};
constexpr double kMostSeconds = 4.5;

struct TLengthCase {
  std::string Clip;
  int Format;
};

// Shapes other programs write that the standard clips do not have. An old Windows encoder's
// ASF: a millisecond clock, sound from 0 and pictures from 7 ms, packets without durations.
// Its sound coder drops its last frame, so it stays out of the standard clips, whose sound
// must decode whole.
TClipSpec OldEncoderAsf() {
  TClipSpec spec;
  spec.Container = spec.Extension = "asf";
  spec.VideoCodec = "wmv2";
  spec.Width = 560;
  spec.Height = 320;
  spec.FrameRate = {30, 1};
  spec.MillisecondClock = true;
  spec.WithoutDurations = true;
  spec.AudioCodec = "wmav2";
  spec.SoundAtZero = true;
  spec.Duration = 4.41;
  spec.VideoStart = 0.007;
  return spec;
}

// The media libraries' Matroska writer of 2011: millisecond clock, pictures marked as of a
// variable rate (no default duration), 5.1 AAC whose channels a program configuration names.
TClipSpec Matroska2011() {
  TClipSpec spec;
  spec.Container = "matroska";
  spec.Extension = "mkv";
  spec.Width = 640;
  spec.Height = 360;
  spec.FrameRate = {30000, 1001};
  spec.VariableRate = true;
  spec.WithoutDurations = true;
  spec.AudioCodec = "aac";
  spec.ProgramConfig = true;
  spec.SampleRate = 48000;
  spec.Channels = 6;
  spec.AudioBitRate = 192000;
  spec.Duration = 3.6;
  return spec;
}

TClipSpec Stray(TClipSpec spec, bool video, double at, double by) {
  spec.Stray = {video, at, by};
  // The writer states the content's length, not the stray time.
  spec.StatedLength = spec.Duration;
  return spec;
}

TClipSpec Stated(TClipSpec spec, double length, int preroll) {
  spec.StatedLength = length;
  spec.StatedPreroll = preroll;
  return spec;
}

const std::vector<TNamedClip>& OtherWriters() {
  static const std::vector<TNamedClip> clips{
      {"asf_old_encoder", OldEncoderAsf()},
      // The last picture, or the last sound packet, stamped two seconds late.
      {"asf_late_last_picture", Stray(OldEncoderAsf(), true, 4.37, 2.0)},
      {"asf_late_last_sound", Stray(OldEncoderAsf(), false, 4.33, 2.0)},
      // Prerolls other than the one the timestamps are offset by: the file starts at 1.1 s,
      // or 2 s before 0.
      {"asf_preroll_2000", Stated(OldEncoderAsf(), 0.0, 2000)},
      {"asf_preroll_5100", Stated(OldEncoderAsf(), 0.0, 5100)},
      // A play duration two seconds longer than the content.
      {"asf_long_header", Stated(OldEncoderAsf(), 6.41, -1)},
      {"mkv_2011", Matroska2011()},
      // One sound packet, or one picture, in the middle stamped about two seconds late.
      {"mkv_2011_stray_sound", Stray(Matroska2011(), false, 1.0, 2.27)},
      {"mkv_2011_stray_picture", Stray(Matroska2011(), true, 1.0, 2.0)},
      {"mkv_2011_long_duration", Stated(Matroska2011(), 5.87, -1)},
  };
  return clips;
}

TClipSpec SpecOf(const std::string& clip) {
  for (const TNamedClip& other : OtherWriters())
    if (other.Name == clip) return other.Spec;
  return StandardClip(clip);
}

bool OtherWriter(const std::string& clip) {
  const auto& others = OtherWriters();
  return std::any_of(others.begin(), others.end(),
                     [&](const TNamedClip& other) { return other.Name == clip; });
}

void PrintTo(const TLengthCase& c, std::ostream* os) {
  *os << c.Clip << " into format " << c.Format;
}

std::vector<TLengthCase> Cases() {
  std::vector<TLengthCase> cases;
  std::vector<std::string> clips;
  for (const TNamedClip& clip : OtherWriters()) clips.push_back(clip.Name);
  for (const TNamedClip& clip : StandardClips()) clips.push_back(clip.Name);
  for (const std::string& clip : clips)
    for (int format : kFormats) cases.push_back({clip, format});
  return cases;
}

class EveryClipLength : public ::testing::TestWithParam<TLengthCase> {
 protected:
  static void SetUpTestSuite() {
    LoadMediaLibraries();
    TMainThread::SetMainThread();
  }
};

double End(const TDecodedStream& video) {
  const double period = av_q2d(av_inv_q(video.FrameRate));
  return video.FrameTimes.back() + period;
}

TEST_P(EveryClipLength, IsNoLongerThanItsSourceAndEndsSoundWithPictures) {
  TClipSpec spec = SpecOf(GetParam().Clip);
  std::string source;
  if (OtherWriter(GetParam().Clip)) {
    source = EnsureClipFile(spec, "length_" + GetParam().Clip + "." + spec.Extension);
  } else if (spec.Duration > kMostSeconds) {
    spec.Duration = std::min(spec.Duration, 3.0);
    source = EnsureClipFile(spec, "length_" + GetParam().Clip + "." + spec.Extension);
  } else {
    source = EnsureClip(GetParam().Clip);
  }
  const test::TScratchFolder scratch("length");
  TJobReport report;
  ASSERT_NO_FATAL_FAILURE(
      test::ConvertIntoFolder(scratch.Folder(), GetParam().Format, source, report));

  const TDecodedClip clip = DecodeClip(report.Output);
  const TDecodedStream* video = nullptr;
  const TDecodedStream* audio = nullptr;
  for (const TDecodedStream& s : clip.Streams) {
    if (s.Type == AVMEDIA_TYPE_VIDEO && !video) video = &s;
    if (s.Type == AVMEDIA_TYPE_AUDIO && !audio) audio = &s;
  }
  ASSERT_EQ(video != nullptr, !spec.VideoCodec.empty());
  ASSERT_EQ(audio != nullptr, !spec.AudioCodec.empty());
  // One picture of the output, or for sound alone one frame of its coder.
  const double frame = video ? av_q2d(av_inv_q(video->FrameRate)) : 1024.0 / audio->SampleRate;
  double start = 1e9, end = -1e9;
  std::string shown;
  if (video) {
    ASSERT_FALSE(video->FrameTimes.empty());
    start = std::min(start, video->FrameTimes.front());
    end = std::max(end, End(*video));
    shown += "pictures " + std::to_string(video->FrameTimes.front()) + " to " +
             std::to_string(End(*video)) + " s (" + std::to_string(video->FrameTimes.size()) + ") ";
  }
  double soundEnd = 0.0;
  if (audio) {
    ASSERT_GT(audio->SampleRate, 0);
    const double sound =
        static_cast<double>(audio->Samples.size() / audio->Channels) / audio->SampleRate;
    soundEnd = audio->FirstSampleTime + sound;
    start = std::min(start, audio->FirstSampleTime);
    end = std::max(end, soundEnd);
    shown += "sound " + std::to_string(audio->FirstSampleTime) + " to " + std::to_string(soundEnd) +
             " s";
  }
  EXPECT_LE(end - start, spec.Duration + frame * 1.01) << shown;
  if (video && audio) {
    EXPECT_NEAR(soundEnd, End(*video), frame * 1.01) << shown;
  }
  // What the output's header claims, holes in a stream's timeline included.
  EXPECT_LE(clip.Duration, spec.Duration + frame * 1.01) << shown << ", stated " << clip.Duration;
}

INSTANTIATE_TEST_SUITE_P(Clips, EveryClipLength, ::testing::ValuesIn(Cases()),
                         [](const auto& info) {
                           return info.param.Clip + "_" + std::to_string(info.param.Format);
                         });

}  // namespace
}  // namespace qarvo
