// The engine converting real clips: records applied to tasks, the custom hook reaching the
// encoded pictures, previews, failures that remove their output, and pause/stop on a real loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "media/EngineLogger.h"

#include "ConvertEngineSupport.h"
#include "support/DecodedClip.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace qarvo {
namespace {

namespace fs = std::filesystem;

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Types of the top-level boxes of an ISO media file, in file order.
std::vector<std::string> TopLevelBoxes(const std::string& bytes) {
  std::vector<std::string> types;
  for (size_t at = 0; at + 8 <= bytes.size();) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    uint64_t size = (uint64_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
    if (size == 1 && at + 16 <= bytes.size()) {
      size = 0;
      for (int i = 8; i < 16; ++i) size = (size << 8) | p[i];
    }
    types.push_back(bytes.substr(at + 4, 4));
    if (size < 8) break;
    at += size;
  }
  return types;
}

class ConvertEngineClipTest : public testing::Test {
 protected:
  void SetUp() override {
    LoadMediaLibraries();
    recorder_.Attach(engine_);
  }

  int AddTask(const std::string& clip) {
    const int index = engine_.AddTask(EnsureClip(clip));
    EXPECT_GE(index, 0) << engine_.LastErrMsg();
    return index;
  }
  const TDecodedStream& Video(const std::string& file) {
    decoded_ = DecodeClip(file);
    for (const TDecodedStream& s : decoded_.Streams)
      if (s.Type == AVMEDIA_TYPE_VIDEO) return s;
    throw std::runtime_error("no video in " + file);
  }
  std::vector<std::string> VideoEncoders(int task, int output) {
    std::vector<std::string> names;
    for (const TCreatedOutputStream& s : engine_.Task(task)->Files.Outputs.at(output).Streams)
      if (s.Encoder && s.Encoder->codec_type == AVMEDIA_TYPE_VIDEO && s.Codec)
        names.push_back(s.Codec->name);
    return names;
  }

  TScratchFolder folder_;
  TEventRecorder recorder_;
  TConvertEngine engine_;
  TDecodedClip decoded_;
};

TEST_F(ConvertEngineClipTest, HookChangesReachTheOutputUntilStopHook) {
  std::vector<THookInfo> calls;
  std::thread::id hookThread;
  int width = 0;
  engine_.SetOnCustomHook([&](TConvertEngine&, PHookInfo info) {
    calls.push_back(*info);
    width = info->Bitmap->Width();
    hookThread = std::this_thread::get_id();
    for (int y = 0; y < info->Bitmap->Height(); ++y)
      std::memset(info->Bitmap->ScanLine(y), 0, info->Bitmap->Width() * 3);
    info->StopHook = info->FrameNumber == 2;
  });
  ASSERT_EQ(AddTask("3gp_h263_aac"), 0);
  TOutputOptions options;
  options.CustomHook = true;
  options.VideoCodec = "mpeg4";
  ASSERT_TRUE(engine_.SetOutputFile(0, folder_.File("hooked.avi"), &options))
      << engine_.LastErrMsg();
  EXPECT_EQ(options.FileName, folder_.File("hooked.avi"));  // written back
  engine_.StartTask(1);
  ASSERT_TRUE(recorder_.WaitRunEnded());
  ASSERT_TRUE(recorder_.Terminations[0].Info.Finished)
      << recorder_.Terminations[0].Info.ExceptionMsg;

  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].TaskIndex, 0);
  EXPECT_EQ(calls[0].FrameNumber, 1);
  EXPECT_EQ(calls[1].FrameNumber, 2);
  EXPECT_EQ(width, 176);
  EXPECT_NE(hookThread, std::this_thread::get_id());
  const TDecodedStream& video = Video(folder_.File("hooked.avi"));
  ASSERT_GT(video.FrameNumbers.size(), 10u);
  EXPECT_EQ(video.FrameNumbers[0], -1);
  EXPECT_EQ(video.FrameNumbers[1], -1);
  EXPECT_EQ(video.FrameNumbers[2], 2);
  EXPECT_EQ(video.FrameNumbers.back(), static_cast<int>(video.FrameNumbers.size()) - 1);
}

