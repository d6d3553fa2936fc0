// How a task's output reaches its final name: only when complete, never over a file that
// appeared meanwhile (when the caller asks so), with its index moved to the front for the
// MP4 family, and the complete file kept with a warning when that rewrite fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/EngineError.h"

#include "ConvertEngineSupport.h"
#include "support/DecodedClip.h"
#include "support/MediaBoxes.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace qarvo {
namespace {

namespace fs = std::filesystem;

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TNameIfTaken Numbered(const TScratchFolder& folder) {
  return [&folder](int n) { return folder.File("out_" + std::to_string(n) + ".avi"); };
}

class OutputCommitTest : public testing::Test {
 protected:
  void SetUp() override {
    LoadMediaLibraries();
    recorder_.Attach(engine_);
    script_.OutputBytes = "complete output";
  }
  void AddTask(TOutputOptions options) {
    ASSERT_EQ(engine_.AddTask(EnsureClip("short3s")), 0) << engine_.LastErrMsg();
    ASSERT_TRUE(engine_.SetOutputFile(0, Final(), &options)) << engine_.LastErrMsg();
  }
  std::string Final() const { return folder_.File("out.avi"); }
  TTerminateInfo Ended() {
    EXPECT_TRUE(recorder_.WaitRunEnded());
    std::lock_guard lock(recorder_.Mutex);
    return recorder_.Terminations.at(0).Info;
  }

  TScratchFolder folder_{"commit"};
  TScript script_;
  TScriptedEngine engine_{script_};
  TEventRecorder recorder_;
};

TEST_F(OutputCommitTest, NothingIsUnderTheFinalNameUntilTheOutputIsComplete) {
  bool seenWhileRunning = true;
  std::vector<std::string> entries;
  script_.EachIteration = [&](TTranscoder&, int) {
    seenWhileRunning = fs::exists(Final());
    entries = folder_.Entries();
  };
  TOutputOptions options;
  options.NameIfTaken = Numbered(folder_);
  AddTask(options);
  engine_.StartTask(1);
  const TTerminateInfo info = Ended();
  EXPECT_FALSE(seenWhileRunning);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].rfind(".out.avi.qarvo-part-", 0), 0u) << entries[0];
  EXPECT_TRUE(info.Finished);
  EXPECT_EQ(info.OutputFile, Final());
  EXPECT_EQ(Read(Final()), "complete output");
  EXPECT_EQ(folder_.Entries().size(), 1u);
}

TEST_F(OutputCommitTest, AFileThatAppearsUnderTheNameIsKeptAndTheOutputNumbered) {
  script_.EachIteration = [&](TTranscoder&, int iteration) {
    if (iteration == 1) std::ofstream(Final()) << "another program's";
  };
  TOutputOptions options;
  options.NameIfTaken = Numbered(folder_);
  AddTask(options);
  engine_.StartTask(1);
  const TTerminateInfo info = Ended();
  EXPECT_TRUE(info.Finished);
  EXPECT_EQ(info.OutputFile, folder_.File("out_1.avi"));
  EXPECT_EQ(Read(Final()), "another program's");
  EXPECT_EQ(Read(folder_.File("out_1.avi")), "complete output");
}

TEST_F(OutputCommitTest, FailedAndStoppedJobsLeaveNothing) {
  for (const bool fail : {true, false}) {
    SCOPED_TRACE(fail ? "failed" : "stopped");
    script_.Fail = fail;
    script_.Iterations = fail ? 3 : 100000;
    script_.Step = std::chrono::milliseconds(1);
    TOutputOptions options;
    options.NameIfTaken = Numbered(folder_);
    AddTask(options);
    engine_.StartTask(1);
    if (!fail) {
      ASSERT_TRUE(
          TMainThread::WaitPumping([&] { return script_.Iterated > 2; }, std::chrono::seconds(5)));
      engine_.Stop(true);
    }
    const TTerminateInfo info = Ended();
    EXPECT_FALSE(info.Finished);
    EXPECT_TRUE(info.OutputFile.empty());
    EXPECT_TRUE(folder_.Entries().empty());
    engine_.ClearTasks();
    std::lock_guard lock(recorder_.Mutex);
    recorder_.Terminations.clear();
  }
}

// The real conversion, with the fast-start copy failing as a full disk would make it.
class TFailingCopyTask : public TTranscoder {
 protected:
  std::unique_ptr<TPartFile> MakeFastStartCopy(const TOpenedOutput&) override {
    throw EEngineError("no space left for the copy");
  }
};

class TFailingCopyEngine : public TConvertEngine {
 public:
  std::unique_ptr<TTranscoder> CreateTask() override {
    return std::make_unique<TFailingCopyTask>();
  }
};

std::string ConvertToMp4(TConvertEngine& engine, TEventRecorder& recorder, const std::string& out) {
  EXPECT_EQ(engine.AddTask(EnsureClip("short3s")), 0) << engine.LastErrMsg();
  TOutputOptions options;
  options.VideoCodec = "mpeg4";
  options.AudioCodec = "aac";
  EXPECT_TRUE(engine.SetOutputFile(0, out, &options)) << engine.LastErrMsg();
  engine.StartTask(1);
  EXPECT_TRUE(recorder.WaitRunEnded());
  std::lock_guard lock(recorder.Mutex);
  const TTerminateInfo& info = recorder.Terminations.at(0).Info;
  EXPECT_TRUE(info.Finished) << info.ExceptionMsg;
  EXPECT_EQ(info.OutputFile, out);
  return info.Warning;
}

size_t VideoFrames(const std::string& path) {
  for (const TDecodedStream& stream : DecodeClip(path).Streams)
    if (stream.Type == AVMEDIA_TYPE_VIDEO) return stream.FrameNumbers.size();
  return 0;
}

TEST(OutputFastStart, TheIndexComesFirstAndTheStreamsStayAsWritten) {
  LoadMediaLibraries();
  const TScratchFolder folder("faststart");
  TConvertEngine engine;
  TEventRecorder recorder;
  recorder.Attach(engine);
  const std::string out = folder.File("out.mp4");
  EXPECT_EQ(ConvertToMp4(engine, recorder, out), "");
  EXPECT_TRUE(test::IndexBeforeData(out));
  const TDecodedClip clip = DecodeClip(out);
  EXPECT_NEAR(clip.Duration, 3.0, 0.1);
  ASSERT_EQ(clip.Streams.size(), 2u);
  EXPECT_EQ(VideoFrames(out), 75u);
  EXPECT_EQ(folder.Entries().size(), 1u);
}

TEST(OutputFastStart, AFailedRewriteLeavesTheCompleteFileAndAWarning) {
  LoadMediaLibraries();
  const TScratchFolder folder("faststart");
  TFailingCopyEngine engine;
  TEventRecorder recorder;
  recorder.Attach(engine);
  const std::string out = folder.File("out.mp4");
  const std::string warning = ConvertToMp4(engine, recorder, out);
  EXPECT_NE(warning.find(out + ": could not be rewritten to play while it loads"),
            std::string::npos)
      << warning;
  EXPECT_NE(warning.find("no space left for the copy"), std::string::npos) << warning;
  EXPECT_FALSE(test::IndexBeforeData(out));
  EXPECT_EQ(VideoFrames(out), 75u);
  EXPECT_EQ(folder.Entries().size(), 1u);
}

}  // namespace
}  // namespace qarvo
