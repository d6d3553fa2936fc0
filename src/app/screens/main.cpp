// qarvo-screens: renders the application's windows in every colour scheme into PNG files
// (FOLDER/<window>-<scheme>.png, FOLDER defaults to "screens" beside the program) and checks
// that every caption reaches the text contrast and fits its control, also with fonts 125 %
// larger. Exit status 1 lists what failed.
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QMenu>
#include <QMessageBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>

#include "base/MainThread.h"
#include "player/TMediaPlayer.h"
#include "core/AppPaths.h"
#include "core/ColourScheme.h"
#include "core/IniFile.h"
#include "core/JobList.h"
#include "core/SettingsKeys.h"
#include "core/TlvFilesRecord.h"
#include "app/ColourSchemes.h"
#include "app/IMainDialogs.h"
#include "app/IShellOpener.h"
#include "app/TApplication.h"
#include "app/TMainDialogs.h"
#include "app/TfmDirectory.h"
#include "app/TfrmAbout.h"
#include "app/TfrmCover.h"
#include "app/TfrmMain.h"
#include "app/TfrmPreference.h"
#include "app/screens/SampleWindows.h"
#include "app/screens/ScreenChecks.h"
#include "editing/TfrmCrop.h"
#include "editing/TfrmTrim.h"
#include "editing/TfrmWaterMark.h"
#include "jobs/TPreviewPanel.h"
#include "jobs/TVideoSurfaceWidget.h"
#include "jobs/TfrmFileInfo.h"
#include "jobs/TfrmPreviewWindow.h"
#include "jobs/TfrmProgress.h"
#include "profiles/TfrmSettings.h"

