// Two passes and target sizes on real encoders: the first pass writes no file, the hook sees
// both passes alike, progress counts them as one job, the statistics folder goes with the run,
// and sized outputs land within the target.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <string>
#include <vector>

#include "base/MainThread.h"
#include "base/StringFormat.h"
#include "base/TargetRate.h"
#include "media/EngineLogger.h"

#include "ConvertEngineSupport.h"
#include "ConvertTestSupport.h"
#include "support/DecodedClip.h"
#include "support/TestMedia.h"

namespace qarvo {
namespace {

namespace fs = std::filesystem;

bool HasPassFolder(const std::string& folder) {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error))
    if (entry.path().filename().string().rfind("qarvo-passes-", 0) == 0) return true;
  return false;
}

class TwoPassConversionTest : public testing::Test {
 protected:
  void SetUp() override {
    LoadMediaLibraries();
    recorder_.Attach(engine_);
    engine_.SetProgressInterval(100);
    const char* previous = std::getenv("TMPDIR");
    if (previous) previousTmp_ = previous;
    ::setenv("TMPDIR", tmp_.Folder().c_str(), 1);
    engine_.SetOnCustomHook([this](TConvertEngine&, PHookInfo info) {
      // A new pass starts its pictures at 1 again.
      if (info->FrameNumber == 1) ++passes_;
      ++hookCalls_;
      if (passes_ <= 3) hookTimes_[passes_ - 1].push_back(info->PTS);
      if (passes_ == 1 && info->FrameNumber == 2) {
        outputDuringFirstPass_ = fs::exists(output_);
        folderDuringFirstPass_ = HasPassFolder(tmp_.Folder());
      }
      if (stopAtFrame_ > 0 && info->FrameNumber == stopAtFrame_) engine_.Task(0)->RequestStop();
      if (pauseInPass_ == passes_ && info->FrameNumber == 10) {
        // Held here until the main thread has asked for the pause.
        std::unique_lock lock(pauseMutex_);
        hookWaiting_ = true;
        pauseAsked_.wait(lock, [this] { return pauseIssued_; });
      }
      // A mark the output must show: the hook reaches the pass that writes.
      for (int y = 0; y < 8; ++y) std::memset(info->Bitmap->ScanLine(y), 0, 24);
    });
  }
  void TearDown() override {
    if (previousTmp_.empty())
      ::unsetenv("TMPDIR");
    else
      ::setenv("TMPDIR", previousTmp_.c_str(), 1);
  }

  static std::string Clip(double seconds, bool still, bool grain) {
    TClipSpec spec;
    spec.Duration = seconds;
    spec.PositionPattern = still;
    spec.Grain = grain;
    spec.Clicks = false;
    return EnsureClipFile(spec, Format("twopass-%s-%gs.avi",
                                       still   ? "still"
                                       : grain ? "grain"
                                               : "scene",
                                       seconds));
  }

  // Converts `source` under `options` into `name`; the task opens its files at start when
  // `atStart`, otherwise at set-up (and a run of passes opens them again).
  TTerminateInfo Convert(const std::string& source, const std::string& name, TOutputOptions options,
                         bool atStart) {
    output_ = folder_.File(name);
    options.CustomHook = true;
    TInputOptions input;
    const int task = atStart ? engine_.AddTask(source, &input, true) : engine_.AddTask(source);
    EXPECT_EQ(task, 0) << engine_.LastErrMsg();
    EXPECT_TRUE(engine_.SetOutputFile(task, output_, &options)) << engine_.LastErrMsg();
    engine_.StartTask(1);
    EXPECT_TRUE(recorder_.WaitRunEnded(std::chrono::minutes(5)));
    return recorder_.Terminations.at(0).Info;
  }

  // Progress never goes back, and the passes add up to the job's length.
  void ExpectOneJobOfProgress() {
    std::lock_guard lock(recorder_.Mutex);
    ASSERT_FALSE(recorder_.Progress.empty());
    int64_t last = 0;
    for (const TProgressInfo& info : recorder_.Progress) {
      EXPECT_GE(info.CurrentDuration, last);
      last = info.CurrentDuration;
    }
    const TProgressInfo& first = recorder_.Progress.front();
    EXPECT_LE(first.CurrentDuration, first.TotalDuration / 2 + 1);
    EXPECT_GE(last, recorder_.Progress.back().TotalDuration * 8 / 10);
  }

