// The test-media generator: every standard clip is checked by decoding it back, and the
// picture and tone marks are checked on their own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>
#include <sstream>

#include "media/LibraryObjects.h"

#include "support/DecodedClip.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace qarvo {

// Names the clip in test listings instead of dumping the spec's bytes.
void PrintTo(const TNamedClip& clip, std::ostream* out) { *out << clip.Name; }

namespace {

namespace fs = std::filesystem;

// Audio codecs delay and pad their output by up to a few frames; a click found by level
// after lossy coding lands within a millisecond or two of its place.
constexpr double kClickTolerance = 0.004;
constexpr double kFrameTimeTolerance = 0.0015;

AVCodecID EncoderId(const std::string& name) {
  LoadMediaLibraries();
  const AVCodec* codec = api().avcodec_find_encoder_by_name(name.c_str());
  return codec ? codec->id : AV_CODEC_ID_NONE;
}

bool DemuxerMatches(const std::string& names, const std::string& muxer) {
  std::istringstream list(names);
  for (std::string name; std::getline(list, name, ',');)
    if (name == muxer) return true;
  return false;
}

// Tone frequency of the first channel between `from` and `to` seconds, by zero crossings.
double MeasuredFrequency(const TDecodedStream& s, double from, double to) {
  const auto first = static_cast<size_t>(from * s.SampleRate);
  const auto last = std::min(static_cast<size_t>(to * s.SampleRate), s.Samples.size() / s.Channels);
  int crossings = 0;
  for (size_t i = first + 1; i < last; ++i)
    if ((s.Samples[(i - 1) * s.Channels] < 0) != (s.Samples[i * s.Channels] < 0)) ++crossings;
  return crossings / 2.0 / (static_cast<double>(last - first) / s.SampleRate);
}

void CheckVideo(const TClipSpec& spec, const TDecodedStream& s) {
  EXPECT_EQ(s.Codec, EncoderId(spec.VideoCodec));
  EXPECT_EQ(s.Width, spec.Width);
  EXPECT_EQ(s.Height, spec.Height);
  EXPECT_EQ(av_cmp_q(s.FrameRate, spec.FrameRate), 0) << s.FrameRate.num << '/' << s.FrameRate.den;
  std::vector<int> expected(VideoFrameCount(spec));
  std::iota(expected.begin(), expected.end(), 0);
  EXPECT_EQ(s.FrameNumbers, expected);
  const double period = av_q2d(av_inv_q(spec.FrameRate));
  for (size_t i = 1; i < s.FrameTimes.size(); ++i)
    ASSERT_NEAR(s.FrameTimes[i] - s.FrameTimes[0], i * period, kFrameTimeTolerance)
        << "picture " << i;
}

void CheckAudio(const TClipSpec& spec, const TDecodedStream& s, int index, double videoStart) {
  EXPECT_EQ(s.Codec, EncoderId(spec.AudioCodec));
  EXPECT_EQ(s.SampleRate, spec.SampleRate);
  ASSERT_EQ(s.Channels, spec.Channels);
  // Decoders add the encoder's priming and padding of the last frame, never lose sound.
  const double seconds = static_cast<double>(s.Samples.size() / s.Channels) / s.SampleRate;
  EXPECT_GE(seconds, spec.Duration - 0.001);
  EXPECT_LE(seconds, spec.Duration + 0.06);
  EXPECT_NEAR(MeasuredFrequency(s, 0.1, 0.9), ToneFrequency(spec, index),
              ToneFrequency(spec, index) * 0.02);
  std::vector<double> clicks =
      FindClicks(s.Samples.data(), s.Samples.size(), s.SampleRate, s.Channels);
  for (double& t : clicks) t += s.FirstSampleTime - videoStart - AudioLeadIn(spec);
  const std::vector<double> expected = ClickTimes(spec);
  ASSERT_EQ(clicks.size(), expected.size());
  for (size_t i = 0; i < clicks.size(); ++i) EXPECT_NEAR(clicks[i], expected[i], kClickTolerance);
}

class StandardClipTest : public ::testing::TestWithParam<TNamedClip> {};

TEST_P(StandardClipTest, DecodesToItsSpecifiedStreamsAndMarks) {
  const TClipSpec& spec = GetParam().Spec;
  const TDecodedClip clip = DecodeClip(EnsureClip(GetParam().Name));
  EXPECT_TRUE(DemuxerMatches(clip.FormatName, spec.Container)) << clip.FormatName;
  const size_t videoStreams = spec.VideoCodec.empty() ? 0 : 1;
  const size_t audioStreams = spec.AudioCodec.empty() ? 0 : spec.AudioStreams;
  ASSERT_EQ(clip.Streams.size(), videoStreams + audioStreams);
  const double period = videoStreams ? av_q2d(av_inv_q(spec.FrameRate)) : 0.0;
  EXPECT_NEAR(clip.Duration, spec.Duration, std::max(period, 0.06));
  // Sound is timed against the first picture: some muxers move both by the audio priming.
  const double videoStart = videoStreams && !clip.Streams[0].FrameTimes.empty()
                                ? clip.Streams[0].FrameTimes[0]
                                : clip.StartTime;
  int audioIndex = 0;
  for (const TDecodedStream& s : clip.Streams) {
    if (s.Type == AVMEDIA_TYPE_VIDEO)
      CheckVideo(spec, s);
    else
      CheckAudio(spec, s, audioIndex++, videoStart);
  }
}

INSTANTIATE_TEST_SUITE_P(Catalogue, StandardClipTest, ::testing::ValuesIn(StandardClips()),
                         [](const auto& info) { return info.param.Name; });

TFramePtr PictureFrame(int width, int height, AVPixelFormat format = AV_PIX_FMT_YUV420P) {
  LoadMediaLibraries();
  TFramePtr frame = MakeFrame();
  frame->format = format;
  frame->width = width;
  frame->height = height;
  CheckAv(api().av_frame_get_buffer(frame.get(), 0), "av_frame_get_buffer");
  return frame;
}

TEST(TestPictureTest, FrameNumberReadsBackAtEverySize) {
  for (auto [w, h] : {std::pair{80, 60}, {128, 96}, {176, 144}, {322, 242}, {720, 576}}) {
    TFramePtr frame = PictureFrame(w, h);
    for (int number : {0, 1, 255, 256, 0x5555, 0xAAAA, 65535}) {
      DrawTestPicture(*frame, number, 25.0);
      EXPECT_EQ(ReadFrameNumber(frame->data[0], frame->linesize[0], w, h), number) << w << 'x' << h;
      // Sensor grain, different on the next picture, leaves the number readable.
      const std::vector<uint8_t> clean(frame->data[0], frame->data[0] + frame->linesize[0] * h);
      AddSensorGrain(*frame, number);
      EXPECT_EQ(ReadFrameNumber(frame->data[0], frame->linesize[0], w, h), number)
          << w << 'x' << h << " grain";
      std::vector<uint8_t> grainy(frame->data[0], frame->data[0] + frame->linesize[0] * h);
      EXPECT_NE(grainy, clean);
      DrawTestPicture(*frame, number, 25.0);
      AddSensorGrain(*frame, number + 1);
      EXPECT_NE(std::vector<uint8_t>(frame->data[0], frame->data[0] + frame->linesize[0] * h),
                grainy);
    }
    DrawTestPicture(*frame, 65536 + 7, 25.0);
    EXPECT_EQ(ReadFrameNumber(frame->data[0], frame->linesize[0], w, h), 7) << "wraps at 16 bits";
  }
}

TEST(TestPictureTest, FrameNumberSurvivesScaling) {
  TFramePtr source = PictureFrame(320, 240);
  DrawTestPicture(*source, 1234, 25.0);
  for (auto [w, h] : {std::pair{176, 144}, {128, 96}, {640, 480}}) {
    TFramePtr scaled = PictureFrame(w, h);
    TSwsContextPtr scaler(api().sws_getContext(320, 240, AV_PIX_FMT_YUV420P, w, h,
                                               AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr,
                                               nullptr));
    ASSERT_TRUE(scaler);
    api().sws_scale(scaler.get(), source->data, source->linesize, 0, 240, scaled->data,
                    scaled->linesize);
    EXPECT_EQ(ReadFrameNumber(scaled->data[0], scaled->linesize[0], w, h), 1234) << w << 'x' << h;
  }
}

TEST(TestPictureTest, ForeignOrTinyPicturesAreUnreadable) {
  TFramePtr frame = PictureFrame(320, 240);
  for (int y = 0; y < 240; ++y) std::fill_n(frame->data[0] + y * frame->linesize[0], 320, 128);
  EXPECT_EQ(ReadFrameNumber(frame->data[0], frame->linesize[0], 320, 240), -1);
  EXPECT_EQ(ReadFrameNumber(frame->data[0], frame->linesize[0], 40, 30), -1);
  EXPECT_EQ(ReadFrameNumber(nullptr, 0, 320, 240), -1);
  EXPECT_THROW(DrawTestPicture(*PictureFrame(320, 240, AV_PIX_FMT_RGB24), 0, 25.0),
               std::runtime_error);
}

TEST(TestToneTest, ClicksAreFoundAtWholeSeconds) {
  for (auto [rate, channels] : {std::pair{44100, 2}, {8000, 1}, {48000, 6}}) {
    const TToneSpec spec{rate, channels, 440.0, true};
    const int frames = rate * 7 / 2;  // 3.5 s
    std::vector<int16_t> samples(static_cast<size_t>(frames) * channels);
    RenderTone(spec, 0, frames, samples.data());
    const std::vector<double> clicks = FindClicks(samples.data(), samples.size(), rate, channels);
    const std::vector<double> expected = ClickTimes(3.5);
    ASSERT_EQ(clicks.size(), expected.size()) << rate;
    for (size_t i = 0; i < clicks.size(); ++i) EXPECT_NEAR(clicks[i], expected[i], 2.0 / rate);
  }
}

TEST(TestToneTest, RenderingInPiecesEqualsOneGoAndPlainToneHasNoClicks) {
  TToneSpec spec{22050, 2, 660.0, true};
  std::vector<int16_t> whole(22050 * 2 * 2);
  std::vector<int16_t> pieces(whole.size());
  RenderTone(spec, 0, 44100, whole.data());
  for (int first = 0; first < 44100; first += 1000)
    RenderTone(spec, first, std::min(1000, 44100 - first), pieces.data() + first * 2);
  EXPECT_EQ(whole, pieces);
  spec.Clicks = false;
  RenderTone(spec, 0, 44100, whole.data());
  EXPECT_TRUE(FindClicks(whole.data(), whole.size(), 22050, 2).empty());
  EXPECT_EQ(ClickTimes(2.0), (std::vector<double>{0.0, 1.0})) << "a click must fit in the clip";
}

// A folder of its own per test, removed afterwards.
class TestMediaFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("qarvo-testmedia-test-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  size_t FileCount() const {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
  }
  fs::path dir_;
};

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TClipSpec ShortClip(const std::string& container, const std::string& video,
                    const std::string& audio) {
  TClipSpec spec;
  spec.Container = container;
  spec.VideoCodec = video;
  spec.AudioCodec = audio;
  spec.Duration = 0.6;
  return spec;
}

