// The main window's preview, its snapshots and the file information dialog, with real clips
// played by the real player.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "base/EngineRecords.h"
#include "player/TMediaPlayer.h"
#include "core/IniFile.h"
#include "core/JobList.h"
#include "app/IMainDialogs.h"
#include "app/IShellOpener.h"
#include "app/TApplication.h"
#include "app/TfrmMain.h"
#include "editing/TfrmCrop.h"
#include "editing/TfrmTrim.h"
#include "editing/TfrmWaterMark.h"
#include "jobs/IRunMessages.h"
#include "jobs/TConversionRun.h"
#include "jobs/TJobListModel.h"
#include "jobs/TJobListView.h"
#include "jobs/TPreviewPanel.h"
#include "jobs/TVideoSurfaceWidget.h"
#include "jobs/TfrmFileInfo.h"

#include "AppTestSupport.h"
#include "support/ScratchFolder.h"
#include "support/TestMedia.h"
#include "support/TestPicture.h"

namespace qarvo {
namespace {

namespace fs = std::filesystem;

class TPreviewDialogs : public IMainDialogs {
 public:
  bool AskExit(QWidget*) override { return true; }
  bool AskYesNo(QWidget*, const QString&) override { return true; }
  void ShowWarning(QWidget*, const QString& text) override { warnings << text; }
  QStringList ChooseFiles(QWidget*, const QStringList&) override {
    ++fileDialogs;
    return files;
  }
  QString ChooseFolder(QWidget*, const QString&) override { return folder; }
  bool AskUpgrade(QWidget*, const QString&) override { return false; }
  int fileDialogs = 0;
  QStringList files, warnings;
  QString folder;
};

class TPreviewShell : public IShellOpener {
 public:
  void OpenWebAddress(const QString&) override {}
  void OpenFolder(const QString& folder) override { folders << folder; }
  QStringList folders;
};

class PreviewTest : public ::testing::Test {
 protected:
  PreviewTest() {
    Application();
    fs::create_directories(fs::path(SettingsFile()).parent_path());
    WriteSettings("");
    // The disk sound driver writes what is played here, not into the working folder.
    const char* sound = std::getenv("SDL_DISKAUDIOFILE");
    if (sound) previousSoundFile_ = sound;
    hadSoundFile_ = sound != nullptr;
    ::setenv("SDL_DISKAUDIOFILE", SoundFile().c_str(), 1);
  }
  ~PreviewTest() override {
    fs::remove(SettingsFile());
    if (hadSoundFile_)
      ::setenv("SDL_DISKAUDIOFILE", previousSoundFile_.c_str(), 1);
    else
      ::unsetenv("SDL_DISKAUDIOFILE");
  }
  std::string SoundFile() const { return folder.File("played.raw"); }

  void WriteSettings(const std::string& lines) {
    test::WriteText(SettingsFile(),
                    "[settings]\nOutPutDir=" + folder.File("out") + "\nFormatCode=3\n" + lines);
  }
  std::unique_ptr<TfrmMain> Window() {
    auto window = std::make_unique<TfrmMain>();
    window->SetDialogs(&dialogs);
    window->SetShellOpener(&shell);
    window->show();
    return window;
  }
  template <typename T>
  static T* Find(QObject& window, const char* name) {
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  // Play, Pause, Stop, Snapshot enabled.
  static std::string Buttons(TfrmMain& window) {
    std::string enabled;
    for (const char* name : {"imgbtnPlay", "imgbtnPAuse", "imgbtnStop", "imgbtnSnap"})
      enabled += Find<QToolButton>(window, name)->isEnabled() ? '1' : '0';
    return enabled;
  }
  static QString Text(TfrmMain& window, const char* label) {
    return Find<QLabel>(window, label)->text();
  }

  test::TScratchFolder folder{"preview"};
  TPreviewDialogs dialogs;
  TPreviewShell shell;
  std::string previousSoundFile_;
  bool hadSoundFile_ = false;
};

// Also run on a real X server (Xvfb) by the suite: the pictures in pan1 move on and the
// sound reaches the sound driver.
TEST_F(PreviewTest, PlayingShowsMovingPicturesAndSendsTheSoundOut) {
  // The disk sound driver at the pace of a sound card (one 1024-sample buffer every 23 ms):
  // without it the sound clock races and the clip can end before a second picture is shown.
  struct TPacedSound {
    TPacedSound()
        : before(std::getenv("SDL_DISKAUDIODELAY") ? std::getenv("SDL_DISKAUDIODELAY") : "0") {
      ::setenv("SDL_DISKAUDIODELAY", "23", 1);
    }
    ~TPacedSound() { ::setenv("SDL_DISKAUDIODELAY", before.c_str(), 1); }
    std::string before;
  } paced;
  WriteSettings("volume=128\nmute=0\n");
  auto window = Window();
  window->AddFiles({QString::fromStdString(EnsureClip("avi_mpeg4_mp3"))});
  window->WaitForAdd();
  TVideoSurfaceWidget& pan1 = window->Preview().Surface();
  const auto frameNumber = [&] {
    const QImage shot = pan1.grab().toImage();
    const QRect area = pan1.PictureRect();
    std::vector<uint8_t> luma;
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x)
        luma.push_back(static_cast<uint8_t>(qGray(shot.pixel(x, y))));
    return area.isEmpty() ? -1
                          : ReadFrameNumber(luma.data(), area.width(), area.width(), area.height());
  };
  window->Preview().Play();
  int first = -1;
  ASSERT_TRUE(QTest::qWaitFor([&] { return (first = frameNumber()) >= 0; }, 20000));
  int later = -1;
  ASSERT_TRUE(QTest::qWaitFor([&] { return (later = frameNumber()) > first; }, 20000)) << first;
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->Preview().State().Stopped(); }, 30000));
  // The tone went out: a file of 16-bit samples, not all silent. The disk driver runs without
  // delay and writes silence for as long as the file stays open at its end, so the file is
  // closed first and read only as far as the tone: a slow build writes gigabytes meanwhile.
  window->MediaPlayer().Stop(true);
  std::ifstream played(SoundFile(), std::ios::binary);
  std::vector<char> chunk(1 << 20);
  size_t bytes = 0;
  int loud = 0;
  while (loud <= 1000 &&
         played.read(chunk.data(), static_cast<std::streamsize>(chunk.size())).gcount() > 0) {
    const size_t got = static_cast<size_t>(played.gcount()) & ~size_t{1};
    bytes += got;
    for (size_t at = 0; at < got; at += 2)
      if (std::abs(static_cast<int16_t>(static_cast<uint8_t>(chunk[at]) | chunk[at + 1] << 8)) >
          1000)
        ++loud;
  }
  EXPECT_GT(bytes, 44100u);
  EXPECT_GT(loud, 1000);
}

