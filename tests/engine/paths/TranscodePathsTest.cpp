// The output paths in detail: audio synchronisation, filter graphs and cropping, a picture
// size change inside the source, subtitles, two-pass logs, statistics, bitstream filters and
// damaged or unwritable files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

#include "base/EngineError.h"
#include "media/EngineLogger.h"

#include "ConvertTestSupport.h"
#include "support/PlayerClips.h"

namespace qarvo {
namespace {

class TranscodePathsTest : public ::testing::Test {
 protected:
  void SetUp() override { LoadMediaLibraries(); }
  void Convert(TRecordingTranscoder& task, const std::string& input, const std::string& out,
               const std::function<void(TTaskOptions&)>& configure = {}) {
    ASSERT_TRUE(task.OpenInput(input)) << task.ErrorText();
    if (configure) configure(task.Options);
    ASSERT_GT(task.OpenOutput(out, false), 0) << task.ErrorText();
    task.Transcode();
    task.ReleaseFiles(false);
  }
  std::string Message(TRecordingTranscoder& task, const std::string& input, const std::string& out,
                      const std::function<void(TTaskOptions&)>& configure = {}) {
    try {
      Convert(task, input, out, configure);
    } catch (const EEngineError& e) {
      return e.what();
    }
    return "";
  }
  TScratchFolder dir_{"paths"};
};

// Error lines of the engine log that contain `part`, collected while in scope.
class TErrorLines {
 public:
  explicit TErrorLines(std::string part) : part_(std::move(part)) {
    TEngineLogger& logger = TEngineLogger::GetLogger();
    logger.SetTriggerEventInMainThread(false);
    logger.SetOnLog([this](const void*, uint32_t, TLogLevel level, const std::string& text) {
      if (level == TLogLevel::llError && text.find(part_) != std::string::npos)
        Lines.push_back(text);
    });
  }
  ~TErrorLines() {
    TEngineLogger::GetLogger().SetOnLog(nullptr);
    TEngineLogger::GetLogger().SetTriggerEventInMainThread(true);
  }
  std::vector<std::string> Lines;

 private:
  std::string part_;
};

// The resampler refuses every chunk while in scope: the library failing, not the engine.
class TRefusingResampler {
 public:
  TRefusingResampler() : saved_(Table().swr_convert) {
    Table().swr_convert = [](SwrContext*, uint8_t**, int, const uint8_t**, int) {
      return AVERROR(EINVAL);
    };
  }
  ~TRefusingResampler() { Table().swr_convert = saved_; }

