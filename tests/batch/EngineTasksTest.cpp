#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <mutex>

#include "base/MainThread.h"
#include "engine/TConvertEngine.h"
#include "core/BatchRun.h"
#include "batch/EngineTasks.h"
#include "batch/ProbeFacts.h"

#include "support/ScratchFolder.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace qarvo {
namespace {

TEST(ProbeFacts, ShapeLengthAndStreamsOfAClipAndTheReasonForAnUnreadableOne) {
  LoadMediaLibraries();
  std::string error;
  const auto clip = ProbeSource(EnsureClip("short3s"), error);
  ASSERT_TRUE(clip) << error;
  EXPECT_EQ(clip->FileName, EnsureClip("short3s"));
  EXPECT_EQ(clip->Width, 320);
  EXPECT_EQ(clip->Height, 240);
  EXPECT_EQ(clip->VideoStreamCount, 1);
  EXPECT_EQ(clip->AudioStreamCount, 1);
  EXPECT_NEAR(clip->Duration, 3000000, 100000);
  EXPECT_EQ(clip->SampleAspectNum, clip->SampleAspectDen);
  EXPECT_EQ(clip->Rotation, 0);

  // Sound only: no picture figures.
  const auto sound = ProbeSource(EnsureClip("audio_only"), error);
  ASSERT_TRUE(sound) << error;
  EXPECT_EQ(sound->VideoStreamCount, 0);
  EXPECT_EQ(sound->Width, 0);
  EXPECT_EQ(sound->AudioStreamCount, 1);

  test::TScratchFolder folder("facts");
  test::WriteText(folder.File("text.avi"), "not a clip");
  error.clear();
  EXPECT_FALSE(ProbeSource(folder.File("text.avi"), error));
  EXPECT_FALSE(error.empty());
  error.clear();
  EXPECT_FALSE(ProbeSource(folder.File("missing.avi"), error));
  EXPECT_FALSE(error.empty());
}

class TNoQuestion : public ISizeQuestion {
 public:
  bool UseDefaultSize() override { return true; }
};

// The adapter under the core's batch run, the engine's terminations pumped here as a front
// end would.
class EngineTasksTest : public ::testing::Test {
 protected:
  EngineTasksTest() {
    LoadMediaLibraries();
    test::WriteText(folder.File("s.ini"),
                    "[settings]\nOutPutDir=" + folder.File("out") + "\nFormatCode=3\npriority=1\n");
    test::WriteText(folder.File("d.ini"),
                    "[formatInfo3]\nFormat=avi\nFileExt=avi\nVideoSize=160x120\n"
                    "VideoBitRate=256\nFrameRate=as source\nVideoEncoder=MPEG-4\n"
                    "AudioBitRate=64\nSampleRate=22050\nAudioEncoder=MP3\n"
                    "Channel=mono 1 channel\nVolume=100%\n");
    engine.SetOnTerminate([this](TConvertEngine&, const TTerminateInfo& info) {
      std::lock_guard lock(mutex);
      ended.push_back(info);
    });
  }
  ~EngineTasksTest() override { engine.SetOnTerminate(nullptr); }

  // Feeds the terminations to the run until it has ended.
  void RunToTheEnd(TBatchRun& run, std::vector<TJobRow>& rows) {
    bool done = false;
    while (!done) {
      // A safety net only: these jobs take well under a second each.
      ASSERT_TRUE(TMainThread::WaitPumping(
          [this] {
            std::lock_guard lock(mutex);
            return !ended.empty();
          },
          std::chrono::seconds(120)));
      TTerminateInfo info;
      {
        std::lock_guard lock(mutex);
        info = ended.front();
        ended.pop_front();
      }
      done = run.OnTerminate(rows, info.TaskIndex, info.Finished, info.Exception, info.ExceptionMsg,
                             nullptr, false, false, {});
    }
  }

  test::TScratchFolder folder{"batch"};
  TConvertEngine engine;
  std::mutex mutex;
  std::deque<TTerminateInfo> ended;
};

TEST_F(EngineTasksTest, TheBatchRunConvertsThroughTheAdapterAndNamesAnUnreadableSource) {
  TEngineTasks<> tasks(engine);
  std::string error;
  const auto loaded = tasks.LoadSource(EnsureClip("short3s"), error);
  ASSERT_TRUE(loaded) << error;
  const auto probed = ProbeSource(EnsureClip("short3s"), error);
  ASSERT_TRUE(probed);
  EXPECT_EQ(loaded->Duration, probed->Duration);
  EXPECT_EQ(loaded->Width, probed->Width);
  tasks.CloseSource();
  EXPECT_FALSE(tasks.LoadSource(folder.File("missing.avi"), error));
  EXPECT_FALSE(error.empty());

  TIniFile settings(folder.File("s.ini"));
  TIniFile definitions(folder.File("d.ini"));
  test::WriteText(folder.File("text.avi"), "not a clip");
  std::vector<TJobRow> rows;
  for (const std::string& file : {EnsureClip("short3s"), folder.File("text.avi")})
    rows.push_back({file, true, NewJobRecord(file, "", 0, "lbox"), {}, {}});
  TBatchRun run(tasks, settings, definitions);
  TOutputNamer namer(settings);
  TNoQuestion question;
  ASSERT_TRUE(run.Start(rows, namer, question));
  RunToTheEnd(run, rows);

  ASSERT_EQ(run.Reports().size(), 2u);
  EXPECT_EQ(run.Reports()[0].Outcome, TJobOutcome::Finished) << run.Reports()[0].Message;
  EXPECT_TRUE(std::filesystem::file_size(folder.File("out/short3s_(new).avi")) > 0);
  EXPECT_EQ(run.Reports()[1].Outcome, TJobOutcome::Skipped);
  EXPECT_FALSE(run.Reports()[1].Message.empty());
  tasks.ClearTasks();
  EXPECT_EQ(tasks.TasksCount(), 0);
}

}  // namespace
}  // namespace qarvo