// A clip stored turned is turned upright before the hook: the hook's pictures have the
// upright size and what it draws at the top left stays at the top left of the output, also
// when the pictures are deinterlaced first (on their stored rows).
class TurnedClipHook : public ConvertEngineClipTest,
                       public testing::WithParamInterface<const char*> {};

TEST_P(TurnedClipHook, DrawsOnTheUprightPicture) {
  TClipSpec spec;
  spec.Container = spec.Extension = "mp4";
  spec.AudioCodec.clear();
  spec.Duration = 0.4;
  spec.Width = 320;
  spec.Height = 180;
  spec.Rotation = 90;
  spec.CornerMarker = true;
  const int index = engine_.AddTask(EnsureClipFile(spec, "engine_turned90.mp4"));
  ASSERT_EQ(index, 0) << engine_.LastErrMsg();
  int width = 0, height = 0;
  engine_.SetOnCustomHook([&](TConvertEngine&, PHookInfo info) {
    width = info->Bitmap->Width();
    height = info->Bitmap->Height();
    for (int y = 0; y < 40; ++y) std::memset(info->Bitmap->ScanLine(y), 0, 60 * 3);
  });
  TOutputOptions options;
  options.CustomHook = true;
  options.VideoCodec = "mpeg4";
  options.DisableAudio = true;
  options.ExtOptions = GetParam();
  ASSERT_TRUE(engine_.SetOutputFile(0, folder_.File("upright.avi"), &options))
      << engine_.LastErrMsg();
  engine_.StartTask(1);
  ASSERT_TRUE(recorder_.WaitRunEnded());
  ASSERT_TRUE(recorder_.Terminations[0].Info.Finished)
      << recorder_.Terminations[0].Info.ExceptionMsg;
  EXPECT_EQ(width, 180);
  EXPECT_EQ(height, 320);
  const TDecodedStream& video = Video(folder_.File("upright.avi"));
  ASSERT_EQ(video.Width, 180);
  ASSERT_EQ(video.Height, 320);
  const auto luma = [&](int x, int y) { return video.FirstPicture[y * video.Width + x]; };
  EXPECT_LT(luma(20, 15), 40);
  EXPECT_LT(luma(50, 30), 40);
  EXPECT_EQ(FindCornerMarker(video.FirstPicture, video.Width, video.Height,
                             {0, 0, video.Width, video.Height}),
            3);
}

INSTANTIATE_TEST_SUITE_P(Options, TurnedClipHook, testing::Values("", "deinterlace=1"));

TEST_F(ConvertEngineClipTest, HookExceptionIsLoggedAndTheConversionGoesOn) {
  std::vector<std::string> errors;
  TEngineLogger::GetLogger().SetOnLog(
      [&](const void*, uint32_t, TLogLevel level, const std::string& text) {
        if (level == TLogLevel::llError && text.rfind("Error occurs OnCustomHook", 0) == 0)
          errors.push_back(text);
      });
  int calls = 0;
  engine_.SetOnCustomHook([&](TConvertEngine&, PHookInfo info) {
    ++calls;
    std::memset(info->Bitmap->ScanLine(0), 0, info->Bitmap->Stride() * info->Bitmap->Height());
    throw std::runtime_error("handler failed");
  });
  ASSERT_EQ(AddTask("3gp_h263_aac"), 0);
  TOutputOptions options;
  options.CustomHook = true;
  ASSERT_TRUE(engine_.SetOutputFile(0, folder_.File("out.avi"), &options)) << engine_.LastErrMsg();
  engine_.StartTask(0);
  TEngineLogger::GetLogger().SetOnLog(nullptr);
  ASSERT_EQ(recorder_.Terminations.size(), 2u);
  EXPECT_TRUE(recorder_.Terminations[0].Info.Finished)
      << recorder_.Terminations[0].Info.ExceptionMsg;
  const TDecodedStream& video = Video(folder_.File("out.avi"));
  EXPECT_EQ(calls, static_cast<int>(video.FrameNumbers.size()));
  ASSERT_FALSE(errors.empty());
  EXPECT_EQ(errors[0], "Error occurs OnCustomHook: handler failed");
  for (size_t i = 0; i < video.FrameNumbers.size(); ++i)
    EXPECT_EQ(video.FrameNumbers[i], static_cast<int>(i));
}