  TScratchFolder folder_{"twopass"};
  TScratchFolder tmp_{"twopass-tmp"};
  std::string previousTmp_;
  TEventRecorder recorder_;
  TConvertEngine engine_;
  std::string output_;
  std::atomic<int> passes_{0};
  std::atomic<int> hookCalls_{0};
  std::vector<int64_t> hookTimes_[3];  // the pictures' times the hook saw, per pass
  int pauseInPass_ = 0;
  std::atomic<bool> hookWaiting_{false};
  std::mutex pauseMutex_;
  std::condition_variable pauseAsked_;
  bool pauseIssued_ = false;  // guarded by pauseMutex_
  int stopAtFrame_ = 0;
  bool outputDuringFirstPass_ = true;
  bool folderDuringFirstPass_ = false;
};

struct TEncoderCase {
  const char* Encoder;
  const char* Extension;
};

class TwoPassEncoders : public TwoPassConversionTest,
                        public testing::WithParamInterface<TEncoderCase> {};

TEST_P(TwoPassEncoders, SecondPassWritesTheAverageRateTheFirstOnlyMeasured) {
  const TEncoderCase encoder = GetParam();
  TOutputOptions options;
  options.VideoCodec = encoder.Encoder;
  options.VideoBitrate = 300000;
  options.VideoPasses = 2;
  options.DisableAudio = true;
  const std::string source = Clip(4, false, true);
  const TTerminateInfo end =
      Convert(source, std::string("out.") + encoder.Extension, options, false);
  ASSERT_TRUE(end.Finished) << end.ExceptionMsg;
  // Pass one wrote nothing under the output's name and kept its statistics privately.
  EXPECT_FALSE(outputDuringFirstPass_);
  EXPECT_TRUE(folderDuringFirstPass_);
  EXPECT_FALSE(HasPassFolder(tmp_.Folder()));
  EXPECT_EQ(passes_, 2);
  const TDecodedStream video = DecodedStream(output_, AVMEDIA_TYPE_VIDEO);
  ASSERT_EQ(video.FrameNumbers.size(), 100u);
  EXPECT_EQ(hookCalls_, 200);
  EXPECT_EQ(hookTimes_[0], hookTimes_[1]);                 // the same pictures at the same times
  EXPECT_LT(video.FirstPicture[2 * video.Width + 2], 40);  // the hook's mark
  const double rate = static_cast<double>(fs::file_size(output_)) * 8 / 4.0;
  EXPECT_GT(rate, 300000 * 0.75);
  EXPECT_LT(rate, 300000 * 1.2);
  ExpectOneJobOfProgress();
}

INSTANTIATE_TEST_SUITE_P(Encoders, TwoPassEncoders,
                         testing::Values(TEncoderCase{"mpeg4", "avi"},
                                         TEncoderCase{"libx264", "mp4"},
                                         TEncoderCase{"libx265", "mp4"},
                                         TEncoderCase{"libvpx-vp9", "webm"}),
                         [](const testing::TestParamInfo<TEncoderCase>& info) {
                           std::string name = info.param.Encoder;
                           for (char& c : name)
                             if (c == '-') c = '_';
                           return name;
                         });

TEST_F(TwoPassConversionTest, StopInTheFirstPassLeavesNoFileAndNoStatistics) {
  stopAtFrame_ = 20;
  TOutputOptions options;
  options.VideoCodec = "libx264";
  options.VideoBitrate = 300000;
  options.VideoPasses = 2;
  const TTerminateInfo end = Convert(Clip(4, false, true), "stopped.mp4", options, true);
  EXPECT_FALSE(end.Finished);
  EXPECT_FALSE(end.Exception) << end.ExceptionMsg;
  EXPECT_EQ(passes_, 1);
  EXPECT_FALSE(fs::exists(output_));
  EXPECT_FALSE(HasPassFolder(tmp_.Folder()));
}

// A pause holds either pass where it is, and the job goes on after it.
class PauseInPass : public TwoPassConversionTest, public testing::WithParamInterface<int> {};