TEST_F(PreviewTest, PlayOnAnEmptyListAsksForFilesPlaysTheFirstAndPauseAndStopAreIdempotent) {
  // Pictures only: the disk sound driver would run the clock as fast as it can write, and the
  // clip could end before the checks of its playing.
  TClipSpec spec = StandardClip("avi_mpeg4_mp3");
  spec.AudioCodec.clear();
  spec.Duration = 5.0;
  const std::string first = EnsureClipFile(spec, "preview-silent-5s.avi");
  auto window = Window();
  TMediaPlayer& player = window->MediaPlayer();
  EXPECT_EQ(Buttons(*window), "1000");
  EXPECT_FALSE(Find<QSlider>(*window, "trcPreview")->isEnabled());
  EXPECT_EQ(Find<QToolButton>(*window, "imgbtnPlay")->toolTip(), "play");
  EXPECT_EQ(Find<QToolButton>(*window, "imgbtnPAuse")->toolTip(), "pause");
  EXPECT_EQ(Find<QToolButton>(*window, "imgbtnStop")->toolTip(), "stop");
  EXPECT_EQ(Find<QToolButton>(*window, "imgbtnSnap")->toolTip(), "capture image");

  // Cancelled: nothing plays, and the request does not outlive that Add.
  QTest::mouseClick(Find<QToolButton>(*window, "imgbtnPlay"), Qt::LeftButton);
  EXPECT_EQ(dialogs.fileDialogs, 1);
  EXPECT_FALSE(window->Preview().State().PlayAfterAdding());
  EXPECT_TRUE(window->Preview().State().Stopped());

  const std::string second = EnsureClip("short3s");
  dialogs.files = {QString::fromStdString(first), QString::fromStdString(second)};
  QTest::mouseClick(Find<QToolButton>(*window, "imgbtnPlay"), Qt::LeftButton);
  EXPECT_EQ(dialogs.fileDialogs, 2);
  ASSERT_TRUE(window->WaitForAdd());  // the first file plays once the Add has ended
  ASSERT_EQ(window->JobModel().rowCount(), 2);
  EXPECT_EQ(player.FileName(), first);
  EXPECT_TRUE(window->Preview().State().Playing());
  EXPECT_EQ(Buttons(*window), "0111");
  EXPECT_EQ(Text(*window, "lblPTS"), "0:00:05");
  EXPECT_TRUE(Find<QSlider>(*window, "trcPreview")->isEnabled());
  // The log has the file's description and its figures.
  const QString log = Find<QPlainTextEdit>(*window, "mmoLog")->toPlainText();
  EXPECT_TRUE(log.contains("frame size: 320x240")) << log.toStdString();
  auto& pan1 = window->Preview().Surface();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return pan1.HasPicture() && Text(*window, "lblTime") != "00:00:00"; }, 20000));
  EXPECT_TRUE(Text(*window, "lblTime").startsWith("00:00:0"))
      << Text(*window, "lblTime").toStdString();
  EXPECT_EQ(Text(*window, "lblTime").size(), 12);

  window->Preview().Pause();
  EXPECT_TRUE(player.Paused());
  EXPECT_EQ(Buttons(*window), "1011");
  window->Preview().Pause();  // nothing changes
  EXPECT_TRUE(player.Paused());
  EXPECT_TRUE(window->Preview().State().Paused());
  // Space on the preview plays and pauses.
  QTest::keyClick(&pan1, Qt::Key_Space);
  EXPECT_FALSE(player.Paused());
  EXPECT_EQ(Buttons(*window), "0111");

  window->StopPreview();
  EXPECT_FALSE(player.Opened());
  EXPECT_EQ(Buttons(*window), "1000");
  EXPECT_EQ(Text(*window, "lblTime"), "00:00:00");
  EXPECT_EQ(Text(*window, "lblPTS"), "00:00:00");
  EXPECT_FALSE(Find<QSlider>(*window, "trcPreview")->isEnabled());
  EXPECT_FALSE(pan1.HasPicture());
  window->StopPreview();  // nothing changes
  EXPECT_EQ(Buttons(*window), "1000");

  // Play on a filled list plays the row with the focus; Clear stops it.
  window->JobModel().List().Select(1);
  window->Preview().Play();
  EXPECT_EQ(player.FileName(), second);
  window->btnClearClick();
  EXPECT_TRUE(window->Preview().State().Stopped());
  EXPECT_FALSE(player.Opened());
}

