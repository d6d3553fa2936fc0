// Every format of both catalogue tables converts a generated clip from its factory defaults,
// and the result is what composition asked for; each format also converts one more source of
// another common shape (sound of other channel counts and rates or none, pictures of other
// sizes), and the H.264 and MPEG-4 outputs state a profile and level their devices decode.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <set>

#include "base/MainThread.h"
#include "media/LibraryApi.h"
#include "media/NameMapping.h"
#include "probe/TMediaProbe.h"
#include "core/BatchRun.h"
#include "core/FormatCatalogue.h"
#include "core/FormatDefinition.h"
#include "core/FormatProfile.h"
#include "batch/ProbeFacts.h"
#include "convert/EngineBatch.h"

#include "FormatJob.h"
#include "support/ScratchFolder.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace qarvo {
namespace {

namespace fs = std::filesystem;

using test::ConvertOneJob;
using test::TNoQuestion;

// Library codec of an engine encoder name.
AVCodecID EncoderCodec(const std::string& name) {
  const AVCodec* codec = api().avcodec_find_encoder_by_name(TranslateEncoderName(name).c_str());
  return codec ? codec->id : AV_CODEC_ID_NONE;
}

const AVOutputFormat* Muxer(const TFormatDefinition& d, const TComposedOutput& o) {
  if (o.TargetType == 1) return api().av_guess_format("vcd", nullptr, nullptr);
  if (o.TargetType == 2) return api().av_guess_format("svcd", nullptr, nullptr);
  if (o.TargetType == 3 && o.FileFormat.empty())
    return api().av_guess_format("dvd", nullptr, nullptr);
  std::string name = o.FileFormat;
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return api().av_guess_format(name.empty() ? nullptr : name.c_str(), ("x." + d.FileExt).c_str(),
                               nullptr);
}

// The demuxer that reads what a muxer writes.
std::string DemuxerFamily(const std::string& muxer) {
  static const std::map<std::string, std::string> family{
      {"mp4", "mov"},           {"ipod", "mov"}, {"psp", "mov"},   {"mov", "mov"},
      {"3gp", "mov"},           {"3g2", "mov"},  {"avi", "avi"},   {"asf", "asf"},
      {"flv", "flv"},           {"swf", "swf"},  {"vcd", "mpeg"},  {"svcd", "mpeg"},
      {"dvd", "mpeg"},          {"vob", "mpeg"}, {"mpeg", "mpeg"}, {"mpegts", "mpegts"},
      {"matroska", "matroska"}, {"dv", "dv"},    {"mp3", "mp3"},   {"adts", "aac"},
      {"wav", "wav"},           {"ogg", "ogg"},  {"ac3", "ac3"},   {"opus", "ogg"}};
  const auto found = family.find(muxer);
  return found == family.end() ? muxer : found->second;
}

std::pair<int, int> FinalSize(const TComposedOutput& o) {
  const auto pad = o.VideoFilters.find("pad=");
  if (pad != std::string::npos) {
    int w = 0, h = 0;
    std::sscanf(o.VideoFilters.c_str() + pad, "pad=%d:%d", &w, &h);
    return {w, h};
  }
  int w = 0, h = 0;
  std::sscanf(o.FrameSize.c_str(), "%dx%d", &w, &h);
  return {w, h};
}

class EveryFormat : public ::testing::TestWithParam<TCatalogueFormat> {
 protected:
  static void SetUpTestSuite() {
    LoadMediaLibraries();
    TMainThread::SetMainThread();
  }
};

// H.264 limits of the levels: macroblocks per picture and per second.
struct TH264Level {
  int Level;
  int64_t FrameMacroblocks, MacroblockRate;
};
constexpr TH264Level kH264Levels[] = {
    {10, 99, 1485},     {11, 396, 3000},     {12, 396, 6000},     {13, 396, 11880},
    {20, 396, 11880},   {21, 792, 19800},    {22, 1620, 20250},   {30, 1620, 40500},
    {31, 3600, 108000}, {32, 5120, 216000},  {40, 8192, 245760},  {41, 8192, 245760},
    {42, 8704, 522240}, {50, 22080, 589824}, {51, 36864, 983040}, {52, 36864, 2073600}};

// MPEG-4 Visual limits: macroblocks per picture and kbit/s, by profile (0 Simple, 15 Advanced
// Simple) and the level number the stream states.
struct TMpeg4Level {
  int Profile, Level;
  int64_t FrameMacroblocks, KiloBits;
};
constexpr TMpeg4Level kMpeg4Levels[] = {
    {0, 1, 99, 64},     {0, 2, 396, 128},    {0, 3, 396, 384},   {0, 4, 1200, 4000},
    {0, 5, 1620, 8000}, {0, 6, 3600, 12000}, {15, 1, 99, 128},   {15, 2, 396, 384},
    {15, 3, 396, 768},  {15, 7, 396, 1500},  {15, 4, 792, 3000}, {15, 5, 1620, 8000}};

// What the devices a format is named for decode: the highest profile (66 Baseline, 77 Main,
// 100 High; for MPEG-4 0 Simple, 15 Advanced Simple) and, where the device states one, level.
struct TDeviceLimit {
  int Profile;
  int MaxLevel;  // 0: whatever the picture needs
};

TDeviceLimit DeviceLimit(const std::string& format, AVCodecID codec) {
  std::string f = format;
  for (char& ch : f) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  if (codec == AV_CODEC_ID_H264) {
    if (f == "ipod") return {66, 30};
    if (f == "psp") return {77, 30};
    return {100, 0};
  }
  if (f == "ipod" || f == "psp") return {0, 0};
  return {15, 0};
}

int H264Rank(int profile) {
  profile &= ~FF_PROFILE_H264_CONSTRAINED;
  return profile == 66 ? 0 : profile == 77 ? 1 : 2;
}

void CheckProfileAndLevel(const std::string& format, const AVStream& video, int64_t bitRate) {
  const AVCodecParameters& p = *video.codecpar;
  if (p.codec_id != AV_CODEC_ID_H264 && p.codec_id != AV_CODEC_ID_MPEG4) return;
  const TDeviceLimit limit = DeviceLimit(format, p.codec_id);
  const int64_t macroblocks = static_cast<int64_t>((p.width + 15) / 16) * ((p.height + 15) / 16);
  const AVRational r = video.avg_frame_rate.num ? video.avg_frame_rate : video.r_frame_rate;
  const double rate = r.num && r.den ? av_q2d(r) : 25.0;
  const std::string where = std::string(format) + " " + std::to_string(p.width) + "x" +
                            std::to_string(p.height) + " profile " + std::to_string(p.profile) +
                            " level " + std::to_string(p.level);
  if (p.codec_id == AV_CODEC_ID_H264) {
    EXPECT_LE(H264Rank(p.profile), H264Rank(limit.Profile)) << where;
    if (limit.MaxLevel) {
      EXPECT_LE(p.level, limit.MaxLevel) << where;
    }
    const TH264Level* level = nullptr;
    for (const TH264Level& l : kH264Levels)
      if (l.Level == p.level) level = &l;
    ASSERT_NE(level, nullptr) << where;
    EXPECT_LE(macroblocks, level->FrameMacroblocks) << where;
    EXPECT_LE(macroblocks * rate, level->MacroblockRate * 1.0001) << where;
    return;
  }
  EXPECT_LE(p.profile, limit.Profile) << where;
  const TMpeg4Level* level = nullptr;
  const TMpeg4Level* top = nullptr;
  for (const TMpeg4Level& l : kMpeg4Levels) {
    if (l.Profile == p.profile && l.Level == p.level) level = &l;
    if (l.Profile == p.profile && (!top || l.FrameMacroblocks > top->FrameMacroblocks)) top = &l;
  }
  ASSERT_NE(level, nullptr) << where;
  // A picture larger than any level of the profile states the profile's top level.
  if (level == top && macroblocks > top->FrameMacroblocks) return;
  EXPECT_LE(macroblocks, level->FrameMacroblocks) << where;
  EXPECT_LE(bitRate, level->KiloBits * 1000) << where;
}

// Converts `source` (made to `spec`) with `format` and checks the output against composition.
void ConvertAndCheck(const TCatalogueFormat& format, const std::string& source,
                     const TClipSpec& spec) {
  const test::TScratchFolder scratch("every");
  const std::string& folder = scratch.Folder();
  TIniFile settings(folder + "/settings.ini");
  settings.WriteString("settings", "OutPutDir", folder);
  TIniFile definitions(test::DefinitionFile());

  TNoQuestion noQuestion;
  TJobReport report;
  ASSERT_NO_FATAL_FAILURE(ConvertOneJob(settings, definitions, format.Code, source, report));
  // What composition asked for.
  std::string error;
  const TSourceFacts facts = *ProbeSource(source, error);
  const TIniSnapshot noProfile = TIniSnapshot::FromText("");
  const TFormatDefinition d = ReadFormatDefinition(definitions, format.Code);
  const TFormatProfile profile(noProfile, d, format.Code);
  TlvFilesRecord job = NewJobRecord(source, "", 0, "lbox");
  TComposedOutput want;
  TComposedInput input;
  ComposeOutputOptions(profile, job, facts, noQuestion, want, input);

  // The libraries read no animated WebP; the current formats' own test reads its chunks.
  if (d.FileExt == "webp") return;
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(report.Output)) << probe.LastErrMsg();
  const AVOutputFormat* muxer = Muxer(d, want);
  ASSERT_NE(muxer, nullptr);
  EXPECT_NE(probe.FormatName().find(DemuxerFamily(muxer->name)), std::string::npos)
      << probe.FormatName() << " for " << muxer->name;
  const AVFormatContext* container = probe.Container();
  const AVStream* video = nullptr;
  const AVStream* audio = nullptr;
  for (unsigned i = 0; i < container->nb_streams; ++i) {
    const AVStream* s = container->streams[i];
    if (s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !video) video = s;
    if (s->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && !audio) audio = s;
  }
  if (want.DisableVideo) {
    EXPECT_EQ(video, nullptr);
  } else {
    ASSERT_NE(video, nullptr);
    const AVCodecID codec =
        want.VideoCodec.empty() ? muxer->video_codec : EncoderCodec(want.VideoCodec);
    EXPECT_EQ(video->codecpar->codec_id, codec)
        << api().avcodec_get_name(video->codecpar->codec_id);
    const auto [w, h] = FinalSize(want);
    EXPECT_EQ(video->codecpar->width, w);
    EXPECT_EQ(video->codecpar->height, h);
    const double rate = want.FrameRate.empty() ? 25.0 : std::stod(want.FrameRate);
    const AVRational r = video->avg_frame_rate.num ? video->avg_frame_rate : video->r_frame_rate;
    EXPECT_NEAR(av_q2d(r), rate, rate * 0.01) << r.num << "/" << r.den;
    // The Xvid library states a level of its own choosing, which its wrapper does not set.
    if (TranslateEncoderName(want.VideoCodec) != "libxvid")
      CheckProfileAndLevel(d.Format, *video, want.VideoBitrate);
  }
  if (spec.AudioCodec.empty() || want.DisableAudio) {
    EXPECT_EQ(audio, nullptr);
    probe.CloseFile();
    return;
  }
  ASSERT_NE(audio, nullptr);
  // A copied stream keeps the source's coding.
  EXPECT_EQ(audio->codecpar->codec_id,
            EncoderCodec(want.AudioCodec == "copy" ? spec.AudioCodec : want.AudioCodec));
  if (want.AudioSampleRate > 0) {
    EXPECT_EQ(audio->codecpar->sample_rate, want.AudioSampleRate);
  }
  if (want.AudioChannels > 0) {
    EXPECT_EQ(audio->codecpar->ch_layout.nb_channels, want.AudioChannels);
  }
  // The SWF reader states no duration; everything else must last as long as the source.
  if (std::string(muxer->name) != "swf") {
    // Containers without edit lists keep the sound coder's first frame, up to 0.13 s at 8 kHz.
    const double frame = spec.AudioCodec.empty() ? 0.0 : 1024.0 / spec.SampleRate;
    EXPECT_NEAR(probe.FileStreamInfo().Duration / 1e6, spec.Duration, 0.2 + frame);
  }
  probe.CloseFile();
}