TEST_F(ConvertEngineClipTest, PreviewBitmapsArriveOnTheMainThreadAtTheEncoderSize) {
  std::vector<TPreviewInfo> previews;
  std::vector<int> widths;
  bool allOnMain = true;
  engine_.SetOnPreviewBitmap([&](TConvertEngine&, const TPreviewInfo& info) {
    previews.push_back(info);
    widths.push_back(info.Bitmap->Width());
    allOnMain = allOnMain && TMainThread::IsMainThread();
  });
  engine_.SetPreviewBitmap(true);
  ASSERT_EQ(AddTask("short3s"), 0);
  TOutputOptions options;
  options.FrameSize = "160x120";
  ASSERT_TRUE(engine_.SetOutputFile(0, folder_.File("small.avi"), &options))
      << engine_.LastErrMsg();
  engine_.StartTask(1);
  ASSERT_TRUE(recorder_.WaitRunEnded());
  ASSERT_FALSE(previews.empty());
  EXPECT_TRUE(allOnMain);
  EXPECT_TRUE(std::all_of(widths.begin(), widths.end(), [](int w) { return w == 160; }));
  // At most one per 100 ms of run time; 75 pictures were encoded.
  EXPECT_LT(previews.size(), 75u);
  for (size_t i = 1; i < previews.size(); ++i) {
    EXPECT_GT(previews[i].FrameNumber, previews[i - 1].FrameNumber);
    EXPECT_GT(previews[i].PTS, previews[i - 1].PTS);
  }
}

// The previewing task holds the preview lock while it waits for the handler on the main
// thread; switching previews from inside the handler must not wait for that lock.
TEST_F(ConvertEngineClipTest, PreviewsSwitchedOffFromInsideTheirHandler) {
  int calls = 0;
  engine_.SetOnPreviewBitmap([&](TConvertEngine& sender, const TPreviewInfo&) {
    ++calls;
    sender.SetPreview(false);
    sender.SetPreviewBitmap(false);
  });
  engine_.SetPreview(true);
  engine_.SetPreviewBitmap(true);
  ASSERT_EQ(AddTask("short3s"), 0);
  ASSERT_TRUE(engine_.SetOutputFile(0, folder_.File("previewed.avi"))) << engine_.LastErrMsg();
  engine_.StartTask(1);
  ASSERT_TRUE(recorder_.WaitRunEnded());
  EXPECT_TRUE(recorder_.Terminations[0].Info.Finished)
      << recorder_.Terminations[0].Info.ExceptionMsg;
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(engine_.Task(0)->PreviewFlags(), 0);
}

TEST_F(ConvertEngineClipTest, CodecsFromOptionTextAndFieldsFillTheStreamGroups) {
  ASSERT_EQ(AddTask("short3s"), 0);
  TOutputOptions fromText;
  fromText.ExtOptions = "vcodec=mpeg4";
  ASSERT_TRUE(engine_.SetOutputFile(0, folder_.File("a.mp4"), &fromText)) << engine_.LastErrMsg();
  EXPECT_EQ(VideoEncoders(0, 0), (std::vector<std::string>{"mpeg4"}));

  TOutputOptions both;
  both.VideoCodec = "libx264";
  both.ExtOptions = "vcodec=mpeg4<CRLF>newvideo=";
  ASSERT_TRUE(engine_.SetOutputFile(0, folder_.File("b.mkv"), &both)) << engine_.LastErrMsg();
  EXPECT_EQ(VideoEncoders(0, 1), (std::vector<std::string>{"libx264", "mpeg4"}));
}

