#include <gtest/gtest.h>

#include <thread>

#include "core/BatchRun.h"
#include "core/ErrorMessage.h"

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
    WriteText(settings.FileName(),
              "[settings]\nOutPutDir=" + folder.File("out") +
                  "\nFormatCode=3\npriority=2\n[formatInfo3]\nparaZoom=full\n");
    WriteText(definitions.FileName(),
              "[formatInfo3]\nFormat=avi\nFileExt=avi\nVideoEncoder=MPEG-4\nVideoSize=320x240\n"
              "AudioEncoder=MP3\nVolume=100%\n");
  }
  std::vector<TJobRow> Rows(std::vector<std::pair<std::string, bool>> list) {
    std::vector<TJobRow> rows;
    for (auto& [caption, checked] : list) rows.push_back({caption, checked, {}, {}, {}});
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
  auto rows = Rows({{"/a/one.avi", true},
                    {"/a/two.avi", false},
                    {"/a/unreadable.avi", true},
                    {"/a/noout.avi", true},
                    {"/a/three.mkv", true}});
  rows[4].Record.TrimStart = 5000000;
  ASSERT_TRUE(run.Start(rows, namer, yes));
  EXPECT_EQ(engine.Priority, TRunPriority::Lower);
  // No "simultaneousJobs" key: Automatic, with every core for each job.
  EXPECT_EQ(engine.StartedWith,
            AutomaticSimultaneousJobs(static_cast<int>(std::thread::hardware_concurrency()), true));
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
  for (int i = 0; i < 3; ++i)
    run.OnTerminate(rows, i, true, false, "", &actions, true, false, "/out");
  EXPECT_EQ(actions.opened, "/out");
  EXPECT_EQ(actions.powerOffs, 0);
  EXPECT_TRUE(run.AllFinished());
}

// Jobs at once: the setting, the override, Automatic from the cores; the threads the jobs
// are composed with; jobs ending out of order, a failure among them, and the after-run
// actions waiting for the last one to end.
TEST_F(BatchRunTest, SimultaneousJobsEndInAnyOrderAndTheActionsWaitForTheLast) {
  EXPECT_EQ(AutomaticSimultaneousJobs(1, true), 1);
  EXPECT_EQ(AutomaticSimultaneousJobs(2, true), 2);
  EXPECT_EQ(AutomaticSimultaneousJobs(8, true), 4);
  EXPECT_EQ(AutomaticSimultaneousJobs(4, false), 4);
  EXPECT_EQ(AutomaticSimultaneousJobs(64, false), 8);
  EXPECT_EQ(AutomaticSimultaneousJobs(0, false), 1);

  settings.WriteInteger("settings", "simultaneousJobs", 3);
  settings.WriteBool("settings", "useAllCores", false);
  TBatchRun run(engine, settings, definitions);
  auto rows = Rows({{"/a/1.avi", true}, {"/a/2.avi", true}, {"/a/3.avi", true}});
  ASSERT_TRUE(run.Start(rows, namer, yes));
  EXPECT_EQ(engine.StartedWith, 3);
  EXPECT_EQ(engine.Tasks[0].first.ExtOptions, "");
  EXPECT_EQ(engine.Tasks[0].second.ExtOptions, "");
  TActions actions;
  // The last job of the list ends first, the first one fails: the folder opens when the
  // second, the last to end, has ended.
  run.OnProgress(rows, 1, 1000000, 4000000, 10);
  run.OnProgress(rows, 0, 2000000, 4000000, 10);
  EXPECT_EQ(rows[0].Progress, "50%");
  EXPECT_EQ(rows[1].Progress, "25%");
  const std::vector<TRunningJob> running = run.RunningJobs(rows);
  ASSERT_EQ(running.size(), 2u);
  EXPECT_EQ(running[0].Task, 0);
  EXPECT_EQ(running[0].Output, "/a/1.avi");
  EXPECT_EQ(running[0].Percent, 50);
  EXPECT_EQ(running[1].Percent, 25);
  EXPECT_EQ(run.RunPercent(), 25);  // (50 + 25 + 0) / 3
  run.OnTerminate(rows, 2, true, false, "", &actions, true, false, "/out");
  EXPECT_EQ(run.RunPercent(), 58);  // the ended job counts in full
  EXPECT_EQ(run.RunningJobs(rows).size(), 2u);
  run.OnTerminate(rows, 0, false, true, "Unknown encoder 'x'", &actions, true, false, "/out");
  EXPECT_EQ(actions.opened, "");
  run.OnTerminate(rows, 1, true, false, "", &actions, true, false, "/out");
  EXPECT_EQ(actions.opened, "/out");
  EXPECT_EQ(run.Reports()[0].Outcome, TJobOutcome::Failed);
  EXPECT_EQ(run.Reports()[1].Outcome, TJobOutcome::Finished);

  // The override wins; an out-of-range setting is Automatic; every core: one job at a time
  // gets the codecs' threads and the pipeline, jobs side by side the pipeline only; a
  // format's own thread count is kept.
  settings.WriteInteger("settings", "simultaneousJobs", 42);
  settings.WriteBool("settings", "useAllCores", true);
  EXPECT_EQ(run.SimultaneousJobs(),
            AutomaticSimultaneousJobs(static_cast<int>(std::thread::hardware_concurrency()), true));
  run.SetSimultaneousJobs(2);
  ASSERT_TRUE(run.Start(rows, namer, yes));
  EXPECT_EQ(engine.StartedWith, 2);
  EXPECT_EQ(engine.Tasks[0].first.ExtOptions, "");
  EXPECT_EQ(engine.Tasks[0].second.ExtOptions, "pipeline=1");
  auto one = Rows({{"/a/only.avi", true}});
  ASSERT_TRUE(run.Start(one, namer, yes));  // two at once, but one job: it has the cores
  EXPECT_EQ(engine.Tasks[0].second.ExtOptions, "threads=auto\npipeline=1");
  run.SetSimultaneousJobs(1);
  ASSERT_TRUE(run.Start(rows, namer, yes));
  EXPECT_EQ(engine.StartedWith, 1);
  EXPECT_EQ(engine.Tasks[0].first.ExtOptions, "threads=auto");
  EXPECT_EQ(engine.Tasks[0].second.ExtOptions, "threads=auto\npipeline=1");
  TComposedInput input;
  input.ExtOptions = "vn=1";
  TComposedOutput output;
  output.ExtOptions = "Threads=1";
  ComposeThreads(TThreadUse::All, output, input);
  EXPECT_EQ(input.ExtOptions, "vn=1\nthreads=auto");
  EXPECT_EQ(output.ExtOptions, "Threads=1\npipeline=1");

  // The last job of the list failing keeps the folder closed, whatever ended after it.
  actions.opened.clear();
  run.OnTerminate(rows, 2, false, true, "x", &actions, true, false, "/out");
  run.OnTerminate(rows, 0, true, false, "", &actions, true, false, "/out");
  run.OnTerminate(rows, 1, true, false, "", &actions, true, false, "/out");
  EXPECT_EQ(actions.opened, "");
}