TEST_F(PreviewTest, TheEndOfTheFileReturnsToTheStartPausedAndASeekMovesThePlayback) {
  TClipSpec spec = StandardClip("avi_mpeg4_mp3");
  spec.Duration = 1.0;
  const std::string clip = EnsureClipFile(spec, "preview_1s.avi");
  auto window = Window();
  window->AddFiles({QString::fromStdString(clip)});
  window->WaitForAdd();
  TMediaPlayer& player = window->MediaPlayer();
  window->Preview().Play();
  ASSERT_TRUE(player.Opened()) << player.LastErrMsg();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->Preview().State().Stopped(); }, 30000));
  EXPECT_TRUE(player.Opened());
  EXPECT_TRUE(player.Paused());
  EXPECT_EQ(Buttons(*window), "1000");
  EXPECT_EQ(Text(*window, "lblTime"), "00:00:00");
  EXPECT_EQ(Text(*window, "lblPTS"), "00:00:00");
  auto* trcPreview = Find<QSlider>(*window, "trcPreview");
  EXPECT_EQ(trcPreview->value(), 0);
  EXPECT_FALSE(trcPreview->isEnabled());
  // Back at the start: the picture shown there is reported.
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.LastPosition() < 200000; }, 20000));

  // Play opens the file again from the start.
  window->Preview().Play();
  EXPECT_TRUE(window->Preview().State().Playing());
  EXPECT_FALSE(player.Paused());

  // The bar seeks: a click in the groove's second half takes a paused playback there (to the
  // key picture at 1 s).
  window->AddFiles({QString::fromStdString(EnsureClip("short3s"))});
  window->WaitForAdd();
  window->JobModel().List().Select(1);
  window->Preview().Play();
  ASSERT_EQ(player.FileName(), EnsureClip("short3s"));
  window->Preview().Pause();
  ASSERT_TRUE(trcPreview->isEnabled());
  trcPreview->setSliderPosition(trcPreview->maximum() / 2);
  trcPreview->triggerAction(QAbstractSlider::SliderPageStepAdd);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return player.LastPosition() != kNoTimestamp && player.LastPosition() >= 900000 &&
               trcPreview->value() >= trcPreview->maximum() / 4;
      },
      20000))
      << player.LastPosition();
  EXPECT_TRUE(player.Paused());
  window->StopPreview();
}

TEST_F(PreviewTest, VolumeAndMuteStartAsStoredAndAreStoredWhenTheUserChangesThem) {
  WriteSettings("volume=200\nmute=1\n");
  {
    auto window = Window();
    auto* trcVolume = Find<QSlider>(*window, "trcVolume");
    auto* ckMute = Find<QCheckBox>(*window, "ckMute");
    EXPECT_EQ(trcVolume->maximum(), 128);
    EXPECT_EQ(trcVolume->value(), 64);  // outside 0..128
    EXPECT_TRUE(ckMute->isChecked());
    EXPECT_EQ(ckMute->text(), "Mute");
    EXPECT_EQ(window->MediaPlayer().AudioVolume(), 64);
    EXPECT_TRUE(window->MediaPlayer().Mute());
    // Start-up writes nothing.
    EXPECT_EQ(TIniFile(SettingsFile()).ReadInteger("settings", "volume", -1), 200);

    // Dragging sets the player at once and stores the value when the mouse lets go.
    trcVolume->setSliderDown(true);
    trcVolume->setSliderPosition(100);
    EXPECT_EQ(window->MediaPlayer().AudioVolume(), 100);
    EXPECT_EQ(TIniFile(SettingsFile()).ReadInteger("settings", "volume", -1), 200);
    trcVolume->setSliderDown(false);
    EXPECT_EQ(TIniFile(SettingsFile()).ReadInteger("settings", "volume", -1), 100);

    QTest::mouseClick(ckMute, Qt::LeftButton);
    EXPECT_FALSE(window->MediaPlayer().Mute());
    EXPECT_EQ(TIniFile(SettingsFile()).ReadInteger("settings", "mute", -1), 0);
    QTest::mouseClick(ckMute, Qt::LeftButton);
    EXPECT_EQ(TIniFile(SettingsFile()).ReadInteger("settings", "mute", -1), 1);
  }
  WriteSettings("");  // missing: volume 0, not muted
  auto window = Window();
  EXPECT_EQ(Find<QSlider>(*window, "trcVolume")->value(), 0);
  EXPECT_FALSE(Find<QCheckBox>(*window, "ckMute")->isChecked());
}

