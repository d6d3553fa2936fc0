#include <gtest/gtest.h>

#include "core/FormatDefinition.h"
#include "core/OptionComposer.h"

namespace qarvo {
namespace {

class TAnswer : public ISizeQuestion {
 public:
  explicit TAnswer(bool yes) : yes_(yes) {}
  bool UseDefaultSize() override {
    ++asked;
    return yes_;
  }
  int asked = 0;

 private:
  bool yes_;
};

TSourceFacts Source(int w, int h, int bitRate = 900000) {
  TSourceFacts s;
  s.VideoStreamCount = 1;
  s.Width = w;
  s.Height = h;
  s.BitRate = bitRate;
  return s;
}

struct TComposed {
  TComposedOutput Output;
  TComposedInput Input;
  int Asked = 0;
};

TComposed Compose(const std::string& profileText, const TlvFilesRecord& job,
                  const TSourceFacts& source, bool yes = true,
                  const std::string& definitionText = "[formatInfo1]\nFormat=mp4\n") {
  const TIniSnapshot settings = TIniSnapshot::FromText("[formatInfo1]\n" + profileText);
  const TIniSnapshot definitions = TIniSnapshot::FromText(definitionText);
  const TFormatProfile profile(settings, ReadFormatDefinition(definitions, 1), 1);
  TAnswer answer(yes);
  TComposed c;
  ComposeOutputOptions(profile, job, source, answer, c.Output, c.Input);
  c.Asked = answer.asked;
  return c;
}

TlvFilesRecord Job(const std::string& zoom) {
  TlvFilesRecord job;
  job.Zoom = zoom;
  return job;
}

const std::string kMpeg4 = "paraVideoEncoder=mpeg4\nparaAudioEncoder=libfaac\nparaVolume=256\n";

TEST(LetterBox, KeepsTheShapeWithEvenBorders) {
  auto c = Compose(kMpeg4 + "paraVideoSize=320x240\n", Job("lbox"), Source(640, 480));
  EXPECT_EQ(c.Output.FrameSize, "320x240");
  EXPECT_EQ(c.Output.VideoFilters, "pad=320:240:0:0");

  c = Compose(kMpeg4 + "paraVideoSize=320x240\n", Job("lbox"), Source(1280, 720));
  EXPECT_EQ(c.Output.FrameSize, "320x180");
  EXPECT_EQ(c.Output.AspectRatio, "320:180");
  EXPECT_EQ(c.Output.VideoFilters, "pad=320:240:0:30");

  TlvFilesRecord cropped = Job("lbox");
  cropped.CropTop = cropped.CropBottom = 8;
  c = Compose(kMpeg4 + "paraVideoSize=320x240\n", cropped, Source(720, 576));
  EXPECT_EQ(c.Output.VideoFilters, "crop=0:8:720:560,scale=300:240,pad=320:240:10:0");
  EXPECT_EQ(c.Output.FrameSize, "");
  EXPECT_EQ(c.Output.AspectRatio, "300:240");
}

// Fitting works on the picture a viewer of the source sees: pixels of their stated shape,
// turned upright.
TEST(Fitting, UsesTheShownShape) {
  TSourceFacts wide = Source(720, 576);
  wide.SampleAspectNum = 64;
  wide.SampleAspectDen = 45;
  auto c = Compose(kMpeg4 + "paraVideoSize=320x240\n", Job("lbox"), wide);
  EXPECT_EQ(c.Output.FrameSize, "320x180");
  EXPECT_EQ(c.Output.VideoFilters, "pad=320:240:0:30");
  // The 4:3 window of a 16:9 picture stored 720 wide is 540 stored columns.
  c = Compose(kMpeg4 + "paraVideoSize=320x240\n", Job("pan"), wide);
  EXPECT_EQ(c.Output.CropLeft, 90);
  EXPECT_EQ(c.Output.CropRight, 90);
  EXPECT_EQ(c.Output.CropTop, 0);

  TSourceFacts narrow = Source(720, 576);
  narrow.SampleAspectNum = 16;
  narrow.SampleAspectDen = 15;
  c = Compose(kMpeg4 + "paraVideoSize=320x240\n", Job("lbox"), narrow);
  EXPECT_EQ(c.Output.FrameSize, "320x240");
  EXPECT_EQ(c.Output.VideoFilters, "pad=320:240:0:0");

  TSourceFacts phone = Source(320, 180);
  phone.Rotation = 90;
  c = Compose(kMpeg4 + "paraVideoSize=320x240\n", Job("lbox"), phone);
  EXPECT_EQ(c.Output.FrameSize, "136x240");
  EXPECT_EQ(c.Output.VideoFilters, "pad=320:240:92:0");
  c = Compose(kMpeg4 + "paraVideoSize=as source\n", Job("lbox"), phone);
  EXPECT_EQ(c.Output.FrameSize, "180x320");
}

TEST(Fitting, FullPanAndCenter) {
  TlvFilesRecord full = Job("full");
  full.CropLeft = 4;
  auto c = Compose(kMpeg4 + "paraVideoSize=320x240\n", full, Source(1280, 720));
  EXPECT_EQ(c.Output.FrameSize, "320x240");
  EXPECT_EQ(c.Output.AspectRatio, "320:240");
  EXPECT_EQ(c.Output.CropLeft, 4);
  EXPECT_EQ(c.Output.CropTop, 0);
  EXPECT_EQ(c.Output.VideoFilters, "");

  // 1280x720 to 4:3 keeps 960 columns: 160 from each side.
  c = Compose(kMpeg4 + "paraVideoSize=320x240\n", Job("pan"), Source(1280, 720));
  EXPECT_EQ(c.Output.CropLeft, 160);
  EXPECT_EQ(c.Output.CropRight, 160);
  EXPECT_EQ(c.Output.CropTop, 0);
  EXPECT_EQ(c.Output.FrameSize, "320x240");
  // 480x480 with the job's top margin of 6: 474 rows left, 360 kept, 57 more on each side.
  TlvFilesRecord pan = Job("pan");
  pan.CropTop = 6;
  c = Compose(kMpeg4 + "paraVideoSize=320x240\n", pan, Source(480, 480));
  EXPECT_EQ(c.Output.CropTop, (57 + 6) & ~1);
  EXPECT_EQ(c.Output.CropBottom, 57 & ~1);
  EXPECT_EQ(c.Output.CropLeft, 0);
  // The window comes out of the job's rectangle, both axes' margins kept:
  // left, right, top, bottom margins -> expected crops.
  struct {
    int Left, Right, Top, Bottom;
    int WantLeft, WantRight, WantTop, WantBottom;
  } const cropped[] = {
      {0, 100, 0, 0, 110, 210, 0, 0},        // 1180x720: 960 columns kept, not stretched
      {0, 100, 20, 20, 136, 236, 20, 20},    // 1180x680: 906.67 columns kept
      {40, 40, 0, 240, 320, 320, 0, 240},    // 1200x480: 640 columns kept
      {300, 300, 0, 0, 300, 300, 104, 104},  // 680x720, taller: 510 rows, 512 with even crops
  };
  for (const auto& m : cropped) {
    pan = Job("pan");
    pan.CropLeft = m.Left;
    pan.CropRight = m.Right;
    pan.CropTop = m.Top;
    pan.CropBottom = m.Bottom;
    c = Compose(kMpeg4 + "paraVideoSize=320x240\n", pan, Source(1280, 720));
    SCOPED_TRACE(std::to_string(m.Left) + "," + std::to_string(m.Right) + "," +
                 std::to_string(m.Top) + "," + std::to_string(m.Bottom));
    EXPECT_EQ(c.Output.CropLeft, m.WantLeft);
    EXPECT_EQ(c.Output.CropRight, m.WantRight);
    EXPECT_EQ(c.Output.CropTop, m.WantTop);
    EXPECT_EQ(c.Output.CropBottom, m.WantBottom);
    EXPECT_EQ(c.Output.FrameSize, "320x240");
  }
  c = Compose(kMpeg4 + "paraVideoSize=320x240\n", Job("pan"), Source(640, 480));
  EXPECT_EQ(c.Output.CropLeft, 0);
  EXPECT_EQ(c.Output.CropTop, 0);

  c = Compose(kMpeg4 + "paraVideoSize=320x240\n", Job("center"), Source(1280, 720));
  EXPECT_EQ(c.Output.FrameSize, "320x180");
  EXPECT_EQ(c.Output.VideoFilters, "pad=320:240:0:30:black");

  c = Compose(kMpeg4 + "paraVideoSize=320x240\n", Job("orig"), Source(1280, 720));
  EXPECT_EQ(c.Output.FrameSize, "");
  EXPECT_EQ(c.Output.VideoFilters, "");
}

TEST(FrameSize, UnreadableSizesAskTheQuestion) {
  for (const char* size : {"x240", "320x", "big"}) {
    auto yes = Compose(kMpeg4 + "paraVideoSize=" + size + "\n", Job("full"), Source(640, 360));
    EXPECT_EQ(yes.Asked, 1) << size;
    EXPECT_EQ(yes.Output.FrameSize, "320x240") << size;
    auto no =
        Compose(kMpeg4 + "paraVideoSize=" + size + "\n", Job("full"), Source(640, 360), false);
    EXPECT_EQ(no.Output.FrameSize, "640x360") << size;
  }
  auto source = Compose(kMpeg4 + "paraVideoSize=as source\n", Job("full"), Source(640, 360));
  EXPECT_EQ(source.Asked, 0);
  EXPECT_EQ(source.Output.FrameSize, "640x360");
  auto half = Compose(kMpeg4 + "paraVideoSize=axb\n", Job("full"), Source(640, 360));
  EXPECT_EQ(half.Output.FrameSize, "640x360");
}

TEST(FrameSize, UnknownSourceSizeTakesTheDefinitionsDefault) {
  const std::string def = "[formatInfo1]\nFormat=mp4\nVideoSize=320x240,176x144,as source\n";
  for (const char* size : {"as source", "axb", "big"}) {
    SCOPED_TRACE(size);
    auto c = Compose(kMpeg4 + "paraVideoSize=" + size + "\n", Job("lbox"), Source(0, 0), false,
                     def + "iVideoSize=1\n");
    EXPECT_EQ(c.Output.FrameSize, "176x144");
    EXPECT_EQ(c.Output.AspectRatio, "176:144");
    EXPECT_EQ(c.Output.VideoFilters, "pad=176:144:0:0");
    // A default that is itself "as source" falls back to the question's size.
    c = Compose(kMpeg4 + "paraVideoSize=" + size + "\n", Job("full"), Source(0, 0), false,
                def + "iVideoSize=2\n");
    EXPECT_EQ(c.Output.FrameSize, "320x240");
  }
}

TEST(FrameSize, H263TakesOnlyItsOwnSizes) {
  const std::string h263 = "paraVideoEncoder=h263\nparaVolume=256\nparaVideoSize=";
  EXPECT_EQ(Compose(h263 + "400x300\n", Job("full"), Source(640, 480)).Output.FrameSize, "704x576");
  EXPECT_EQ(Compose(h263 + "352x288\n", Job("full"), Source(640, 480)).Output.FrameSize, "352x288");
  EXPECT_EQ(Compose(h263 + "150x100\n", Job("full"), Source(640, 480)).Output.FrameSize, "176x144");
  EXPECT_EQ(Compose(h263 + "160x120\n", Job("full"), Source(640, 480)).Output.FrameSize, "176x144");
  EXPECT_EQ(Compose(h263 + "1408x1152\n", Job("full"), Source(640, 480)).Output.FrameSize,
            "1408x1152");
  EXPECT_EQ(Compose(h263 + "100x80\n", Job("full"), Source(640, 480)).Output.FrameSize, "128x96");
  // Every other way to a size is forced too: the source's, the question's, the default's.
  EXPECT_EQ(Compose(h263 + "as source\n", Job("full"), Source(320, 240)).Output.FrameSize,
            "352x288");
  EXPECT_EQ(Compose(h263 + "big\n", Job("full"), Source(640, 480), true).Output.FrameSize,
            "352x288");
  EXPECT_EQ(Compose(h263 + "big\n", Job("full"), Source(640, 480), false).Output.FrameSize,
            "704x576");
  auto lbox = Compose(h263 + "as source\n", Job("lbox"), Source(0, 0), true,
                      "[formatInfo1]\nVideoSize=400x300\n");
  EXPECT_EQ(lbox.Output.FrameSize, "704x576");
  EXPECT_EQ(lbox.Output.VideoFilters, "pad=704:576:0:0");
}

TEST(Encoders, PresetTargetAndContainer) {
  const std::string def = "[formatInfo1]\nFormat=PSP\n";
  auto c = Compose("paraVideoEncoder=libx264\nparaVolume=256\nparaVideoSize=320x240\n", Job("lbox"),
                   Source(320, 240), true, def);
  EXPECT_EQ(c.Output.VideoPreset, "libx264-psp");
  EXPECT_EQ(c.Output.FileFormat, "PSP");
  EXPECT_EQ(c.Output.VideoCodec, "libx264");

  c = Compose("paraVideoEncoder=mpeg2video\nparaVideoSize=720x576\nparaVolume=256\n", Job("lbox"),
              Source(720, 576), true, "[formatInfo1]\nFormat=pal-dvd\n");
  EXPECT_EQ(c.Output.TargetType, 3);
  EXPECT_EQ(c.Output.TargetNorm, 1);
  EXPECT_EQ(c.Output.FileFormat, "");

  c = Compose(
      "paraVideoEncoder=3gp\nparaVolume=256\nparaVideoSize=176x144\nparaAudioEncoder=libamr_nb\n",
      Job("lbox"), Source(320, 240), true, "[formatInfo1]\nFormat=3gp\n");
  EXPECT_EQ(c.Output.VideoCodec, "");
  EXPECT_EQ(c.Output.FileFormat, "3gp");
  EXPECT_EQ(c.Output.AudioCodec, "libopencore_amrnb");
}

TEST(Rates, BitRatesFrameRateChannelsVolume) {
  // The first of duplicate keys wins: this volume, not kMpeg4's.
  auto c = Compose("paraVolume=128\n" + kMpeg4 +
                       "paraVideoSize=320x240\nparaVideoBitRate=768\nparaFrameRate=29.97\n"
                       "paraAudioBitRate=96.5\nparaSampleRate=22050\nparaChannel=1\n",
                   Job("lbox"), Source(320, 240));
  EXPECT_EQ(c.Output.VideoBitrate, 768000);
  EXPECT_EQ(c.Output.FrameRate, "29.97");
  EXPECT_EQ(c.Output.AudioBitrate, 96500);
  EXPECT_EQ(c.Output.AudioSampleRate, 22050);
  EXPECT_EQ(c.Output.AudioChannels, 1);
  EXPECT_EQ(c.Output.AudioVolume, 128);
  c = Compose(kMpeg4 +
                  "paraVideoSize=320x240\nparaVideoBitRate=as source\nparaFrameRate=as source\n"
                  "paraSampleRate=as source\nparaChannel=as source\n",
              Job("lbox"), Source(320, 240, 654321));
  EXPECT_EQ(c.Output.VideoBitrate, 654321);
  EXPECT_EQ(c.Output.FrameRate, "");
  EXPECT_EQ(c.Output.AudioSampleRate, -1);
  EXPECT_EQ(c.Output.AudioChannels, -1);
  EXPECT_EQ(c.Output.AudioVolume, -1);
  EXPECT_THROW(Compose("paraVideoEncoder=mpeg4\nparaVolume=loud\n", Job("lbox"), Source(320, 240)),
               ECompositionError);
}

TEST(AudioOnly, SourcesAndFormatsWithoutVideo) {
  TSourceFacts audio;
  auto c = Compose(kMpeg4 + "paraVideoSize=320x240\nparaSampleRate=48000\n", Job("lbox"), audio);
  EXPECT_TRUE(c.Output.DisableVideo);
  EXPECT_EQ(c.Output.FrameSize, "");
  EXPECT_EQ(c.Output.AudioCodec, "libfaac");
  EXPECT_EQ(c.Output.AudioSampleRate, 48000);

  c = Compose(
      "", Job("lbox"), Source(320, 240), true,
      "[formatInfo1]\nVideoEncoder=\nAudioEncoder=MP3\nVolume=100%\nChannel=mono 1 channel\n");
  EXPECT_TRUE(c.Output.DisableVideo);
  EXPECT_TRUE(c.Output.DisableSubtitle);
  EXPECT_EQ(c.Input.ExtOptions, "vn=1");
  EXPECT_EQ(c.Output.AudioCodec, "libmp3lame");
  EXPECT_EQ(c.Output.AudioVolume, -1);
  EXPECT_EQ(c.Output.AudioChannels, 1);
}

TEST(JobEdits, TrimAndHook) {
  TlvFilesRecord job = Job("lbox");
  job.TrimStart = 10000000;
  job.TrimLength = 30000000;
  auto c = Compose(kMpeg4 + "paraVideoSize=320x240\n", job, Source(320, 240));
  EXPECT_EQ(c.Output.RecordingTime, 30000000);
  EXPECT_FALSE(c.Output.CustomHook);
  job.WaterText = "hello";
  EXPECT_TRUE(Compose(kMpeg4 + "paraVideoSize=320x240\n", job, Source(320, 240)).Output.CustomHook);
  job.WaterText.clear();
  job.Brightness = 200;
  EXPECT_TRUE(Compose(kMpeg4 + "paraVideoSize=320x240\n", job, Source(320, 240)).Output.CustomHook);
}

}  // namespace
}  // namespace qarvo