 private:
  static TLibraryApi& Table() { return const_cast<TLibraryApi&>(api()); }
  decltype(TLibraryApi::swr_convert) saved_;
};

double Rms(const std::vector<int16_t>& samples, size_t from, size_t to) {
  double sum = 0;
  for (size_t i = from; i < to && i < samples.size(); ++i) sum += double(samples[i]) * samples[i];
  return std::sqrt(sum / std::max<size_t>(1, to - from));
}

TEST_F(TranscodePathsTest, LateSourceGetsSilenceAndRepeatedPictures) {
  TRecordingTranscoder task;
  task.Options.InputTsOffset = 2000000;  // the whole source starts two seconds late
  const std::string out = dir_.File("late.avi");
  Convert(task, EnsureClip("short3s"), out, [](TTaskOptions& o) { o.AudioSyncMethod = 1; });
  const TDecodedClip clip = DecodeClip(out);
  const TDecodedStream* audio = StreamOf(clip, AVMEDIA_TYPE_AUDIO);
  const TDecodedStream* video = StreamOf(clip, AVMEDIA_TYPE_VIDEO);
  ASSERT_TRUE(audio && video);
  const size_t rate = audio->SampleRate, channels = audio->Channels;
  EXPECT_LT(Rms(audio->Samples, 0, static_cast<size_t>(1.9 * rate * channels)), 1.0);
  EXPECT_GT(Rms(audio->Samples, static_cast<size_t>(2.2 * rate * channels),
                static_cast<size_t>(2.8 * rate * channels)),
            100.0);
  EXPECT_NEAR(audio->Samples.size() / double(rate * channels), 5.0, 0.1);
  // The first picture stands for the first two seconds.
  EXPECT_NEAR(static_cast<double>(video->FrameNumbers.size()), 125.0, 1.0);
  EXPECT_EQ(video->FrameNumbers[49], 0);
}

// A sound clock that runs 2 % slow (timestamps scaled) is followed by stretching the sound,
// without gaps of silence.
TEST_F(TranscodePathsTest, SmallDriftIsStretchedNotFilled) {
  TRecordingTranscoder task;
  task.Options.TsScale[0][1] = 1.02;
  const std::string out = dir_.File("stretched.wav");
  Convert(task, EnsureClip("short3s"), out, [](TTaskOptions& o) { o.AudioSyncMethod = 1000; });
  const TDecodedClip clip = DecodeClip(out);
  const auto& samples = clip.Streams[0].Samples;
  const size_t rate = clip.Streams[0].SampleRate, channels = clip.Streams[0].Channels;
  const TDecodedStream plain = DecodedStream(EnsureClip("short3s"), AVMEDIA_TYPE_AUDIO);
  const double plainLength = plain.Samples.size() / double(plain.Channels * plain.SampleRate);
  EXPECT_NEAR(samples.size() / double(rate * channels), plainLength * 1.02, 0.02);
  const size_t window = rate * channels / 20;
  for (size_t at = window * 4; at + window < samples.size(); at += window)
    EXPECT_GT(Rms(samples, at, at + window), 100.0)
        << "silent at " << at / double(rate * channels) << " s";
}

TEST_F(TranscodePathsTest, VolumeScalesTheSamples) {
  TRecordingTranscoder plain, half;
  const std::string a = dir_.File("plain.wav"), b = dir_.File("half.wav");
  Convert(plain, EnsureClip("short3s"), a);
  Convert(half, EnsureClip("short3s"), b, [](TTaskOptions& o) { o.AudioVolume = 128; });
  const TDecodedClip clipA = DecodeClip(a), clipB = DecodeClip(b);
  const auto& x = clipA.Streams[0].Samples;
  const auto& y = clipB.Streams[0].Samples;
  ASSERT_EQ(x.size(), y.size());
  EXPECT_NEAR(Rms(y, 0, y.size()) / Rms(x, 0, x.size()), 0.5, 0.01);
}

TEST_F(TranscodePathsTest, FilterGraphAndCrop) {
  TRecordingTranscoder filtered;
  const std::string a = dir_.File("vf.avi");
  Convert(filtered, EnsureClip("short3s"), a,
          [](TTaskOptions& o) { o.VideoFilters = "scale=160:120,hflip"; });
  const TDecodedStream video_ = DecodedStream(a, AVMEDIA_TYPE_VIDEO);
  const TDecodedStream* video = &video_;
  EXPECT_EQ(video->Width, 160);
  EXPECT_EQ(video->Height, 120);
  EXPECT_EQ(video->FrameNumbers.size(), 75u);

  TRecordingTranscoder cropped;
  const std::string b = dir_.File("crop.avi");
  Convert(cropped, EnsureClip("short3s"), b, [](TTaskOptions& o) {
    o.CropTop = o.CropBottom = 20;
    o.FrameHeight -= 40;
  });
  const TDecodedStream video2_ = DecodedStream(b, AVMEDIA_TYPE_VIDEO);
  const TDecodedStream* video2 = &video2_;
  EXPECT_EQ(video2->Width, 320);
  EXPECT_EQ(video2->Height, 200);
  EXPECT_EQ(video2->FrameNumbers.size(), 75u);

  TRecordingTranscoder bad;
  EXPECT_NE(Message(bad, EnsureClip("short3s"), dir_.File("bad.avi"),
                    [](TTaskOptions& o) { o.VideoFilters = "nosuchfilter"; })
                .rfind("Error opening filters", 0),
            std::string::npos);
}

// The longest run of copies of one source picture.
int LongestRun(const std::vector<int>& numbers) {
  int longest = 0, run = 0;
  for (size_t i = 0; i < numbers.size(); ++i) {
    run = i > 0 && numbers[i] == numbers[i - 1] ? run + 1 : 1;
    longest = std::max(longest, run);
  }
  return longest;
}

// A picture a writer stamped two seconds late is shown once: in the middle it would stand
// frozen for those two seconds, at the end it would lengthen the output by them.
TEST_F(TranscodePathsTest, APictureStampedLateIsNotHeldForTheGap) {
  TClipSpec spec;
  spec.Container = "matroska";
  spec.Extension = "mkv";
  spec.AudioCodec.clear();
  spec.VariableRate = true;
  spec.WithoutDurations = true;
  spec.Duration = 3.0;
  spec.StatedLength = spec.Duration;
  for (const double at : {1.0, 2.95}) {
    SCOPED_TRACE("stray picture at " + std::to_string(at) + " s");
    spec.Stray = {true, at, 2.0};
    const std::string source = EnsureClipFile(spec, "stray-picture-" + std::to_string(at) + ".mkv");
    TRecordingTranscoder task;
    const std::string out = dir_.File("stray.avi");
    Convert(task, source, out);
    const TDecodedStream video = DecodedStream(out, AVMEDIA_TYPE_VIDEO);
    ASSERT_FALSE(video.FrameNumbers.empty());
    EXPECT_LE(LongestRun(video.FrameNumbers), 2);
    EXPECT_NEAR(static_cast<double>(video.FrameNumbers.size()), 75.0, 1.0);
    EXPECT_EQ(std::count(video.FrameNumbers.begin(), video.FrameNumbers.end(), -1), 0);
  }
}

// A jump of the sound's clock that the chunks after it keep is a gap in the sound, kept in
// the output's timeline; one stray chunk is not (the conversion tests of every clip).
TEST_F(TranscodePathsTest, ASoundClockJumpThatLastsIsKept) {
  TRecordingTranscoder task;
  const std::string out = dir_.File("jump.mkv");
  Convert(task, EnsureAudioJumpClip(1.0, 3.0), out);
  const TDecodedClip clip = DecodeClip(out);
  const TDecodedStream* audio = StreamOf(clip, AVMEDIA_TYPE_AUDIO);
  ASSERT_TRUE(audio);
  const double sound = audio->Samples.size() / double(audio->SampleRate * audio->Channels);
  EXPECT_NEAR(sound, 3.0, 0.1);
  EXPECT_NEAR(clip.Duration, 6.0, 0.1);
}

TEST_F(TranscodePathsTest, PictureSizeChangeInsideTheSourceKeepsTheOutputSize) {
  // Two program streams of different picture sizes, one after the other in one file.
  const std::string a = dir_.File("a.mpg"), b = dir_.File("b.mpg"),
                    joined = dir_.File("joined.mpg");
  for (const auto& [name, width] : {std::pair{a, 320}, std::pair{b, 176}}) {
    TRecordingTranscoder part;
    Convert(part, EnsureClip("short3s"), name, [w = width](TTaskOptions& o) {
      o.AudioDisable = true;
      o.FrameWidth = w;
      o.FrameHeight = w * 3 / 4;
    });
  }
  {
    std::ofstream out(joined, std::ios::binary);
    for (const std::string& part : {a, b}) {
      std::ifstream in(part, std::ios::binary);
      out << in.rdbuf();
    }
  }
  TRecordingTranscoder task;
  const std::string out = dir_.File("sized.avi");
  Convert(task, joined, out);
  const TDecodedStream video_ = DecodedStream(out, AVMEDIA_TYPE_VIDEO);
  const TDecodedStream* video = &video_;
  ASSERT_TRUE(video);
  EXPECT_EQ(video->Width, 320);
  EXPECT_GT(video->FrameNumbers.size(), 140u);
}

TEST_F(TranscodePathsTest, SubtitlesAreRetimedAndEncoded) {
  const std::string srt = dir_.File("in.srt");
  {
    std::ofstream out(srt);
    out << "1\n00:00:01,000 --> 00:00:02,000\nHello\n\n2\n00:00:03,000 --> 00:00:04,500\nWorld\n\n";
  }
  TRecordingTranscoder task;
  const std::string out = dir_.File("subs.mkv");
  Convert(task, srt, out, [](TTaskOptions& o) { o.SubtitleCodecName = "ass"; });
  AVFormatContext* raw = nullptr;
  ASSERT_GE(api().avformat_open_input(&raw, out.c_str(), nullptr, nullptr), 0);
  TInputFormatContextPtr ctx(raw);
  ASSERT_EQ(ctx->nb_streams, 1u);
  EXPECT_EQ(ctx->streams[0]->codecpar->codec_id, AV_CODEC_ID_ASS);
  TPacketPtr packet = MakePacket();
  std::vector<double> times;
  while (api().av_read_frame(ctx.get(), packet.get()) >= 0) {
    times.push_back(packet->pts * av_q2d(ctx->streams[0]->time_base));
    api().av_packet_unref(packet.get());
  }
  ASSERT_EQ(times.size(), 2u);
  EXPECT_NEAR(times[0], 1.0, 0.01);
  EXPECT_NEAR(times[1], 3.0, 0.01);
}

// A file holding only a bitmap subtitle stream with subtitles at the given seconds (each
// shown for the encoder's fixed page time-out of 30 s).
void WriteDvbSubtitles(const std::string& path, const std::vector<int>& seconds) {
  AVFormatContext* raw = nullptr;
  CheckAv(api().avformat_alloc_output_context2(&raw, nullptr, "matroska", path.c_str()), "alloc");
  TOutputFormatContextPtr oc(raw);
  const AVCodec* codec = api().avcodec_find_encoder(AV_CODEC_ID_DVB_SUBTITLE);
  TCodecContextPtr enc(api().avcodec_alloc_context3(codec));
  enc->time_base = {1, 1000};
  enc->width = 320;
  enc->height = 240;
  CheckAv(api().avcodec_open2(enc.get(), codec, nullptr), "open dvbsub");
  AVStream* st = api().avformat_new_stream(oc.get(), nullptr);
  api().avcodec_parameters_from_context(st->codecpar, enc.get());
  st->time_base = {1, 1000};
  CheckAv(api().avio_open(&oc->pb, path.c_str(), AVIO_FLAG_WRITE), "avio_open");
  CheckAv(api().avformat_write_header(oc.get(), nullptr), "header");
  std::vector<uint8_t> buffer(1 << 16);
  for (int second : seconds) {
    AVSubtitle sub{};
    sub.start_display_time = 0;
    sub.end_display_time = 1000;
    sub.pts = second * 1000000LL;
    sub.num_rects = 1;
    sub.rects = static_cast<AVSubtitleRect**>(api().av_mallocz(sizeof(AVSubtitleRect*)));
    AVSubtitleRect* rect = sub.rects[0] =
        static_cast<AVSubtitleRect*>(api().av_mallocz(sizeof(AVSubtitleRect)));
    rect->type = SUBTITLE_BITMAP;
    rect->x = 10, rect->y = 200, rect->w = 16, rect->h = 8, rect->nb_colors = 4;
    rect->data[0] = static_cast<uint8_t*>(api().av_mallocz(16 * 8));
    rect->linesize[0] = 16;
    for (int i = 0; i < 16 * 8; ++i) rect->data[0][i] = i % 4;
    rect->data[1] = static_cast<uint8_t*>(api().av_mallocz(4 * 4));
    for (int i = 0; i < 16; ++i) rect->data[1][i] = static_cast<uint8_t>(i * 16 + 15);
    const int size = api().avcodec_encode_subtitle(enc.get(), buffer.data(),
                                                   static_cast<int>(buffer.size()), &sub);
    api().avsubtitle_free(&sub);
    CheckAv(size, "encode");
    TPacketPtr packet = MakePacket();
    api().av_new_packet(packet.get(), size);
    std::copy(buffer.data(), buffer.data() + size, packet->data);
    packet->pts = packet->dts = second * 1000;
    packet->duration = 1000;
    packet->stream_index = 0;
    CheckAv(api().av_interleaved_write_frame(oc.get(), packet.get()), "write");
  }
  CheckAv(api().av_write_trailer(oc.get()), "trailer");
}

std::vector<double> PacketTimes(const std::string& path) {
  AVFormatContext* raw = nullptr;
  CheckAv(api().avformat_open_input(&raw, path.c_str(), nullptr, nullptr), "open");
  TInputFormatContextPtr ctx(raw);
  EXPECT_EQ(ctx->streams[0]->codecpar->codec_id, AV_CODEC_ID_DVB_SUBTITLE);
  TPacketPtr packet = MakePacket();
  std::vector<double> times;
  while (api().av_read_frame(ctx.get(), packet.get()) >= 0) {
    times.push_back(packet->pts * av_q2d(ctx->streams[0]->time_base));
    api().av_packet_unref(packet.get());
  }
  return times;
}

TEST_F(TranscodePathsTest, DvbSubtitlesAreWrittenAsShowAndClearPackets) {
  const std::string apart = dir_.File("apart.mkv"), close = dir_.File("close.mkv");
  WriteDvbSubtitles(apart, {1, 40});
  WriteDvbSubtitles(close, {1, 3});
  TRecordingTranscoder first, second;
  const std::string outApart = dir_.File("apart-out.mkv"), outClose = dir_.File("close-out.mkv");
  const auto dvb = [](TTaskOptions& o) { o.SubtitleCodecName = "dvbsub"; };
  Convert(first, apart, outApart, dvb);
  Convert(second, close, outClose, dvb);
  EXPECT_EQ(PacketTimes(outApart),
            (std::vector<double>{1, 31, 40, 70}));  // show, clear, show, clear
  // The second page replaces the first before its clear time: that clear packet is dropped.
  EXPECT_EQ(PacketTimes(outClose), (std::vector<double>{1, 3, 33}));
}

TEST_F(TranscodePathsTest, TwoPassLogAndStatisticsFile) {
  const std::string prefix = dir_.File("passlog");
  const std::string stats = dir_.File("vstats.log");
  for (int pass = 1; pass <= 2; ++pass) {
    TRecordingTranscoder task;
    Convert(task, EnsureClip("short3s"), dir_.File("pass" + std::to_string(pass) + ".avi"),
            [&](TTaskOptions& o) {
              o.DoPass = pass;
              o.PassLogFileName = prefix;
              o.VstatsFileName = stats;
              o.AudioDisable = true;
              o.DoPsnr = pass == 2;
            });
    if (pass == 1) {
      std::ifstream log(prefix + "-0.log");
      const std::string text((std::istreambuf_iterator<char>(log)),
                             std::istreambuf_iterator<char>());
      EXPECT_NE(text.find("in:"), std::string::npos) << "pass-1 statistics missing";
    }
  }
  std::ifstream log(stats);
  int lines = 0;
  int psnr = 0, intra = 0;
  for (std::string line; std::getline(log, line); ++lines) {
    EXPECT_EQ(line.rfind("frame= ", 0), 0u) << line;
    psnr += line.find(" PSNR= ") != std::string::npos;
    intra += line.find("type= I") != std::string::npos;
  }
  EXPECT_EQ(lines, 75);  // each run starts the file anew
  EXPECT_EQ(psnr, 75);
  EXPECT_GE(intra, 2);
  EXPECT_EQ(DecodedStream(dir_.File("pass2.avi"), AVMEDIA_TYPE_VIDEO).FrameNumbers.size(), 75u);
}

TEST_F(TranscodePathsTest, BitstreamFilterOnACopiedStream) {
  TRecordingTranscoder task;
  const std::string out = dir_.File("annexb.h264");
  Convert(task, EnsureClip("mp4_h264_aac"), out, [](TTaskOptions& o) {
    o.VideoStreamCopy = true;
    o.PendingBitstreamFilters[kVideo] = {"h264_mp4toannexb"};
  });
  std::ifstream in(out, std::ios::binary);
  char start[4] = {};
  in.read(start, 4);
  EXPECT_EQ(std::string(start, 4), std::string("\0\0\0\1", 4));
  EXPECT_EQ(DecodedStream(out, AVMEDIA_TYPE_VIDEO).FrameNumbers.size(), 50u);

  // A value the filter refuses stops the run instead of leaving the filter at its default.
  TRecordingTranscoder refused;
  EXPECT_EQ(Message(refused, EnsureClip("mp4_h264_aac"), dir_.File("noise.h264"),
                    [](TTaskOptions& o) {
                      o.VideoStreamCopy = true;
                      o.PendingBitstreamFilters[kVideo] = {"noise=amount=plenty"};
                    }),
            "noise failed for stream 0, codec copy: Invalid data found when processing input");

  // Damaged lengths make the second filter fail on its packets: logged, or with xerror the
  // run's error.
  const auto damage = [](bool exitOnError) {
    return [exitOnError](TTaskOptions& o) {
      o.VideoStreamCopy = true;
      o.PendingBitstreamFilters[kVideo] = {"noise=amount=2", "h264_mp4toannexb"};
      o.ExitOnError = exitOnError;
    };
  };
  const std::string failure = "h264_mp4toannexb failed for stream 0";
  {
    TErrorLines errors(failure);
    TRecordingTranscoder lenient;
    EXPECT_EQ(
        Message(lenient, EnsureClip("mp4_h264_aac"), dir_.File("damaged.h264"), damage(false)), "");
    EXPECT_FALSE(errors.Lines.empty());
  }
  TRecordingTranscoder strict;
  EXPECT_EQ(Message(strict, EnsureClip("mp4_h264_aac"), dir_.File("strict.h264"), damage(true))
                .rfind(failure, 0),
            0u);
}

// A sound chunk the converter refuses is lost, not the conversion, unless xerror is set.
TEST_F(TranscodePathsTest, RefusedSoundChunksAreDroppedUnlessErrorsEndTheRun) {
  const auto resample = [](bool exitOnError) {
    return [exitOnError](TTaskOptions& o) {
      o.AudioSampleRate = 22050;
      o.ExitOnError = exitOnError;
    };
  };
  const std::string lenientOut = dir_.File("lenient.avi");
  std::string strictMessage;
  size_t logged = 0;
  {
    TRefusingResampler refusing;
    TErrorLines errors("av_audio_convert() failed");
    TRecordingTranscoder lenient;
    EXPECT_EQ(Message(lenient, EnsureClip("short3s"), lenientOut, resample(false)), "");
    logged = errors.Lines.size();
    TRecordingTranscoder strict;
    strictMessage = Message(strict, EnsureClip("short3s"), dir_.File("strict.avi"), resample(true));
  }
  EXPECT_GT(logged, 10u);
  EXPECT_EQ(strictMessage.rfind("av_audio_convert() failed", 0), 0u) << strictMessage;
  EXPECT_EQ(DecodedStream(lenientOut, AVMEDIA_TYPE_VIDEO).FrameNumbers.size(), 75u);
}

// Counts the calls that hand the subtitle decoder an empty packet, while in scope.
class TEmptySubtitlePackets {
 public:
  TEmptySubtitlePackets() {
    saved_ = Table().avcodec_decode_subtitle2;
    count_ = 0;
    Table().avcodec_decode_subtitle2 = &Counting;
  }
  ~TEmptySubtitlePackets() { Table().avcodec_decode_subtitle2 = saved_; }
  int Count() const { return count_; }

