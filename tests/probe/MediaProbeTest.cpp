#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>
#include <vector>

#include "base/EngineError.h"
#include "base/StringFormat.h"
#include "media/CodecLock.h"
#include "media/LibraryLoader.h"
#include "media/LibraryObjects.h"
#include "media/UnicodeProtocol.h"
#include "probe/ProbeText.h"
#include "probe/TMediaProbe.h"

#include "ProbeFiles.h"
#include "support/ScratchFolder.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace qarvo {
namespace {

namespace fs = std::filesystem;
using test::TScratchFolder;

struct TLogLine {
  const void* Sender;
  TLogLevel Level;
  std::string Message;
};

class MediaProbeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadMediaLibraries();
    TEngineLogger::GetLogger().SetOnLog(
        [this](const void* sender, uint32_t, TLogLevel level, const std::string& message) {
          log_.push_back({sender, level, message});
        });
  }
  void TearDown() override { TEngineLogger::GetLogger().SetOnLog(nullptr); }

  // The probe's last message was logged by it at `level`.
  void ExpectLogged(const TMediaProbe& probe, TLogLevel level) {
    ASSERT_FALSE(log_.empty());
    EXPECT_EQ(log_.back().Sender, &probe);
    EXPECT_EQ(log_.back().Level, level) << log_.back().Message;
    EXPECT_EQ(log_.back().Message, probe.LastErrMsg());
  }

  static void ExpectEmptySummary(const TMediaProbe& probe) {
    EXPECT_FALSE(probe.Loaded());
    for (int64_t value :
         {probe.FileSize(), int64_t{probe.StreamCount()}, int64_t{probe.ProgramCount()},
          int64_t{probe.AudioStreamCount()}, int64_t{probe.VideoStreamCount()},
          int64_t{probe.SubtitleStreamCount()}, int64_t{probe.FirstAudioStreamIndex()},
          int64_t{probe.FirstVideoStreamIndex()}, int64_t{probe.FirstSubtitleStreamIndex()},
          int64_t{probe.DefaultStreamIndex()}})
      EXPECT_EQ(value, -1);
  }

  std::vector<TLogLine> log_;
  TScratchFolder folder_;
};

bool HasLine(const std::string& text, const std::string& line) {
  std::istringstream lines(text);
  for (std::string item; std::getline(lines, item);)
    if (item == line) return true;
  return false;
}

// The line after the first one starting with `prefix`; empty when there is none.
std::string LineAfter(const std::string& text, const std::string& prefix) {
  std::istringstream lines(text);
  for (std::string item; std::getline(lines, item);)
    if (item.rfind(prefix, 0) == 0) return std::getline(lines, item) ? item : std::string();
  return {};
}

TEST_F(MediaProbeTest, WithoutAFileEveryQueryReportsFileNotLoaded) {
  TMediaProbe probe;
  ExpectEmptySummary(probe);
  const TFileStreamInfo file = probe.FileStreamInfo();
  EXPECT_EQ(probe.LastErrMsg(), "file not loaded.");
  ExpectLogged(probe, TLogLevel::llWarning);
  for (int64_t value : {file.StartTime, file.Duration, int64_t{file.BitRate}, file.Timestamp,
                        int64_t{file.Year}, int64_t{file.Track}})
    EXPECT_EQ(value, -1);
  EXPECT_EQ(file.Title + file.Author + file.Copyright + file.Comment + file.Album + file.Genre, "");

  EXPECT_EQ(probe.AudioStreamInfo(-1).SampleRate, -1);
  EXPECT_EQ(probe.VideoStreamInfo(0).Width, -1);
  EXPECT_EQ(probe.FileInfoText(), "");
  EXPECT_EQ(probe.FileName(), "");
  EXPECT_EQ(probe.FormatName(), "");
  EXPECT_FALSE(probe.IsAudioStream(0));
  EXPECT_FALSE(probe.IsVideoStream(0));
  EXPECT_EQ(probe.LastErrMsg(), "file not loaded.");
  EXPECT_EQ(log_.size(), 8u);
}