TEST_F(PreviewTest, SnapshotsFollowTheSwitchesTheQualityAndTheFolderFallback) {
  const std::string snaps = folder.File("snaps");
  const auto settings = [&](const std::string& lines) {
    WriteSettings("SnapOutPutDir=" + snaps + "\n" + lines);
  };
  settings("snapSmallSize=0\njpgCmp=90\n");
  // Pictures only: the disk sound driver would run the clock as fast as it can write, and the
  // clip could end before the snapshots.
  TClipSpec spec = StandardClip("avi_mpeg4_mp3");
  spec.AudioCodec.clear();
  spec.Duration = 5.0;
  auto window = Window();
  window->AddFiles({QString::fromStdString(EnsureClipFile(spec, "preview-silent-5s.avi"))});
  window->WaitForAdd();
  TPreviewPanel& preview = window->Preview();
  preview.Snapshot();  // nothing open: nothing written
  EXPECT_FALSE(fs::exists(snaps));
  preview.Play();
  ASSERT_TRUE(QTest::qWaitFor([&] { return preview.Surface().HasPicture(); }, 20000));
  preview.Pause();

  QTest::mouseClick(Find<QToolButton>(*window, "imgbtnSnap"), Qt::LeftButton);
  EXPECT_TRUE(fs::exists(snaps + "/Snapshot_full.bmp"));
  EXPECT_FALSE(fs::exists(snaps + "/Snapshot_small.bmp"));
  EXPECT_FALSE(fs::exists(snaps + "/Snapshot_small.jpg"));
  EXPECT_EQ(fs::file_size(snaps + "/Snapshot_full.bmp"), 54u + 320u * 3u * 240u);
  const auto fine = fs::file_size(snaps + "/Snapshot_full.jpg");
  ASSERT_EQ(shell.folders.size(), 1);
  EXPECT_EQ(shell.folders[0], QString::fromStdString(snaps));

  // The same picture at a low quality: a smaller file; the small picture fills pan1's width or
  // height with the picture's shape.
  settings("snapFullSize=1\njpgCmp=10\n");
  preview.Snapshot();
  EXPECT_LT(fs::file_size(snaps + "/Snapshot_full.jpg"), fine);
  const QSize panel = preview.Surface().size();
  const QSize small = QImage(QString::fromStdString(snaps + "/Snapshot_small.bmp")).size();
  EXPECT_TRUE(small.width() == panel.width() || small.height() == panel.height());
  EXPECT_NEAR(small.width() * 3, small.height() * 4, 8);

  // Keeping every snapshot: new names, the fixed ones untouched.
  settings("keepEverySnapshot=1\nsnapBmp=0\n");
  const auto before = fs::last_write_time(snaps + "/Snapshot_full.jpg");
  preview.Snapshot();
  preview.Snapshot();
  int kept = 0;
  for (const auto& entry : fs::directory_iterator(snaps))
    if (entry.path().filename().string().rfind("Snapshot_full_", 0) == 0) ++kept;
  EXPECT_EQ(kept, 2);
  EXPECT_EQ(fs::last_write_time(snaps + "/Snapshot_full.jpg"), before);

  // A folder that cannot be made: the warning, then the default folder.
  const std::string home = folder.File("home");
  fs::create_directories(home);
  ::setenv("HOME", home.c_str(), 1);
  test::WriteText(folder.File("plain"), "a file");
  WriteSettings("SnapOutPutDir=" + folder.File("plain/snaps") + "\nsnapJpg=0\n");
  preview.Snapshot();
  ASSERT_EQ(dialogs.warnings.size(), 1);
  EXPECT_EQ(dialogs.warnings[0].toStdString(),
            "Cannot create output directory:" + folder.File("plain/snaps") +
                ".It will create default directory " + home + "/videoconverter!");
  EXPECT_TRUE(fs::exists(home + "/videoconverter/Snapshot_full.bmp"));
  EXPECT_TRUE(dialogs.warnings.size() == 1 && window->Preview().State().Paused());
  window->StopPreview();
}

// The run's messages, each with whether the default folder held anything when it was given.
class TRecordedRunMessages : public IRunMessages {
 public:
  explicit TRecordedRunMessages(std::string fallback) : fallback_(std::move(fallback)) {}
  bool UseDefaultSize() override { return true; }
  void ShowWarning(const std::string& text) override {
    warnings.push_back(text);
    std::error_code error;
    fallbackHadFiles.push_back(fs::exists(fallback_, error) && !fs::is_empty(fallback_, error));
  }
  std::vector<std::string> warnings;
  std::vector<bool> fallbackHadFiles;

