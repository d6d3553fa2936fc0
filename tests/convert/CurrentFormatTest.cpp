// The current formats convert the shapes of today's sources (a landscape clip, a phone's
// portrait clip stored sideways, 5.1 sound, a variable frame rate) and what comes out is read
// back: container, codecs, profile and level within the device's limits, pixel format, the
// picture's shape, and sound and picture starting and ending within one frame of each other.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "base/MainThread.h"
#include "media/LibraryApi.h"
#include "probe/TMediaProbe.h"
#include "core/DeviceLimits.h"
#include "core/FormatCatalogue.h"
#include "core/FormatDefinition.h"
#include "core/FormatProfile.h"

#include "FormatJob.h"
#include "support/DecodedClip.h"
#include "support/ScratchFolder.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace qarvo {
namespace {

struct TSourceClip {
  const char* Name;
  TClipSpec Spec;
};

TClipSpec BaseSpec(int width, int height, int channels) {
  TClipSpec spec;
  spec.Container = "matroska";
  spec.Extension = "mkv";
  spec.Width = width;
  spec.Height = height;
  spec.Duration = 1.0;
  spec.AudioCodec = "aac";
  spec.SampleRate = 48000;
  spec.Channels = channels;
  spec.AudioBitRate = 0;
  return spec;
}

const std::vector<TSourceClip>& SourceClips() {
  static const std::vector<TSourceClip> clips = [] {
    TClipSpec landscape = BaseSpec(320, 180, 2);
    TClipSpec portrait = BaseSpec(320, 180, 2);  // stored sideways, shown upright
    portrait.Container = "mp4";
    portrait.Extension = "mp4";
    portrait.Rotation = 90;
    portrait.FrameRate = {30, 1};
    TClipSpec surround = BaseSpec(320, 240, 6);
    TClipSpec variable = BaseSpec(320, 240, 2);
    variable.VariableRate = true;
    return std::vector<TSourceClip>{{"landscape", landscape},
                                    {"portrait", portrait},
                                    {"surround", surround},
                                    {"variable", variable}};
  }();
  return clips;
}

struct TCase {
  TCatalogueFormat Format;
  int Clip;
};

std::vector<TCase> Cases() {
  std::vector<TCase> cases;
  for (const TCatalogueTable* table : CatalogueTables()) {
    if (table != &CurrentCatalogue()) continue;
    for (const TCatalogueCategory& category : table->Categories)
      for (size_t slot = 0; slot < category.Formats.size(); ++slot) {
        const TCatalogueFormat format{FormatCode(category.Number, static_cast<int>(slot)),
                                      category.Formats[slot]};
        // Sound only: the stereo and the 5.1 source.
        const bool soundOnly = category.Number == 33;
        for (int clip = 0; clip < static_cast<int>(SourceClips().size()); ++clip)
          if (!soundOnly || clip == 0 || clip == 2) cases.push_back({format, clip});
      }
  }
  return cases;
}

AVCodecID VideoCodecOf(const std::string& encoder) {
  if (encoder == "libx264") return AV_CODEC_ID_H264;
  if (encoder == "libx265") return AV_CODEC_ID_HEVC;
  if (encoder == "libsvtav1") return AV_CODEC_ID_AV1;
  if (encoder == "libvpx-vp9") return AV_CODEC_ID_VP9;
  if (encoder == "gif") return AV_CODEC_ID_GIF;
  return AV_CODEC_ID_NONE;
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

class CurrentFormat : public ::testing::TestWithParam<TCase> {
 protected:
  static void SetUpTestSuite() {
    LoadMediaLibraries();
    TMainThread::SetMainThread();
  }
};

// The device's profile and level, as the stream states them.
void CheckDeviceLimits(const TDeviceLimits& device, const AVCodecParameters& p, double rate) {
  SCOPED_TRACE(device.Name + " profile " + std::to_string(p.profile) + " level " +
               std::to_string(p.level));
  EXPECT_LE(std::max(p.width, p.height), device.LongSide);
  EXPECT_LE(std::min(p.width, p.height), device.ShortSide);
  EXPECT_LE(rate, device.FrameRate + 0.01);
  EXPECT_LE(p.level, device.Level);
  if (device.Codec == "hevc") {
    EXPECT_EQ(p.codec_id, AV_CODEC_ID_HEVC);
    EXPECT_LE(p.profile, device.Profile);
    return;
  }
  ASSERT_EQ(p.codec_id, AV_CODEC_ID_H264);
  const auto rank = [](int profile) {
    profile &= ~FF_PROFILE_H264_CONSTRAINED;
    return profile == 66 ? 0 : profile == 77 ? 1 : 2;
  };
  EXPECT_LE(rank(p.profile), rank(device.Profile));
  const TH264LevelLimits* level = FindH264Level(p.level);
  ASSERT_NE(level, nullptr);
  const long long macroblocks =
      static_cast<long long>((p.width + 15) / 16) * ((p.height + 15) / 16);
  EXPECT_LE(macroblocks, level->FrameMacroblocks);
  EXPECT_LE(macroblocks * rate, level->MacroblockRate * 1.001);
}

void CheckTiming(const TDecodedClip& clip, const TClipSpec& spec) {
  const TDecodedStream* video = nullptr;
  const TDecodedStream* audio = nullptr;
  for (const TDecodedStream& s : clip.Streams) {
    if (s.Type == AVMEDIA_TYPE_VIDEO && !video) video = &s;
    if (s.Type == AVMEDIA_TYPE_AUDIO && !audio) audio = &s;
  }
  ASSERT_NE(video, nullptr);
  ASSERT_GE(video->FrameTimes.size(), 2u);
  const double frame = video->FrameTimes[1] - video->FrameTimes[0];
  const double videoStart = video->FrameTimes.front();
  const double videoEnd = video->FrameTimes.back() + frame;
  EXPECT_NEAR(videoEnd - videoStart, spec.Duration, 2 * frame);
  if (!audio) return;
  ASSERT_GT(audio->SampleRate, 0);
  ASSERT_GT(audio->Channels, 0);
  const double audioEnd = audio->FirstSampleTime + static_cast<double>(audio->Samples.size()) /
                                                       audio->Channels / audio->SampleRate;
  const double oneFrame = 1.0 / 25 + 1e-3;
  EXPECT_NEAR(audio->FirstSampleTime, videoStart, oneFrame) << "starts";
  EXPECT_NEAR(audioEnd, videoEnd, oneFrame) << "ends";
}

TEST_P(CurrentFormat, ConvertsAndKeepsToItsLimits) {
  const TCase& c = GetParam();
  const TSourceClip& clip = SourceClips()[c.Clip];
  const std::string source =
      EnsureClipFile(clip.Spec, std::string("current_") + clip.Name + "." + clip.Spec.Extension);
  const test::TScratchFolder scratch("current");
  TJobReport report;
  ASSERT_NO_FATAL_FAILURE(test::ConvertIntoFolder(scratch.Folder(), c.Format.Code, source, report));
  TIniFile definitions(test::DefinitionFile());
  const TFormatDefinition d = ReadFormatDefinition(definitions, c.Format.Code);
  const TIniSnapshot noProfile = TIniSnapshot::FromText("");
  const TFormatProfile profile(noProfile, d, c.Format.Code);
  const std::string encoder = profile.VideoEncoder();
  const bool portrait = clip.Spec.Rotation == 90;

  if (d.FileExt == "webp") {
    // An animated WebP: a canvas, the animation chunk and a frame chunk per picture.
    const std::string text = FileText(report.Output);
    ASSERT_GT(text.size(), 30u);
    EXPECT_EQ(text.compare(0, 4, "RIFF"), 0);
    EXPECT_EQ(text.compare(8, 8, "WEBPVP8X"), 0);
    EXPECT_EQ(Count(text, "ANIM"), 1u);
    EXPECT_GE(Count(text, "ANMF"), 10u);
    // The canvas (24-bit sides less one) keeps the picture upright.
    const auto side = [&](size_t at) {
      return 1 + (static_cast<unsigned char>(text[at]) |
                  static_cast<unsigned char>(text[at + 1]) << 8 |
                  static_cast<unsigned char>(text[at + 2]) << 16);
    };
    EXPECT_EQ(side(24) < side(27), portrait);
    return;
  }

  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(report.Output)) << probe.LastErrMsg();
  const AVStream* video = test::FirstVideoStream(probe);
  if (!d.VideoEncoder.Enabled) {
    EXPECT_EQ(video, nullptr);
  } else {
    ASSERT_NE(video, nullptr);
    const AVCodecParameters& p = *video->codecpar;
    EXPECT_EQ(p.codec_id, VideoCodecOf(encoder)) << api().avcodec_get_name(p.codec_id);
    // The picture keeps the shape the viewer saw, turned upright.
    const double shown = portrait ? static_cast<double>(clip.Spec.Height) / clip.Spec.Width
                                  : static_cast<double>(clip.Spec.Width) / clip.Spec.Height;
    EXPECT_NEAR(static_cast<double>(p.width) / p.height, shown, shown * 0.02)
        << p.width << "x" << p.height;
    if (encoder != "gif") {
      const AVPixelFormat wanted =
          d.PixelFormat == "yuv420p10le" ? AV_PIX_FMT_YUV420P10LE : AV_PIX_FMT_YUV420P;
      EXPECT_EQ(p.format, wanted) << api().av_get_pix_fmt_name(
          static_cast<AVPixelFormat>(p.format));
    }
    if (p.codec_id == AV_CODEC_ID_HEVC && d.Format == "mp4") {
      EXPECT_EQ(p.codec_tag, MKTAG('h', 'v', 'c', '1'));
    }
    const AVRational r = video->avg_frame_rate.num ? video->avg_frame_rate : video->r_frame_rate;
    if (const TDeviceLimits* device = FindDeviceLimits(d.Device))
      CheckDeviceLimits(*device, p, r.num && r.den ? av_q2d(r) : 25.0);
  }
  const AVFormatContext* container = probe.Container();
  const AVStream* audio = nullptr;
  for (unsigned i = 0; i < container->nb_streams && !audio; ++i)
    if (container->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
      audio = container->streams[i];
  if (!d.AudioEncoder.Enabled) {
    EXPECT_EQ(audio, nullptr);
  } else {
    ASSERT_NE(audio, nullptr);
    const int channels = audio->codecpar->ch_layout.nb_channels;
    const AVCodecID codec = audio->codecpar->codec_id;
    if (!d.SurroundEncoder.empty() && clip.Spec.Channels == 6) {
      EXPECT_EQ(channels, 6);
      EXPECT_EQ(codec, d.SurroundEncoder == "AC-3" ? AV_CODEC_ID_AC3 : AV_CODEC_ID_EAC3);
    } else if (d.VideoEncoder.Enabled) {
      EXPECT_LE(channels, 2);
    }
  }
  probe.CloseFile();
  // Sound and picture start and end together; sound alone lasts as long as the source.
  const TDecodedClip decoded = DecodeClip(report.Output);
  if (d.VideoEncoder.Enabled) {
    CheckTiming(decoded, clip.Spec);
  } else if (!decoded.Streams.empty()) {
    const TDecodedStream& sound = decoded.Streams.front();
    ASSERT_GT(sound.Channels, 0);
    EXPECT_NEAR(static_cast<double>(sound.Samples.size()) / sound.Channels / sound.SampleRate,
                clip.Spec.Duration, 0.05);
  }
}

void PrintTo(const TCase& c, std::ostream* os) {
  *os << c.Format.Code << " " << c.Format.Name << " from " << SourceClips()[c.Clip].Name;
}

std::string CaseName(const ::testing::TestParamInfo<TCase>& info) {
  return "code" + std::to_string(info.param.Format.Code) + "_" +
         SourceClips()[info.param.Clip].Name;
}

INSTANTIATE_TEST_SUITE_P(Catalogue, CurrentFormat, ::testing::ValuesIn(Cases()), CaseName);

// A source beyond a device's limits is fitted into them, and the run says what changed.
TEST(CurrentFormatLimits, ABigFastSourceIsFittedToTheDeviceAndTheChangesAreTold) {
  LoadMediaLibraries();
  TMainThread::SetMainThread();
  TClipSpec big = BaseSpec(2560, 1440, 2);
  big.FrameRate = {60, 1};
  big.Duration = 0.3;
  const std::string source = EnsureClipFile(big, "current_big60.mkv");
  const test::TScratchFolder scratch("limits");
  TIniFile settings(scratch.Folder() + "/settings.ini");
  settings.WriteString("settings", "OutPutDir", scratch.Folder());
  settings.WriteString(FormatSection(3006), "paraVideoSize", "as source");
  settings.WriteString(FormatSection(3006), "paraSpeed", "ultrafast");
  TIniFile definitions(test::DefinitionFile());
  TJobReport report;
  ASSERT_NO_FATAL_FAILURE(test::ConvertOneJob(settings, definitions, 3006, source, report));
  ASSERT_EQ(report.Adjustments.size(), 2u);
  EXPECT_EQ(report.Adjustments[0],
            "Picture made smaller from 2560x1440 to 1920x1080 to fit Roku (up to 1920x1080).");
  EXPECT_EQ(report.Adjustments[1],
            "Frame rate lowered from 60 to 30 frames a second to fit Roku (up to 30).");
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(report.Output)) << probe.LastErrMsg();
  const AVStream* video = test::FirstVideoStream(probe);
  ASSERT_NE(video, nullptr);
  EXPECT_EQ(video->codecpar->width, 1920);
  EXPECT_EQ(video->codecpar->height, 1080);
  EXPECT_NEAR(av_q2d(video->avg_frame_rate), 30.0, 0.1);
  CheckDeviceLimits(*FindDeviceLimits("roku"), *video->codecpar, av_q2d(video->avg_frame_rate));
  probe.CloseFile();
}

}  // namespace
}  // namespace qarvo