 private:
  static TLibraryApi& Table() { return const_cast<TLibraryApi&>(api()); }
  static int Counting(AVCodecContext* decoder, AVSubtitle* subtitle, int* got, AVPacket* packet) {
    if (packet && packet->size == 0) ++count_;
    return saved_(decoder, subtitle, got, packet);
  }
  static inline decltype(TLibraryApi::avcodec_decode_subtitle2) saved_ = nullptr;
  static inline int count_ = 0;
};

// The closed-caption decoder may hold captions back: at the end of the input it is asked for
// them with empty packets until it gives none.
TEST_F(TranscodePathsTest, SubtitleDecoderThatHoldsBackIsDrainedAtTheEnd) {
  const std::string scc = dir_.File("captions.scc");
  {
    std::ofstream out(scc);
    out << "Scenarist_SCC V1.0\n\n00:00:00:00\t9420 9420 94ae 94ae 9452 9452 c845 4c4c 4f80 942f "
           "942f"
           "\n\n00:00:02:00\t942c 942c\n\n";
  }
  TRecordingTranscoder task;
  const std::string out = dir_.File("captions.srt");
  TEmptySubtitlePackets empty;
  Convert(task, scc, out, [](TTaskOptions& o) { o.SubtitleCodecName = "subrip"; });
  std::ifstream in(out);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("HELLO"), std::string::npos) << text;
  EXPECT_EQ(empty.Count(), 1);  // the first one that gave nothing ended the drain
}

TEST_F(TranscodePathsTest, DamagedSourcesAndUnwritableOutputs) {
  // A source cut in half converts what it holds.
  const std::string source = EnsureClip("short3s");
  const std::string cut = dir_.File("cut.avi");
  {
    std::ifstream in(source, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(cut, std::ios::binary).write(bytes.data(), bytes.size() / 2);
  }
  TRecordingTranscoder truncated;
  const std::string out = dir_.File("from-cut.mp4");
  Convert(truncated, cut, out);
  const TDecodedStream video_ = DecodedStream(out, AVMEDIA_TYPE_VIDEO);
  const TDecodedStream* video = &video_;
  ASSERT_TRUE(video);
  EXPECT_GT(video->FrameNumbers.size(), 20u);

  // Garbage in the middle of a source is skipped over.
  const std::string damaged = dir_.File("damaged.avi");
  {
    std::ifstream in(source, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (size_t i = bytes.size() / 3; i < bytes.size() / 3 + 20000; ++i)
      bytes[i] = static_cast<char>(i * 7919);
    std::ofstream(damaged, std::ios::binary).write(bytes.data(), bytes.size());
  }
  TRecordingTranscoder garbled;
  const std::string out2 = dir_.File("from-damaged.mp4");
  Convert(garbled, damaged, out2);
  EXPECT_GT(DecodedStream(out2, AVMEDIA_TYPE_VIDEO).FrameNumbers.size(), 40u);

  // A full device: the run fails with the writer's message and the device stays.
  TRecordingTranscoder full;
  ASSERT_TRUE(full.OpenInput(source));
  full.Options.FileFormat = "avi";
  ASSERT_GT(full.OpenOutput("/dev/full", false), 0) << full.ErrorText();
  EXPECT_THROW(full.Transcode(), EEngineError);
  EXPECT_TRUE(std::filesystem::exists("/dev/full"));
}

// The log carries the stream mapping and, at the end, the report line and the statistics.
TEST_F(TranscodePathsTest, MappingAndFinalStatisticsAreLogged) {
  std::vector<std::string> lines;
  TEngineLogger& logger = TEngineLogger::GetLogger();
  logger.SetTriggerEventInMainThread(false);
  logger.SetOnLog(
      [&](const void*, uint32_t, TLogLevel, const std::string& text) { lines.push_back(text); });
  TRecordingTranscoder task;
  Convert(task, EnsureClip("short3s"), dir_.File("logged.avi"), [](TTaskOptions& o) {
    o.FrameRate = {30, 1};
  });
  logger.SetOnLog(nullptr);
  logger.SetTriggerEventInMainThread(true);
  const auto has = [&](const std::string& start) {
    for (const std::string& line : lines)
      if (line.find(start) != std::string::npos) return true;
    return false;
  };
  EXPECT_TRUE(has("Stream mapping:"));
  EXPECT_TRUE(has("  Stream #0.0 -> #0.0 (Video)"));
  EXPECT_TRUE(has("  Stream #0.1 -> #0.1 (Audio)"));
  // 75 pictures at 25 fps become 90 at 30 fps; the last picture fills the end of the source.
  EXPECT_TRUE(has("frame=   90 fps="));
  EXPECT_TRUE(has(" dup=14 drop=0"));
  EXPECT_TRUE(has("muxing overhead"));
}

}  // namespace
}  // namespace qarvo