TEST_P(PauseInPass, HoldsThePassAndResumes) {
  pauseInPass_ = GetParam();
  TOutputOptions options;
  options.VideoCodec = "libx264";
  options.VideoBitrate = 300000;
  options.VideoPasses = 2;
  options.DisableAudio = true;
  options.CustomHook = true;
  output_ = folder_.File("paused.mp4");
  ASSERT_EQ(engine_.AddTask(Clip(4, false, true)), 0) << engine_.LastErrMsg();
  ASSERT_TRUE(engine_.SetOutputFile(0, output_, &options)) << engine_.LastErrMsg();
  engine_.StartTask(1);
  ASSERT_TRUE(
      TMainThread::WaitPumping([&] { return hookWaiting_.load(); }, std::chrono::minutes(1)));
  engine_.Pause();
  {
    std::lock_guard lock(pauseMutex_);
    pauseIssued_ = true;
  }
  pauseAsked_.notify_all();
  ASSERT_TRUE(
      TMainThread::WaitPumping([&] { return engine_.PauseHeld(); }, std::chrono::minutes(1)));
  EXPECT_EQ(passes_.load(), pauseInPass_);
  EXPECT_EQ(hookCalls_.load(), (pauseInPass_ - 1) * 100 + 10);
  EXPECT_FALSE(recorder_.RunEnded());
  engine_.Resume();
  ASSERT_TRUE(recorder_.WaitRunEnded(std::chrono::minutes(5)));
  const TTerminateInfo end = recorder_.Terminations.at(0).Info;
  ASSERT_TRUE(end.Finished) << end.ExceptionMsg;
  EXPECT_EQ(DecodedStream(output_, AVMEDIA_TYPE_VIDEO).FrameNumbers.size(), 100u);
}

INSTANTIATE_TEST_SUITE_P(Passes, PauseInPass, testing::Values(1, 2));

// Stopped in its second pass, a job keeps what it wrote, as a one-pass job does.
TEST_F(TwoPassConversionTest, StopInTheSecondPassKeepsThePlayablePart) {
  TOutputOptions options;
  options.VideoCodec = "libx264";
  options.VideoBitrate = 300000;
  options.VideoPasses = 2;
  int calls = 0;
  engine_.SetOnCustomHook([&](TConvertEngine&, PHookInfo) {
    if (++calls == 100 + 30) engine_.Task(0)->RequestStop();
  });
  const TTerminateInfo end = Convert(Clip(4, false, true), "stopped2.mp4", options, true);
  EXPECT_FALSE(end.Finished);
  EXPECT_FALSE(end.Exception) << end.ExceptionMsg;
  const size_t frames = DecodedStream(output_, AVMEDIA_TYPE_VIDEO).FrameNumbers.size();
  EXPECT_GT(frames, 10u);
  EXPECT_LT(frames, 100u);
  EXPECT_FALSE(HasPassFolder(tmp_.Folder()));
}

// A pass that fails takes the statistics folder with it and leaves nothing under the name.
TEST_F(TwoPassConversionTest, FailureInAPassLeavesNoFileAndNoStatistics) {
  TOutputOptions options;
  options.VideoCodec = "libx264";
  options.VideoBitrate = 300000;
  options.VideoPasses = 2;
  options.FrameSize = "101x101";  // x264 takes only even sizes
  const TTerminateInfo end = Convert(Clip(2, false, true), "failed.mp4", options, false);
  EXPECT_TRUE(end.Exception);
  EXPECT_NE(end.ExceptionMsg.find("Error while opening encoder"), std::string::npos)
      << end.ExceptionMsg;
  EXPECT_FALSE(fs::exists(output_));
  EXPECT_FALSE(HasPassFolder(tmp_.Folder()));
}

// SVT-AV1 in this library version has no two-pass mode: the job runs one pass at the rate.
TEST_F(TwoPassConversionTest, EncoderWithoutTwoPassModeRunsOnePass) {
  TOutputOptions options;
  options.VideoCodec = "libsvtav1";
  options.VideoBitrate = 300000;
  options.VideoPasses = 2;
  options.DisableAudio = true;
  const TTerminateInfo end = Convert(Clip(2, false, true), "one.mp4", options, true);
  ASSERT_TRUE(end.Finished) << end.ExceptionMsg;
  EXPECT_EQ(passes_, 1);
  EXPECT_EQ(DecodedStream(output_, AVMEDIA_TYPE_VIDEO).FrameNumbers.size(), 50u);
  EXPECT_FALSE(HasPassFolder(tmp_.Folder()));
}

