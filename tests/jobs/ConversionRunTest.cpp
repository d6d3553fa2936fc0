#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "base/MainThread.h"
#include "engine/TConvertEngine.h"
#include "engine/TTranscoder.h"
#include "core/OutputNaming.h"
#include "jobs/IRunMessages.h"
#include "jobs/TConversionRun.h"
#include "jobs/TJobListModel.h"
#include "jobs/TfrmProgress.h"

#include "support/QtApplication.h"
#include "support/ScratchFolder.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"
#include "support/TinyClipCopies.h"

namespace qarvo {
namespace {

using test::TScratchFolder;
using test::WriteText;

class TRecordedActions : public IAfterRunActions {
 public:
  void OpenFolder(const std::string& folder) override { opened.push_back(folder); }
  void PowerOff() override { ++powerOffs; }
  std::vector<std::string> opened;
  int powerOffs = 0;
};

class TRecordedMessages : public IRunMessages {
 public:
  bool UseDefaultSize() override { return true; }
  void ShowWarning(const std::string& text) override { warnings.push_back(text); }
  std::vector<std::string> warnings;
};

// The run tests' clip at a given length. Eight seconds convert in a few tens of
// milliseconds, often with no progress report before the last; forty give several.
std::string RunClip(int seconds) {
  TClipSpec spec = StandardClip("short3s");
  spec.Duration = seconds;
  return EnsureClipFile(spec, "run-" + std::to_string(seconds) + "s.avi");
}

class ConversionRunTest : public ::testing::Test {
 protected:
  ConversionRunTest() {
    LoadMediaLibraries();
    WriteText(folder.File("s.ini"), "[settings]\nOutPutDir=" + folder.File("out") +
                                        "\nSnapOutPutDir=" + folder.File("snaps") +
                                        "\nFormatCode=3\npriority=1\n");
    WriteText(folder.File("d.ini"),
              "[formatInfo3]\nFormat=avi\nFileExt=avi\nVideoSize=320x240\nVideoBitRate=512\n"
              "FrameRate=as source\nVideoEncoder=MPEG-4\nAudioBitRate=64\nSampleRate=22050\n"
              "AudioEncoder=MP3\nChannel=mono 1 channel\nVolume=100%\n");
    global.SetSettingsFile(folder.File("s.ini"));
    global.SetFormatFile(folder.File("d.ini"));
    global.SetAppTitle("Qarvo 3GP Video Converter");
    engine.SetProgressInterval(100);
    run.SetAfterRunActions(&actions);
    run.SetMessages(&messages);
    // A safety net only: a run that hangs is cancelled and fails the test.
    ArmGuard([this] {
      ADD_FAILURE() << "the run did not end";
      if (run.ProgressWindow()) QTest::mouseClick(Button("btnCancel"), Qt::LeftButton);
    });
  }

  std::vector<TJobRow> Rows(const std::vector<std::string>& files) {
    std::vector<TJobRow> rows;
    for (const std::string& file : files)
      rows.push_back({file, true, NewJobRecord(file, "", 0, "lbox"), {}, {}});
    return rows;
  }
  bool Start(std::vector<TJobRow>& rows) {
    guard.start();
    const bool started = run.Start(rows, [this](int row) { ++changes[row]; });
    guard.stop();
    return started;
  }
  QPushButton* Button(const char* name) const {
    return run.ProgressWindow()->findChild<QPushButton*>(QString::fromLatin1(name));
  }
  void ArmGuard(std::function<void()> fn) {
    guard.setSingleShot(true);
    guard.setInterval(240000);
    QObject::connect(&guard, &QTimer::timeout, fn);
  }