// Jobs at once: the run is measured by time (each job's source length, trimmed), not by
// counting jobs; the window's figures are the run's: time, length, bytes of every job, and
// how many jobs are done out of all, so they agree with the running jobs' list.
TEST_F(BatchRunTest, JobsAtOnceShowTheWholeRunByTimeAndBytes) {
  settings.WriteInteger("settings", "simultaneousJobs", 2);
  TBatchRun run(engine, settings, definitions);
  engine.Facts.Duration = 100000000;  // 100 s each, before trimming
  auto rows = Rows({{"/a/long.avi", true}, {"/a/short.avi", true}, {"/a/trim.avi", true}});
  rows[1].Record.TrimLength = 10000000;  // 10 s kept
  rows[2].Record.TrimStart = 90000000;   // the last 10 s
  ASSERT_TRUE(run.Start(rows, namer, yes));
  EXPECT_TRUE(run.JobsAtOnce());
  EXPECT_EQ(run.TaskLengths(), (std::vector<int64_t>{100000000, 10000000, 10000000}));

  run.OnProgress(rows, 0, 26000000, 100000000, 2000000);
  run.OnProgress(rows, 1, 10000000, 10000000, 500000);
  run.OnTerminate(rows, 1, true, false, "", nullptr, false, false, {});
  // 26 s + 10 s of 120 s: 30 %, where counting jobs would say (26 + 100) / 3 = 42 %.
  EXPECT_EQ(run.RunPercent(), 30);
  const TProgressView view = run.RunView(rows, 1);
  EXPECT_EQ(view.Percent, 30);
  EXPECT_EQ(view.Time, "36 Second");
  EXPECT_EQ(view.Length, "120 Second");
  EXPECT_EQ(view.Size, "2500 kb");
  EXPECT_EQ(view.Progress, "1 of 3 done");
  EXPECT_EQ(view.Output, "/a/short.avi");

  // A length the source does not tell weighs the mean of the known ones; the run's length is
  // then not shown.
  engine.Facts.Duration = -1;
  auto unknown = Rows({{"/a/1.avi", true}, {"/a/2.avi", true}});
  unknown[0].Record.TrimLength = 30000000;
  ASSERT_TRUE(run.Start(unknown, namer, yes));
  run.OnProgress(unknown, 1, 15000000, -1, 0);  // no share without a length
  run.OnProgress(unknown, 0, 15000000, 30000000, 0);
  EXPECT_EQ(run.RunPercent(), 25);
  EXPECT_EQ(run.RunView(unknown, 0).Length, "");
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
  // The third job never began: it was not stopped.
  EXPECT_EQ(run.Reports()[2].Outcome, TJobOutcome::NotStarted);
  EXPECT_EQ(rows[1].Progress, "33%");
  EXPECT_EQ(actions.opened, "");
}