 private:
  std::string fallback_;
};

class TNoAfterRunActions : public IAfterRunActions {
 public:
  void OpenFolder(const std::string& folder) override { opened.push_back(folder); }
  void PowerOff() override {}
  std::vector<std::string> opened;
};

// The chosen output folder replaced by a file: the list's names leave the setting alone;
// Start gives the warning before anything is written to the default folder, and the box
// then shows where the files went.
TEST_F(PreviewTest, AnOutputFolderThatCannotBeMadeIsAnnouncedBeforeTheRunWritesElsewhere) {
  const std::string home = folder.File("runhome");
  const std::string fallback = home + "/videoconverter";
  fs::create_directories(home);
  const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  ::setenv("HOME", home.c_str(), 1);
  const std::string chosen = folder.File("chosen");
  fs::create_directories(chosen);
  const std::string clip = EnsureClip("avi_mpeg4_mp3");
  {
    auto window = Window();
    auto* edDirectory = Find<QLineEdit>(*window, "edDirectory");
    dialogs.folder = QString::fromStdString(chosen);
    QTest::mouseClick(Find<QPushButton>(*window, "btnBrows"), Qt::LeftButton);
    EXPECT_EQ(edDirectory->text().toStdString(), chosen);
    fs::remove(chosen);
    test::WriteText(chosen, "a file now");

    window->AddFiles({QString::fromStdString(clip)});

    window->WaitForAdd();
    window->JobModel().CheckAll(false);
    window->JobModel().CheckAll(true);
    window->StopPreview();
    EXPECT_EQ(TIniFile(SettingsFile()).ReadString("settings", "OutPutDir", ""), chosen);
    EXPECT_EQ(edDirectory->text().toStdString(), chosen);
    EXPECT_FALSE(fs::exists(fallback));
    // The list already names the file where the run will put it.
    EXPECT_EQ(window->JobModel().List().Rows()[0].Record.DestFile,
              fallback + "/avi_mpeg4_mp3_(new).avi");

    TRecordedRunMessages messages(fallback);
    TNoAfterRunActions actions;
    window->ConversionRun().SetMessages(&messages);
    window->ConversionRun().SetAfterRunActions(&actions);
    QTest::mouseClick(Find<QPushButton>(*window, "btnStart"), Qt::LeftButton);
    ASSERT_FALSE(messages.warnings.empty());
    EXPECT_EQ(messages.warnings[0], "Cannot create output directory:" + chosen +
                                        ".It will create default directory " + fallback + "!");
    EXPECT_FALSE(messages.fallbackHadFiles[0]);
    EXPECT_TRUE(fs::exists(fallback + "/avi_mpeg4_mp3_(new).avi"));
    EXPECT_EQ(TIniFile(SettingsFile()).ReadString("settings", "OutPutDir", ""), fallback);
    EXPECT_EQ(edDirectory->text().toStdString(), fallback);
    window->ConversionRun().SetMessages(nullptr);
    window->ConversionRun().SetAfterRunActions(nullptr);
  }
  ::setenv("HOME", savedHome.c_str(), 1);
}