  test::TQtHandOver handOver;
  TScratchFolder folder{"run"};
  TGlobalObject global;
  TConvertEngine engine;
  TConversionRun run{engine, global, nullptr};
  TRecordedActions actions;
  TRecordedMessages messages;
  std::map<int, int> changes;
  QTimer guard;
};

TEST_F(ConversionRunTest, TwoClipsConvertAndTheAfterRunChoicesFollowTheirRules) {
  // One job after the other: the window shows the job being converted.
  TIniFile(folder.File("s.ini")).WriteInteger("settings", "simultaneousJobs", 1);
  const std::string clip = EnsureClip("short3s");
  auto rows = Rows({clip, clip});
  ASSERT_TRUE(Start(rows));
  EXPECT_EQ(rows[0].Progress, "100%");
  EXPECT_EQ(rows[1].Progress, "100%");
  EXPECT_GT(changes[0], 0);
  EXPECT_GT(changes[1], 0);
  EXPECT_TRUE(std::filesystem::exists(folder.File("out/short3s_(new).avi")));
  EXPECT_TRUE(std::filesystem::exists(folder.File("out/short3s_(new_1).avi")));
  EXPECT_TRUE(messages.warnings.empty());
  EXPECT_EQ(engine.TasksCount(), 0);  // the end of the run cleared them
  // "Open the output folder" starts checked, "Shut down" unchecked.
  EXPECT_EQ(actions.opened, std::vector<std::string>{folder.File("out")});
  EXPECT_EQ(actions.powerOffs, 0);
  TfrmProgress* window = run.ProgressWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(window->findChild<QProgressBar*>("progbarFile")->value(), 100);
  EXPECT_EQ(window->findChild<QLabel*>("lblProgress")->text(), "[2/2]");

  // The last preview picture of the run, at the encoder's size, and the picture area as shown.
  window->findChild<QToolButton*>("imgbtnSnap")->click();
  const auto bmpSize = [](const std::string& file) {
    const std::string bytes = test::ReadText(file);
    if (bytes.size() < 26) return std::pair<int, int>{0, 0};
    const auto le = [&](size_t at) {
      return int(uint8_t(bytes[at])) | int(uint8_t(bytes[at + 1])) << 8 |
             int(uint8_t(bytes[at + 2])) << 16;
    };
    return std::pair<int, int>{le(18), le(22)};
  };
  EXPECT_EQ(bmpSize(folder.File("snaps/Snapshot_full.bmp")), std::make_pair(320, 240));
  EXPECT_EQ(bmpSize(folder.File("snaps/Snapshot_small.bmp")), std::make_pair(389, 210));
  EXPECT_TRUE(std::filesystem::exists(folder.File("snaps/Snapshot_full.jpg")));
  EXPECT_TRUE(std::filesystem::exists(folder.File("snaps/Snapshot_small.jpg")));

  // The window is kept: "Shut down" keeps its state from run to run, "Open" is checked anew.
  window->findChild<QCheckBox*>("ckShutDown")->setChecked(true);
  window->findChild<QCheckBox*>("ckOpen")->setChecked(false);
  auto again = Rows({clip});
  ASSERT_TRUE(Start(again));
  EXPECT_EQ(run.ProgressWindow(), window);
  EXPECT_EQ(actions.opened.size(), 2u);
  EXPECT_EQ(actions.powerOffs, 1);
}

// The start keeps the windows painted while it opens the jobs, so queued calls (the engine's
// hand-overs among them) run inside it: from the first run on, they find the progress window.
TEST_F(ConversionRunTest, TheFirstRunsProgressWindowExistsBeforeTheRunStarts) {
  auto rows = Rows({EnsureClip("short3s")});
  bool ranBeforeTheWindowShowed = false;
  bool windowThen = false;
  QTimer::singleShot(0, &run, [&] {
    TfrmProgress* window = run.ProgressWindow();
    ranBeforeTheWindowShowed = run.Running() && !(window && window->isVisible());
    windowThen = window != nullptr;
  });
  ASSERT_TRUE(Start(rows));
  ASSERT_TRUE(ranBeforeTheWindowShowed);
  EXPECT_TRUE(windowThen);
  EXPECT_EQ(rows[0].Progress, "100%");
}

TEST_F(ConversionRunTest, ABadSourceFailsWithItsReasonAndTheOthersFinish) {
  const std::string clip = EnsureClip("short3s");
  const std::string bad = folder.File("bad.avi");
  WriteText(bad, "this is no video at all");
  auto rows = Rows({clip, bad, clip});
  ASSERT_TRUE(Start(rows));
  EXPECT_EQ(rows[0].Progress, "100%");
  EXPECT_EQ(rows[1].Progress, "Failed");
  EXPECT_FALSE(rows[1].ProgressTip.empty());
  EXPECT_EQ(rows[2].Progress, "100%");
  ASSERT_EQ(messages.warnings.size(), 1u);
  EXPECT_EQ(messages.warnings[0], "1 of 3 jobs failed:\n\nbad.avi: " + rows[1].ProgressTip);
  EXPECT_EQ(actions.opened.size(), 1u);  // the last task of the run finished

  // Nothing at all to convert: one message naming the reason, no window.
  auto onlyBad = Rows({bad});
  EXPECT_FALSE(Start(onlyBad));
  EXPECT_EQ(onlyBad[0].Progress, "Failed");
  EXPECT_EQ(messages.warnings.back(), "1 of 1 job failed:\n\nbad.avi: " + onlyBad[0].ProgressTip);
  onlyBad[0].Checked = false;
  EXPECT_FALSE(Start(onlyBad));
  EXPECT_EQ(messages.warnings.back(), "Please select a file by clicking the check box!");
}

TEST_F(ConversionRunTest, TheDestinationTipSaysWhatWasFittedToTheDevice) {
  // A phone format asked for more than the phone plays: the run lowers the rate and the
  // job's Destination tooltip says so under the file's name.
  std::string definitions = test::ReadText(folder.File("d.ini"));
  definitions +=
      "[formatInfo3000]\nFormat=mp4\nFileExt=mp4\nEncoding=current\nVideoSize=as source\n"
      "VideoBitRate=35000\nFrameRate=as source\nVideoEncoder=H.264\nAudioBitRate=128\n"
      "SampleRate=44100\nAudioEncoder=AAC\nChannel=stereo 2 channels\nVolume=100%\n"
      "RateMode=constant quality,average bit rate\niRateMode=1\nSpeed=ultrafast\n"
      "Device=android-phone\n";
  WriteText(folder.File("d.ini"), definitions);
  TIniFile settings(folder.File("s.ini"));
  settings.WriteInteger("settings", "FormatCode", 3000);
  TJobListModel model;
  model.Append(Rows({EnsureClip("short3s")}), settings, TIniFile(folder.File("d.ini")));
  const QModelIndex destination = model.index(0, kColDestination);
  const std::string file = model.List().Rows()[0].Record.DestFile;
  EXPECT_EQ(destination.data(Qt::ToolTipRole).toString().toStdString(), file);

  ASSERT_TRUE(Start(model.List().Rows()));
  EXPECT_EQ(model.List().Rows()[0].Progress, "100%");
  EXPECT_EQ(destination.data(Qt::ToolTipRole).toString().toStdString(),
            file +
                "\nVideo bit rate lowered from 35000 to 20000 kbit/s to fit Android phones "
                "(up to 20000 kbit/s).");

  // Within the limits again: the next run's tooltip is the file alone.
  settings.WriteString("formatInfo3000", "paraVideoBitRate", "1000");
  ASSERT_TRUE(Start(model.List().Rows()));
  EXPECT_EQ(destination.data(Qt::ToolTipRole).toString().toStdString(), file);
}

TEST_F(ConversionRunTest, PauseHoldsTheJobAndResumeLetsItFinish) {
  auto rows = Rows({RunClip(8)});
  bool paused = false, heldWhilePaused = false, reopened = false;
  QObject::connect(&run, &TConversionRun::TaskProgressed, [&](int task) {
    if (paused || task != 0) return;
    // Inside the report the job is surely still converting.
    paused = true;
    QTest::mouseClick(Button("btnPause"), Qt::LeftButton);
    heldWhilePaused = engine.Task(0)->PauseGate.IsClosed() && Button("btnResume")->isEnabled() &&
                      !Button("btnPause")->isEnabled();
    QTimer::singleShot(0, [&] {
      QTest::mouseClick(Button("btnResume"), Qt::LeftButton);
      reopened = !engine.Task(0)->PauseGate.IsClosed() && Button("btnPause")->isEnabled();
    });
  });
  ASSERT_TRUE(Start(rows));
  EXPECT_TRUE(paused);
  EXPECT_TRUE(heldWhilePaused);
  EXPECT_TRUE(reopened);
  EXPECT_EQ(rows[0].Progress, "100%");
}

// Two jobs at once: the window lists both with their own percentages; its figures and main
// bar are the whole run's, by time, so a short job ending does not fill the bar; the counts
// agree; speed and size come from the run. Each row keeps its own; the folder opens once.
TEST_F(ConversionRunTest, JobsAtOnceShowTheirOwnProgressAndTheRunsOverall) {
  TIniFile(folder.File("s.ini")).WriteInteger("settings", "simultaneousJobs", 2);
  // Long enough, and reported often enough, that both jobs report while both run.
  engine.SetProgressInterval(TConvertEngine::kMinProgressInterval);
  auto rows = Rows({RunClip(40), RunClip(8)});
  int mostListed = 0;
  std::map<int, std::string> rowsSeen;
  TfrmProgress* window = nullptr;
  const auto label = [&](const char* name) {
    return window->findChild<QLabel*>(QString::fromLatin1(name))->text();
  };
  QString sizeSeen;
  bool shortJobEnded = false;
  bool longJobHeld = false;
  QObject::connect(&run, &TConversionRun::TaskProgressed, [&](int task) {
    window = run.ProgressWindow();
    const QString listed = label("lblRunning");
    mostListed = std::max(mostListed, static_cast<int>(listed.count(QLatin1Char('\n'))) + 1);
    rowsSeen[task] = rows[task].Progress;
    if (sizeSeen.isEmpty() && label("lblSize") != "0 kb") sizeSeen = label("lblSize");
    // The long job's thread waits in its first report until the short job has ended, so the
    // short one reports while both run and ends first, however the threads are scheduled.
    if (task == 0 && !longJobHeld) {
      longJobHeld = true;
      TMainThread::WaitPumping([&] { return shortJobEnded; }, std::chrono::minutes(2));
    }
  });
  int barWhenFirstEnded = -1;
  QString countWhenFirstEnded;
  QObject::connect(&run, &TConversionRun::TaskEnded, [&](int task) {
    if (task == 1) shortJobEnded = true;
    window = run.ProgressWindow();
    if (barWhenFirstEnded >= 0) return;
    barWhenFirstEnded = window->findChild<QProgressBar*>("progbarFile")->value();
    countWhenFirstEnded = label("lblProgress");
  });
  ASSERT_TRUE(Start(rows));
  EXPECT_EQ(mostListed, 2);
  EXPECT_EQ(rowsSeen.size(), 2u);
  EXPECT_EQ(rows[0].Progress, "100%");
  EXPECT_EQ(rows[1].Progress, "100%");
  // The 8 s job ends first: the bar shows the run, not that job's 100 %.
  EXPECT_GE(barWhenFirstEnded, 0);
  EXPECT_LT(barWhenFirstEnded, 100);
  EXPECT_EQ(countWhenFirstEnded, "1 of 2 done");
  EXPECT_FALSE(sizeSeen.isEmpty());
  window = run.ProgressWindow();
  EXPECT_EQ(window->findChild<QProgressBar*>("progbarFile")->value(), 100);
  EXPECT_FALSE(window->findChild<QProgressBar*>("progbarRun")->isVisibleTo(window));
  EXPECT_EQ(label("lblProgress"), "2 of 2 done");
  EXPECT_EQ(label("lblLength"), "48 Second");
  EXPECT_EQ(actions.opened.size(), 1u);
  EXPECT_TRUE(messages.warnings.empty());
}

TEST_F(ConversionRunTest, CancelDuringTheSecondOfThreeJobsStopsTheRestAndRunsNoAfterRunAction) {
  const std::string clip = RunClip(8);
  // The second job is cancelled at its first report, which must come while it converts.
  engine.SetProgressInterval(TConvertEngine::kMinProgressInterval);
  auto rows = Rows({clip, RunClip(40), clip});
  // One job after another, so the third is still waiting when the second is cancelled.
  TIniFile(folder.File("s.ini")).WriteInteger("settings", "simultaneousJobs", 1);
  bool cancelled = false;
  // Paused at once, so that the second job cannot finish on a busy machine before the
  // Cancel (clicked after the progress hand-over has returned) reaches it.
  QObject::connect(&run, &TConversionRun::TaskProgressed, &run, [&](int task) {
    if (cancelled || task != 1) return;
    cancelled = true;
    QTest::mouseClick(Button("btnPause"), Qt::LeftButton);
    QTimer::singleShot(0, &run, [&] { QTest::mouseClick(Button("btnCancel"), Qt::LeftButton); });
  });
  ASSERT_TRUE(Start(rows));
  ASSERT_TRUE(cancelled);
  EXPECT_EQ(rows[0].Progress, "100%");
  EXPECT_EQ(rows[1].Progress, "Stopped");
  EXPECT_EQ(rows[2].Progress, "Not started");  // it never began
  EXPECT_TRUE(actions.opened.empty());
  EXPECT_EQ(actions.powerOffs, 0);
  EXPECT_TRUE(messages.warnings.empty());  // stopped is not failed
  EXPECT_EQ(engine.TasksCount(), 0);
  EXPECT_FALSE(run.Running());
}

// The configured output folder cannot be made and the settings file is read-only, so the
// fallback cannot be stored: the run converts into the fallback folder with one warning.
TEST_F(ConversionRunTest, AReadOnlySettingsFileDoesNotStopARunThatFallsBack) {
  WriteText(folder.File("plain"), "x");
  const std::string settings =
      "[settings]\nOutPutDir=" + folder.File("plain/out") + "\nFormatCode=3\npriority=1\n";
  WriteText(folder.File("s.ini"), settings);
  std::filesystem::permissions(folder.File("s.ini"), std::filesystem::perms(0444));
  const std::string oldHome = ::getenv("HOME") ? ::getenv("HOME") : "";
  ::setenv("HOME", folder.File("home").c_str(), 1);
  auto rows = Rows({EnsureClip("short3s")});
  const bool started = Start(rows);
  ::setenv("HOME", oldHome.c_str(), 1);
  ASSERT_TRUE(started);
  EXPECT_EQ(rows[0].Progress, "100%");
  EXPECT_TRUE(std::filesystem::exists(folder.File("home/videoconverter/short3s_(new).avi")));
  ASSERT_EQ(messages.warnings.size(), 1u);
  EXPECT_EQ(messages.warnings[0], OutputFolderFallbackWarning(folder.File("plain/out"),
                                                              folder.File("home/videoconverter")));
  EXPECT_EQ(test::ReadText(folder.File("s.ini")), settings);
}

// Lowers this process's limit of open files for a scope.
class TFileLimit {
 public:
  explicit TFileLimit(rlim_t limit) {
    ::getrlimit(RLIMIT_NOFILE, &saved_);
    rlimit lowered = saved_;
    lowered.rlim_cur = limit;
    ok_ = ::setrlimit(RLIMIT_NOFILE, &lowered) == 0;
  }
  ~TFileLimit() { ::setrlimit(RLIMIT_NOFILE, &saved_); }
  bool Ok() const { return ok_; }

 private:
  rlimit saved_{};
  bool ok_ = false;
};

// A thousand jobs of the application's run under a limit of 64 open files (the window, the
// libraries and the test hold some of them): each job opens its source and output only when
// it starts, so every job finishes.
TEST_F(ConversionRunTest, AThousandJobsRunWithinSixtyFourOpenFiles) {
  namespace fs = std::filesystem;
  constexpr int kJobs = 1000;
  const std::vector<std::string> files = MakeTinyClipCopies(folder.File("in"), kJobs);
  auto rows = Rows(files);
  // The pictures keep their size: the jobs are about files, not pixels.
  TIniFile(folder.File("s.ini")).WriteString("formatInfo3", "paraVideoSize", "as source");
  const TFileLimit limit(64);
  ASSERT_TRUE(limit.Ok());
  ASSERT_TRUE(Start(rows));
  int finished = 0;
  for (const TJobRow& row : rows) finished += row.Progress == "100%" ? 1 : 0;
  EXPECT_EQ(finished, kJobs) << (messages.warnings.empty() ? "" : messages.warnings[0]);
  EXPECT_TRUE(messages.warnings.empty());
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.File("out")), fs::directory_iterator()),
            kJobs);
}

}  // namespace
}  // namespace qarvo
