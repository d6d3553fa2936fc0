// Conversions configured by targets and presets: the files decode and carry what the option
// sets asked for.
#include <gtest/gtest.h>

#include <fstream>

#include "base/EngineError.h"

#include "ConvertTestSupport.h"

namespace qarvo {
namespace {

class TargetConversionTest : public ::testing::Test {
 protected:
  void SetUp() override { LoadMediaLibraries(); }
  TScratchFolder dir_{"target"};
};

struct TExpected {
  int Width, Height;
  AVCodecID Video, Audio;
};

TExpected Expected(const std::string& type, bool pal) {
  if (type == "vcd") return {352, pal ? 288 : 240, AV_CODEC_ID_MPEG1VIDEO, AV_CODEC_ID_MP2};
  if (type == "svcd") return {480, pal ? 576 : 480, AV_CODEC_ID_MPEG2VIDEO, AV_CODEC_ID_MP2};
  if (type == "dvd") return {720, pal ? 576 : 480, AV_CODEC_ID_MPEG2VIDEO, AV_CODEC_ID_AC3};
  return {720, pal ? 576 : 480, AV_CODEC_ID_DVVIDEO, AV_CODEC_ID_PCM_S16LE};
}

TEST_F(TargetConversionTest, EveryTargetAndNormGivesAFileThatDecodes) {
  for (const char* type : {"vcd", "svcd", "dvd", "dv", "dv50"}) {
    for (const char* norm : {"pal", "ntsc", "film", "auto"}) {
      SCOPED_TRACE(std::string(type) + " " + norm);
      const std::string out = dir_.File(std::string(type) + "-" + norm + ".out");
      TCustomTranscoder task;
      ASSERT_TRUE(task.OpenInput(EnsureClip("short3s"))) << task.ErrorText();  // 25 fps
      task.DispatchOption("t", "0.4");
      task.ApplyTarget(type, norm, "ntsc");
      ASSERT_GT(task.OpenOutput(out, false), 0) << task.ErrorText();
      EXPECT_NO_THROW(task.Transcode());
      task.ReleaseFiles(false);
      const bool pal = std::string(norm) == "pal" || std::string(norm) == "auto";
      const TExpected expected = Expected(type, pal);
      const TDecodedClip clip = DecodeClip(out);
      const TDecodedStream* video = StreamOf(clip, AVMEDIA_TYPE_VIDEO);
      const TDecodedStream* audio = StreamOf(clip, AVMEDIA_TYPE_AUDIO);
      ASSERT_TRUE(video && audio);
      EXPECT_EQ(video->Codec, expected.Video);
      EXPECT_EQ(video->Width, expected.Width);
      EXPECT_EQ(video->Height, expected.Height);
      EXPECT_GE(video->FrameNumbers.size(), 8u);
      EXPECT_EQ(audio->Codec, expected.Audio);
      EXPECT_FALSE(audio->Samples.empty());
    }
  }
}

// The dvd target's mux rate reaches the muxer: 10080000 bit/s in the first pack header.
TEST_F(TargetConversionTest, DvdMuxRateReachesTheMuxer) {
  const std::string out = dir_.File("dvd.mpg");
  TCustomTranscoder task;
  ASSERT_TRUE(task.OpenInput(EnsureClip("short3s"))) << task.ErrorText();
  task.DispatchOption("t", "0.2");
  task.DispatchOption("target", "pal-dvd");
  ASSERT_GT(task.OpenOutput(out, false), 0) << task.ErrorText();
  task.Transcode();
  task.ReleaseFiles(false);
  std::ifstream file(out, std::ios::binary);
  unsigned char pack[14] = {};
  ASSERT_TRUE(file.read(reinterpret_cast<char*>(pack), sizeof pack));
  ASSERT_EQ(pack[3], 0xBA);
  const unsigned muxRate = (pack[10] << 14) | (pack[11] << 6) | (pack[12] >> 2);
  EXPECT_EQ(muxRate * 400u, 10080000u);
}

// A lossless preset reaches the encoder's private options: constant quantizer 0 gives the
// lossless profile.
TEST_F(TargetConversionTest, PresetPrivateOptionsReachTheEncoder) {
  const std::string out = dir_.File("lossless.mp4");
  TCustomTranscoder task;
  ASSERT_TRUE(task.OpenInput(EnsureClip("short3s"))) << task.ErrorText();
  task.DispatchOption("t", "0.4");
  task.DispatchOption("vcodec", "libx264");
  task.DispatchOption("vpre", "lossless_ultrafast");
  task.DispatchOption("an", "1");
  ASSERT_GT(task.OpenOutput(out, false), 0) << task.ErrorText();
  task.Transcode();
  task.ReleaseFiles(false);
  AVFormatContext* raw = nullptr;
  ASSERT_EQ(api().avformat_open_input(&raw, out.c_str(), nullptr, nullptr), 0);
  TInputFormatContextPtr input(raw);
  ASSERT_EQ(input->nb_streams, 1u);
  const AVCodecParameters* par = input->streams[0]->codecpar;
  ASSERT_GT(par->extradata_size, 1);  // avcC: profile_idc in its second byte
  EXPECT_EQ(par->extradata[1], FF_PROFILE_H264_HIGH_444_PREDICTIVE);
  const TDecodedClip clip = DecodeClip(out);
  const TDecodedStream* video = StreamOf(clip, AVMEDIA_TYPE_VIDEO);
  ASSERT_TRUE(video);
  EXPECT_GE(video->FrameNumbers.size(), 10u);
}

}  // namespace
}  // namespace qarvo