TEST_F(MediaProbeTest, StreamQueriesNameTheWrongIndexOrKind) {
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(EnsureClip("video_only"))) << probe.LastErrMsg();
  EXPECT_EQ(probe.AudioStreamInfo(-1).Channels, -1);
  EXPECT_EQ(probe.LastErrMsg(), "no audio stream.");
  ExpectLogged(probe, TLogLevel::llError);
  EXPECT_EQ(probe.AudioStreamInfo(probe.StreamCount()).SampleRate, -1);
  EXPECT_EQ(probe.LastErrMsg(), "stream index #1 is invalid.");
  EXPECT_EQ(probe.AudioStreamInfo(0).CodecName, "");
  EXPECT_EQ(probe.LastErrMsg(), "stream #0 is not audio stream.");
  ExpectLogged(probe, TLogLevel::llError);
  EXPECT_FALSE(probe.IsVideoStream(-2));
  EXPECT_EQ(probe.LastErrMsg(), "stream index #-2 is invalid.");
  EXPECT_TRUE(probe.IsVideoStream(0));
  EXPECT_FALSE(probe.IsAudioStream(0));

  ASSERT_TRUE(probe.LoadFile(EnsureClip("audio_only")));
  EXPECT_EQ(probe.VideoStreamInfo(-1).Height, -1);
  EXPECT_EQ(probe.LastErrMsg(), "no video stream.");
  EXPECT_EQ(probe.VideoStreamInfo(0).Height, -1);
  EXPECT_EQ(probe.LastErrMsg(), "stream #0 is not video stream.");
  EXPECT_EQ(probe.AudioStreamInfo(-1).SampleRate, 44100);
}

TEST_F(MediaProbeTest, BadFilesGiveFalseWithTheNameAndTheReason) {
  const std::string clip = EnsureClip("mp4_h264_aac");
  const std::string missing = folder_.File("missing.avi");
  const std::string empty = folder_.File("empty.avi");
  const std::string text = folder_.File("notes.avi");
  const std::string truncated = folder_.File("half.mp4");
  const std::string random = folder_.File("noise.mp4");
  std::ofstream(empty, std::ios::binary).flush();
  std::ofstream(text) << "This is a shopping list, not a film.\nMilk\nBread\n";
  test::WritePrefix(clip, truncated, static_cast<int64_t>(fs::file_size(clip) / 2));
  test::WriteRandomBytes(random, 256 * 1024);
  // Stray bytes a raw-stream reader accepts but cannot describe.
  const std::string rawVideo = folder_.File("byte.h264");
  const std::string rawAudio = folder_.File("noise.mp3");
  test::WriteRandomBytes(rawVideo, 1);
  test::WriteRandomBytes(rawAudio, 256 * 1024);
  const std::pair<std::string, const char*> cases[] = {
      {missing, "No such file or directory"},
      {empty, "Invalid data found when processing input"},
      {text, "not a media file"},
      {truncated, "Invalid data found when processing input"},
      {random, "Invalid data found when processing input"},
      {rawVideo, "could not find codec parameters"},
      {rawAudio, "could not find codec parameters"},
  };
  TMediaProbe probe;
  for (const auto& [name, reason] : cases) {
    // A failed load also lets go of the file loaded before it.
    ASSERT_TRUE(probe.LoadFile(clip));
    EXPECT_FALSE(probe.LoadFile(name)) << name;
    EXPECT_EQ(probe.LastErrMsg(), name + ": " + reason);
    ExpectLogged(probe, TLogLevel::llError);
    ExpectEmptySummary(probe);
    EXPECT_EQ(probe.InputFormat(), "");
  }
}

TEST_F(MediaProbeTest, ATruncatedFileWithItsHeaderDescribesWhatIsLeft) {
  const std::string clip = EnsureClip("avi_mpeg4_mp3");
  const std::string half = folder_.File("half.avi");
  test::WritePrefix(clip, half, static_cast<int64_t>(fs::file_size(clip) / 2));
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(half)) << probe.LastErrMsg();
  EXPECT_EQ(probe.StreamCount(), 2);
  EXPECT_EQ(probe.FileSize(), static_cast<int64_t>(fs::file_size(half)));
  EXPECT_NEAR(probe.FileStreamInfo().Duration / 1e6, 1.0, 0.1);
}