TEST_F(TwoPassConversionTest, TargetTooSmallForTheSoundFailsBeforeEncoding) {
  TOutputOptions options;
  options.VideoCodec = "libx264";
  options.AudioCodec = "aac";
  options.AudioBitrate = 128000;
  options.TargetSizeBytes = 50000;  // four seconds of that sound alone take 64,000 bytes
  const TTerminateInfo end = Convert(Clip(4, false, true), "small.mp4", options, true);
  ASSERT_TRUE(end.Exception);
  EXPECT_NE(end.ExceptionMsg.find("The target size of 0.05 MB is too small for this job"),
            std::string::npos)
      << end.ExceptionMsg;
  EXPECT_EQ(hookCalls_, 0);
  EXPECT_FALSE(fs::exists(output_));
  EXPECT_FALSE(HasPassFolder(tmp_.Folder()));
}

struct TSizedCase {
  const char* Name;
  double Seconds;
  bool Still;
  const char* Encoder;
  const char* Extension;
  int64_t TargetBytes;
};

class TargetSizes : public TwoPassConversionTest, public testing::WithParamInterface<TSizedCase> {};

// Still and busy pictures, short and long: the output is at most the target and, where the
// pictures can use the bits, at most 5 % under it; a still picture's smaller file is kept and
// said, never filled up.
TEST_P(TargetSizes, OutputFitsTheTarget) {
  const TSizedCase sized = GetParam();
  TOutputOptions options;
  options.VideoCodec = sized.Encoder;
  options.AudioBitrate = 96000;
  options.TargetSizeBytes = sized.TargetBytes;
  std::vector<std::string> lines;
  TEngineLogger::GetLogger().SetOnLog([&](const void*, uint32_t, TLogLevel, const std::string& t) {
    if (t.rfind("Target size", 0) == 0) lines.push_back(t);
  });
  const TTerminateInfo end =
      Convert(Clip(sized.Seconds, sized.Still, !sized.Still),
              std::string(sized.Name) + "." + sized.Extension, options, true);
  TEngineLogger::GetLogger().SetOnLog(nullptr);
  ASSERT_TRUE(end.Finished) << end.ExceptionMsg;
  const auto size = static_cast<int64_t>(fs::file_size(output_));
  std::cout << Format("[ figures  ] %-12s target %s, written %s (%.1f %%), %d passes\n", sized.Name,
                      MegabyteText(sized.TargetBytes).c_str(), MegabyteText(size).c_str(),
                      100.0 * size / sized.TargetBytes, passes_.load());
  for (const std::string& line : lines) std::cout << "[ figures  ]   " << line << '\n';
  if (sized.Still) {
    EXPECT_LE(size, sized.TargetBytes);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
      return line.find("the output stays under its target") != std::string::npos;
    }));
  } else {
    EXPECT_TRUE(HitsTarget(sized.TargetBytes, size)) << size << " for " << sized.TargetBytes;
  }
  EXPECT_GE(passes_, 2);
  EXPECT_FALSE(HasPassFolder(tmp_.Folder()));
  const TDecodedClip clip = DecodeClip(output_);
  ASSERT_EQ(clip.Streams.size(), 2u);
  EXPECT_NEAR(clip.Duration, sized.Seconds, 0.2);
  ExpectOneJobOfProgress();
}

INSTANTIATE_TEST_SUITE_P(
    Clips, TargetSizes,
    testing::Values(TSizedCase{"still_short", 6, true, "libx264", "mp4", 600000},
                    TSizedCase{"still_long", 20, true, "libx264", "mp4", 1500000},
                    TSizedCase{"busy_short", 6, false, "libx264", "mp4", 600000},
                    TSizedCase{"busy_long", 20, false, "libx264", "mp4", 1500000},
                    TSizedCase{"busy_hevc", 6, false, "libx265", "mp4", 500000},
                    TSizedCase{"busy_mpeg4", 6, false, "mpeg4", "avi", 700000}),
    [](const testing::TestParamInfo<TSizedCase>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace qarvo
