#include "core/BatchRun.h"

#include <gtest/gtest.h>

#include "support/FakeBatchEngine.h"
#include "support/ScratchFolder.h"

namespace qarvo {
namespace {

using test::TScratchFolder;
using test::WriteText;

using TFakeEngine = test::TFakeBatchEngine<>;

class TActions : public IAfterRunActions {
 public:
  void OpenFolder(const std::string& folder) override { opened = folder; }
  void PowerOff() override { ++powerOffs; }
  std::string opened;
  int powerOffs = 0;
};

class TYes : public ISizeQuestion {
 public:
  bool UseDefaultSize() override { return true; }
};

class BatchRunTest : public ::testing::Test {
 protected:
  BatchRunTest()
      : settings(folder.File("s.ini")), definitions(folder.File("d.ini")), namer(settings) {
    WriteText(settings.FileName(), "[settings]\nOutPutDir=" + folder.File("out") +
                                       "\nFormatCode=3\npriority=2\n[formatInfo3]\nparaZoom=full\n");
    WriteText(definitions.FileName(),
              "[formatInfo3]\nFormat=avi\nFileExt=avi\nVideoEncoder=MPEG-4\nVideoSize=320x240\n"
              "AudioEncoder=MP3\nVolume=100%\n");
  }
  std::vector<TJobRow> Rows(std::vector<std::pair<std::string, bool>> list) {
    std::vector<TJobRow> rows;
    for (auto& [caption, checked] : list) rows.push_back({caption, checked, {}, {}});
    return rows;
  }
  TScratchFolder folder;
  TIniFile settings, definitions;
  TOutputNamer namer;
  TFakeEngine engine;
  TYes yes;
};

TEST_F(BatchRunTest, NothingCheckedWarnsAndChangesNothing) {
  TBatchRun run(engine, settings, definitions);
  auto rows = Rows({{"/a/x.avi", false}});
  EXPECT_FALSE(run.Start(rows, namer, yes));
  EXPECT_EQ(run.Warning(), "Please select a file by clicking the check box!");
  EXPECT_EQ(engine.Clears, 0);
  EXPECT_FALSE(engine.Priority);
}

TEST_F(BatchRunTest, CheckedRowsBecomeTasksInListOrderAndRefusedOnesAreReported) {
  TBatchRun run(engine, settings, definitions);
  auto rows = Rows({{"/a/one.avi", true}, {"/a/two.avi", false}, {"/a/unreadable.avi", true},
                    {"/a/noout.avi", true}, {"/a/three.mkv", true}});
  rows[4].Record.TrimStart = 5000000;
  ASSERT_TRUE(run.Start(rows, namer, yes));
  EXPECT_EQ(engine.Priority, TRunPriority::Lower);
  EXPECT_EQ(engine.StartedWith, 1);
  EXPECT_EQ(run.TaskRows(), (std::vector<int>{0, 4}));
  ASSERT_EQ(engine.Tasks.size(), 2u);
  EXPECT_EQ(engine.Tasks[1].first.StartTime, 5000000);
  EXPECT_EQ(engine.Tasks[1].second.FileName, folder.File("out") + "/three_(new).avi");
  EXPECT_EQ(engine.Tasks[0].second.FrameSize, "320x240");  // zoom "full" from the profile
  EXPECT_EQ(rows[0].Record.Zoom, "full");
  ASSERT_EQ(run.Reports().size(), 4u);
  EXPECT_EQ(run.Reports()[1].Outcome, TJobOutcome::Skipped);
  EXPECT_EQ(run.Reports()[1].Message, "Invalid data found when processing input");
  EXPECT_EQ(run.Reports()[2].Outcome, TJobOutcome::Skipped);

  // Progress of task 1 updates row 4.
  const TProgressView view = run.OnProgress(rows, 1, 15900000, 60000000, 1234567);
  EXPECT_EQ(view.Percent, 26);
  EXPECT_EQ(rows[4].Progress, "26%");
  EXPECT_EQ(view.Time, "15 Second");
  EXPECT_EQ(view.Length, "60 Second");
  EXPECT_EQ(view.Size, "1234 kb");
  EXPECT_EQ(view.Progress, "[2/2]");
}

TEST_F(BatchRunTest, AfterRunActionsOnlyWhenTheLastJobFinishes) {
  TBatchRun run(engine, settings, definitions);
  auto rows = Rows({{"/a/1.avi", true}, {"/a/2.avi", true}, {"/a/3.avi", true}});
  ASSERT_TRUE(run.Start(rows, namer, yes));
  TActions actions;
  run.OnTerminate(rows, 0, true, false, "", &actions, true, true, "/out");
  run.OnTerminate(rows, 1, true, false, "", &actions, true, true, "/out");
  run.OnTerminate(rows, 2, false, true, "Unknown encoder 'x'", &actions, true, true, "/out");
  EXPECT_TRUE(run.OnTerminate(rows, -1, true, false, "", &actions, true, true, "/out"));
  EXPECT_EQ(actions.opened, "");
  EXPECT_EQ(actions.powerOffs, 0);
  EXPECT_EQ(rows[1].Progress, "100%");
  EXPECT_EQ(run.Reports()[2].Outcome, TJobOutcome::Failed);
  EXPECT_EQ(run.Reports()[2].Message, "Unknown encoder 'x'");
  EXPECT_FALSE(run.AllFinished());

  ASSERT_TRUE(run.Start(rows, namer, yes));
  for (int i = 0; i < 3; ++i) run.OnTerminate(rows, i, true, false, "", &actions, true, false, "/out");
  EXPECT_EQ(actions.opened, "/out");
  EXPECT_EQ(actions.powerOffs, 0);
  EXPECT_TRUE(run.AllFinished());
}

TEST_F(BatchRunTest, CancelStopsTheRestAndRunsNoAction) {
  TBatchRun run(engine, settings, definitions);
  auto rows = Rows({{"/a/1.avi", true}, {"/a/2.avi", true}, {"/a/3.avi", true}});
  ASSERT_TRUE(run.Start(rows, namer, yes));
  TActions actions;
  run.OnTerminate(rows, 0, true, false, "", &actions, true, true, "/out");
  run.OnProgress(rows, 1, 1000000, 3000000, 10);
  run.Cancel();
  EXPECT_TRUE(engine.Stopped);
  run.OnTerminate(rows, 1, false, false, "", &actions, true, true, "/out");
  run.OnTerminate(rows, -1, true, false, "", &actions, true, true, "/out");
  EXPECT_EQ(run.Reports()[1].Outcome, TJobOutcome::Stopped);
  EXPECT_EQ(run.Reports()[2].Outcome, TJobOutcome::Stopped);
  EXPECT_EQ(rows[1].Progress, "33%");
  EXPECT_EQ(actions.opened, "");
}

TEST_F(BatchRunTest, ACompositionErrorStartsNothing) {
  WriteText(settings.FileName(), "[settings]\nOutPutDir=" + folder.File("out") +
                                     "\nFormatCode=3\n[formatInfo3]\nparaVolume=abc\n");
  TBatchRun run(engine, settings, definitions);
  auto rows = Rows({{"/a/1.avi", true}});
  EXPECT_THROW(run.Start(rows, namer, yes), ECompositionError);
  EXPECT_EQ(engine.StartedWith, 0);
  EXPECT_TRUE(engine.Tasks.empty());
}

TEST(ProgressView, ShorteningUnknownLengthAndPriorities) {
  const std::string caption = "/videos/" + std::string(48, 'a') + ".avi";  // 60 characters
  ASSERT_EQ(caption.size(), 60u);
  EXPECT_EQ(ShortenCaption(caption), caption.substr(0, 44) + "...avi");
  EXPECT_EQ(ShortenCaption("/short.avi"), "/short.avi");
  // Characters, not bytes: 50 two-byte characters stay whole; 52 are cut after the 44th.
  const std::string e = "\xC3\xA9";
  std::string wide = "/";
  for (int i = 0; i < 45; ++i) wide += e;
  EXPECT_EQ(ShortenCaption(wide + ".avi"), wide + ".avi");  // 50 characters, 95 bytes
  const std::string longer = "/" + std::string(42, 'a') + e + e + e + e + "1.avi";  // 52
  EXPECT_EQ(ShortenCaption(longer), "/" + std::string(42, 'a') + e + "...avi");
  const TProgressView view = MakeProgressView(0, 1, 5000000, -1, 2000, "/a.avi");
  EXPECT_FALSE(view.Percent);
  EXPECT_EQ(view.Time, "5 Second");
  EXPECT_EQ(view.Size, "2 kb");
  EXPECT_EQ(view.Length, "");
  EXPECT_EQ(PriorityFromSetting(0), TRunPriority::Idle);
  EXPECT_EQ(PriorityFromSetting(3), TRunPriority::Lowest);
  EXPECT_FALSE(PriorityFromSetting(7));
}

}  // namespace
}  // namespace qarvo