TEST_F(MediaProbeTest, ANamedFormatIsUsedAndKept) {
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(EnsureClip("avi_mpeg4_mp3"), "avi")) << probe.LastErrMsg();
  EXPECT_EQ(probe.InputFormat(), "avi");
  EXPECT_EQ(probe.FormatName(), "avi");
  EXPECT_FALSE(probe.LoadFile(EnsureClip("avi_mpeg4_mp3"), "no_such_format"));
  EXPECT_EQ(probe.LastErrMsg(), "Unknown input format: no_such_format");
  EXPECT_EQ(probe.InputFormat(), "");
  ExpectEmptySummary(probe);
}

// Bytes held in memory, read through an I/O context of the caller's.
class TStringInput {
 public:
  explicit TStringInput(std::string bytes) : bytes_(std::move(bytes)) {
    TAvMemoryPtr<unsigned char> buffer(static_cast<unsigned char*>(api().av_malloc(4096)));
    AVIOContext* io =
        api().avio_alloc_context(buffer.get(), 4096, 0, this, &Read, nullptr, nullptr);
    if (!io) throw std::bad_alloc();
    buffer.release();
    io_.reset(io);
  }
  AVIOContext* Context() const { return io_.get(); }

 private:
  static int Read(void* opaque, uint8_t* buffer, int size) {
    auto& self = *static_cast<TStringInput*>(opaque);
    const size_t count = std::min(static_cast<size_t>(size), self.bytes_.size() - self.at_);
    if (count == 0) return AVERROR_EOF;
    std::memcpy(buffer, self.bytes_.data() + self.at_, count);
    self.at_ += count;
    return static_cast<int>(count);
  }
  std::string bytes_;
  size_t at_ = 0;
  TIOContextPtr io_;
};

TEST_F(MediaProbeTest, AStreamLoadsLikeItsFileAndReachesNothingElse) {
  const std::string clip = EnsureClip("avi_mpeg4_mp3");
  std::ifstream file(clip, std::ios::binary);
  TStringInput input(std::string(std::istreambuf_iterator<char>(file), {}));
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadStream(input.Context(), "memory.avi")) << probe.LastErrMsg();
  EXPECT_EQ(probe.FormatName(), "avi");
  EXPECT_EQ(probe.FileName(), "memory.avi");
  EXPECT_EQ(probe.VideoStreamCount(), 1);
  EXPECT_EQ(probe.AudioStreamCount(), 1);
  EXPECT_EQ(probe.VideoStreamInfo(-1).Width, 320);

  // A playlist arriving as a stream does not open the files it names.
  TStringInput playlist("#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2,\n" + clip +
                        "\n#EXT-X-ENDLIST\n");
  EXPECT_FALSE(probe.LoadStream(playlist.Context(), "memory.m3u8"));
  EXPECT_FALSE(probe.Loaded());
}

TEST_F(MediaProbeTest, NamesOutsideTheLocaleOpenThroughTheWideNameLayer) {
  const std::wstring wide = Utf8ToWide(folder_.File("")) + L"\u0432\u0438\u0434\u0435\u043e.avi";
  const std::string name = WideToUtf8(wide);
  fs::copy_file(EnsureClip("short3s"), name);
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(wide)) << probe.LastErrMsg();
  EXPECT_EQ(probe.FileName(), name);
  EXPECT_EQ(probe.FileSize(), static_cast<int64_t>(fs::file_size(name)));
  EXPECT_TRUE(HasLine(probe.FileInfoText(), "File Name: " + name));
  EXPECT_NEAR(probe.FileStreamInfo().Duration / 1e6, 3.0, 0.06);
  fs::remove(name);
  EXPECT_FALSE(probe.LoadFile(wide));
  EXPECT_EQ(probe.LastErrMsg(), name + ": No such file or directory");
}

