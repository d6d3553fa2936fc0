// Composition of the current formats: pictures fitted into a box and a device's limits (what
// changed is told), rate modes into the record's rate control fields, sound per device.
#include <gtest/gtest.h>

#include "core/CurrentComposer.h"
#include "core/DeviceLimits.h"
#include "core/FormatDefinition.h"
#include "core/OptionComposer.h"
#include "core/RateChoices.h"

namespace qarvo {
namespace {

class TNever : public ISizeQuestion {
 public:
  bool UseDefaultSize() override {
    ADD_FAILURE() << "asked for a size";
    return false;
  }
};

const std::string kDefinition =
    "[formatInfo1]\nFormat=mp4\nFileExt=mp4\nEncoding=current\n"
    "VideoSize=as source,3840x2160,1920x1080,1280x720\niVideoSize=2\n"
    "VideoBitRate=1000,4000,35000\niVideoBitRate=1\n"
    "FrameRate=as source,25,60\niFrameRate=0\nVideoEncoder=H.264\n"
    "AudioBitRate=128,160\niAudioBitRate=0\nSampleRate=44100,48000\niSampleRate=1\n"
    "AudioEncoder=AAC\nChannel=stereo 2 channels,mono 1 channel\n"
    "Volume=50%,100%\niVolume=1\n"
    "RateMode=constant quality,average bit rate,two-pass average bit rate,target size\n"
    "Quality=best (18),high (20),good (23)\niQuality=2\n"
    "Speed=fast,medium,slow\niSpeed=1\nTargetSize=8,25\niTargetSize=1\n";

TSourceFacts Source(int w, int h, double rate = 25.0, int channels = 2) {
  TSourceFacts s;
  s.VideoStreamCount = 1;
  s.AudioStreamCount = 1;
  s.Width = w;
  s.Height = h;
  s.FrameRate = rate;
  s.AudioChannels = channels;
  return s;
}

struct TComposed {
  TComposedOutput Output;
  TComposedInput Input;
  std::vector<std::string> Adjustments;
};

TComposed Compose(const std::string& extraDefinition, const std::string& profileText,
                  const TSourceFacts& source, const TRateOverrides& overrides = {}) {
  const TIniSnapshot settings = TIniSnapshot::FromText("[formatInfo1]\n" + profileText);
  const TIniSnapshot definitions = TIniSnapshot::FromText(kDefinition + extraDefinition);
  TFormatProfile profile(settings, ReadFormatDefinition(definitions, 1), 1);
  profile.SetOverrides(overrides);
  TNever never;
  TComposed c;
  TlvFilesRecord job;
  job.Zoom = "lbox";
  ComposeOutputOptions(profile, job, source, never, c.Output, c.Input, &c.Adjustments);
  return c;
}

TEST(CurrentPicture, FitsIntoTheBoxKeepingTheShapeAndNeverEnlarges) {
  EXPECT_EQ(Compose("", "", Source(3840, 2160)).Output.FrameSize, "1920x1080");
  EXPECT_EQ(Compose("", "", Source(640, 480)).Output.FrameSize, "640x480");
  // A wide cinema picture is bounded by its width, a portrait one by its height.
  EXPECT_EQ(Compose("", "", Source(2560, 1080)).Output.FrameSize, "1920x810");
  EXPECT_EQ(Compose("", "", Source(2160, 3840)).Output.FrameSize, "1080x1920");
  EXPECT_EQ(Compose("", "paraVideoSize=as source\n", Source(3840, 2160)).Output.FrameSize,
            "3840x2160");
}

TEST(CurrentPicture, ARotatedPhoneClipIsFittedUpright) {
  TSourceFacts phone = Source(3840, 2160);
  phone.Rotation = 90;
  const TComposed c = Compose("", "", phone);
  EXPECT_EQ(c.Output.FrameSize, "1080x1920");
  EXPECT_EQ(c.Output.AspectRatio, "1080:1920");
  EXPECT_TRUE(c.Output.VideoFilters.empty());
}

TEST(CurrentPicture, ADeviceLimitShrinksThePictureAndSaysWhy) {
  const TComposed c = Compose("Device=iphone\n", "paraVideoSize=as source\n", Source(3840, 2160));
  EXPECT_EQ(c.Output.FrameSize, "1920x1080");
  ASSERT_EQ(c.Adjustments.size(), 1u);
  EXPECT_EQ(c.Adjustments[0],
            "Picture made smaller from 3840x2160 to 1920x1080 to fit iPhone and iPad (up to "
            "1920x1080).");
  // Within the limit nothing is said.
  EXPECT_TRUE(Compose("Device=iphone\n", "", Source(1280, 720)).Adjustments.empty());
}

TEST(CurrentFrameRate, ADeviceLimitHalvesTheRateAndSaysWhy) {
  const TComposed roku = Compose("Device=roku\n", "", Source(1920, 1080, 60000.0 / 1001));
  EXPECT_EQ(roku.Output.FrameRate, "29.97");
  ASSERT_EQ(roku.Adjustments.size(), 1u);
  EXPECT_NE(roku.Adjustments[0].find("Frame rate lowered from 59.94 to 29.97"), std::string::npos);
  // Level 4.2 plays 1080p at 60 frames: the iPhone keeps them.
  EXPECT_TRUE(Compose("Device=iphone\n", "", Source(1920, 1080, 60)).Output.FrameRate.empty());
  EXPECT_EQ(FittedFrameRate(120, 30), 30);
  EXPECT_EQ(FittedFrameRate(50, 30), 25);
  // A millisecond clock's rate lands far below: the device's own rate instead.
  EXPECT_EQ(FittedFrameRate(1000, 30), 30);
}

TEST(CurrentRate, EachModeFillsItsFields) {
  const TComposedOutput quality = Compose("", "", Source(640, 480)).Output;
  EXPECT_EQ(quality.VideoQuality, 23);
  EXPECT_EQ(quality.EncoderSpeed, "medium");
  EXPECT_EQ(quality.VideoBitrate, -1);
  EXPECT_EQ(quality.VideoPasses, 1);

  const TComposedOutput average =
      Compose("", "paraRateMode=average bit rate\n", Source(640, 480)).Output;
  EXPECT_EQ(average.VideoQuality, -1);
  EXPECT_EQ(average.VideoBitrate, 4000000);

  const TComposedOutput twoPass =
      Compose("", "paraRateMode=two-pass average bit rate\nparaVideoBitRate=1000\n",
              Source(640, 480))
          .Output;
  EXPECT_EQ(twoPass.VideoPasses, 2);
  EXPECT_EQ(twoPass.VideoBitrate, 1000000);

  const TComposedOutput size =
      Compose("", "paraRateMode=target size\nparaTargetSize=12.5\n", Source(640, 480)).Output;
  EXPECT_EQ(size.VideoPasses, 2);
  EXPECT_EQ(size.TargetSizeBytes, 12500000);
  EXPECT_EQ(size.VideoBitrate, -1);
  // A size target keeps to the format's ceiling: the size is spread within it.
  const TComposedOutput web =
      Compose("Device=web\n", "paraRateMode=target size\n", Source(320, 240)).Output;
  EXPECT_EQ(web.VideoMaxRate, 20000000);
  EXPECT_NE(web.ExtOptions.find("vlevel=42"), std::string::npos);
}

TEST(CurrentRate, ADeviceCapsTheBitRateAndKeepsItsBuffer) {
  const TComposed c =
      Compose("Device=android-phone\n", "paraRateMode=average bit rate\nparaVideoBitRate=35000\n",
              Source(1280, 720));
  EXPECT_EQ(c.Output.VideoBitrate, 20000000);
  EXPECT_EQ(c.Output.VideoMaxRate, 20000000);
  EXPECT_EQ(c.Output.VideoBufferSize, 20000000);
  ASSERT_EQ(c.Adjustments.size(), 1u);
  EXPECT_NE(c.Adjustments[0].find("from 35000 to 20000 kbit/s"), std::string::npos);
  EXPECT_NE(c.Output.ExtOptions.find("vprofile=77\nvlevel=40"), std::string::npos);
}

TEST(CurrentRate, OverridesReplaceTheStoredChoices) {
  TRateOverrides quality;
  quality.Quality = 30;
  quality.Speed = "slow";
  const TComposedOutput q =
      Compose("", "paraRateMode=average bit rate\n", Source(640, 480), quality).Output;
  EXPECT_EQ(q.VideoQuality, 30);
  EXPECT_EQ(q.EncoderSpeed, "slow");
  // Two passes or a size for the run turn a constant-quality format to that mode.
  TRateOverrides twoPass;
  twoPass.TwoPass = true;
  const TComposedOutput t = Compose("", "", Source(640, 480), twoPass).Output;
  EXPECT_EQ(t.VideoQuality, -1);
  EXPECT_EQ(t.VideoPasses, 2);
  EXPECT_EQ(t.VideoBitrate, 4000000);
  TRateOverrides size;
  size.TargetSizeBytes = 8000000;
  const TComposedOutput z = Compose("", "", Source(640, 480), size).Output;
  EXPECT_EQ(z.VideoQuality, -1);
  EXPECT_EQ(z.TargetSizeBytes, 8000000);
  TRateOverrides bits;
  bits.BitRateKbps = 1500;
  const TComposedOutput b = Compose("", "", Source(640, 480), bits).Output;
  EXPECT_EQ(b.VideoQuality, -1);
  EXPECT_EQ(b.VideoBitrate, 1500000);
}

TEST(CurrentSound, SurroundGoesToTheReceiverOnlyFromASurroundSource) {
  const std::string tv = "SurroundEncoder=E-AC-3\n";
  const TComposedOutput surround = Compose(tv, "", Source(640, 480, 25, 6)).Output;
  EXPECT_EQ(surround.AudioCodec, "eac3");
  EXPECT_EQ(surround.AudioChannels, 6);
  const TComposedOutput stereo = Compose(tv, "", Source(640, 480, 25, 2)).Output;
  EXPECT_EQ(stereo.AudioCodec, "libfaac");
  EXPECT_EQ(stereo.AudioChannels, 2);
  EXPECT_EQ(stereo.AudioSampleRate, 48000);
  // A phone gets stereo from a 5.1 source, and is told so.
  const TComposed phone = Compose("Device=android-phone\n", "", Source(640, 480, 25, 6));
  EXPECT_EQ(phone.Output.AudioChannels, 2);
  ASSERT_EQ(phone.Adjustments.size(), 1u);
  EXPECT_NE(phone.Adjustments[0].find("6-channel sound is mixed down to stereo"),
            std::string::npos);
}

TEST(CurrentEncoder, HevcIsTaggedForAppleAndTenBitIsAsked) {
  const TComposedOutput o =
      Compose("PixelFormat=yuv420p10le\n", "paraVideoEncoder=libx265\n", Source(640, 480)).Output;
  EXPECT_EQ(o.VideoCodec, "libx265");
  EXPECT_EQ(o.VideoTag, "hvc1");
  EXPECT_NE(o.ExtOptions.find("pix_fmt=yuv420p10le"), std::string::npos);
  EXPECT_EQ(o.FileFormat, "mp4");
}

TEST(CurrentSoundOnly, KeepingTheSoundCopiesItOrEncodesItAndSaysSo) {
  const std::string keep =
      "[formatInfo2]\nFormat=matroska\nFileExt=mka\nEncoding=current\nVideoEncoder=\n"
      "AudioEncoder=keep as it is\nChannel=null\nSampleRate=null\nAudioBitRate=null\n";
  const TIniSnapshot settings = TIniSnapshot::FromText("");
  const TIniSnapshot definitions = TIniSnapshot::FromText(keep);
  const TFormatProfile profile(settings, ReadFormatDefinition(definitions, 2), 2);
  TNever never;
  TlvFilesRecord job;
  TSourceFacts source = Source(640, 480);
  TComposedOutput copied;
  TComposedInput input;
  std::vector<std::string> adjustments;
  ComposeOutputOptions(profile, job, source, never, copied, input, &adjustments);
  EXPECT_EQ(copied.AudioCodec, "copy");
  EXPECT_TRUE(copied.DisableVideo);
  EXPECT_TRUE(adjustments.empty());
  source.AudioCopyFits = false;
  source.AudioCodec = "qcelp";
  TComposedOutput encoded;
  ComposeOutputOptions(profile, job, source, never, encoded, input, &adjustments);
  EXPECT_EQ(encoded.AudioCodec, "libflac");
  ASSERT_EQ(adjustments.size(), 1u);
  EXPECT_NE(adjustments[0].find("qcelp"), std::string::npos);
}

TEST(DeviceTable, EveryDeviceStatesAPlayableLevelForItsLargestPicture) {
  for (const TDeviceLimits& device : DeviceTable()) {
    SCOPED_TRACE(device.Name);
    EXPECT_EQ(FindDeviceLimits(device.Name), &device);
    if (device.Codec != "h264") continue;
    const TH264LevelLimits* level = FindH264Level(device.Level);
    ASSERT_NE(level, nullptr);
    const long long macroblocks = ((device.LongSide + 15) / 16) * ((device.ShortSide + 15) / 16);
    EXPECT_LE(macroblocks, level->FrameMacroblocks);
    EXPECT_LE(macroblocks * device.FrameRate, level->MacroblockRate * 1.001);
  }
  EXPECT_EQ(FindDeviceLimits("no such device"), nullptr);
}

TEST(RateChoices, EntriesCarryTheEncodersValues) {
  EXPECT_EQ(ChoiceNumber("high (20)"), 20);
  EXPECT_EQ(ChoiceNumber(" 23 "), 23);
  EXPECT_FALSE(ChoiceNumber("high"));
  EXPECT_FALSE(ChoiceNumber("high (x)"));
  EXPECT_EQ(SpeedValue("medium (8)"), "8");
  EXPECT_EQ(SpeedValue("veryfast"), "veryfast");
  EXPECT_EQ(RateModeFromChoice(" Target Size "), TRateMode::TargetSize);
  EXPECT_FALSE(RateModeFromChoice("fast"));
  for (TRateMode mode : {TRateMode::ConstantQuality, TRateMode::AverageBitRate,
                         TRateMode::TwoPassAverageBitRate, TRateMode::TargetSize})
    EXPECT_EQ(RateModeFromChoice(RateModeChoice(mode)), mode);
  EXPECT_EQ(TargetSizeBytes("25"), 25000000);
  EXPECT_EQ(TargetSizeBytes("7.5"), 7500000);
  EXPECT_FALSE(TargetSizeBytes("0"));
  EXPECT_FALSE(TargetSizeBytes("-3"));
  EXPECT_FALSE(TargetSizeBytes("25 MB"));
  EXPECT_FALSE(TargetSizeBytes("1e9"));
}

TEST(RateChoices, AStoredChoiceNoModeHasFallsBackToTheDefault) {
  const TComposedOutput o =
      Compose("", "paraRateMode=fastest\nparaQuality=nonsense\n", Source(640, 480)).Output;
  EXPECT_EQ(o.VideoQuality, 23);
}

}  // namespace
}  // namespace qarvo