// Sources that cannot give what the format needs are refused in plain words before any task
// exists; a finished job keeps its warning; an engine-reported unstarted task is not stopped.
TEST_F(BatchRunTest, SourcesLackingWhatTheFormatNeedsAreRefusedInPlainWords) {
  WriteText(definitions.FileName(),
            "[formatInfo706]\nFileExt=ac3\nVideoEncoder=\nAudioEncoder=AC-3\n");
  TBatchRun audio(engine, settings, definitions);
  audio.SetFormatCode(706);
  engine.Facts.AudioStreamCount = 0;  // a video-only source for an audio format
  auto rows = Rows({{"/a/video-only.mp4", true}, {folder.Folder(), true}});
  EXPECT_FALSE(audio.Start(rows, namer, yes));
  ASSERT_EQ(audio.Reports().size(), 2u);
  EXPECT_EQ(audio.Reports()[0].Message, "the source has no audio stream");
  EXPECT_EQ(audio.Reports()[1].Message, "this is a folder, not a media file");
  EXPECT_EQ(audio.Reports()[1].Outcome, TJobOutcome::Skipped);

  engine.Facts.VideoStreamCount = 0;  // subtitles only, for a video format
  TBatchRun video(engine, settings, definitions);
  rows = Rows({{"/a/subtitles.srt", true}});
  EXPECT_FALSE(video.Start(rows, namer, yes));
  EXPECT_EQ(video.Reports()[0].Message, "the source has no audio or video stream");
  EXPECT_TRUE(engine.Tasks.empty());

  // A finished job keeps its warning; a task the engine ended unstarted is not "stopped".
  engine.Facts.VideoStreamCount = engine.Facts.AudioStreamCount = 1;
  rows = Rows({{"/a/cut.mkv", true}, {"/a/later.avi", true}});
  ASSERT_TRUE(video.Start(rows, namer, yes));
  video.OnTerminate(rows, 0, true, false, "source ended early at 00:00:01.32 of 00:00:03.00",
                    nullptr, false, false, {});
  video.OnNotStarted(1);
  video.OnTerminate(rows, -1, true, false, "", nullptr, false, false, {});
  EXPECT_EQ(video.Reports()[0].Outcome, TJobOutcome::Finished);
  EXPECT_EQ(video.Reports()[0].Message, "source ended early at 00:00:01.32 of 00:00:03.00");
  EXPECT_EQ(video.Reports()[1].Outcome, TJobOutcome::NotStarted);
}

TEST(PlainJobMessage, NamesTheCauseWithoutCodesCallsOrTheSourceTwice) {
  const std::string src = "/v/clip.avi", out = "/o/clip_(new).mp4";
  struct TCase {
    std::string EngineText, Plain;
  } cases[] = {
      {"/o/clip_(new).mp4: Error number -28 occurred (No space left on device)",
       "the disk is full: cannot write /o/clip_(new).mp4"},
      {"av_interleaved_write_frame(): Error number -28 occurred (No space left on device)",
       "the disk is full: cannot write /o/clip_(new).mp4"},
      {"/o/clip_(new).mp4: Error number -13 occurred (Permission denied)",
       "the folder /o is read-only: cannot write /o/clip_(new).mp4"},
      {"/o/clip_(new).mp4: Error number -30 occurred (Read-only file system)",
       "the folder /o is read-only: cannot write /o/clip_(new).mp4"},
      {"/v/clip.avi: Error number -21 occurred (Is a directory)",
       "this is a folder, not a media file"},
      {"/v/clip.avi: not a media file", "not a media file"},
      {"Decoder (codec id 86018) not found for input stream #0.1 (Audio)",
       "this file's audio format is not supported"},
      {"/v/clip.avi: reading failed at 00:00:01.20 of 00:00:03.00: I/O error",
       "reading failed at 00:00:01.20 of 00:00:03.00: I/O error"},
      {"/o/clip_(new).mp4: Error number -20 occurred (Not a directory)",
       "cannot write /o/clip_(new).mp4: Not a directory"},
      {"Unknown encoder 'libfoo'", "Unknown encoder 'libfoo'"},
      {"this is a folder, not a media file", "this is a folder, not a media file"},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(PlainJobMessage(c.EngineText, src, out), c.Plain) << c.EngineText;
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