TEST_F(MediaProbeTest, AttachedContainerStaysOpenAfterTheProbeLetsGo) {
  const std::string clip = EnsureClip("mp4_h264_aac");
  AVFormatContext* raw = nullptr;
  ASSERT_EQ(api().avformat_open_input(&raw, clip.c_str(), nullptr, nullptr), 0);
  TInputFormatContextPtr input(raw);
  ASSERT_GE(api().avformat_find_stream_info(input.get(), nullptr), 0);
  {
    TMediaProbe probe;
    probe.Attach(input.get());
    EXPECT_EQ(probe.Container(), input.get());
    EXPECT_EQ(probe.StreamCount(), 2);
    EXPECT_EQ(probe.FileName(), clip);
    EXPECT_EQ(probe.FileSize(), static_cast<int64_t>(fs::file_size(clip)));
    EXPECT_EQ(probe.VideoStreamInfo(-1).Width, 320);
    probe.CloseFile();
    ExpectEmptySummary(probe);
    probe.Attach(input.get());
    ASSERT_TRUE(probe.LoadFile(EnsureClip("audio_only")));  // lets go of the attached one
    probe.Attach(input.get());
  }  // destroyed while attached
  TPacketPtr packet = MakePacket();
  EXPECT_GE(api().av_read_frame(input.get(), packet.get()), 0);
  EXPECT_GT(packet->size, 0);
}

TEST_F(MediaProbeTest, StreamAnalysisWaitsForTheCodecLock) {
  const std::string clip = EnsureClip("short3s");
  std::atomic<bool> done{false};
  bool loaded = false;
  CodecLock().lock();
  std::thread worker([&] {
    TMediaProbe probe;
    loaded = probe.LoadFile(clip);
    done = true;
  });
  // Held means not analysed for a while: the time the lock holds the probe is what is tested.
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_FALSE(done) << "analysed while a codec was being opened elsewhere";
  CodecLock().unlock();
  worker.join();
  EXPECT_TRUE(loaded);
}

TEST_F(MediaProbeTest, MissingLibrariesRaiseInCheckOrder) {
  TLibraryLoader& loader = TLibraryLoader::Instance();
  TMediaProbe probe;
  const std::string clip = EnsureClip("short3s");
  auto expectRaises = [&](const char* message) {
    try {
      probe.LoadFile(clip);
      ADD_FAILURE() << "LoadFile did not raise " << message;
    } catch (const EEngineError& e) {
      EXPECT_STREQ(e.what(), message);
    }
    EXPECT_THROW(probe.Attach(nullptr), EEngineError);
  };
  loader.Unload(LibraryBit(liSWScale));
  expectRaises("LibSwScale not loaded.");
  loader.Unload(LibraryBit(liAVCodec));
  expectRaises("LibAVCodec not loaded.");
  LoadMediaLibraries();
  EXPECT_TRUE(probe.LoadFile(clip)) << probe.LastErrMsg();
}

TEST_F(MediaProbeTest, ProgramsListTheirStreamsWithIdsAndLanguages) {
  const std::string ts = folder_.File("program.ts");
  test::RemuxClip(
      EnsureClip("avi_mpeg4_mp3"), ts,
      {"mpegts", {{"service_provider", "Qarvo"}, {"service_name", "Demo"}}, {{"language", "eng"}}});
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(ts)) << probe.LastErrMsg();
  EXPECT_EQ(probe.ProgramCount(), 1);
  const std::string text = probe.FileInfoText();
  EXPECT_EQ(LineAfter(text, "Program 1 Qarvo@Demo").rfind("  Metadata:", 0), 0u) << text;
  EXPECT_TRUE(HasLine(text, "    service_name    : Demo")) << text;
  EXPECT_EQ(LineAfter(text, "    service_provider: Qarvo")
                .rfind("Stream #0[0x100], 1/90000: Video: mpeg4", 0),
            0u)
      << text;
  EXPECT_NE(text.find(", 25 tbr, 90k tbn, 25 tbc"), std::string::npos) << text;
  // The audio stream carries only a language: no metadata block follows its line.
  EXPECT_NE(text.find("Stream #1[0x101](eng), 1/90000: Audio: mp3"), std::string::npos) << text;
  EXPECT_EQ(LineAfter(text, "Stream #1[0x101](eng)"), "");
  EXPECT_EQ(probe.AudioStreamInfo(-1).Language, "eng");
}