TEST_F(PreviewTest, FileInformationShowsTheSelectedJobAndNothingOfAnEarlierFile) {
  auto window = Window();
  const std::string clip = EnsureClip("avi_mpeg4_mp3");
  const std::string audio = EnsureClip("audio_only");
  window->AddFiles({QString::fromStdString(clip), QString::fromStdString(audio)});
  window->WaitForAdd();
  window->JobModel().List().Select(0);

  // Opened from the list menu, as a modal dialog.
  QString seen;
  QTimer::singleShot(0, [&] {
    auto* dialog = window->findChild<TfrmFileInfo*>();
    ASSERT_NE(dialog, nullptr);
    seen = dialog->windowTitle();
    EXPECT_EQ(dialog->size(), QSize(420, 460));
    dialog->accept();
  });
  Find<QAction>(*window, "pmFilesVideoInfo")->trigger();
  EXPECT_EQ(seen, "File infomation");

  auto* dialog = window->findChild<TfrmFileInfo*>();
  ASSERT_NE(dialog, nullptr);
  const auto box = [&](const char* name) {
    return Find<QLineEdit>(*dialog, name)->text().toStdString();
  };
  const auto label = [&](const char* name) {
    return Find<QLabel>(*dialog, name)->text().toStdString();
  };
  dialog->LoadFile(clip);
  EXPECT_EQ(label("lblSourceName"), clip.size() < 46 ? clip : clip.substr(0, 40) + "...avi  ");
  EXPECT_EQ(label("lblFileLength").substr(0, 2), "2.");
  EXPECT_TRUE(label("lblFileLength").ends_with(" Second"));
  // The video codec, not the container's names; rates in kb/s.
  EXPECT_EQ(box("edtFormat"), "mpeg4");
  EXPECT_EQ(box("edtResloution"), "320x240");
  EXPECT_TRUE(box("edtBitRate").empty() || box("edtBitRate").ends_with(" kb/s"))
      << box("edtBitRate");
  EXPECT_NE(box("edtBitRate"), "0");
  EXPECT_EQ(box("edtFrameRate"), "25");
  EXPECT_EQ(box("edtTotalFrame"), "50");
  EXPECT_EQ(box("edtAudioForamt"), "mp3");
  EXPECT_EQ(box("edtSampleRate"), "44100");
  EXPECT_EQ(box("edtChannel"), "2");
  EXPECT_TRUE(box("edtAudioBitRate").ends_with(" kb/s")) << box("edtAudioBitRate");
  EXPECT_TRUE(Find<QLineEdit>(*dialog, "edtBitRate")->isReadOnly());

  // Sound only: the video boxes empty, the sound described.
  dialog->LoadFile(audio);
  EXPECT_FALSE(label("lblSourceName").empty());
  EXPECT_EQ(label("lblFileLength").substr(0, 2), "3.");
  EXPECT_EQ(box("edtResloution"), "");
  EXPECT_EQ(box("edtFrameRate"), "");
  EXPECT_EQ(box("edtAudioForamt"), "mp3");

  // A file the engine refuses says why and shows nothing else.
  const std::string bad = folder.File("not_media.avi");
  test::WriteText(bad, "plain text, not a clip");
  dialog->LoadFile(bad);
  EXPECT_EQ(box("edtFormat"), "");
  EXPECT_EQ(box("edtAudioForamt"), "");
  EXPECT_FALSE(Find<QLabel>(*dialog, "lblProbeError")->isHidden());
  EXPECT_FALSE(label("lblProbeError").empty());
}

// The Edit menu's entries stop the preview and open their dialogs on the selected job; Ok of
// the trim dialog shows the kept length in the job list.
TEST_F(PreviewTest, EditingEntriesStopThePreviewAndOpenTheirDialogsOnTheSelectedJob) {
  TClipSpec spec = StandardClip("short3s");
  spec.AudioCodec.clear();  // the disk sound driver would run the clock as fast as it can write
  spec.Duration = 5.0;
  const std::string clip = EnsureClipFile(spec, "editing-5s.avi");
  auto window = Window();
  window->AddFiles({QString::fromStdString(clip)});
  window->WaitForAdd();
  ASSERT_EQ(window->JobModel().rowCount(), 1);
  const auto trimmedCell = [&] {
    return window->JobModel()
        .data(window->JobModel().index(0, kColTrimmed), Qt::DisplayRole)
        .toString();
  };
  EXPECT_EQ(trimmedCell(), "5");
  emit Find<QMenu>(*window, "mnuEdit")->aboutToShow();
  for (const char* name : {"mnuEditCrop", "mnuEditTrim", "mnuEditEffect"})
    EXPECT_TRUE(Find<QAction>(*window, name)->isEnabled()) << name;

  // Whatever dialog is up: a step of the script below once its preview plays.
  bool previewStopped = false;
  bool okTrim = true;  // else the trim dialog is cancelled like the others
  int64_t taken = 0;
  QTimer script;
  script.setInterval(20);
  QObject::connect(&script, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    previewStopped = window->Preview().State().Stopped() && !window->MediaPlayer().Opened();
    if (auto* trim = qobject_cast<TfrmTrim*>(dialog); trim && okTrim) {
      if (trim->Player().LastPosition() < 1200000) return;
      trim->findChild<QPushButton*>("btnOk1")->click();
      trim->findChild<QPushButton*>("btnOk")->click();
      taken = trim->Range().RangeStart();  // what Ok confirmed
    } else {
      dialog->findChild<QPushButton*>("btnCancel")->click();
    }
  });
  script.start();
  window->Preview().Play();
  ASSERT_TRUE(window->MediaPlayer().Opened());
  Find<QAction>(*window, "mnuEditTrim")->trigger();
  EXPECT_TRUE(previewStopped);
  ASSERT_NE(window->TrimDialog(), nullptr);
  EXPECT_EQ(window->TrimDialog()->result(), QDialog::Accepted);
  const TlvFilesRecord& record = window->JobModel().List().Rows()[0].Record;
  EXPECT_EQ(record.TrimStart, taken);
  // From the start taken up to the end of the file.
  EXPECT_EQ(record.TrimLength, window->TrimDialog()->Range().FullLength() - taken);
  EXPECT_EQ(trimmedCell(), QString::number(record.TrimLength / 1000000));
  EXPECT_NE(trimmedCell(), "5");

  // Kept, and opened again by the list menu; crop and effects dialogs are made anew.
  TfrmTrim* trim = window->TrimDialog();
  window->Preview().Play();
  Find<QAction>(*window, "pmFilesCrop")->trigger();
  EXPECT_TRUE(previewStopped);
  ASSERT_NE(window->CropDialog(), nullptr);
  EXPECT_EQ(window->CropDialog()->result(), QDialog::Rejected);
  QPointer<TfrmCrop> firstCrop = window->CropDialog();
  Find<QAction>(*window, "mnuEditCrop")->trigger();
  EXPECT_TRUE(firstCrop.isNull());
  Find<QAction>(*window, "pmFilesEffect")->trigger();
  ASSERT_NE(window->EffectDialog(), nullptr);
  EXPECT_EQ(window->EffectDialog()->result(), QDialog::Rejected);
  okTrim = false;
  Find<QAction>(*window, "pmFilesTrim")->trigger();
  EXPECT_EQ(window->TrimDialog(), trim);
  EXPECT_EQ(window->TrimDialog()->result(), QDialog::Rejected);
  EXPECT_EQ(record.TrimStart, taken);  // a cancelled trim leaves the range
}