TEST_F(ConvertEngineClipTest, RecordFieldsWinOverOptionTextAndReachTheOutput) {
  ASSERT_EQ(AddTask("short3s"), 0);
  TOutputOptions options;
  options.ExtOptions = "ar=48000\ns=128x96\nac=2";
  options.AudioSampleRate = 22050;
  options.AudioChannels = 1;
  options.FrameRate = "15";
  options.Info.Title = "A title";
  options.Info.Year = 2009;
  ASSERT_TRUE(engine_.SetOutputFile(0, folder_.File("fields.avi"), &options))
      << engine_.LastErrMsg();
  const TOpenedOutput& out = engine_.Task(0)->Files.Outputs.at(0);
  const AVCodecContext* video = nullptr;
  const AVCodecContext* audio = nullptr;
  for (const TCreatedOutputStream& s : out.Streams) {
    if (s.Encoder->codec_type == AVMEDIA_TYPE_VIDEO) video = s.Encoder.get();
    if (s.Encoder->codec_type == AVMEDIA_TYPE_AUDIO) audio = s.Encoder.get();
  }
  ASSERT_NE(video, nullptr);
  ASSERT_NE(audio, nullptr);
  EXPECT_EQ(audio->sample_rate, 22050);
  EXPECT_EQ(audio->ch_layout.nb_channels, 1);
  EXPECT_EQ(video->width, 128);  // the size line of the option text is the default size
  EXPECT_EQ(video->height, 96);
  EXPECT_EQ(video->time_base.den / std::max(video->time_base.num, 1), 15);
  const AVDictionaryEntry* title = api().av_dict_get(out.Context->metadata, "title", nullptr, 0);
  ASSERT_NE(title, nullptr);
  EXPECT_STREQ(title->value, "A title");
  EXPECT_NE(api().av_dict_get(out.Context->metadata, "year", nullptr, 0), nullptr);
}

// Neither the encoder nor the container is named: both come from the file name, and their
// private options still apply, from the option text and from the record's MuxRate.
TEST_F(ConvertEngineClipTest, PrivateOptionsReachTheEncoderAndMuxerGuessedFromTheFileName) {
  ASSERT_EQ(AddTask("short3s"), 0);
  TOutputOptions options;
  options.ExtOptions = "crf=37<CRLF>movflags=+faststart<CRLF>flags2=-dct8x8";
  const std::string out = folder_.File("guessed.mp4");
  ASSERT_TRUE(engine_.SetOutputFile(0, out, &options)) << engine_.LastErrMsg();
  ASSERT_EQ(VideoEncoders(0, 0), (std::vector<std::string>{"libx264"}));

  TOutputOptions program;
  program.MuxRate = 10080000;
  ASSERT_TRUE(engine_.SetOutputFile(0, folder_.File("guessed.mpg"), &program))
      << engine_.LastErrMsg();
  int64_t muxRate = 0;
  const AVFormatContext* mpeg = engine_.Task(0)->Files.Outputs.at(1).Context.get();
  ASSERT_GE(api().av_opt_get_int(mpeg->priv_data, "muxrate", 0, &muxRate), 0);
  EXPECT_EQ(muxRate, 10080000);

  engine_.StartTask(1);
  ASSERT_TRUE(recorder_.WaitRunEnded());
  ASSERT_TRUE(recorder_.Terminations[0].Info.Finished)
      << recorder_.Terminations[0].Info.ExceptionMsg;
  const std::string bytes = FileBytes(out);
  const std::vector<std::string> boxes = TopLevelBoxes(bytes);
  const auto moov = std::find(boxes.begin(), boxes.end(), "moov");
  const auto mdat = std::find(boxes.begin(), boxes.end(), "mdat");
  ASSERT_TRUE(moov != boxes.end() && mdat != boxes.end());
  EXPECT_LT(moov, mdat);
  // The encoder writes its settings into the stream.
  EXPECT_NE(bytes.find("crf=37.0"), std::string::npos);
  EXPECT_NE(bytes.find("8x8dct=0"), std::string::npos);
  EXPECT_GT(Video(out).FrameNumbers.size(), 70u);
}

TEST_F(ConvertEngineClipTest, RefusedEncoderFailsItsTaskRemovesTheOutputAndTheRunGoesOn) {
  ASSERT_EQ(AddTask("3gp_h263_aac"), 0);
  TOutputOptions refused;
  refused.VideoCodec = "h263";
  refused.FrameSize = "160x120";  // not a size the format allows
  ASSERT_TRUE(engine_.SetOutputFile(0, folder_.File("refused.3gp"), &refused))
      << engine_.LastErrMsg();
  ASSERT_EQ(AddTask("3gp_h263_aac"), 1);
  ASSERT_TRUE(engine_.SetOutputFile(1, folder_.File("good.avi")));
  engine_.StartTask(1);
  ASSERT_TRUE(recorder_.WaitRunEnded());
  ASSERT_EQ(recorder_.Terminations.size(), 3u);
  const TTerminateInfo& failed = recorder_.Terminations[0].Info;
  EXPECT_EQ(failed.TaskIndex, 0);
  EXPECT_TRUE(failed.Exception);
  EXPECT_FALSE(failed.Finished);
  EXPECT_FALSE(failed.ExceptionMsg.empty());
  EXPECT_FALSE(fs::exists(folder_.File("refused.3gp")));
  EXPECT_TRUE(recorder_.Terminations[1].Info.Finished)
      << recorder_.Terminations[1].Info.ExceptionMsg;
  EXPECT_GT(Video(folder_.File("good.avi")).FrameNumbers.size(), 20u);
}