TEST_P(EveryFormat, ConvertsFromItsDefaults) {
  ConvertAndCheck(GetParam(), EnsureClip("short3s"), StandardClip("short3s"));
}

// Common shapes of sources from cameras, phones and other programs.
struct TSourceShape {
  const char* Name;
  int Width, Height;
  int SampleRate, Channels;  // 0 channels: no sound
};
constexpr TSourceShape kShapes[] = {{"mono48k_7x4", 560, 320, 48000, 1},
                                    {"surround51", 320, 240, 48000, 6},
                                    {"odd22k", 333, 187, 22050, 2},
                                    {"mono8k", 320, 240, 8000, 1},
                                    {"silent", 320, 240, 0, 0}};
constexpr int kShapeCount = static_cast<int>(std::size(kShapes));

TClipSpec ShapeSpec(const TSourceShape& shape) {
  TClipSpec spec;
  spec.Container = "matroska";
  spec.Extension = "mkv";
  spec.Width = shape.Width;
  spec.Height = shape.Height;
  spec.Duration = 1.0;
  spec.AudioCodec = shape.Channels ? "aac" : "";
  spec.SampleRate = shape.SampleRate ? shape.SampleRate : 44100;
  spec.Channels = shape.Channels ? shape.Channels : 2;
  spec.AudioBitRate = 0;
  return spec;
}

