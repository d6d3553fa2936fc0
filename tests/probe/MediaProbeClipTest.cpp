// Every clip of the test-media generator is described as it was made.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "base/StringFormat.h"
#include "probe/ProbeText.h"
#include "probe/TMediaProbe.h"

#include "support/ScratchFolder.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"
#include "support/UnusualSources.h"

namespace qarvo {

void PrintTo(const TNamedClip& clip, std::ostream* out) { *out << clip.Name; }

namespace {

bool ListContains(const std::string& names, const std::string& name) {
  std::istringstream list(names);
  for (std::string item; std::getline(list, item, ',');)
    if (item == name) return true;
  return false;
}

// "h264(H.264 / ...)" for the encoder "libx264": the decoder of the encoder's codec.
std::string DecoderNameOf(const std::string& encoder) {
  const AVCodec* codec = api().avcodec_find_encoder_by_name(encoder.c_str());
  const AVCodec* decoder = codec ? api().avcodec_find_decoder(codec->id) : nullptr;
  return decoder ? std::string(decoder->name) + "(" : "?";
}

int CountLinesStartingWith(const std::string& text, const std::string& prefix) {
  std::istringstream lines(text);
  int count = 0;
  for (std::string line; std::getline(lines, line);)
    if (line.rfind(prefix, 0) == 0) ++count;
  return count;
}

class ProbeClipTest : public ::testing::TestWithParam<TNamedClip> {
 protected:
  void SetUp() override { LoadMediaLibraries(); }
};

void CheckVideo(TMediaProbe& probe, const TClipSpec& spec, const std::string& text) {
  const TVideoStreamInfo video = probe.VideoStreamInfo(-1);
  EXPECT_EQ(video.CodecName.rfind(DecoderNameOf(spec.VideoCodec), 0), 0u) << video.CodecName;
  EXPECT_EQ(video.Width, spec.Width);
  EXPECT_EQ(video.Height, spec.Height);
  EXPECT_EQ(av_cmp_q({video.FrameRateNum, video.FrameRateDen}, spec.FrameRate), 0)
      << video.FrameRateNum << '/' << video.FrameRateDen;
  EXPECT_NEAR(video.DisplayAspectRatio, static_cast<double>(spec.Width) / spec.Height, 1e-4);
  EXPECT_EQ(video.PixelFormat, spec.PixelFormat);
  const double period = av_q2d(av_inv_q(spec.FrameRate));
  if (video.DurationUS >= 0) {
    EXPECT_NEAR(video.DurationUS / 1e6, spec.Duration, period);
  }
  EXPECT_NE(text.find(Format(", %dx%d", spec.Width, spec.Height)), std::string::npos);
  EXPECT_NE(text.find(RateText(av_q2d(spec.FrameRate), "fps")), std::string::npos);
  EXPECT_EQ(probe.DefaultStreamIndex(), probe.FirstVideoStreamIndex());
}

void CheckAudio(TMediaProbe& probe, const TClipSpec& spec, const std::string& text) {
  for (int index = 0; index < probe.StreamCount(); ++index) {
    if (!probe.IsAudioStream(index)) continue;
    const TAudioStreamInfo audio = probe.AudioStreamInfo(index);
    EXPECT_EQ(audio.CodecName.rfind(DecoderNameOf(spec.AudioCodec), 0), 0u) << audio.CodecName;
    EXPECT_EQ(audio.SampleRate, spec.SampleRate);
    EXPECT_EQ(audio.Channels, spec.Channels);
    if (audio.DurationUS >= 0) {
      EXPECT_NEAR(audio.DurationUS / 1e6, spec.Duration, 0.06);
    }
  }
  EXPECT_NE(text.find(Format(", %d Hz, ", spec.SampleRate)), std::string::npos);
}

TEST_P(ProbeClipTest, DescribesContainerStreamsSizesRatesAndDurations) {
  const TClipSpec& spec = GetParam().Spec;
  const std::string path = EnsureClip(GetParam().Name);
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(path)) << probe.LastErrMsg();
  EXPECT_TRUE(ListContains(probe.FormatName(), spec.Container)) << probe.FormatName();
  EXPECT_EQ(probe.FileName(), path);
  EXPECT_EQ(probe.FileSize(), static_cast<int64_t>(std::filesystem::file_size(path)));