TEST_F(ConvertEngineClipTest, PausedConversionWritesNothingAndStopLeavesAPlayableOutput) {
  engine_.SetProgressInterval(100);
  ASSERT_EQ(AddTask("long10min"), 0);
  const std::string out = folder_.File("paused.avi");
  ASSERT_TRUE(engine_.SetOutputFile(0, out));
  engine_.StartTask(1);
  ASSERT_TRUE(TMainThread::WaitPumping([&] { return recorder_.ProgressCount() >= 2; },
                                       std::chrono::seconds(20)));
  engine_.Pause();
  ASSERT_TRUE(
      TMainThread::WaitPumping([&] { return engine_.PauseHeld(); }, std::chrono::seconds(20)));
  // Written under a name of its own until complete: the folder's one file.
  const auto written = [&] {
    const auto entries = folder_.Entries();
    return entries.size() == 1 ? fs::file_size(folder_.File(entries[0])) : 0;
  };
  const auto held = written();
  const int progress = recorder_.ProgressCount();
  // Held means nothing written for a while: the time the pause holds is what is tested.
  TMainThread::WaitPumping([] { return false; }, std::chrono::milliseconds(300));
  EXPECT_GT(held, 0u);
  EXPECT_EQ(written(), held);
  EXPECT_EQ(recorder_.ProgressCount(), progress);

  engine_.Stop(true);
  ASSERT_TRUE(recorder_.WaitRunEnded());
  EXPECT_FALSE(recorder_.Terminations[0].Info.Finished);
  EXPECT_FALSE(recorder_.Terminations[0].Info.Exception)
      << recorder_.Terminations[0].Info.ExceptionMsg;
  // Closed properly: readable up to where it stopped.
  const TDecodedStream& video = Video(out);
  EXPECT_GT(video.FrameNumbers.size(), 0u);
  EXPECT_LT(video.FrameNumbers.size(), 6000u);
}

// The size a task reports is what it has written so far, bytes still in the write buffer
// included: a small MP4 output does not read 0 until its end.
TEST_F(ConvertEngineClipTest, ProgressSizeCountsTheBytesWrittenSoFar) {
  engine_.SetProgressInterval(TConvertEngine::kMinProgressInterval);
  TInputOptions input;
  input.ExtOptions = "re=1";  // as fast as it plays: several reports on the way
  ASSERT_EQ(engine_.AddTask(EnsureClip("short3s"), &input), 0) << engine_.LastErrMsg();
  TOutputOptions options;
  options.VideoCodec = "mpeg4";
  options.VideoBitrate = 64000;
  options.FrameSize = "160x120";
  options.DisableAudio = true;
  ASSERT_TRUE(engine_.SetOutputFile(0, folder_.File("small.mp4"), &options))
      << engine_.LastErrMsg();
  engine_.StartTask(1);
  ASSERT_TRUE(recorder_.WaitRunEnded());
  ASSERT_TRUE(recorder_.Terminations[0].Info.Finished)
      << recorder_.Terminations[0].Info.ExceptionMsg;
  std::lock_guard lock(recorder_.Mutex);
  ASSERT_GE(recorder_.Progress.size(), 4u);
  // Halfway through, something has been written and counted.
  const TProgressInfo& middle = recorder_.Progress[recorder_.Progress.size() / 2];
  EXPECT_GT(middle.CurrentSize, 0) << middle.CurrentDuration;
  EXPECT_LT(middle.CurrentSize, static_cast<int64_t>(fs::file_size(folder_.File("small.mp4"))));
  int64_t last = 0;
  for (const TProgressInfo& info : recorder_.Progress) {
    EXPECT_GE(info.CurrentSize, last);
    last = info.CurrentSize;
  }
}

}  // namespace
}  // namespace qarvo
