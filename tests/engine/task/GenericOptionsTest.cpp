#include "engine/task/TGenericOptions.h"

#include "EncoderCheck.h"
#include "TaskOptionTest.h"

namespace qarvo {
namespace {

constexpr int kVideoEncoding = AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM;
constexpr int kAudioEncoding = AV_OPT_FLAG_AUDIO_PARAM | AV_OPT_FLAG_ENCODING_PARAM;

TEST_F(TaskOptionTest, UnknownNamesAreSilentRejectedValuesLogged) {
  EXPECT_FALSE(Task().GenericSet("foo", "1"));
  EXPECT_EQ(LogCount(), 0u);
  EXPECT_FALSE(Task().GenericSet("g", "abc"));
  EXPECT_TRUE(Logged(TLogLevel::llError, "Invalid value \"abc\" for option \"g\""));
  EXPECT_EQ(VideoInt("g"), 12);
  EXPECT_FALSE(Task().GenericSet("g", " "));
  EXPECT_FALSE(Task().GenericSet("", "1"));
  EXPECT_TRUE(Task().Generic.Names().empty());
}

TEST_F(TaskOptionTest, KindsPrefixesContainerAndScaler) {
  EXPECT_TRUE(Task().GenericSet("g", "40"));                // video only
  EXPECT_TRUE(Task().GenericSet("ab", "96000"));            // audio only
  EXPECT_TRUE(Task().GenericSet("vbt", "4000"));            // no option "vbt": the video option bt
  EXPECT_TRUE(Task().GenericSet("packetsize", "2048"));     // container
  EXPECT_TRUE(Task().GenericSet("sws_flags", "bilinear"));  // scaler
  EXPECT_EQ(VideoInt("g"), 40);
  EXPECT_EQ(AudioInt("b"), 96000);
  EXPECT_EQ(VideoInt("bt"), 4000);
  EXPECT_NE(AudioInt("bt"), 4000);
  EXPECT_EQ(Task().Generic.Names(),
            (std::vector<std::string>{"g", "ab", "bt", "packetsize", "sws_flags"}));

  // Only what was set on a kind reaches the contexts of that kind, with the flag test.
  const AVCodec* mpeg4 = api().avcodec_find_encoder_by_name("mpeg4");
  TCodecContextPtr video = MakeEncoderContext(mpeg4);
  const int64_t videoRate = video->bit_rate;
  Task().ApplyGenericOptions(video.get(), kVideoEncoding);
  EXPECT_EQ(video->gop_size, 40);
  EXPECT_EQ(video->bit_rate, videoRate);
  TCodecContextPtr audio = MakeEncoderContext(api().avcodec_find_encoder_by_name("mp2"));
  Task().ApplyGenericOptions(audio.get(), kAudioEncoding);
  EXPECT_EQ(audio->bit_rate, 96000);
  TCodecContextPtr decoder(api().avcodec_alloc_context3(nullptr));
  decoder->codec_type = AVMEDIA_TYPE_AUDIO;
  Task().ApplyGenericOptions(decoder.get(), AV_OPT_FLAG_AUDIO_PARAM | AV_OPT_FLAG_DECODING_PARAM);
  EXPECT_NE(decoder->bit_rate, 96000);  // b is no decoding option

  AVFormatContext* input = api().avformat_alloc_context();
  Task().ApplyGenericOptions(input, AV_OPT_FLAG_DECODING_PARAM);
  EXPECT_NE(input->packet_size, 2048u);
  Task().ApplyGenericOptions(input, AV_OPT_FLAG_ENCODING_PARAM);
  EXPECT_EQ(input->packet_size, 2048u);
  api().avformat_free_context(input);
  int64_t scaler = 0;
  api().av_opt_get_int(Task().Generic.ScalerContext(), "sws_flags", 0, &scaler);
  EXPECT_EQ(scaler, SWS_BILINEAR);
  EXPECT_EQ(O().SwsFlags, SWS_BILINEAR);  // what the scalers of the run use
}

TEST_F(TaskOptionTest, FlagValuesAddToTheRealContextsDefaults) {
  EXPECT_TRUE(Task().GenericSet("flags", "+loop"));
  const AVCodec* x264 = api().avcodec_find_encoder_by_name("libx264");
  TCodecContextPtr ctx = MakeEncoderContext(x264);
  const int defaults = ctx->flags;
  Task().ApplyGenericOptions(ctx.get(), kVideoEncoding);
  EXPECT_EQ(ctx->flags, defaults | AV_CODEC_FLAG_LOOP_FILTER);
}

TEST_F(TaskOptionTest, PrivateOptionsOfTheChosenEncoderAndMuxer) {
  EXPECT_FALSE(Task().GenericSet("crf", "20"));  // no encoder chosen yet
  D("vcodec", "libx264");
  D("f", "dvd");
  EXPECT_TRUE(Task().GenericSet("crf", "20"));
  EXPECT_TRUE(Task().GenericSet("muxrate", "10080000"));
  EXPECT_FALSE(Task().GenericSet("crf", "high"));
  EXPECT_TRUE(Logged(TLogLevel::llError, "Invalid value \"high\" for option \"crf\""));
  // Legacy x264 flags become private options of the encoder.
  EXPECT_TRUE(Task().GenericSet("flags2", "+bpyramid-dct8x8"));

  const AVCodec* x264 = api().avcodec_find_encoder_by_name("libx264");
  TDictionary encoder = Task().Generic.EncoderOptions(x264);
  EXPECT_STREQ(encoder.Find("crf"), "20.000000");
  EXPECT_STREQ(encoder.Find("8x8dct"), "false");
  EXPECT_EQ(encoder.Count(), 3);
  EXPECT_EQ(Task().Generic.EncoderOptions(api().avcodec_find_encoder_by_name("mpeg4")).Count(), 0);
  TDictionary muxer = Task().Generic.MuxerOptions(api().av_guess_format("dvd", nullptr, nullptr));
  EXPECT_STREQ(muxer.Find("muxrate"), "10080000");
  EXPECT_EQ(Task().Generic.MuxerOptions(api().av_guess_format("vcd", nullptr, nullptr)).Count(), 0);

  TCodecContextPtr ctx = MakeEncoderContext(x264);
  Task().ApplyGenericOptions(ctx.get(), kVideoEncoding);
  EXPECT_EQ(OpenAndEncode(ctx.get(), x264, std::move(encoder)), "");
}

TEST_F(TaskOptionTest, LegacyNamesThatReachNothingSetNothing) {
  // Without libx264 chosen the moved x264 flags have nowhere to go.
  EXPECT_FALSE(Task().GenericSet("flags2", "+dct8x8"));
  D("vcodec", "mpeg2video");
  EXPECT_TRUE(Task().GenericSet("flags", "+scan_offset"));
  TDictionary options =
      Task().Generic.EncoderOptions(api().avcodec_find_encoder_by_name("mpeg2video"));
  EXPECT_STREQ(options.Find("scan_offset"), "true");
}

TEST_F(TaskOptionTest, DebugOptionRaisesTheLogLevel) {
  EXPECT_TRUE(Task().GenericSet("debug", "mb_type"));
  EXPECT_EQ(TEngineLogger::GetLogger().LogLevel(), TLogLevel::llDebug);
}

}  // namespace
}  // namespace qarvo
