// Every format of both catalogue tables converts a generated clip from its factory defaults,
// and the result is what composition asked for.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <map>

#include "convert/EngineBatch.h"
#include "convert/ProbeFacts.h"
#include "core/BatchRun.h"
#include "core/FormatCatalogue.h"
#include "core/FormatDefinition.h"
#include "core/FormatProfile.h"
#include "media/LibraryApi.h"
#include "base/MainThread.h"
#include "media/NameMapping.h"
#include "probe/TMediaProbe.h"
#include "support/ScratchFolder.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace qarvo {
namespace {

namespace fs = std::filesystem;

const std::string kDefinitionFile = std::string(QARVO_SOURCE_DIR) + "/data/qarvo3gpformat.ini";

class TNoQuestion : public ISizeQuestion {
 public:
  bool UseDefaultSize() override {
    ADD_FAILURE() << "a factory default asked the size question";
    return true;
  }
};

// Library codec of an engine encoder name.
AVCodecID EncoderCodec(const std::string& name) {
  const AVCodec* codec = api().avcodec_find_encoder_by_name(TranslateEncoderName(name).c_str());
  return codec ? codec->id : AV_CODEC_ID_NONE;
}

const AVOutputFormat* Muxer(const TFormatDefinition& d, const TComposedOutput& o) {
  if (o.TargetType == 1) return api().av_guess_format("vcd", nullptr, nullptr);
  if (o.TargetType == 2) return api().av_guess_format("svcd", nullptr, nullptr);
  if (o.TargetType == 3 && o.FileFormat.empty()) return api().av_guess_format("dvd", nullptr, nullptr);
  std::string name = o.FileFormat;
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return api().av_guess_format(name.empty() ? nullptr : name.c_str(), ("x." + d.FileExt).c_str(),
                               nullptr);
}

// The demuxer that reads what a muxer writes.
std::string DemuxerFamily(const std::string& muxer) {
  static const std::map<std::string, std::string> family{
      {"mp4", "mov"}, {"ipod", "mov"}, {"psp", "mov"}, {"mov", "mov"}, {"3gp", "mov"},
      {"3g2", "mov"}, {"avi", "avi"}, {"asf", "asf"}, {"flv", "flv"}, {"swf", "swf"},
      {"vcd", "mpeg"}, {"svcd", "mpeg"}, {"dvd", "mpeg"}, {"vob", "mpeg"}, {"mpeg", "mpeg"},
      {"mpegts", "mpegts"}, {"matroska", "matroska"}, {"dv", "dv"}, {"mp3", "mp3"},
      {"adts", "aac"}, {"wav", "wav"}, {"ogg", "ogg"}, {"ac3", "ac3"}};
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

// Converts one source through the headless batch with format `code`, to its end.
void ConvertOneJob(TIniFile& settings, TIniFile& definitions, int code,
                   const std::string& source, TJobReport& report) {
  std::unique_ptr<IHeadlessEngine> engine = MakeEngineBatch();
  TBatchRun run(*engine, settings, definitions);
  run.SetFormatCode(code);
  bool ended = false;
  std::vector<TJobRow> rows{{source, true, NewJobRecord(source, "", 0, "lbox"), {}, {}}};
  engine->OnTerminate = [&](const TRunTermination& t) {
    if (run.OnTerminate(rows, t.TaskIndex, t.Finished, t.Exception, t.ExceptionMsg, nullptr, false,
                        false, {}))
      ended = true;
  };
  TOutputNamer namer(settings);
  TNoQuestion noQuestion;
  ASSERT_TRUE(run.Start(rows, namer, noQuestion)) << run.Reports().front().Message;
  for (int i = 0; i < 1200 && !ended; ++i) engine->Pump(100);
  ASSERT_TRUE(ended);
  report = run.Reports().front();
  ASSERT_EQ(report.Outcome, TJobOutcome::Finished) << report.Message;
}

class EveryFormat : public ::testing::TestWithParam<TCatalogueFormat> {
 protected:
  static void SetUpTestSuite() {
    LoadMediaLibraries();
    TMainThread::SetMainThread();
  }
};

TEST_P(EveryFormat, ConvertsFromItsDefaults) {
  const TCatalogueFormat format = GetParam();
  const std::string source = EnsureClip("short3s");
  const test::TScratchFolder scratch("every");
  const std::string& folder = scratch.Folder();
  TIniFile settings(folder + "/settings.ini");
  settings.WriteString("settings", "OutPutDir", folder);
  TIniFile definitions(kDefinitionFile);

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
    EXPECT_EQ(video->codecpar->codec_id, codec) << api().avcodec_get_name(video->codecpar->codec_id);
    const auto [w, h] = FinalSize(want);
    EXPECT_EQ(video->codecpar->width, w);
    EXPECT_EQ(video->codecpar->height, h);
    const double rate = want.FrameRate.empty() ? 25.0 : std::stod(want.FrameRate);
    const AVRational r = video->avg_frame_rate.num ? video->avg_frame_rate : video->r_frame_rate;
    EXPECT_NEAR(av_q2d(r), rate, rate * 0.01) << r.num << "/" << r.den;
  }
  ASSERT_NE(audio, nullptr);
  EXPECT_EQ(audio->codecpar->codec_id, EncoderCodec(want.AudioCodec));
  if (want.AudioSampleRate > 0) {
    EXPECT_EQ(audio->codecpar->sample_rate, want.AudioSampleRate);
  }
  if (want.AudioChannels > 0) {
    EXPECT_EQ(audio->codecpar->ch_layout.nb_channels, want.AudioChannels);
  }
  // The SWF reader states no duration; everything else must last as long as the source.
  if (std::string(muxer->name) != "swf") {
    EXPECT_NEAR(probe.FileStreamInfo().Duration / 1e6, 3.0, 0.2);
  }
  probe.CloseFile();
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
  TIniFile definitions(kDefinitionFile);
  TJobReport report;
  ASSERT_NO_FATAL_FAILURE(ConvertOneJob(settings, definitions, 200, source, report));
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(report.Output)) << probe.LastErrMsg();
  const AVStream* video = nullptr;
  for (unsigned i = 0; i < probe.Container()->nb_streams && !video; ++i)
    if (probe.Container()->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
      video = probe.Container()->streams[i];
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

}  // namespace
}  // namespace qarvo
