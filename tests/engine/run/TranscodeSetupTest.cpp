// Set-up failures of a run: each ends with its message before anything is encoded, and no
// output is left behind.
#include <gtest/gtest.h>

#include "base/EngineError.h"
#include "engine/run/TTranscodeSetup.h"

#include "ConvertTestSupport.h"

namespace qarvo {
namespace {

class THookedTranscoder : public TRecordingTranscoder {
 public:
  bool Hook = false;
  int Preview = 0;
  bool HasCustomHook() const override { return Hook; }
  int PreviewFlags() const override { return Preview; }
};

class TranscodeSetupTest : public ::testing::Test {
 protected:
  void SetUp() override { LoadMediaLibraries(); }
  // Opens short3s and one output (after `configure`), runs, returns the run's message.
  std::string Run(THookedTranscoder& task, const std::function<void(TTaskOptions&)>& configure,
                  const std::function<void()>& afterOpen = {}) {
    EXPECT_TRUE(task.OpenInput(EnsureClip("short3s")));
    configure(task.Options);
    out_ = dir_.File("out.avi");
    EXPECT_GT(task.OpenOutput(out_, false), 0) << task.ErrorText();
    if (afterOpen) afterOpen();
    try {
      task.Transcode();
    } catch (const EEngineError& e) {
      EXPECT_FALSE(std::filesystem::exists(out_)) << e.what();
      return e.what();
    }
    return "";
  }
  TScratchFolder dir_{"setup"};
  std::string out_;
};

// Beside a pipelined run's lanes the older encoders get the cores left over, but today's keep
// their automatic threads: held to one, VP9 ran at 0.4 of its speed on two cores.
TEST(EncoderThreads, TodaysEncodersKeepTheirOwnInAPipelinedRun) {
  for (AVCodecID codec : {AV_CODEC_ID_H264, AV_CODEC_ID_HEVC, AV_CODEC_ID_VP9, AV_CODEC_ID_AV1})
    EXPECT_TRUE(TTranscodeSetup::KeepsAutomaticThreads(codec)) << codec;
  for (AVCodecID codec : {AV_CODEC_ID_MPEG4, AV_CODEC_ID_MPEG2VIDEO, AV_CODEC_ID_AAC})
    EXPECT_FALSE(TTranscodeSetup::KeepsAutomaticThreads(codec)) << codec;
}

TEST_F(TranscodeSetupTest, OutputWithoutStreams) {
  THookedTranscoder task;
  EXPECT_EQ(Run(task, [](TTaskOptions& o) { o.AudioDisable = o.VideoDisable = true; }),
            "Output file #0 does not contain any stream");
}

TEST_F(TranscodeSetupTest, StreamMapChecks) {
  THookedTranscoder count, missing, sync, mismatch;
  EXPECT_EQ(Run(count,
                [](TTaskOptions& o) {
                  o.StreamMaps = {{0, 0, 0, 0}};
                }),
            "Number of stream maps must match number of output streams");
  EXPECT_EQ(Run(missing,
                [](TTaskOptions& o) {
                  o.StreamMaps = {{0, 0, 0, 0}, {0, 5, 0, 5}};
                }),
            "Could not find input stream #0.5");
  EXPECT_EQ(Run(sync,
                [](TTaskOptions& o) {
                  o.StreamMaps = {{0, 0, 0, 0}, {0, 1, 1, 0}};
                }),
            "Could not find sync stream #1.0");
  EXPECT_EQ(Run(mismatch,
                [](TTaskOptions& o) {
                  o.StreamMaps = {{0, 1, 0, 1}, {0, 0, 0, 0}};
                }),
            "Codec type mismatch for mapping #0.1 (Audio) -> #0.0 (Video)");
}

TEST_F(TranscodeSetupTest, CopyIncompatibilities) {
  THookedTranscoder volume, hooked, preview;
  EXPECT_EQ(Run(volume,
                [](TTaskOptions& o) {
                  o.AudioStreamCopy = true;
                  o.AudioVolume = 300;
                }),
            "-acodec copy and -vol are incompatible (frames are not decoded)");
  hooked.Hook = true;
  EXPECT_EQ(Run(hooked, [](TTaskOptions& o) { o.VideoStreamCopy = true; }),
            "-vcodec copy and CustomHook are incompatible (frames are not decoded)");
  preview.Preview = 2;
  EXPECT_EQ(Run(preview, [](TTaskOptions& o) { o.VideoStreamCopy = true; }),
            "-vcodec copy and PostHooks are incompatible (frames are not decoded)");
}

TEST_F(TranscodeSetupTest, MetadataMapIndexes) {
  THookedTranscoder out, in;
  EXPECT_EQ(Run(out,
                [](TTaskOptions& o) {
                  o.MetaDataMaps = {{3, 0}};
                }),
            "Invalid output file index 3 map_meta_data(3,0)");
  EXPECT_EQ(Run(in,
                [](TTaskOptions& o) {
                  o.MetaDataMaps = {{0, 2}};
                }),
            "Invalid input file index 2 map_meta_data(0,2)");
}

TEST_F(TranscodeSetupTest, TwoAudioOutputsShareTheOneSource) {
  THookedTranscoder task;
  EXPECT_EQ(Run(
                task, [](TTaskOptions&) {}, [&] { task.NewAudioStream(0); }),
            "");
  task.ReleaseFiles(false);
  const TDecodedClip clip = DecodeClip(out_);
  ASSERT_EQ(clip.Streams.size(), 3u);
  EXPECT_EQ(clip.Streams[1].Samples, clip.Streams[2].Samples);
}

TEST_F(TranscodeSetupTest, MetadataMapCopiesTheSourceTags) {
  THookedTranscoder task;
  EXPECT_EQ(Run(task,
                [](TTaskOptions& o) {
                  o.MetaDataMaps = {{0, 0}};
                  o.Metadata = {{"title", "Mine"}};
                }),
            "");
  task.ReleaseFiles(false);
  AVFormatContext* raw = nullptr;
  ASSERT_GE(api().avformat_open_input(&raw, out_.c_str(), nullptr, nullptr), 0);
  TInputFormatContextPtr ctx(raw);
  const AVDictionaryEntry* title = api().av_dict_get(ctx->metadata, "title", nullptr, 0);
  ASSERT_TRUE(title);
  EXPECT_STREQ(title->value, "Mine");  // the output's own value is not overwritten
}

}  // namespace
}  // namespace qarvo