struct TShapedFormat {
  TCatalogueFormat Format;
  int Shape;
};

// Each format with one shape in turn, so every shape meets every kind of container and
// encoder; formats with fixed requirements (DV) with every shape. A format the second table
// repeats under the same name is taken once.
std::vector<TShapedFormat> ShapedFormats() {
  std::vector<TShapedFormat> cases;
  std::set<std::string> names;
  int turn = 0;
  for (const TCatalogueFormat& format : AllCatalogueFormats()) {
    if (!names.insert(format.Name).second) continue;
    const bool fixed = format.Name.rfind("DV ", 0) == 0;
    for (int shape = 0; shape < kShapeCount; ++shape)
      if (fixed || shape == turn % kShapeCount) cases.push_back({format, shape});
    ++turn;
  }
  return cases;
}

void PrintTo(const TShapedFormat& c, std::ostream* os) {
  *os << c.Format.Code << " " << c.Format.Name << " from " << kShapes[c.Shape].Name;
}

class EveryShape : public ::testing::TestWithParam<TShapedFormat> {
 protected:
  static void SetUpTestSuite() {
    LoadMediaLibraries();
    TMainThread::SetMainThread();
  }
};

TEST_P(EveryShape, Converts) {
  const TShapedFormat& c = GetParam();
  int shape = c.Shape;
  // An audio format needs sound: a silent source is refused, so such a format takes the next.
  TIniFile definitions(test::DefinitionFile());
  const TFormatDefinition d = ReadFormatDefinition(definitions, c.Format.Code);
  const TIniSnapshot noProfile = TIniSnapshot::FromText("");
  if (!kShapes[shape].Channels &&
      TFormatProfile(noProfile, d, c.Format.Code).VideoEncoder().empty())
    shape = (shape + 1) % kShapeCount;
  const TClipSpec spec = ShapeSpec(kShapes[shape]);
  const std::string source =
      EnsureClipFile(spec, std::string("every_") + kShapes[shape].Name + ".mkv");
  ConvertAndCheck(c.Format, source, spec);
}

