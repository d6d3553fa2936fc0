#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "engine/options/PresetTable.h"
#include "engine/options/TPresets.h"

#include "EncoderCheck.h"
#include "TaskOptionTest.h"

namespace qarvo {
namespace {

constexpr int kVideoEncoding = AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM;

// A preset file in the temporary folder, removed at the end of the test.
class TPresetFile {
 public:
  explicit TPresetFile(const std::string& text)
      : path_("/tmp/qarvo-preset-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++) +
              ".ffpreset") {
    std::ofstream(path_, std::ios::binary) << text;
  }
  ~TPresetFile() { std::remove(path_.c_str()); }
  const std::string& Path() const { return path_; }

 private:
  static inline int counter_ = 0;
  std::string path_;
};

TEST_F(TaskOptionTest, PresetByNameOrByCodecAndValue) {
  D("vcodec", "libx264");
  D("vpre", "mp4");
  EXPECT_EQ(VideoInt("b"), 1250000);
  EXPECT_EQ(VideoInt("refs"), 1);
  D("vpre", "LIBX264-IPOD320");
  EXPECT_EQ(VideoInt("level"), 13);
  const AVCodec* x264 = api().avcodec_find_encoder_by_name("libx264");
  EXPECT_STREQ(Task().Generic.EncoderOptions(x264).Find("coder"), "0");  // the later preset wins
}

// The presets' features stay off unless a line names them, and a device preset caps the
// profile to what its device decodes.
TEST_F(TaskOptionTest, X264PresetsKeepTheirLibrariesDefaults) {
  const AVCodec* x264 = api().avcodec_find_encoder_by_name("libx264");
  D("vcodec", "libx264");
  D("vpre", "psp");
  EXPECT_EQ(VideoInt("bf"), 3);  // named by the preset
  EXPECT_EQ(VideoInt("profile"), FF_PROFILE_H264_MAIN);
  TDictionary psp = Task().Generic.EncoderOptions(x264);
  EXPECT_STREQ(psp.Find("b-pyramid"), "0");  // none
  EXPECT_STREQ(psp.Find("8x8dct"), "false");
  EXPECT_STREQ(psp.Find("weightb"), "false");
  EXPECT_STREQ(psp.Find("mixed-refs"), "false");
  D("vpre", "ipod");
  EXPECT_EQ(VideoInt("bf"), 0);
  EXPECT_EQ(VideoInt("profile"), FF_PROFILE_H264_BASELINE);
  D("vpre", "hq");  // names its features itself
  EXPECT_STREQ(Task().Generic.EncoderOptions(x264).Find("8x8dct"), "true");
}

TEST_F(TaskOptionTest, PresetNotFoundAndBadFiles) {
  EXPECT_EQ(Error("vpre", "mp4"), "Preset \"mp4\" not found");
  EXPECT_EQ(Error("fpre", "libx264-mp4"), "Preset \"libx264-mp4\" not found");
  D("vpre", "");  // nothing
  TPresetFile bogus("g=30\r\n\r\n  bogus=1  \nb=1");
  EXPECT_EQ(
      Error("fpre", bogus.Path()),
      bogus.Path() + ": Invalid option or argument: \"bogus=1\", parsed as \"bogus\" = \"1\"");
  EXPECT_EQ(VideoInt("g"), 30);  // lines before the failing one stay applied
  EXPECT_NE(VideoInt("b"), 1);
  TPresetFile syntax("g=30\nqmax=");
  EXPECT_EQ(Error("apre", syntax.Path()), syntax.Path() + ": Invalid syntax: \"qmax=\"");
  TPresetFile codecs("VCODEC=mpeg4\nacodec=copy\n#comment=1");
  EXPECT_EQ(Error("fpre", codecs.Path()),
            codecs.Path() +
                ": Invalid option or argument: \"#comment=1\", parsed as \"#comment\" = \"1\"");
  EXPECT_EQ(O().VideoCodecName, "mpeg4");
  EXPECT_TRUE(O().AudioStreamCopy);
  TPresetFile empty("");
  EXPECT_EQ(Error("fpre", empty.Path()), "");
}

TEST_F(TaskOptionTest, BuiltInLineThatMapsToNothingIsAnInvalidOption) {
  // The x264 lines have nowhere to go with another encoder.
  D("vcodec", "mpeg4");
  EXPECT_EQ(Error("vpre", "libx264-main"),
            "libx264-main: Invalid option or argument: \"flags2=-dct8x8\", parsed as \"flags2\" = "
            "\"-dct8x8\"");
}

// Every built-in preset applied after vcodec=libx264 opens the encoder with nothing left over
// and encodes pictures.
TEST_F(TaskOptionTest, EveryBuiltInPresetOpensLibx264) {
  const AVCodec* x264 = api().avcodec_find_encoder_by_name("libx264");
  ASSERT_NE(x264, nullptr);
  for (const auto& preset : BuiltInPresets()) {
    SCOPED_TRACE(preset.Name);
    TCustomTranscoder task;
    task.DispatchOption("vcodec", "libx264");
    task.DispatchOption("vpre", preset.Name.substr(8));
    TCodecContextPtr ctx = MakeEncoderContext(x264);
    task.ApplyGenericOptions(ctx.get(), kVideoEncoding);
    EXPECT_EQ(OpenAndEncode(ctx.get(), x264, task.Generic.EncoderOptions(x264), 3), "");
  }
}

}  // namespace
}  // namespace qarvo