// A settings file that cannot be written at exit: the error is shown, and the window still
// lets go of the engine and the player, the panel before the player (under the address
// sanitizer, a panel torn down late calls the destroyed player).
TEST_F(PreviewTest, ClosingWithASettingsFileThatCannotBeWrittenStillTearsDown) {
  TApplication& application = Application();
  QStringList errors;
  application.SetErrorPresenter(
      [&](QMessageBox::Icon, const QString&, const QString& text) { errors << text; });
  auto window = Window();
  window->AddFiles({QString::fromStdString(EnsureClip("short3s"))});
  window->WaitForAdd();
  TMediaPlayer& player = window->MediaPlayer();
  window->Preview().Play();
  window->Preview().Pause();  // a paused player stays open until it is stopped
  ASSERT_TRUE(player.Opened());
  fs::permissions(SettingsFile(), fs::perms::owner_read | fs::perms::group_read);
  struct TWritableAgain {
    ~TWritableAgain() {
      fs::permissions(SettingsFile(), fs::perms::owner_read | fs::perms::owner_write);
    }
  } writableAgain;

  EXPECT_TRUE(window->close());
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].startsWith("Unable to write to")) << errors[0].toStdString();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !player.Opened(); }, 20000));
  window.reset();
  application.SetErrorPresenter({});
}

// Start with nothing checked only warns: the preview plays on and no row changes.
TEST_F(PreviewTest, StartWithNothingCheckedWarnsAndLeavesThePreviewPlaying) {
  auto window = Window();
  window->AddFiles({QString::fromStdString(EnsureClip("short3s"))});
  window->WaitForAdd();
  window->JobModel().CheckAll(false);
  window->Preview().Play();
  window->Preview().Pause();
  TMediaPlayer& player = window->MediaPlayer();
  ASSERT_TRUE(player.Opened());
  const std::vector<TJobRow> before = window->JobModel().List().Rows();

  QString warning;
  bool playingAtTheWarning = false;
  QTimer script;
  script.setInterval(20);
  QObject::connect(&script, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    warning = box->text();
    playingAtTheWarning = player.Opened() && window->Preview().State().Paused();
    box->accept();
  });
  script.start();
  QTest::mouseClick(Find<QPushButton>(*window, "btnStart"), Qt::LeftButton);
  script.stop();
  EXPECT_EQ(warning, "Please select a file by clicking the check box!");
  EXPECT_TRUE(playingAtTheWarning);
  EXPECT_TRUE(player.Opened());
  EXPECT_TRUE(player.Paused());
  const std::vector<TJobRow>& after = window->JobModel().List().Rows();
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(after[0].Progress, before[0].Progress);
  EXPECT_FALSE(after[0].Checked);
  window->StopPreview();
}