// "as source" with an H.263 format: the encoder opens with the H.263 size the 320x240
// picture is fitted into.
class H263Format : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    LoadMediaLibraries();
    TMainThread::SetMainThread();
  }
};

TEST_F(H263Format, AsSourceOpensTheEncoder) {
  const std::string source = EnsureClip("short3s");
  const test::TScratchFolder scratch("h263");
  TIniFile settings(scratch.Folder() + "/settings.ini");
  settings.WriteString("settings", "OutPutDir", scratch.Folder());
  settings.WriteString(FormatSection(200), "paraVideoSize", "as source");
  TIniFile definitions(test::DefinitionFile());
  TJobReport report;
  ASSERT_NO_FATAL_FAILURE(ConvertOneJob(settings, definitions, 200, source, report));
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(report.Output)) << probe.LastErrMsg();
  const AVStream* video = test::FirstVideoStream(probe);
  ASSERT_NE(video, nullptr);
  EXPECT_EQ(video->codecpar->codec_id, AV_CODEC_ID_H263);
  EXPECT_EQ(video->codecpar->width, 352);
  EXPECT_EQ(video->codecpar->height, 288);
  probe.CloseFile();
}

}  // namespace

void PrintTo(const TCatalogueFormat& format, std::ostream* os) {
  *os << format.Code << " " << format.Name;
}

namespace {

std::string CaseName(const ::testing::TestParamInfo<TCatalogueFormat>& info) {
  return "code" + std::to_string(info.param.Code);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, EveryFormat, ::testing::ValuesIn(AllCatalogueFormats()),
                         CaseName);

std::string ShapedName(const ::testing::TestParamInfo<TShapedFormat>& info) {
  return "code" + std::to_string(info.param.Format.Code) + "_" + kShapes[info.param.Shape].Name;
}

INSTANTIATE_TEST_SUITE_P(Catalogue, EveryShape, ::testing::ValuesIn(ShapedFormats()), ShapedName);

}  // namespace
}  // namespace qarvo