TEST_F(MediaProbeTest, AStreamPixelShapeOtherThanTheCodecsIsShownWithItsDisplayRatio) {
  TMediaProbe probe;
  // The QCIF H.263 picture says 12:11 pixels, the 3GP track square ones.
  ASSERT_TRUE(probe.LoadFile(EnsureClip("3gp_h263_aac")));
  EXPECT_NE(probe.FileInfoText().find(", PAR 1:1 DAR 11:9, 15 fps"), std::string::npos)
      << probe.FileInfoText();
  EXPECT_FLOAT_EQ(probe.VideoStreamInfo(-1).DisplayAspectRatio, 176.0f / 144.0f);
  ASSERT_TRUE(probe.LoadFile(EnsureClip("avi_mpeg4_mp3")));
  EXPECT_EQ(probe.FileInfoText().find(", PAR "), std::string::npos);
}

TEST_F(MediaProbeTest, ContainerTagsAndCreationTimeAreReported) {
  const std::string mp4 = folder_.File("tagged.mp4");
  test::RemuxClip(EnsureClip("video_only"), mp4,
                  {"mp4",
                   {{"title", "Harbour"},
                    {"artist", "Q. Maker"},
                    {"album", "Sea"},
                    {"genre", "Documentary"},
                    {"copyright", "(c) nobody"},
                    {"comment", "test"},
                    {"date", "2009"},
                    {"track", "3/12"},
                    {"creation_time", "2009-07-01T12:00:00.000000Z"}},
                   {}});
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(mp4)) << probe.LastErrMsg();
  const TFileStreamInfo file = probe.FileStreamInfo();
  EXPECT_EQ(file.Title, "Harbour");
  EXPECT_EQ(file.Author, "Q. Maker");
  EXPECT_EQ(file.Album, "Sea");
  EXPECT_EQ(file.Genre, "Documentary");
  EXPECT_EQ(file.Copyright, "(c) nobody");
  EXPECT_EQ(file.Comment, "test");
  EXPECT_EQ(file.Year, 2009);
  EXPECT_EQ(file.Track, 3);
  EXPECT_EQ(file.Timestamp, 1246449600);
  const std::string text = probe.FileInfoText();
  EXPECT_TRUE(HasLine(text, "Time Stamp: " + LocalTimeStampText(1246449600))) << text;
  EXPECT_TRUE(HasLine(text, "  title           : Harbour")) << text;
}

TEST_F(MediaProbeTest, FractionalFrameRatesAndStartTimes) {
  TClipSpec spec = StandardClip("video_only");
  spec.Width = 160;
  spec.Height = 120;
  spec.FrameRate = {30000, 1001};
  spec.Duration = 0.5;
  const std::string ntsc = folder_.File("ntsc.mp4");
  GenerateClip(spec, ntsc);
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(ntsc)) << probe.LastErrMsg();
  const TVideoStreamInfo video = probe.VideoStreamInfo(-1);
  EXPECT_EQ(video.FrameRateNum, 30000);
  EXPECT_EQ(video.FrameRateDen, 1001);
  EXPECT_NE(probe.FileInfoText().find(", 29.97 fps, 29.97 tbr"), std::string::npos)
      << probe.FileInfoText();

  // MPEG program streams start late: the default stream's own start, in its time base.
  ASSERT_TRUE(probe.LoadFile(EnsureClip("mpg_mpeg2_mp2")));
  const TVideoStreamInfo mpeg = probe.VideoStreamInfo(-1);
  EXPECT_EQ(probe.DefaultStreamIndex(), probe.FirstVideoStreamIndex());
  EXPECT_EQ(probe.StartTime(), mpeg.StartTime);
  EXPECT_EQ(mpeg.StartTimeUS, api().av_rescale_q(mpeg.StartTime, {1, 90000}, {1, 1000000}));
  EXPECT_GT(mpeg.StartTimeUS, 0);
  EXPECT_TRUE(
      HasLine(probe.FileInfoText(), "StartTime: " + SecondsText(probe.FileStreamInfo().StartTime)));
}

}  // namespace
}  // namespace qarvo