// While paused, Play and a double-click on a row play the selected row, not the paused one;
// on the paused row itself they resume it where it stood.
TEST_F(PreviewTest, PlayAndADoubleClickWhilePausedPlayTheSelectedRow) {
  // Pictures only: the disk sound driver would run the clock as fast as it can write.
  TClipSpec spec = StandardClip("short3s");
  spec.AudioCodec.clear();
  spec.Duration = 5.0;
  const std::string first = EnsureClipFile(spec, "editing-5s.avi");
  spec.Duration = 4.0;
  const std::string second = EnsureClipFile(spec, "preview-4s.avi");
  auto window = Window();
  window->AddFiles({QString::fromStdString(first), QString::fromStdString(second)});
  window->WaitForAdd();
  ASSERT_EQ(window->JobModel().rowCount(), 2);
  TMediaPlayer& player = window->MediaPlayer();
  auto* lvFiles = Find<TJobListView>(*window, "lvFiles");
  auto* play = Find<QToolButton>(*window, "imgbtnPlay");
  auto* pause = Find<QToolButton>(*window, "imgbtnPAuse");
  const auto cell = [&](int row) {
    return lvFiles->visualRect(window->JobModel().index(row, 1)).center();
  };
  const auto click = [&](int row) {
    QTest::mouseClick(lvFiles->viewport(), Qt::LeftButton, Qt::NoModifier, cell(row));
  };
  const auto doubleClick = [&](int row) {
    QTest::mousePress(lvFiles->viewport(), Qt::LeftButton, Qt::NoModifier, cell(row));
    QTest::mouseDClick(lvFiles->viewport(), Qt::LeftButton, Qt::NoModifier, cell(row));
  };

  click(0);
  QTest::mouseClick(play, Qt::LeftButton);
  ASSERT_EQ(player.FileName(), first);
  QTest::mouseClick(pause, Qt::LeftButton);
  ASSERT_TRUE(window->Preview().State().Paused());

  // Another row selected, then Play: that row plays.
  click(1);
  QTest::mouseClick(play, Qt::LeftButton);
  EXPECT_EQ(player.FileName(), second);
  EXPECT_TRUE(window->Preview().State().Playing());
  EXPECT_FALSE(player.Paused());
  EXPECT_EQ(Buttons(*window), "0111");

  // Paused again, a double-click on the first row switches to it.
  QTest::mouseClick(pause, Qt::LeftButton);
  doubleClick(0);
  EXPECT_EQ(player.FileName(), first);
  EXPECT_TRUE(window->Preview().State().Playing());
  EXPECT_FALSE(player.Paused());

  // On the paused row itself Play resumes: the position goes on from where it stood.
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.LastPosition() > 300000; }, 20000));
  QTest::mouseClick(pause, Qt::LeftButton);
  const int64_t stood = player.LastPosition();
  QTest::mouseClick(play, Qt::LeftButton);
  EXPECT_EQ(player.FileName(), first);
  EXPECT_FALSE(player.Paused());
  EXPECT_GE(player.LastPosition(), stood);
  window->StopPreview();
}

// The small snapshot is the picture as pan1 shows it: fitted into the panel with its own
// shape, whatever shape the panel has.
TEST_F(PreviewTest, TheSmallSnapshotKeepsThePicturesShape) {
  const std::string snaps = folder.File("shapes");
  WriteSettings("SnapOutPutDir=" + snaps + "\nsnapFullSize=0\nsnapJpg=0\n");
  // Pictures only (320 x 240): the disk sound driver would run the clock as fast as it can
  // write, and the clip could end before the snapshots.
  TClipSpec spec = StandardClip("short3s");
  spec.AudioCodec.clear();
  spec.Duration = 5.0;
  auto window = Window();
  window->AddFiles({QString::fromStdString(EnsureClipFile(spec, "editing-5s.avi"))});
  window->WaitForAdd();
  TPreviewPanel& preview = window->Preview();
  preview.Play();
  ASSERT_TRUE(QTest::qWaitFor([&] { return preview.Surface().HasPicture(); }, 20000));
  preview.Pause();
  const auto smallSnapshot = [&](QSize panel) {
    preview.Surface().setFixedSize(panel);
    EXPECT_TRUE(QTest::qWaitFor([&] { return preview.Surface().size() == panel; }, 20000));
    QTest::mouseClick(Find<QToolButton>(*window, "imgbtnSnap"), Qt::LeftButton);
    return QImage(QString::fromStdString(snaps + "/Snapshot_small.bmp")).size();
  };
  EXPECT_EQ(smallSnapshot({243, 547}), QSize(243, 183));
  EXPECT_EQ(smallSnapshot({243, 109}), QSize(145, 109));
  EXPECT_EQ(smallSnapshot({240, 180}), QSize(240, 180));
  EXPECT_FALSE(fs::exists(snaps + "/Snapshot_full.bmp"));
  window->StopPreview();
}

// A click on pan1's position bar seeks to the clicked place, not a page towards it.
TEST_F(PreviewTest, AClickOnThePositionBarSeeksToTheClickedPlace) {
  TClipSpec spec = StandardClip("short3s");
  spec.AudioCodec.clear();  // the disk sound driver would run the clock as fast as it can write
  spec.Duration = 5.0;
  const std::string clip = EnsureClipFile(spec, "editing-5s.avi");
  auto window = Window();
  window->AddFiles({QString::fromStdString(clip)});
  window->WaitForAdd();
  TMediaPlayer& player = window->MediaPlayer();
  window->Preview().Play();
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.LastPosition() > 200000; }, 20000));
  window->Preview().Pause();
  auto* bar = Find<QSlider>(*window, "trcPreview");
  ASSERT_TRUE(bar->isEnabled());
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier,
                    QPoint(bar->width() * 4 / 5, bar->height() / 2));
  // The handle's centre under the click: the ends of the groove are half a handle in.
  EXPECT_NEAR(bar->value(), bar->maximum() * 0.8, bar->maximum() / 8.0);
  const int64_t target = window->Preview().State().Duration() * bar->value() / bar->maximum();
  // On the key picture at or before the target (one at least every second).
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        const int64_t at = player.LastPosition();
        return at != kNoTimestamp && at > target - 1100000 && at <= target + 100000;
      },
      20000))
      << player.LastPosition() << " for " << target;
  EXPECT_TRUE(player.Paused());
  window->StopPreview();
}

}  // namespace
}  // namespace qarvo
