// End-to-end conversions through the task's transcode: containers, sizes, rates, limits.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "base/EngineError.h"
#include "media/EngineLogger.h"
#include "probe/TMediaProbe.h"

#include "ConvertTestSupport.h"

namespace qarvo {
namespace {

class TranscodeTest : public ::testing::Test {
 protected:
  void SetUp() override { LoadMediaLibraries(); }
  // Opens the clip, lets `configure` set options before the output opens, converts.
  void Convert(TRecordingTranscoder& task, const std::string& clip, const std::string& out,
               const std::function<void(TTaskOptions&)>& configure = {}) {
    ASSERT_TRUE(task.OpenInput(EnsureClip(clip))) << task.ErrorText();
    if (configure) configure(task.Options);
    ASSERT_GT(task.OpenOutput(out, false), 0) << task.ErrorText();
    task.Transcode();
    task.ReleaseFiles(false);
  }
  TScratchFolder dir_{"transcode"};
};

TEST_F(TranscodeTest, VideoAndAudioToMp4) {
  TRecordingTranscoder task;
  const std::string out = dir_.File("out.mp4");
  Convert(task, "short3s", out, [](TTaskOptions& o) {
    o.VideoCodecName = "libx264";
    o.AudioCodecName = "aac";
  });
  const TDecodedClip clip = DecodeClip(out);
  const TDecodedStream* video = StreamOf(clip, AVMEDIA_TYPE_VIDEO);
  const TDecodedStream* audio = StreamOf(clip, AVMEDIA_TYPE_AUDIO);
  ASSERT_TRUE(video && audio);
  EXPECT_EQ(video->Codec, AV_CODEC_ID_H264);
  EXPECT_EQ(video->Width, 320);
  EXPECT_EQ(video->FrameNumbers.size(), 75u);
  for (size_t i = 0; i < video->FrameNumbers.size(); ++i)
    EXPECT_EQ(video->FrameNumbers[i], static_cast<int>(i));
  EXPECT_EQ(audio->Codec, AV_CODEC_ID_AAC);
  EXPECT_NEAR(audio->Samples.size() / 2 / 44100.0, 3.0, 0.05);
  EXPECT_NEAR(clip.Duration, 3.0, 0.05);
  ASSERT_FALSE(task.Reports.empty());
  const TProgressInfo& last = task.Reports.back();
  EXPECT_EQ(last.FileIndex, -1);
  EXPECT_EQ(last.FrameCount, 75);
  EXPECT_NEAR(last.CurrentDuration / 1e6, 3.0, 0.1);
}

struct TContainerCase {
  const char* Name;
  const char* File;
  const char* VideoCodec;
  const char* AudioCodec;
  AVCodecID Video;
  AVCodecID Audio;
  int Width, Height;
};

void PrintTo(const TContainerCase& c, std::ostream* out) { *out << c.Name; }

class ContainerTest : public TranscodeTest, public ::testing::WithParamInterface<TContainerCase> {};

// Every container of the catalogue's main kinds: the result decodes with the right streams,
// sizes and length.
TEST_P(ContainerTest, ConvertsAndDecodes) {
  const TContainerCase& c = GetParam();
  TRecordingTranscoder task;
  const std::string out = dir_.File(c.File);
  Convert(task, "short3s", out, [&](TTaskOptions& o) {
    o.VideoCodecName = c.VideoCodec;
    o.AudioCodecName = c.AudioCodec;
    if (c.Width) {
      o.FrameWidth = c.Width;
      o.FrameHeight = c.Height;
    }
    if (c.Audio == AV_CODEC_ID_AAC || c.Audio == AV_CODEC_ID_AMR_NB) o.AudioSampleRate = 44100;
  });
  const TDecodedClip clip = DecodeClip(out);
  const TDecodedStream* video = StreamOf(clip, AVMEDIA_TYPE_VIDEO);
  const TDecodedStream* audio = StreamOf(clip, AVMEDIA_TYPE_AUDIO);
  if (c.Video != AV_CODEC_ID_NONE) {
    ASSERT_TRUE(video);
    EXPECT_EQ(video->Codec, c.Video);
    EXPECT_EQ(video->Width, c.Width ? c.Width : 320);
    // The picture count matches the source's length within one frame at the output rate.
    const double rate = av_q2d(video->FrameRate);
    EXPECT_NEAR(video->FrameNumbers.size() / rate, 3.0, 1.0 / rate + 1e-9);
    EXPECT_EQ(video->FrameNumbers.front(), 0);
  } else {
    EXPECT_FALSE(video);
  }
  ASSERT_TRUE(audio);
  EXPECT_EQ(audio->Codec, c.Audio);
  EXPECT_NEAR(static_cast<double>(audio->Samples.size()) / audio->Channels / audio->SampleRate, 3.0,
              0.06);
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(out)) << probe.LastErrMsg();
}

INSTANTIATE_TEST_SUITE_P(
    Containers, ContainerTest,
    ::testing::Values(
        TContainerCase{"mp4", "o.mp4", "libx264", "aac", AV_CODEC_ID_H264, AV_CODEC_ID_AAC, 0, 0},
        TContainerCase{"threegp", "o.3gp", "h263", "aac", AV_CODEC_ID_H263, AV_CODEC_ID_AAC, 176,
                       144},
        TContainerCase{"avi", "o.avi", "mpeg4", "libmp3lame", AV_CODEC_ID_MPEG4, AV_CODEC_ID_MP3, 0,
                       0},
        TContainerCase{"mpeg", "o.mpg", "mpeg1video", "mp2", AV_CODEC_ID_MPEG1VIDEO,
                       AV_CODEC_ID_MP2, 0, 0},
        TContainerCase{"flv", "o.flv", "flv", "libmp3lame", AV_CODEC_ID_FLV1, AV_CODEC_ID_MP3, 0,
                       0},
        TContainerCase{"mkv", "o.mkv", "mpeg4", "libvorbis", AV_CODEC_ID_MPEG4, AV_CODEC_ID_VORBIS,
                       0, 0},
        TContainerCase{"wav", "o.wav", "", "", AV_CODEC_ID_NONE, AV_CODEC_ID_PCM_S16LE, 0, 0},
        TContainerCase{"mp3", "o.mp3", "", "libmp3lame", AV_CODEC_ID_NONE, AV_CODEC_ID_MP3, 0, 0}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(TranscodeTest, ResamplesRateAndChannels) {
  // 48 kHz stereo (the SD clip) to 44.1 kHz mono, and 22.05 kHz mono to 44.1 kHz stereo.
  TRecordingTranscoder down;
  const std::string a = dir_.File("down.wav");
  Convert(down, "sd", a, [](TTaskOptions& o) {
    o.AudioSampleRate = 44100;
    o.AudioChannels = 1;
  });
  const TDecodedClip clipA = DecodeClip(a);
  ASSERT_EQ(clipA.Streams.size(), 1u);
  EXPECT_EQ(clipA.Streams[0].SampleRate, 44100);
  EXPECT_EQ(clipA.Streams[0].Channels, 1);
  const TDecodedStream source_ = DecodedStream(EnsureClip("sd"), AVMEDIA_TYPE_AUDIO);
  const TDecodedStream* source = &source_;
  const double sourceLength = source->Samples.size() / 2.0 / source->SampleRate;
  EXPECT_NEAR(clipA.Streams[0].Samples.size() / 44100.0, sourceLength, 0.005);

  TRecordingTranscoder up;
  const std::string b = dir_.File("up.wav");
  Convert(up, "3gp_h263_aac", b, [](TTaskOptions& o) {
    o.AudioSampleRate = 44100;
    o.AudioChannels = 2;
  });
  const TDecodedClip clipB = DecodeClip(b);
  ASSERT_EQ(clipB.Streams.size(), 1u);
  EXPECT_EQ(clipB.Streams[0].SampleRate, 44100);
  EXPECT_EQ(clipB.Streams[0].Channels, 2);
  EXPECT_NEAR(clipB.Streams[0].Samples.size() / 2 / 44100.0, 2.0, 0.06);
}

TEST_F(TranscodeTest, FrameLimitRecordingTimeAndStart) {
  TRecordingTranscoder frames;
  const std::string a = dir_.File("vframes.avi");
  Convert(frames, "short3s", a, [](TTaskOptions& o) { o.MaxFrames[kVideo] = 10; });
  const TDecodedClip clipA = DecodeClip(a);
  EXPECT_EQ(StreamOf(clipA, AVMEDIA_TYPE_VIDEO)->FrameNumbers.size(), 10u);

  TRecordingTranscoder timed;
  const std::string b = dir_.File("t.mp4");
  Convert(timed, "short3s", b, [](TTaskOptions& o) { o.RecordingTime = 1000000; });
  const TDecodedClip clipB = DecodeClip(b);
  EXPECT_EQ(StreamOf(clipB, AVMEDIA_TYPE_VIDEO)->FrameNumbers.size(), 25u);
  const TDecodedStream* audio = StreamOf(clipB, AVMEDIA_TYPE_AUDIO);
  EXPECT_NEAR(audio->Samples.size() / 2 / 44100.0, 1.0, 0.03);  // the encoder pads its last frame

  // An output start of 1 s: the first picture written is the source's 26th.
  TRecordingTranscoder started;
  const std::string c = dir_.File("ss.mp4");
  Convert(started, "short3s", c, [](TTaskOptions& o) { o.StartTime = 1000000; });
  const TDecodedClip clipC = DecodeClip(c);
  const TDecodedStream* video = StreamOf(clipC, AVMEDIA_TYPE_VIDEO);
  ASSERT_FALSE(video->FrameNumbers.empty());
  EXPECT_EQ(video->FrameNumbers.front(), 25);
  EXPECT_NEAR(video->FrameNumbers.size(), 50u, 1);
}

TEST_F(TranscodeTest, InputSeekStartsNearThePosition) {
  TRecordingTranscoder task;
  task.Options.StartTime = 2000000;
  const std::string out = dir_.File("seek.mp4");
  Convert(task, "short3s", out);
  const TDecodedClip clip = DecodeClip(out);
  const TDecodedStream* video = StreamOf(clip, AVMEDIA_TYPE_VIDEO);
  ASSERT_FALSE(video->FrameNumbers.empty());
  EXPECT_EQ(video->FrameNumbers.front(), 50);
  EXPECT_NEAR(clip.Duration, 1.0, 0.1);
}

TEST_F(TranscodeTest, FrameRateChangeDuplicatesPictures) {
  TRecordingTranscoder task;
  const std::string out = dir_.File("dup.avi");
  Convert(task, "short3s", out, [](TTaskOptions& o) { o.FrameRate = {30, 1}; });
  const TDecodedClip clip = DecodeClip(out);
  const TDecodedStream* video = StreamOf(clip, AVMEDIA_TYPE_VIDEO);
  EXPECT_EQ(video->FrameNumbers.size(), 90u);
  // 75 source pictures became 90: 5 duplicates a second.
  ASSERT_FALSE(task.Reports.empty());
  EXPECT_NEAR(task.Reports.back().FrameCount, 90, 1);
}

TEST_F(TranscodeTest, StreamCopyKeepsThePackets) {
  TRecordingTranscoder task;
  const std::string out = dir_.File("copy.mkv");
  Convert(task, "mp4_h264_aac", out, [](TTaskOptions& o) {
    o.VideoStreamCopy = true;
    o.AudioStreamCopy = true;
  });
  const TDecodedClip clip = DecodeClip(out);
  const TDecodedStream* video = StreamOf(clip, AVMEDIA_TYPE_VIDEO);
  ASSERT_TRUE(video);
  EXPECT_EQ(video->Codec, AV_CODEC_ID_H264);
  EXPECT_EQ(video->FrameNumbers.size(), 50u);
  EXPECT_EQ(StreamOf(clip, AVMEDIA_TYPE_AUDIO)->Codec, AV_CODEC_ID_AAC);
}

// First video packet of a file: key flag.
bool FirstVideoPacketIsKey(const std::string& path) {
  AVFormatContext* raw = nullptr;
  CheckAv(api().avformat_open_input(&raw, path.c_str(), nullptr, nullptr), "open");
  TInputFormatContextPtr ctx(raw);
  TPacketPtr packet = MakePacket();
  while (api().av_read_frame(ctx.get(), packet.get()) >= 0) {
    const bool video =
        ctx->streams[packet->stream_index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
    const bool key = packet->flags & AV_PKT_FLAG_KEY;
    api().av_packet_unref(packet.get());
    if (video) return key;
  }
  return false;
}

TEST_F(TranscodeTest, CopyFromTheMiddleOfAGroupWaitsForAKeyPicture) {
  const auto copyFrom = [](int keepNonKey) {
    return [keepNonKey](TTaskOptions& o) {
      o.VideoStreamCopy = true;
      o.AudioDisable = true;
      o.StartTime = 1100000;  // between key pictures
      o.CopyInitialNonKeyframes = keepNonKey;
    };
  };
  TRecordingTranscoder waits, keeps;
  const std::string a = dir_.File("waits.avi"), b = dir_.File("keeps.avi");
  Convert(waits, "short3s", a, copyFrom(0));
  Convert(keeps, "short3s", b, copyFrom(1));
  EXPECT_TRUE(FirstVideoPacketIsKey(a));
  EXPECT_FALSE(FirstVideoPacketIsKey(b));
}

TEST_F(TranscodeTest, CopyRefusesVolumeAndPreview) {
  TRecordingTranscoder task;
  ASSERT_TRUE(task.OpenInput(EnsureClip("short3s")));
  task.Options.AudioStreamCopy = true;
  task.Options.AudioVolume = 512;
  const std::string out = dir_.File("refused.avi");
  ASSERT_GT(task.OpenOutput(out, false), 0);
  try {
    task.Transcode();
    FAIL() << "copy with volume ran";
  } catch (const EEngineError& e) {
    EXPECT_STREQ(e.what(), "-acodec copy and -vol are incompatible (frames are not decoded)");
  }
  EXPECT_FALSE(std::filesystem::exists(out));  // a failed run leaves no output
}

TEST_F(TranscodeTest, StopMidRunLeavesAPlayableFile) {
  TRecordingTranscoder task;
  task.ProgressIntervalUs = 0;
  task.OnReport = [&](const TProgressInfo& info) {
    if (info.FrameCount >= 20) task.StopRequested = true;
  };
  const std::string out = dir_.File("stopped.mp4");
  Convert(task, "short3s", out);
  const TDecodedClip clip = DecodeClip(out);
  const TDecodedStream* video = StreamOf(clip, AVMEDIA_TYPE_VIDEO);
  ASSERT_TRUE(video);
  EXPECT_GE(video->FrameNumbers.size(), 20u);
  EXPECT_LT(video->FrameNumbers.size(), 75u);
  EXPECT_GT(clip.Duration, 0.7);
}

TEST_F(TranscodeTest, EncoderThatRefusesTheSizeFailsCleanly) {
  TRecordingTranscoder task;
  ASSERT_TRUE(task.OpenInput(EnsureClip("short3s")));
  task.Options.VideoCodecName = "h263";
  task.Options.FrameWidth = 160;
  task.Options.FrameHeight = 120;
  const std::string out = dir_.File("refused.3gp");
  ASSERT_GT(task.OpenOutput(out, false), 0);
  try {
    task.Transcode();
    FAIL() << "h263 took 160x120";
  } catch (const EEngineError& e) {
    EXPECT_NE(
        std::string(e.what()).find("Error while opening encoder for output stream #0.0 (Video)"),
        std::string::npos)
        << e.what();
  }
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_EQ(task.OutputCount(), 0);
}

TEST_F(TranscodeTest, ProgressComesAtTheIntervalAndOnceAtTheEnd) {
  TRecordingTranscoder slow;
  slow.ProgressIntervalUs = 60000000;
  Convert(slow, "short3s", dir_.File("slow.avi"));
  ASSERT_EQ(slow.Reports.size(), 1u);  // only the final one
  EXPECT_EQ(slow.Reports[0].FileIndex, -1);
  EXPECT_EQ(slow.Reports[0].FrameCount, 75);
  EXPECT_NEAR(slow.Reports[0].TotalDuration / 1e6, 3.0, 0.1);

  // No application handler behind this task: every report is also a log line.
  std::vector<std::string> lines;
  TEngineLogger& logger = TEngineLogger::GetLogger();
  logger.SetTriggerEventInMainThread(false);
  logger.SetOnLog([&](const void*, uint32_t, TLogLevel level, const std::string& text) {
    if (level == TLogLevel::llVerbose && text.rfind("frame=", 0) == 0) lines.push_back(text);
  });
  TRecordingTranscoder busy;
  busy.ProgressIntervalUs = 0;
  Convert(busy, "short3s", dir_.File("busy.avi"));
  logger.SetOnLog(nullptr);
  logger.SetTriggerEventInMainThread(true);
  ASSERT_GT(busy.Reports.size(), 10u);
  EXPECT_EQ(lines.size(), busy.Reports.size());
  for (size_t i = 0; i + 1 < busy.Reports.size(); ++i) {
    EXPECT_EQ(busy.Reports[i].FileIndex, 0);
    EXPECT_LE(busy.Reports[i].CurrentDuration, busy.Reports.back().CurrentDuration);
  }
  // Audio only: no picture figures.
  TRecordingTranscoder audio;
  Convert(audio, "short3s", dir_.File("sound.wav"));
  EXPECT_EQ(audio.Reports.back().FrameCount, -1);
  EXPECT_EQ(audio.Reports.back().FPS, -1);
  EXPECT_FLOAT_EQ(audio.Reports.back().Quality, -1.0f);
  EXPECT_GT(audio.Reports.back().CurrentSize, 500000);
}

// One picture read again and again until the recording time ends it.
TEST_F(TranscodeTest, LoopedPictureRepeatsUntilTheRecordingTime) {
  const TClipSpec still = StillPicture();
  const std::string picture = EnsureClipFile(still, "still.png");
  TRecordingTranscoder task;
  task.DispatchOption("loop_input", "1");
  const std::string out = dir_.File("looped.avi");
  ASSERT_TRUE(task.OpenInput(picture)) << task.ErrorText();
  task.Options.RecordingTime = 1000000;
  ASSERT_GT(task.OpenOutput(out, false), 0) << task.ErrorText();
  task.Transcode();
  task.ReleaseFiles(false);
  const size_t frames = DecodedStream(out, AVMEDIA_TYPE_VIDEO).FrameNumbers.size();
  EXPECT_GE(frames, 24u);
  EXPECT_LE(frames, 26u);
}

// Matroska declares no frame counts: of two sound streams, the one with more packets in the
// analysed span is the source, not the first.
TEST_F(TranscodeTest, SourceWithMoreAnalysedFramesWinsWithoutDeclaredCounts) {
  TClipSpec spec = StandardClip("two_audio");
  spec.FirstAudioDuration = 0.5;
  const std::string clip = EnsureClipFile(spec, "short_first_sound.mkv");
  TRecordingTranscoder task;
  const std::string out = dir_.File("sound.wav");
  ASSERT_TRUE(task.OpenInput(clip)) << task.ErrorText();
  ASSERT_GT(task.OpenOutput(out, false), 0) << task.ErrorText();
  task.Transcode();
  task.ReleaseFiles(false);
  const TDecodedStream audio = DecodedStream(out, AVMEDIA_TYPE_AUDIO);
  EXPECT_NEAR(audio.Samples.size() / 2 / 44100.0, spec.Duration, 0.1);
}

TEST_F(TranscodeTest, SizeLimitEndsTheOutput) {
  TRecordingTranscoder task;
  const std::string out = dir_.File("limited.avi");
  Convert(task, "short3s", out, [](TTaskOptions& o) { o.FileSizeLimit = 100000; });
  const auto size = std::filesystem::file_size(out);
  EXPECT_GT(size, 100000u);
  EXPECT_LT(size, 200000u);
  const TDecodedClip clip = DecodeClip(out);
  EXPECT_LT(StreamOf(clip, AVMEDIA_TYPE_VIDEO)->FrameNumbers.size(), 75u);
}

TEST_F(TranscodeTest, NameOutsideTheLocaleConverts) {
  TRecordingTranscoder task;
  const std::string out = dir_.File("\xd0\xbf\xd1\x80\xd0\xb8 'x'.mp4");
  Convert(task, "short3s", out);
  const TDecodedClip clip = DecodeClip(out);
  EXPECT_EQ(StreamOf(clip, AVMEDIA_TYPE_VIDEO)->FrameNumbers.size(), 75u);
}

// Sound and pictures stay together over a minute: each click lands within 40 ms of the
// picture it was made with.
TEST_F(TranscodeTest, SoundStaysInStepWithPictures) {
  TRecordingTranscoder task;
  const std::string out = dir_.File("sync.mp4");
  Convert(task, "clicks60", out, [](TTaskOptions& o) {
    o.FrameWidth = 160;
    o.FrameHeight = 120;
    o.AudioSampleRate = 22050;  // resampled on the way
  });
  const TDecodedClip clip = DecodeClip(out);
  const TDecodedStream* video = StreamOf(clip, AVMEDIA_TYPE_VIDEO);
  const TDecodedStream* audio = StreamOf(clip, AVMEDIA_TYPE_AUDIO);
  ASSERT_TRUE(video && audio);
  const std::vector<double> clicks =
      FindClicks(audio->Samples.data(), audio->Samples.size(), audio->SampleRate, audio->Channels);
  ASSERT_GE(clicks.size(), 55u);
  int checked = 0;
  for (double click : clicks) {
    const int second = static_cast<int>(std::lround(click + audio->FirstSampleTime));
    for (size_t i = 0; i < video->FrameNumbers.size(); ++i)
      if (video->FrameNumbers[i] == second * 25) {
        EXPECT_NEAR(click + audio->FirstSampleTime, video->FrameTimes[i], 0.04)
            << "second " << second;
        ++checked;
      }
  }
  EXPECT_GE(checked, 55);
}

// Offset of each second's click from the picture drawn at that second, by second.
std::map<int, double> ClickOffsets(const TDecodedClip& clip, int picturesPerSecond) {
  const TDecodedStream* video = StreamOf(clip, AVMEDIA_TYPE_VIDEO);
  const TDecodedStream* audio = StreamOf(clip, AVMEDIA_TYPE_AUDIO);
  std::map<int, double> offsets;
  if (!video || !audio) return offsets;
  std::map<int, double> pictureTimes;
  for (size_t i = 0; i < video->FrameNumbers.size(); ++i)
    if (video->FrameNumbers[i] >= 0 && video->FrameNumbers[i] % picturesPerSecond == 0)
      pictureTimes.emplace(video->FrameNumbers[i] / picturesPerSecond, video->FrameTimes[i]);
  for (double click : FindClicks(audio->Samples.data(), audio->Samples.size(), audio->SampleRate,
                                 audio->Channels)) {
    const double at = click + audio->FirstSampleTime;
    const auto picture = pictureTimes.find(static_cast<int>(std::lround(at)));
    if (picture != pictureTimes.end()) offsets.emplace(picture->first, at - picture->second);
  }
  return offsets;
}

// Over ten minutes, resampled on the way, sound keeps the distance from the pictures it had
// in the source to within 40 ms: no drift accumulates.
TEST_F(TranscodeTest, SoundKeepsInStepOverTenMinutes) {
  TRecordingTranscoder task;
  const std::string out = dir_.File("sync10.mp4");
  Convert(task, "long10min", out, [](TTaskOptions& o) {
    o.VideoCodecName = "mpeg4";
    o.AudioCodecName = "aac";
    o.AudioSampleRate = 44100;
  });
  const std::map<int, double> source = ClickOffsets(DecodeClip(EnsureClip("long10min")), 10);
  const std::map<int, double> converted = ClickOffsets(DecodeClip(out), 10);
  ASSERT_GE(source.size(), 590u);
  int checked = 0;
  for (const auto& [second, offset] : converted) {
    const auto original = source.find(second);
    if (original == source.end()) continue;
    EXPECT_NEAR(offset, original->second, 0.04) << "second " << second;
    ++checked;
  }
  EXPECT_GE(checked, 590);
}

}  // namespace
}  // namespace qarvo

namespace qarvo {
namespace {

class EveryClipTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { LoadMediaLibraries(); }
  TScratchFolder dir_{"clips"};
};

// Every short standard clip converts to mp4 and to avi; the pictures come out in order, none
// lost or repeated beyond what the frame-rate change calls for.
TEST_P(EveryClipTest, ConvertsInOrder) {
  const TClipSpec& spec = StandardClip(GetParam());
  for (const char* name : {"out.mp4", "out.avi"}) {
    TRecordingTranscoder task;
    ASSERT_TRUE(task.OpenInput(EnsureClip(GetParam()))) << task.ErrorText();
    task.Options.FrameRate = {25, 1};
    const std::string out = dir_.File(name);
    ASSERT_GT(task.OpenOutput(out, false), 0) << task.ErrorText();
    task.Transcode();
    task.ReleaseFiles(false);
    const TDecodedClip clip = DecodeClip(out);
    const TDecodedStream* video = StreamOf(clip, AVMEDIA_TYPE_VIDEO);
    ASSERT_EQ(video != nullptr, !spec.VideoCodec.empty()) << name;
    if (video) {
      EXPECT_NEAR(video->FrameNumbers.size(), spec.Duration * 25, 1.0) << name;
      for (size_t i = 1; i < video->FrameNumbers.size(); ++i)
        EXPECT_GE(video->FrameNumbers[i], video->FrameNumbers[i - 1]) << name << " picture " << i;
      for (size_t i = 1; i < video->FrameTimes.size(); ++i)
        EXPECT_GT(video->FrameTimes[i], video->FrameTimes[i - 1]) << name << " picture " << i;
    }
    const TDecodedStream* audio = StreamOf(clip, AVMEDIA_TYPE_AUDIO);
    ASSERT_EQ(audio != nullptr, !spec.AudioCodec.empty()) << name;
    if (audio) {
      // Up to 0.15 s of encoder priming the containers cannot signal.
      EXPECT_NEAR(static_cast<double>(audio->Samples.size()) / audio->Channels / audio->SampleRate,
                  spec.Duration, 0.15)
          << name;
    }
  }
}

std::vector<std::string> ShortClips() {
  std::vector<std::string> names;
  for (const TNamedClip& clip : StandardClips())
    if (clip.Spec.Duration <= 6.0) names.push_back(clip.Name);
  return names;
}

INSTANTIATE_TEST_SUITE_P(Clips, EveryClipTest, ::testing::ValuesIn(ShortClips()),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace qarvo