TEST_F(TestMediaFolder, SameSpecGivesIdenticalBytesInEveryContainer) {
  std::vector<TClipSpec> specs = {
      ShortClip("avi", "mpeg4", "libmp3lame"),     ShortClip("mp4", "libx264", "aac"),
      ShortClip("matroska", "mpeg4", "libvorbis"), ShortClip("flv", "flv", "libmp3lame"),
      ShortClip("mp3", "", "libmp3lame"),          ShortClip("avi", "mpeg4", "pcm_s16le"),
      ShortClip("mpeg", "mpeg2video", "mp2"),      ShortClip("3gp", "h263", "aac")};
  specs.back().Width = 176;
  specs.back().Height = 144;
  specs[1].BFrames = 2;
  for (const TClipSpec& spec : specs) {
    GenerateClip(spec, Path("a"));
    GenerateClip(spec, Path("b"));
    const std::string a = FileBytes(Path("a"));
    EXPECT_GT(a.size(), 1000u) << DescribeClip(spec);
    EXPECT_TRUE(a == FileBytes(Path("b"))) << DescribeClip(spec);
  }
  EXPECT_EQ(FileCount(), 2u) << "no temporary file is left behind";
}

struct TReadPacket {
  int Stream;
  double Time;  // presentation time, seconds
  bool HasDuration;
};

