#include <unistd.h>

#include <cstdio>

#include "engine/options/TTargets.h"

#include "EncoderCheck.h"
#include "TaskOptionTest.h"
#include "support/TestMedia.h"

namespace qarvo {
namespace {

TEST_F(TaskOptionTest, TargetWithAGivenNorm) {
  D("target", "pal-dvd");
  EXPECT_EQ(O().FrameWidth, 720);
  EXPECT_EQ(O().FrameHeight, 576);
  EXPECT_EQ(O().FrameRate.num, 25);
  EXPECT_EQ(O().FrameRate.den, 1);
  EXPECT_EQ(VideoInt("g"), 15);
  EXPECT_EQ(VideoInt("b"), 6000000);
  EXPECT_EQ(O().VideoCodecName, "mpeg2video");
  EXPECT_EQ(O().AudioCodecName, "ac3");
  EXPECT_EQ(O().FileFormat, "dvd");
  EXPECT_EQ(O().AudioSampleRate, 48000);
  EXPECT_FLOAT_EQ(O().FrameAspectRatio, 16.0f / 9.0f);
  EXPECT_TRUE(Logged(TLogLevel::llInfo, "Assuming 16:9 for aspect ratio"));
  const AVOutputFormat* dvd = api().av_guess_format("dvd", nullptr, nullptr);
  EXPECT_STREQ(Task().Generic.MuxerOptions(dvd).Find("muxrate"), "10080000");
}

TEST_F(TaskOptionTest, AutomaticNormFromTheFrameRate) {
  O().FrameRate = {30000, 1001};
  O().FrameAspectRatio = 1.5f;
  D("target", "dvd");
  EXPECT_EQ(O().FrameWidth, 720);
  EXPECT_EQ(O().FrameHeight, 480);
  EXPECT_EQ(O().FrameRate.num, 30000);
  EXPECT_EQ(VideoInt("g"), 18);
  EXPECT_FLOAT_EQ(O().FrameAspectRatio, 1.5f);
  EXPECT_TRUE(Logged(TLogLevel::llVerbose, "Assuming NTSC for target."));
}

TEST_F(TaskOptionTest, AutomaticNormFromTheInputsThenTheFallback) {
  ASSERT_TRUE(Task().OpenInput(EnsureClip("3gp_h263_aac"))) << Task().ErrorText();  // 15 fps
  D("target", "vcd");  // nothing decides: the option's fallback is NTSC
  EXPECT_EQ(O().FrameHeight, 240);
  EXPECT_EQ(O().MuxPreload, 0.44f);

  TCustomTranscoder task;
  ASSERT_TRUE(task.OpenInput(EnsureClip("short3s"))) << task.ErrorText();  // 25 fps
  task.Options.FrameRate = {15, 1};
  task.ApplyTarget("svcd", "auto", "ntsc");  // the input's stream decides
  EXPECT_EQ(task.Options.FrameHeight, 576);
  EXPECT_EQ(task.Options.AudioChannels, 2);

  TCustomTranscoder film;
  film.Options.FrameRate = {15, 1};
  film.ApplyTarget("dv", "auto", "film");
  EXPECT_EQ(film.Options.FrameRate.num, 24000);
  EXPECT_EQ(film.Options.FramePixFmt, AV_PIX_FMT_YUV411P);
}

TEST_F(TaskOptionTest, TargetErrorsAndDv50) {
  EXPECT_EQ(Error("target", "cd"), "Unknown target type");
  EXPECT_EQ(Error("target", "dvd"), "frame_rate is invalid.");  // automatic without a rate
  for (const char* norm : {"pal", "ntsc", "film"}) {
    Task().ApplyTarget("dv50", norm, "pal");
    EXPECT_EQ(O().FramePixFmt, AV_PIX_FMT_YUV422P) << norm;
  }
}

// What a target leaves in the task opens real encoders and the muxer with nothing unused.
std::string OpenTargetOutput(TCustomTranscoder& task, const std::string& path) {
  const TTaskOptions& o = task.Options;
  const AVOutputFormat* format = api().av_guess_format(o.FileFormat.c_str(), nullptr, nullptr);
  if (!format) return "no muxer " + o.FileFormat;
  AVFormatContext* raw = nullptr;
  if (api().avformat_alloc_output_context2(&raw, format, nullptr, path.c_str()) < 0) return "alloc";
  TOutputFormatContextPtr oc(raw);
  const std::string names[2] = {o.VideoCodecName, o.AudioCodecName};
  const AVCodecID guessed[2] = {format->video_codec, format->audio_codec};
  for (int i = 0; i < 2; ++i) {
    const AVCodec* codec = names[i].empty() ? api().avcodec_find_encoder(guessed[i])
                                            : api().avcodec_find_encoder_by_name(names[i].c_str());
    if (!codec) return "no encoder " + names[i];
    TCodecContextPtr ctx = MakeEncoderContext(codec, o.FrameWidth, o.FrameHeight);
    if (i == 0) {
      ctx->time_base = {o.FrameRate.den, o.FrameRate.num};
      ctx->framerate = {o.FrameRate.num, o.FrameRate.den};
      if (o.FramePixFmt >= 0) ctx->pix_fmt = static_cast<AVPixelFormat>(o.FramePixFmt);
      ctx->sample_aspect_ratio = {1, 1};
      ctx->rc_initial_buffer_occupancy = ctx->rc_buffer_size * 3 / 4;
    } else {
      ctx->sample_rate = o.AudioSampleRate;
      ctx->time_base = {1, o.AudioSampleRate};
      api().av_channel_layout_uninit(&ctx->ch_layout);
      api().av_channel_layout_default(&ctx->ch_layout, o.AudioChannels);
    }
    task.ApplyGenericOptions(
        ctx.get(),
        (i == 0 ? AV_OPT_FLAG_VIDEO_PARAM : AV_OPT_FLAG_AUDIO_PARAM) | AV_OPT_FLAG_ENCODING_PARAM);
    const std::string result =
        OpenAndEncode(ctx.get(), codec, task.Generic.EncoderOptions(codec), 2);
    if (!result.empty()) return codec->name + std::string(": ") + result;
    AVStream* stream = api().avformat_new_stream(oc.get(), nullptr);
    api().avcodec_parameters_from_context(stream->codecpar, ctx.get());
    stream->time_base = ctx->time_base;
  }
  task.ApplyGenericOptions(oc.get(), AV_OPT_FLAG_ENCODING_PARAM);
  if (api().avio_open(&oc->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return "avio_open";
  TDictionary muxer = task.Generic.MuxerOptions(format);
  const int r = api().avformat_write_header(oc.get(), muxer.Address());
  if (r < 0) return "avformat_write_header failed";
  if (muxer.Count() > 0) return "muxer option not used";
  api().av_write_trailer(oc.get());
  return "";
}

TEST_F(TaskOptionTest, EveryTargetOpensItsEncodersAndMuxer) {
  const std::string path = "/tmp/qarvo-target-" + std::to_string(::getpid()) + ".out";
  for (const char* type : {"vcd", "svcd", "dvd", "dv", "dv50"}) {
    for (const char* norm : {"pal", "ntsc", "film", "auto"}) {
      SCOPED_TRACE(std::string(type) + " " + norm);
      TCustomTranscoder task;
      task.Options.FrameRate = {25, 1};
      task.ApplyTarget(type, norm, "pal");
      EXPECT_EQ(OpenTargetOutput(task, path), "");
    }
  }
  std::remove(path.c_str());
}

}  // namespace
}  // namespace qarvo