  const int videoStreams = spec.VideoCodec.empty() ? 0 : 1;
  const int audioStreams = spec.AudioCodec.empty() ? 0 : spec.AudioStreams;
  EXPECT_EQ(probe.StreamCount(), videoStreams + audioStreams);
  EXPECT_EQ(probe.VideoStreamCount(), videoStreams);
  EXPECT_EQ(probe.AudioStreamCount(), audioStreams);
  EXPECT_EQ(probe.SubtitleStreamCount(), 0);
  EXPECT_EQ(probe.FirstSubtitleStreamIndex(), -1);
  EXPECT_EQ(probe.ProgramCount(), 0);

  const TFileStreamInfo file = probe.FileStreamInfo();
  const double period = videoStreams ? av_q2d(av_inv_q(spec.FrameRate)) : 0.0;
  EXPECT_NEAR(file.Duration / 1e6, spec.Duration, std::max(period, 0.06));
  EXPECT_GT(file.BitRate, 0);

  const std::string text = probe.FileInfoText();
  EXPECT_EQ(CountLinesStartingWith(text, "Stream #"), probe.StreamCount()) << text;
  EXPECT_EQ(CountLinesStartingWith(text, "Format Name: " + probe.FormatName()), 1) << text;
  EXPECT_EQ(CountLinesStartingWith(text, "Duration: " + TimeText(file.Duration)), 1) << text;
  EXPECT_EQ(CountLinesStartingWith(text, "File Size: " + FileSizeText(probe.FileSize())), 1);
  EXPECT_EQ(CountLinesStartingWith(text, Format("Bit Rate: %d kb/s", file.BitRate / 1000)), 1);

  if (videoStreams) {
    CheckVideo(probe, spec, text);
  } else {
    EXPECT_EQ(probe.DefaultStreamIndex(), probe.FirstAudioStreamIndex());
  }
  if (audioStreams) CheckAudio(probe, spec, text);
}

std::string LineOf(const std::string& text, const std::string& prefix) {
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind(prefix, 0) == 0) return line;
  return {};
}

// Matroska keeps stream durations in tags, uneven pictures are marked, sizes carry binary
// unit names, and a text file is not taken for a video.
TEST(ProbeFacts, StreamDurationsVariableRatesUnitsAndNonMedia) {
  LoadMediaLibraries();
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(EnsureThreeSecondMatroska())) << probe.LastErrMsg();
  EXPECT_NEAR(probe.VideoStreamInfo(-1).DurationUS / 1e6, 3.0, 0.04);
  EXPECT_NEAR(probe.AudioStreamInfo(-1).DurationUS / 1e6, 3.0, 0.04);
  std::string text = probe.FileInfoText();
  for (const char* stream : {"Stream #0", "Stream #1"})
    EXPECT_NE(LineOf(text, stream).find(", Duration: 00:00:03.0"), std::string::npos) << text;
  EXPECT_EQ(text.find("variable frame rate"), std::string::npos) << text;
  EXPECT_NE(LineOf(text, "File Size: ").find(" KiB"), std::string::npos) << text;

  ASSERT_TRUE(probe.LoadFile(EnsureVariableRateClip())) << probe.LastErrMsg();
  text = probe.FileInfoText();
  const std::string video = LineOf(text, Format("Stream #%d", probe.FirstVideoStreamIndex()));
  EXPECT_NE(video.find(", 25 tbr"), std::string::npos) << video;
  EXPECT_NE(video.find(", variable frame rate"), std::string::npos) << video;

  // Named as a video, no reader takes it; named as text, the text-art reader would.
  const std::string notes = EnsureTextNamedAsVideo();
  const test::TScratchFolder folder("probe-text");
  const std::string asText = folder.File("notes.txt");
  std::filesystem::copy_file(notes, asText);
  // A picture is media only when its name says it is a picture.
  const TClipSpec still = StillPicture();
  const std::string picture = EnsureClipFile(still, "still.png");
  EXPECT_TRUE(probe.LoadFile(picture)) << probe.LastErrMsg();
  const std::string pictureAsVideo = folder.File("picture.avi");
  std::filesystem::copy_file(picture, pictureAsVideo);
  for (const std::string& file : {notes, asText, pictureAsVideo}) {
    EXPECT_FALSE(probe.LoadFile(file));
    EXPECT_EQ(probe.LastErrMsg(), file + ": not a media file");
  }
}

INSTANTIATE_TEST_SUITE_P(Catalogue, ProbeClipTest, ::testing::ValuesIn(StandardClips()),
                         [](const auto& info) { return info.param.Name; });

}  // namespace
}  // namespace qarvo