// Container start and length, in seconds, and every packet as the demuxer gives it.
std::vector<TReadPacket> ReadPackets(const std::string& path, double& start, double& length) {
  AVFormatContext* raw = nullptr;
  CheckAv(api().avformat_open_input(&raw, path.c_str(), nullptr, nullptr), "avformat_open_input");
  TInputFormatContextPtr in(raw);
  CheckAv(api().avformat_find_stream_info(in.get(), nullptr), "avformat_find_stream_info");
  start = in->start_time / 1e6;
  length = in->duration / 1e6;
  std::vector<TReadPacket> packets;
  TPacketPtr packet = MakePacket();
  while (api().av_read_frame(in.get(), packet.get()) >= 0) {
    const AVStream& stream = *in->streams[packet->stream_index];
    packets.push_back(
        {packet->stream_index, packet->pts * av_q2d(stream.time_base), packet->duration > 0});
    api().av_packet_unref(packet.get());
  }
  return packets;
}

TEST_F(TestMediaFolder, OtherWritersTimingComesOutAsSpecified) {
  TClipSpec asf = ShortClip("asf", "wmv2", "wmav2");
  asf.Width = 160;
  asf.Height = 120;
  asf.FrameRate = {30, 1};
  asf.MillisecondClock = true;
  asf.WithoutDurations = true;
  asf.SoundAtZero = true;
  asf.VideoStart = 0.007;
  asf.StatedLength = 3.0;
  asf.StatedPreroll = 2000;  // the muxer's timestamps are offset by 3100 ms
  GenerateClip(asf, Path("a.asf"));
  double start = 0, length = 0;
  std::vector<TReadPacket> packets = ReadPackets(Path("a.asf"), start, length);
  EXPECT_NEAR(start, 1.1, 0.0005);
  EXPECT_NEAR(length, 3.0, 0.01);  // the pictures' stream ends 7 ms later
  double first[2] = {1e9, 1e9};
  for (const TReadPacket& p : packets) {
    first[p.Stream] = std::min(first[p.Stream], p.Time);
    if (p.Stream == 0) {
      EXPECT_FALSE(p.HasDuration);
    }
  }
  EXPECT_NEAR(first[0] - first[1], 0.007, 0.0005) << "pictures 7 ms after the sound";

  TClipSpec mkv = ShortClip("matroska", "mpeg4", "aac");
  mkv.Duration = 1.0;
  mkv.Stray = {false, 0.5, 1.0};
  mkv.StatedLength = 1.0;
  GenerateClip(mkv, Path("b.mkv"));
  packets = ReadPackets(Path("b.mkv"), start, length);
  EXPECT_NEAR(length, 1.0, 0.0005);
  std::vector<double> sound;
  for (const TReadPacket& p : packets)
    if (p.Stream == 1) sound.push_back(p.Time);
  int late = 0;
  for (size_t i = 1; i + 1 < sound.size(); ++i)
    if (sound[i] > sound[i - 1] + 0.9 && sound[i + 1] < sound[i] - 0.9) ++late;
  EXPECT_EQ(late, 1) << "one sound packet stamped a second late";
}