namespace {

using namespace qarvo;
using namespace qarvo::screens;

QString FileCaption(int scheme) {
  return QString::fromLatin1(ColourScheme(scheme).Caption)
      .toLower()
      .replace(QLatin1Char(' '), QLatin1Char('-'));
}

// The offscreen platform says so for every window it cannot raise or resize for real, and a
// session without a runtime folder says so once.
void QuietPlatformNotes(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (message.startsWith(QStringLiteral("This plugin does not support")) ||
      message.startsWith(QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR not set")))
    return;
  if (type != QtDebugMsg) std::fprintf(stderr, "%s\n", qPrintable(message));
}

// Jobs for the picture of a filled list: fixed lengths, no files needed.
class TSampleProber : public IJobProber {
 public:
  bool LoadLibraries() override { return true; }
  std::optional<int64_t> ProbeDuration(const std::string& fileName, std::string&) override {
    return static_cast<int64_t>(fileName.size() % 7 + 1) * 37'000'000;
  }
  void ClearTasks() override {}
};

class TNoShell : public IShellOpener {
 public:
  void OpenWebAddress(const QString&) override {}
  void OpenFolder(const QString&) override {}
};

class TNoDialogs : public IMainDialogs {
 public:
  bool AskExit(QWidget*) override { return false; }
  bool AskYesNo(QWidget*, const QString&) override { return false; }
  void ShowWarning(QWidget*, const QString&) override {}
  QStringList ChooseFiles(QWidget*, const QStringList&) override { return {}; }
  QString ChooseFolder(QWidget*, const QString&) override { return {}; }
  bool AskUpgrade(QWidget*, const QString&) override { return false; }
};

class TScreens {
 public:
  TScreens(QString folder, TScreenFindings& findings)
      : folder_(std::move(folder)), findings_(findings) {}

  // Shows the window offscreen, lets its layout settle, checks and saves it.
  void Shoot(QWidget& window, const QString& name, bool save) {
    window.show();
    QCoreApplication::processEvents();
    CheckWindow(window, name, findings_);
    if (save && !window.grab().save(folder_ + QLatin1Char('/') + name + QStringLiteral(".png")))
      findings_.Problems << QStringLiteral("%1: cannot write the picture").arg(name);
    window.hide();
    ++shots_;
  }

  // The main window takes its scheme from the settings, as at start-up.
  void ShootAll(int scheme, const QString& suffix, bool save) {
    TIniFile(qgetenv("QARVO_SETTINGS_FILE").toStdString())
        .WriteInteger(settings::kSection, settings::kSkinIndex, scheme);
    {
      TSampleProber prober;  // outlives the window, whose adder may still call it
      TfrmMain frmMain;
      Shoot(frmMain, QStringLiteral("main-empty-") + suffix, save);
      frmMain.SetJobProber(&prober);
      frmMain.AddFiles({QStringLiteral("/home/user/Videos/Summer holiday 2026/At the lake.avi"),
                        QStringLiteral("/home/user/Videos/birthday.mp4"),
                        QStringLiteral("/home/user/Music/concert recording.mkv")});
      frmMain.WaitForAdd();
      Shoot(frmMain, QStringLiteral("main-jobs-") + suffix, save);
      TNoShell shell;
      TfrmAbout about(frmMain.GlobalObject(), shell, &frmMain);
      Shoot(about, QStringLiteral("about-") + suffix, save);
      ShootShellDialogs(frmMain, suffix, save);
    }
    ShootCurrentFormat(suffix, save);
    ShootPreview(suffix, save);
    TfrmCover cover(ExecutableFolder());
    Shoot(cover, QStringLiteral("splash-") + suffix, save);
    TBitmap picture;
    DrawSamplePicture(picture, 640, 360);
    Shoot(*ProgressDuringARun(picture), QStringLiteral("progress-") + suffix, save);
    Shoot(*ControlGallery(), QStringLiteral("controls-") + suffix, save);
    std::unique_ptr<QMenu> menu = SampleMenu();
    menu->adjustSize();
    Shoot(*menu, QStringLiteral("menu-") + suffix, save);
  }

  // The main window and the settings dialog with a current format chosen: its rate boxes
  // below the video and sound groups.
  void ShootCurrentFormat(const QString& suffix, bool save) {
    TIniFile settings(qgetenv("QARVO_SETTINGS_FILE").toStdString());
    const TIniValues before{
        {settings::kFormatCode, settings.ReadString(settings::kSection, settings::kFormatCode,
                                                    settings::kFormatCodeDefault)},
        {settings::kFormatName, settings.ReadString(settings::kSection, settings::kFormatName,
                                                    settings::kFormatNameCatalogueDefault)}};
    settings.WriteValues(
        settings::kSection,
        {{settings::kFormatCode, "3002"}, {settings::kFormatName, "iPhone & iPad (H.264, MP4)"}});
    {
      TfrmMain frmMain;
      Shoot(frmMain, QStringLiteral("main-current-") + suffix, save);
      TfrmSettings dialog(frmMain.GlobalObject(), &frmMain);
      Shoot(dialog, QStringLiteral("settings-current-") + suffix, save);
    }
    settings.WriteValues(settings::kSection, before);
  }

  // The preview playing the bundled sample clip and paused on it, and that clip's file
  // information.
  void ShootPreview(const QString& suffix, bool save) {
    const std::string sample = ExecutableFolder() + "sample/sample.avi";
    if (!QFileInfo::exists(QString::fromStdString(sample))) {
      std::fprintf(stderr, "qarvo-screens: no %s, the preview is left out\n", sample.c_str());
      return;
    }
    TfrmMain frmMain;
    frmMain.show();
    frmMain.AddFiles({QString::fromStdString(sample)});
    frmMain.WaitForAdd();
    TPreviewPanel& preview = frmMain.Preview();
    preview.Play();
    // Well into the clip, so the labels and the bar show a position.
    const bool playing = TMainThread::WaitPumping(
        [&] {
          return frmMain.MediaPlayer().LastPosition() > 1200000 && preview.Surface().HasPicture();
        },
        std::chrono::seconds(20));
    if (!playing) findings_.Problems << QStringLiteral("main-playing: the sample did not play");
    Shoot(frmMain, QStringLiteral("main-playing-") + suffix, save);
    preview.Pause();
    Shoot(frmMain, QStringLiteral("main-paused-") + suffix, save);
    preview.Stop();
    TfrmFileInfo info(ExecutableFolder() + "LibAV", &frmMain);
    info.LoadFile(sample);
    Shoot(info, QStringLiteral("fileinfo-") + suffix, save);
    ShootEditing(frmMain, sample, suffix, save);
  }

  // The three editing dialogs on the sample, each paused on a picture well into the clip.
  void ShootEditing(TfrmMain& frmMain, const std::string& sample, const QString& suffix,
                    bool save) {
    TlvFilesRecord record = NewJobRecord(sample, "", 3000000, "lbox");
    record.TrimStart = 700000;
    record.TrimLength = 1500000;
    record.CropTopEntered = 12;
    record.CropBottomEntered = 12;
    record.CropLeftEntered = 20;
    record.CropRightEntered = 20;
    record.CropTop = record.CropBottom = 10;
    record.CropLeft = record.CropRight = 18;
    record.Brightness = 290;
    record.Saturation = 300;
    record.WaterText = "Summer 2026";
    record.WaterFont.Name = "DejaVu Sans";
    record.WaterFont.Size = 14;
    record.WaterFont.Bold = true;
    record.WaterFont.Color = 0xFFFFFF;
    record.TextHorizPos = 6;
    record.TextVertPos = 8;
    record.TextX = 19;
    record.TextY = 19;
    const std::string libraries = ExecutableFolder() + "LibAV";
    const auto wellInto = [&](TMediaPlayer& player, const QString& name,
                              const std::function<bool()>& shown) {
      const bool playing = TMainThread::WaitPumping(
          [&] { return player.LastPosition() > 1200000 && shown(); }, std::chrono::seconds(20));
      if (!playing) findings_.Problems << name + QStringLiteral(": the sample did not play");
    };
    {
      TfrmTrim trim(libraries, &frmMain);
      trim.show();
      trim.Prepare(&record);
      auto* surface = trim.findChild<TVideoSurfaceWidget*>(QStringLiteral("imgPreview"));
      wellInto(trim.Player(), QStringLiteral("trim"), [&] { return surface->HasPicture(); });
      trim.btnOk2Click();
      trim.imgbtnpauseClick();
      Shoot(trim, QStringLiteral("trim-") + suffix, save);
      trim.reject();
    }
    {
      TfrmCrop crop(libraries, &frmMain);
      crop.show();
      crop.Prepare(&record);
      wellInto(crop.Player(), QStringLiteral("crop"), [&] { return !crop.FrameCopy().isNull(); });
      crop.imgbtnpauseClick();
      // The area repaints the copied picture on its timer.
      TMainThread::WaitPumping([] { return false; }, std::chrono::milliseconds(250));
      Shoot(crop, QStringLiteral("crop-") + suffix, save);
      crop.reject();
    }
    {
      TfrmWaterMark effects(libraries, &frmMain);
      effects.show();
      effects.Prepare(&record);
      auto* surface = effects.findChild<TVideoSurfaceWidget*>(QStringLiteral("imgPreview"));
      wellInto(effects.Player(), QStringLiteral("effects"),
               [&] { return surface->HasPicture() && effects.PicturesProcessed() > 3; });
      effects.imgbtnpauseClick();
      Shoot(effects, QStringLiteral("effects-") + suffix, save);
      effects.findChild<QTabWidget*>(QStringLiteral("pgcEffects"))->setCurrentIndex(1);
      Shoot(effects, QStringLiteral("effects-text-") + suffix, save);
      effects.findChild<QTabWidget*>(QStringLiteral("pgcEffects"))->setCurrentIndex(2);
      Shoot(effects, QStringLiteral("effects-image-") + suffix, save);
      effects.reject();
    }
  }

  int Shots() const { return shots_; }

  // A few folders of their own for the folder chooser to show.
  void SetChooserFolder(const QString& folder) { chooserFolder_ = folder; }

 private:
  void ShootShellDialogs(TfrmMain& frmMain, const QString& suffix, bool save) {
    TNoDialogs dialogs;
    TNoShell shell;
    TfrmPreference preference(frmMain.GlobalObject(), dialogs, shell, &frmMain);
    Shoot(preference, QStringLiteral("preference-") + suffix, save);
    TfmDirectory chooser(QString::fromStdString(frmMain.GlobalObject().AppTitle()), &frmMain);
    chooser.Prepare(chooserFolder_ + QStringLiteral("/Videos"));
    // The tree fills from a thread of its own.
    for (int round = 0; round < 50; ++round)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    Shoot(chooser, QStringLiteral("folder-chooser-") + suffix, save);
    TfrmSettings settings(frmMain.GlobalObject(), &frmMain);
    Shoot(settings, QStringLiteral("settings-") + suffix, save);
    std::unique_ptr<QMessageBox> question = TMainDialogs::UpgradeQuestionBox(
        &frmMain, QStringLiteral("Do you want to upgrade to Qarvo 3GP Video Converter 3.4 now?"));
    Shoot(*question, QStringLiteral("upgrade-question-") + suffix, save);
    TBitmap picture;
    DrawSamplePicture(picture, 320, 180);
    TfrmPreviewWindow preview;
    preview.ShowPicture(picture, "00:01:02.345");
    Shoot(preview, QStringLiteral("conversion-preview-") + suffix, save);
  }

  QString folder_;
  QString chooserFolder_;
  TScreenFindings& findings_;
  int shots_ = 0;
};

}  // namespace

// The environment is set before the application starts any thread.
// NOLINTBEGIN(concurrency-mt-unsafe)
int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // The preview plays without a sound device or a display of its own.
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  // The windows read and write settings: never the user's.
  QTemporaryDir settingsFolder;
  setenv("QARVO_SETTINGS_FILE",
         (settingsFolder.path() + QStringLiteral("/settings.ini")).toLocal8Bit().constData(), 1);
  qInstallMessageHandler(QuietPlatformNotes);
  TApplication application(argc, argv);
  const QString folder =
      argc > 1 ? QString::fromLocal8Bit(argv[1])
               : QString::fromStdString(ExecutableFolder()) + QStringLiteral("screens");
  if (!QDir().mkpath(folder)) {
    std::fprintf(stderr, "qarvo-screens: cannot create %s\n", qPrintable(folder));
    return 1;
  }

  TScreenFindings findings;
  TScreens screens(folder, findings);
  QTemporaryDir chooserFolder;
  for (const char* name : {"Videos/Holidays", "Videos/Converted", "Videos/Phone", "Music"})
    QDir().mkpath(chooserFolder.path() + QLatin1Char('/') + QLatin1String(name));
  screens.SetChooserFolder(chooserFolder.path());
  for (int scheme = 0; scheme < kColourSchemeCount; ++scheme) {
    ApplyColourScheme(scheme);
    screens.ShootAll(scheme, QString::number(scheme) + QLatin1Char('-') + FileCaption(scheme),
                     true);
  }
  // Larger fonts must not clip any caption either; one scheme is enough to look at.
  QFont font = QApplication::font();
  font.setPointSizeF(font.pointSizeF() * 1.25);
  QApplication::setFont(font);
  ApplyColourScheme(0);
  screens.ShootAll(0, QStringLiteral("0-default-125"), true);

  std::printf("qarvo-screens: %d windows in %s, lowest caption contrast %.2f:1\n", screens.Shots(),
              qPrintable(folder), findings.LowestContrast);
  for (const QString& problem : findings.Problems)
    std::fprintf(stderr, "qarvo-screens: %s\n", qPrintable(problem));
  return findings.Problems.isEmpty() ? 0 : 1;
}
// NOLINTEND(concurrency-mt-unsafe)