TEST_F(TestMediaFolder, FailuresNameTheCallAndLeaveNoFile) {
  auto expectFailure = [&](const TClipSpec& spec, const std::string& path,
                           const std::string& text) {
    try {
      GenerateClip(spec, path);
      ADD_FAILURE() << "no error for " << text;
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(text), std::string::npos) << e.what();
    }
  };
  TClipSpec spec = ShortClip("avi", "libnothing", "libmp3lame");
  expectFailure(spec, Path("x.avi"), "avcodec_find_encoder_by_name(libnothing): Unknown encoder");
  spec = ShortClip("nothing", "mpeg4", "");
  expectFailure(spec, Path("x.avi"), "av_guess_format(nothing)");
  spec = ShortClip("3gp", "h263", "aac");  // h263 takes only its standard sizes
  expectFailure(spec, Path("x.3gp"), "avcodec_open2(h263)");
  spec = ShortClip("avi", "mpeg4", "mp2");
  spec.SampleRate = 11025;
  expectFailure(spec, Path("x.avi"), "does not take sample rate 11025");
  expectFailure(ShortClip("avi", "", ""), Path("x.avi"), "bad clip spec");
  expectFailure(ShortClip("avi", "mpeg4", ""), Path("missing/x.avi"), "avio_open(");
  EXPECT_EQ(FileCount(), 0u);
}

TEST_F(TestMediaFolder, EnsureClipMakesOnceAndRemakesWhenTheNoteDiffers) {
  const char* old = std::getenv("QARVO_TEST_MEDIA_DIR");
  const std::string saved = old ? old : "";
  ::setenv("QARVO_TEST_MEDIA_DIR", (dir_ / "cache").c_str(), 1);
  const std::string path = EnsureClip("short3s");
  EXPECT_EQ(path, (dir_ / "cache" / "short3s.avi").string());
  const auto made = fs::last_write_time(path);
  fs::last_write_time(path, made - std::chrono::hours(1));
  EXPECT_EQ(EnsureClip("short3s"), path);
  EXPECT_EQ(fs::last_write_time(path), made - std::chrono::hours(1)) << "reused, not made again";
  std::ofstream(path + ".txt") << "older generator";
  EnsureClip("short3s");
  EXPECT_NE(fs::last_write_time(path), made - std::chrono::hours(1)) << "made again";
  EXPECT_THROW(EnsureClip("no_such_clip"), std::runtime_error);
  if (old)
    ::setenv("QARVO_TEST_MEDIA_DIR", saved.c_str(), 1);
  else
    ::unsetenv("QARVO_TEST_MEDIA_DIR");
}

}  // namespace
}  // namespace qarvo
