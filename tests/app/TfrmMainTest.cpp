#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "base/EngineError.h"
#include "base/MainThread.h"
#include "core/IniFile.h"
#include "core/JobList.h"
#include "app/IMainDialogs.h"
#include "app/IShellOpener.h"
#include "app/TApplication.h"
#include "app/TfrmAbout.h"
#include "app/TfrmCover.h"
#include "app/TfrmMain.h"
#include "app/TfrmPreference.h"
#include "jobs/IRunMessages.h"
#include "jobs/PathText.h"
#include "jobs/TConversionRun.h"
#include "jobs/TJobListModel.h"
#include "jobs/TJobListView.h"
#include "jobs/TJobRowDelegate.h"
#include "profiles/TfrmSettings.h"

#include "AppTestApplication.h"
#include "AppTestSupport.h"
#include "LoopbackHttpServer.h"
#include "support/ScratchFolder.h"
#include "support/TestMedia.h"

namespace qarvo {
namespace {

struct TShownError {
  QMessageBox::Icon Icon;
  QString Caption;
  QString Text;
};

TEST(TfrmMain, CreateAndFirstShowPrepareTheWindow) {
  Application();
  TfrmMain frmMain;
  EXPECT_EQ(frmMain.objectName(), "frmMain");
  EXPECT_EQ(frmMain.windowTitle(), "Qarvo 3GP Video Converter");
  EXPECT_EQ(frmMain.GlobalObject().SettingsFile(), SettingsFile());
  // Ready for the first write although the folder did not exist.
  EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(SettingsFile()).parent_path()));
  EXPECT_EQ(frmMain.SkinIndex(), 0);  // no settings file: default scheme
  auto* mmoLog = frmMain.findChild<QPlainTextEdit*>("mmoLog");
  ASSERT_NE(mmoLog, nullptr);

  frmMain.show();
  EXPECT_EQ(frmMain.windowTitle(), "Qarvo 3GP Video Converter 3.300 ");
  EXPECT_EQ(frmMain.size(), QSize(786, 522));
  EXPECT_FALSE(mmoLog->isVisible());
}

TEST(TApplication, ExceptionsInEventHandlersAreShownAndTheLoopGoesOn) {
  TApplication& application = Application();
  std::vector<TShownError> shown;
  application.SetErrorPresenter(
      [&](QMessageBox::Icon icon, const QString& caption, const QString& text) {
        shown.push_back({icon, caption, text});
      });
  application.SetErrorCaption("Qarvo 3GP Video Converter");

  QTimer::singleShot(0, [] { throw EEngineError("Unknown encoder"); });
  QTimer::singleShot(0, [] { throw std::runtime_error("Unable to write to /x/s.ini"); });
  QTimer::singleShot(0, [] { throw std::runtime_error("Stop!"); });
  QTimer::singleShot(10, &application, &QCoreApplication::quit);
  application.exec();

  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].Icon, QMessageBox::Warning);
  EXPECT_EQ(shown[0].Text, "Unknown encoder.");
  EXPECT_EQ(shown[0].Caption, "Qarvo 3GP Video Converter");
  EXPECT_EQ(shown[1].Icon, QMessageBox::Critical);
  EXPECT_EQ(shown[1].Text, "Unable to write to /x/s.ini.");
  EXPECT_EQ(shown[2].Text, "Stop!");
}

// ---- The window's commands ------------------------------------------------------------

// Probes on the adder's thread; a test may hold it at a file until it lets it go, or the
// adder interrupts it (a file on a slow medium gives up, refused as stopped).
class TFakeProber : public IJobProber {
 public:
  bool LoadLibraries() override { return true; }
  std::optional<int64_t> ProbeDuration(const std::string& fileName, std::string& error) override {
    {
      std::unique_lock lock(mutex);
      probed << QString::fromStdString(fileName);
      changed.notify_all();
      changed.wait(lock, [&] { return holdAt.empty() || fileName != holdAt || interrupted; });
      if (interrupted) {
        returned << QString::fromStdString(fileName);
        changed.notify_all();
        error = fileName + ": stopped";
        return std::nullopt;
      }
    }
    if (fileName.find("bad") != std::string::npos) {
      error = fileName + ": Invalid data found when processing input";
      return std::nullopt;
    }
    return 120000000;
  }
  void ClearTasks() override {}
  void Interrupt(bool on) override {
    {
      std::lock_guard lock(mutex);
      interrupted = on;
    }
    changed.notify_all();
  }
  // Until the probe of `file` gave up on an interrupt.
  bool WaitInterrupted(const std::string& file) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(60),
                            [&] { return returned.contains(QString::fromStdString(file)); });
  }
  QStringList Probed() {
    std::lock_guard lock(mutex);
    return probed;
  }
  void Hold(const std::string& file) {
    std::lock_guard lock(mutex);
    holdAt = file;
  }
  void Release() {
    {
      std::lock_guard lock(mutex);
      holdAt.clear();
    }
    changed.notify_all();
  }
  // Until the adder's thread has reached `file`.
  void WaitFor(const std::string& file) {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return probed.contains(QString::fromStdString(file)); });
  }

  std::mutex mutex;
  std::condition_variable changed;
  QStringList probed, returned;
  std::string holdAt;
  bool interrupted = false;
};

class TFakeDialogs : public IMainDialogs {
 public:
  bool AskExit(QWidget*) override {
    ++questions;
    return exitAnswer;
  }
  bool AskYesNo(QWidget*, const QString& question) override {
    yesNoQuestions << question;
    return yesNoAnswer;
  }
  void ShowWarning(QWidget*, const QString& text) override { warnings << text; }
  QStringList ChooseFiles(QWidget*, const QStringList& filters) override {
    ++fileDialogs;
    lastFilters = filters;
    return files;
  }
  QString ChooseFolder(QWidget*, const QString&) override { return folder; }
  bool AskUpgrade(QWidget*, const QString& question) override {
    upgradeQuestions << question;
    return upgradeAnswer;
  }

  bool exitAnswer = false;
  bool upgradeAnswer = false;
  bool yesNoAnswer = false;
  QStringList upgradeQuestions, yesNoQuestions;
  int questions = 0;
  int fileDialogs = 0;
  QStringList warnings, files, lastFilters;
  QString folder;
};

class TFakeShell : public IShellOpener {
 public:
  void OpenWebAddress(const QString& address) override { web << address; }
  void OpenFolder(const QString& folder) override { folders << folder; }
  QStringList web, folders;
};

// Counts the times the window is hidden.
class THideCounter : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Hide) ++hides;
    return false;
  }
  int hides = 0;
};

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() {
    Application();
    std::filesystem::create_directories(std::filesystem::path(SettingsFile()).parent_path());
    test::WriteText(SettingsFile(),
                    "[settings]\nOutPutDir=" + folder.File("out") + "\nFormatCode=3\n");
    for (const char* name : {"a.avi", "b.mp4", "bad.avi", "c.mkv"})
      test::WriteText(folder.File(name), "x");
  }
  ~MainWindowTest() override { std::filesystem::remove(SettingsFile()); }

  // A window with the replacements, shown (first show runs the start-up).
  std::unique_ptr<TfrmMain> Window(const QStringList& startupFiles = {},
                                   QWidget* splash = nullptr) {
    auto window = std::make_unique<TfrmMain>();
    window->SetJobProber(&prober);
    window->SetDialogs(&dialogs);
    window->SetShellOpener(&shell);
    window->SetStartupFiles(startupFiles);
    window->HoldWarningsWhileShown(splash);
    window->show();
    return window;
  }
  QString Path(const char* name) const { return QString::fromStdString(folder.File(name)); }
  template <typename T>
  static T* Find(QObject& window, const char* name) {
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }

  test::TScratchFolder folder{"mainwindow"};
  TFakeProber prober;
  TFakeDialogs dialogs;
  TFakeShell shell;
};

TEST_F(MainWindowTest, ControlsMenusAndLayoutAreThere) {
  auto window = Window();
  const std::map<const char*, const char*> buttons{
      {"btnAdd", "&Add"},   {"btnRemove", "Re&move"}, {"btnClear", "&Clear"},
      {"BtnEdit", "E&dit"}, {"btnStart", "&Start"},   {"btnExit", "E&xit"},
      {"btnOpen", "Open"},  {"btnBrows", "Brows"},    {"btnStartOutput", "Start"}};
  for (const auto& [name, caption] : buttons) {
    QPushButton* button = Find<QPushButton>(*window, name);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), caption) << name;
    EXPECT_TRUE(button->isEnabled()) << name;
  }
  const std::map<const char*, const char*> entries{{"mnuFileAdd", "&Add"},
                                                   {"mnuFileStart", "&Start"},
                                                   {"mnuFileSettings", "Se&ttings"},
                                                   {"mnuEditEffect", "&Video Effect && Water Mark"},
                                                   {"mnuEditCheck", "C&heck"},
                                                   {"mnuEditUncheck", "U&ncheck"},
                                                   {"mnuSkinLightBlue", "Light blue"},
                                                   {"mnuHelpSupport", "&Support and Contact"},
                                                   {"pmFilesVideoInfo", "Video Infomation"}};
  for (const auto& [name, caption] : entries) {
    QAction* action = Find<QAction>(*window, name);
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text(), caption) << name;
  }
  EXPECT_FALSE(Find<QAction>(*window, "mnuFileSettings")->isVisible());
  // The editing entries need a selected job when the menu opens.
  emit Find<QMenu>(*window, "mnuEdit")->aboutToShow();
  for (const char* name : {"mnuEditCrop", "mnuEditTrim", "mnuEditEffect"})
    EXPECT_FALSE(Find<QAction>(*window, name)->isEnabled()) << name;
  EXPECT_TRUE(Find<QAction>(*window, "mnuToolsPreference")->isEnabled());
  EXPECT_EQ(Find<QAction>(*window, "mnuFileAdd")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
  EXPECT_EQ(Find<QAction>(*window, "mnuFileStart")->shortcut(),
            QKeySequence(Qt::CTRL | Qt::Key_Return));

  auto* edDirectory = Find<QLineEdit>(*window, "edDirectory");
  EXPECT_TRUE(edDirectory->isReadOnly());
  EXPECT_EQ(edDirectory->text(), Path("out"));
  auto* lvFiles = Find<TJobListView>(*window, "lvFiles");
  for (int column = 0; column < 5; ++column) {
    EXPECT_GE(lvFiles->header()->sectionSize(column), lvFiles->header()->sectionSizeHint(column));
    EXPECT_EQ(lvFiles->model()->headerData(column, Qt::Horizontal).toString(),
              kJobColumns[column].Caption);
  }
  window->AddFiles({Path("a.avi")});
  ASSERT_TRUE(window->WaitForAdd());
  QWidget* pan1 = Find<QWidget>(*window, "pan1");
  EXPECT_EQ(pan1->width(), 243);
  // The drawing surface shares the preview column with the preview's controls.
  EXPECT_GE(Find<QWidget>(*window, "pnlPreview")->height(), 136);
  EXPECT_GE(pan1->height(), 96);
  ASSERT_NE(window->findChild<QWidget*>("pnlFormatSelector"), nullptr);
  ASSERT_NE(window->findChild<QWidget*>("pnlParameters"), nullptr);

  // The job list takes the spare room; the preview's place keeps its width.
  const QSize list = lvFiles->size();
  window->resize(1100, 800);
  QCoreApplication::sendPostedEvents();
  window->centralWidget()->layout()->activate();
  EXPECT_GT(lvFiles->width(), list.width());
  EXPECT_GT(lvFiles->height(), list.height());
  EXPECT_EQ(pan1->width(), 243);
}

TEST_F(MainWindowTest, AddThroughTheDialogTheDropAndTheCommandLine) {
  auto window = Window({Path("c.mkv")});
  TJobListModel& model = window->JobModel();
  ASSERT_TRUE(window->WaitForAdd());
  ASSERT_EQ(model.rowCount(), 1);  // from the command line
  EXPECT_EQ(model.data(model.index(0, kColSource), Qt::DisplayRole).toString(), Path("c.mkv"));

  test::WriteText(folder.File("c.srt"), "1\n00:00:01,000 --> 00:00:02,000\nHello\n");
  dialogs.files = {Path("a.avi"), Path("bad.avi"), Path("c.mkv"), Path("c.srt"), Path("a.avi")};
  QTest::mouseClick(Find<QPushButton>(*window, "btnAdd"), Qt::LeftButton);
  ASSERT_TRUE(window->WaitForAdd());
  EXPECT_EQ(dialogs.fileDialogs, 1);
  ASSERT_FALSE(dialogs.lastFilters.isEmpty());
  EXPECT_TRUE(dialogs.lastFilters[0].startsWith("All Supported Video Formats (*.AVI *.AVM"));
  // Each pattern once, in the dialog's own syntax.
  EXPECT_TRUE(dialogs.lastFilters.contains("AVI files (*.avi)"));
  EXPECT_TRUE(dialogs.lastFilters.contains("MPEG files (*.mpg *.mpeg)"));
  EXPECT_EQ(dialogs.lastFilters.last(), "All files (*.*)");
  ASSERT_EQ(model.rowCount(), 2);
  EXPECT_EQ(model.data(model.index(1, kColLength), Qt::DisplayRole).toString(), "120");
  EXPECT_EQ(model.data(model.index(1, kColDestination), Qt::DisplayRole).toString(), "a_(new).avi");
  EXPECT_EQ(model.data(model.index(1, kColSource), Qt::CheckStateRole).toInt(), Qt::Checked);
  // One warning names each file left out once, with its reason in plain words; the subtitle
  // file never reached the engine.
  ASSERT_EQ(dialogs.warnings.size(), 1);
  EXPECT_EQ(dialogs.warnings[0], "These files could not be added:\n" + Path("c.mkv") +
                                     ": already in the list\n" + Path("c.srt") +
                                     ": a subtitle file, not a video or audio file\n" +
                                     Path("a.avi") + ": already in the list\n" + Path("bad.avi") +
                                     ": the file is damaged or not a media file");
  EXPECT_FALSE(prober.Probed().contains(Path("c.srt")));

  // A dropped folder adds its media files, sorted; known files are named once more.
  std::filesystem::create_directories(folder.File("drop/.hidden"));
  for (const char* name : {"drop/z.mp4", "drop/y.avi", "drop/readme.txt", "drop/.hidden/x.mp4"})
    test::WriteText(folder.File(name), "x");
  auto* lvFiles = Find<TJobListView>(*window, "lvFiles");
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(Path("drop")), QUrl::fromLocalFile(Path("a.avi"))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(lvFiles->viewport(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(lvFiles->viewport(), &drop);
  ASSERT_TRUE(window->WaitForAdd());
  ASSERT_EQ(model.rowCount(), 4);
  EXPECT_EQ(model.data(model.index(2, kColSource), Qt::DisplayRole).toString(), Path("drop/y.avi"));
  EXPECT_EQ(model.data(model.index(3, kColSource), Qt::DisplayRole).toString(), Path("drop/z.mp4"));
  ASSERT_EQ(dialogs.warnings.size(), 2);
  EXPECT_EQ(dialogs.warnings[1],
            "This file could not be added:\n" + Path("a.avi") + ": already in the list");

  // (512 + 128) kbit/s × 4 jobs × 120 s.
  auto* size = Find<QLabel>(*window, "lblEstimatedSize");
  EXPECT_TRUE(size->isVisible());
  EXPECT_EQ(size->text(), QString::fromUtf8("\u2248 38 MB"));
  model.CheckAll(false);
  EXPECT_EQ(size->text(), QString::fromUtf8("\u2248 0.0 MB"));
  TIniFile(SettingsFile()).WriteInteger("settings", "FormatCode", 5);
  model.CheckAll(true);
  EXPECT_FALSE(size->isVisible());  // the bit rate follows the source
}

// A large Add probes in the background: rows appear in the order given while the window
// goes on; the line under the list counts and its Stop keeps what was added so far.
TEST_F(MainWindowTest, AddProbesInTheBackgroundInOrderAndStops) {
  auto window = Window();
  TJobListModel& model = window->JobModel();
  QStringList files;
  for (int i = 0; i < 6; ++i) {
    const std::string name = "f" + std::to_string(i) + ".avi";
    test::WriteText(folder.File(name), "x");
    files << Path(name.c_str());
  }
  prober.Hold(folder.File("f3.avi"));
  window->AddFiles(files);
  EXPECT_TRUE(window->Adding());  // Add returned with the probing under way
  ASSERT_TRUE(
      TMainThread::WaitPumping([&] { return model.rowCount() == 3; }, std::chrono::seconds(60)));
  prober.WaitFor(folder.File("f3.avi"));
  for (int row = 0; row < 3; ++row)
    EXPECT_EQ(model.data(model.index(row, kColSource), Qt::DisplayRole).toString(), files[row]);
  auto* line = Find<QWidget>(*window, "pnlAdding");
  EXPECT_TRUE(line->isVisibleTo(window.get()));
  EXPECT_EQ(Find<QLabel>(*window, "lblAdding")->text(), "Adding files: 3 of 6");

  QTest::mouseClick(Find<QPushButton>(*window, "btnAddStop"), Qt::LeftButton);
  EXPECT_FALSE(window->Adding());
  EXPECT_FALSE(line->isVisibleTo(window.get()));
  // The file being probed is not read to its end: its probe is interrupted.
  EXPECT_TRUE(prober.WaitInterrupted(folder.File("f3.avi")));
  prober.Release();
  // The file being probed when Stop came is dropped; a later Add goes on normally.
  test::WriteText(folder.File("g.avi"), "x");
  window->AddFiles({Path("g.avi")});
  ASSERT_TRUE(window->WaitForAdd());
  ASSERT_EQ(model.rowCount(), 4);
  EXPECT_EQ(model.data(model.index(3, kColSource), Qt::DisplayRole).toString(), Path("g.avi"));
  EXPECT_TRUE(dialogs.warnings.isEmpty());
}

// Files named on the command line: a refused one is named once the splash has gone, not
// over it.
TEST_F(MainWindowTest, StartupWarningWaitsForTheSplashToClose) {
  QWidget splash;
  splash.show();
  auto window = Window({Path("bad.avi"), Path("a.avi")}, &splash);
  ASSERT_TRUE(window->WaitForAdd());
  EXPECT_EQ(window->JobModel().rowCount(), 1);
  EXPECT_TRUE(dialogs.warnings.isEmpty());
  splash.hide();
  ASSERT_TRUE(TMainThread::WaitPumping([&] { return !dialogs.warnings.isEmpty(); },
                                       std::chrono::seconds(60)));
  ASSERT_EQ(dialogs.warnings.size(), 1);
  EXPECT_EQ(dialogs.warnings[0], "This file could not be added:\n" + Path("bad.avi") +
                                     ": the file is damaged or not a media file");
}

TEST_F(MainWindowTest, KeysListMenuAndEditMenuFollowTheSelection) {
  auto window = Window({Path("a.avi"), Path("b.mp4"), Path("c.mkv")});
  ASSERT_TRUE(window->WaitForAdd());  // the command line's files
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  TJobListModel& model = window->JobModel();
  ASSERT_EQ(model.rowCount(), 3);
  auto* lvFiles = Find<TJobListView>(*window, "lvFiles");
  lvFiles->setFocus();
  lvFiles->setCurrentIndex(model.index(1, 0));
  EXPECT_EQ(model.List().Selected(), 1);

  QTest::keyClick(lvFiles, Qt::Key_Space);
  EXPECT_FALSE(model.List().Rows()[1].Checked);
  QTest::keyClick(lvFiles, Qt::Key_Space);
  EXPECT_TRUE(model.List().Rows()[1].Checked);
  QTest::keyClick(lvFiles, Qt::Key_Delete);
  ASSERT_EQ(model.rowCount(), 2);
  EXPECT_EQ(model.List().Selected(), 1);  // the row that took its place
  EXPECT_EQ(lvFiles->currentIndex().row(), 1);
  QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(dialogs.fileDialogs, 1);

  auto* mnuEdit = Find<QMenu>(*window, "mnuEdit");
  auto* pmFiles = Find<QMenu>(*window, "pmFiles");
  const auto enabled = [&](const char* name) { return Find<QAction>(*window, name)->isEnabled(); };
  emit mnuEdit->aboutToShow();
  emit pmFiles->aboutToShow();
  EXPECT_TRUE(enabled("mnuEditReverseCheck"));
  EXPECT_TRUE(enabled("pmFilesRemove"));
  EXPECT_TRUE(enabled("pmFilesVideoInfo"));
  EXPECT_TRUE(Find<QAction>(*window, "mnuEditEffect")->isVisible());
  for (const char* name : {"mnuEditCrop", "mnuEditTrim", "mnuEditEffect", "pmFilesCrop",
                           "pmFilesTrim", "pmFilesEffect"})
    EXPECT_TRUE(enabled(name)) << name;

  QSignalSpy previews(window.get(), &TfrmMain::PreviewRequested);
  const QPoint cell = lvFiles->visualRect(model.index(0, 1)).center();
  QTest::mousePress(lvFiles->viewport(), Qt::LeftButton, Qt::NoModifier, cell);
  QTest::mouseDClick(lvFiles->viewport(), Qt::LeftButton, Qt::NoModifier, cell);
  ASSERT_EQ(previews.size(), 1);
  EXPECT_EQ(previews[0][0].toInt(), 0);

  lvFiles->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
  emit mnuEdit->aboutToShow();
  emit pmFiles->aboutToShow();
  EXPECT_FALSE(enabled("mnuEditReverseCheck"));
  EXPECT_FALSE(enabled("mnuEditCheckAll"));
  EXPECT_FALSE(enabled("pmFilesRemove"));
  EXPECT_FALSE(enabled("pmFilesVideoInfo"));
  EXPECT_FALSE(enabled("pmFilesTrim"));
  EXPECT_FALSE(enabled("mnuEditCrop"));
  EXPECT_TRUE(enabled("pmFilesAdd"));
  window->btnRemoveClick();
  EXPECT_EQ(model.rowCount(), 2);
  emit lvFiles->doubleClicked(model.index(0, 0));
  EXPECT_EQ(previews.size(), 1);

  // The list menu opens right below the Edit button.
  auto* BtnEdit = Find<QPushButton>(*window, "BtnEdit");
  QTest::mouseClick(BtnEdit, Qt::LeftButton);
  EXPECT_TRUE(pmFiles->isVisible());
  EXPECT_EQ(pmFiles->pos(), BtnEdit->mapToGlobal(QPoint(0, BtnEdit->height())));
  pmFiles->hide();
}

// The list at the default size: path columns take the spare width and keep file names in
// view, captions whole; the window's size and the widths come back at the next start.
TEST_F(MainWindowTest, JobListFillsItsWidthShowsFileNamesAndKeepsItsLayout) {
  std::filesystem::create_directories(folder.File("Videos/Summer holiday 2026"));
  const QString clip = Path("Videos/Summer holiday 2026/At the lake.avi");
  test::WriteText(clip.toStdString(), "x");
  QList<int> widths;
  QSize size;
  {
    auto window = Window({clip});
    ASSERT_TRUE(window->WaitForAdd());  // the command line's files
    EXPECT_EQ(window->size(), QSize(786, 522));
    auto* lvFiles = Find<TJobListView>(*window, "lvFiles");
    QHeaderView* header = lvFiles->header();
    const auto total = [&] {
      int sum = 0;
      for (int column = 0; column < 5; ++column) sum += header->sectionSize(column);
      return sum;
    };
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(total(), lvFiles->viewport()->width());
    for (int column = 0; column < 5; ++column) {
      EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column))
          << kJobColumns[column].Caption << " is clipped";
    }
    // The Source cell, as the row shows it, ends with the whole file name.
    const QRect cell = lvFiles->visualRect(window->JobModel().index(0, kColSource));
    const QString shown =
        TJobRowDelegate::ElidedPath(lvFiles->fontMetrics(), clip, cell.width() - 16 - 6);
    EXPECT_NE(shown, clip);  // too long to show whole here
    EXPECT_TRUE(shown.endsWith("/At the lake.avi")) << shown.toStdString();

    // A wider window widens the path columns only.
    const int length = header->sectionSize(kColLength);
    const int source = header->sectionSize(kColSource);
    const int destination = header->sectionSize(kColDestination);
    window->resize(1100, 700);
    QCoreApplication::sendPostedEvents();
    window->centralWidget()->layout()->activate();
    QCoreApplication::sendPostedEvents();
    EXPECT_GT(header->sectionSize(kColSource), source);
    EXPECT_GT(header->sectionSize(kColDestination), destination);
    EXPECT_EQ(header->sectionSize(kColLength), length);
    EXPECT_EQ(total(), lvFiles->viewport()->width());
    // Widening the Source column by hand takes the room from the destination.
    const int before = header->sectionSize(kColDestination);
    header->resizeSection(kColSource, header->sectionSize(kColSource) + 40);
    EXPECT_EQ(header->sectionSize(kColDestination), before - 40);
    EXPECT_EQ(total(), lvFiles->viewport()->width());
    for (int column = 0; column < 5; ++column) widths << header->sectionSize(column);
    size = window->size();
    dialogs.exitAnswer = true;
    ASSERT_TRUE(window->close());
  }
  const TIniFile settings(SettingsFile());
  EXPECT_FALSE(settings.ReadString("settings", "mainWindowGeometry", "").empty());
  EXPECT_FALSE(settings.ReadString("settings", "jobColumnWidths", "").empty());
  auto again = Window();
  EXPECT_EQ(again->size(), size);
  QCoreApplication::sendPostedEvents();
  auto* lvFiles = Find<TJobListView>(*again, "lvFiles");
  for (int column = 0; column < 5; ++column)
    EXPECT_EQ(lvFiles->header()->sectionSize(column), widths[column]) << column;
}

TEST(TJobRowDelegate, PathsAreShortenedInTheirMiddleSoTheFileNameStays) {
  Application();
  const QFontMetrics metrics(QApplication::font());
  const QString path = "/home/user/Videos/Summer holiday 2026/At the lake.avi";
  const auto width = [&](const QString& text) { return metrics.horizontalAdvance(text); };
  EXPECT_EQ(TJobRowDelegate::ElidedPath(metrics, path, width(path)), path);
  const QString folderCut = TJobRowDelegate::ElidedPath(metrics, path, width(path) - 20);
  EXPECT_TRUE(folderCut.startsWith("/h")) << folderCut.toStdString();
  EXPECT_TRUE(folderCut.endsWith("/At the lake.avi")) << folderCut.toStdString();
  EXPECT_TRUE(folderCut.contains(QChar(0x2026)));
  EXPECT_LE(width(folderCut), width(path) - 20);
  // Too narrow even for the name: the name loses its middle, the extension stays.
  const QString nameCut = TJobRowDelegate::ElidedPath(metrics, path, width("At the lake.avi") - 8);
  EXPECT_TRUE(nameCut.endsWith(".avi")) << nameCut.toStdString();
  EXPECT_FALSE(nameCut.contains('/'));
  EXPECT_EQ(TJobRowDelegate::ElidedPath(metrics, "a_(new).avi", 500), "a_(new).avi");
}

// Alt and a menu's letter opens that menu: no button of the window takes the same letter.
TEST_F(MainWindowTest, EveryMenuOpensFromTheKeyboard) {
  auto window = Window({Path("a.avi")});
  ASSERT_TRUE(window->WaitForAdd());  // the command line's files
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  const std::map<Qt::Key, const char*> menus{{Qt::Key_F, "mnuFile"},
                                             {Qt::Key_E, "mnuEdit"},
                                             {Qt::Key_T, "mnuTools"},
                                             {Qt::Key_R, "mnuRelated"},
                                             {Qt::Key_H, "mnuHelp"}};
  for (const auto& [key, name] : menus) {
    QMenu* menu = Find<QMenu>(*window, name);
    QTest::keyClick(window.get(), key, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); })) << name;
    menu->hide();
  }
  // Every letter of the window's buttons is its own.
  std::map<QChar, QString> letters;
  for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
    const int amp = button->text().indexOf('&');
    if (amp < 0 || amp + 1 >= button->text().size()) continue;
    const QChar letter = button->text().at(amp + 1).toLower();
    EXPECT_FALSE(letters.count(letter))
        << button->objectName().toStdString() << " and " << letters[letter].toStdString();
    letters[letter] = button->objectName();
  }
  for (QAction* menu : window->menuBar()->actions()) {
    const int amp = menu->text().indexOf('&');
    ASSERT_GE(amp, 0) << menu->text().toStdString();
    EXPECT_FALSE(letters.count(menu->text().at(amp + 1).toLower())) << menu->text().toStdString();
  }
  // The button row keeps working from the keyboard.
  QTest::keyClick(window.get(), Qt::Key_D, Qt::AltModifier);
  QMenu* pmFiles = Find<QMenu>(*window, "pmFiles");
  EXPECT_TRUE(QTest::qWaitFor([&] { return pmFiles->isVisible(); }));
  pmFiles->hide();
}

// Clear asks before it throws away edits or more than a few jobs; Exit asked already.
TEST_F(MainWindowTest, ClearAsksBeforeLosingEditsOrManyJobs) {
  for (const char* name : {"d.avi", "e.avi"}) test::WriteText(folder.File(name), "x");
  auto window = Window({Path("a.avi"), Path("b.mp4"), Path("c.mkv")});
  ASSERT_TRUE(window->WaitForAdd());  // the command line's files
  TJobListModel& model = window->JobModel();
  auto* btnClear = Find<QPushButton>(*window, "btnClear");
  QTest::mouseClick(btnClear, Qt::LeftButton);
  EXPECT_TRUE(dialogs.yesNoQuestions.isEmpty());  // three plain jobs go without a word
  EXPECT_EQ(model.rowCount(), 0);

  window->AddFiles({Path("a.avi"), Path("b.mp4"), Path("c.mkv"), Path("d.avi")});
  window->WaitForAdd();

  dialogs.yesNoAnswer = false;
  QTest::mouseClick(btnClear, Qt::LeftButton);
  EXPECT_EQ(dialogs.yesNoQuestions, QStringList{"Remove all 4 jobs from the list?"});
  EXPECT_EQ(model.rowCount(), 4);  // No keeps them
  dialogs.yesNoAnswer = true;
  Find<QAction>(*window, "mnuFileClear")->trigger();
  EXPECT_EQ(dialogs.yesNoQuestions.size(), 2);
  EXPECT_EQ(model.rowCount(), 0);

  // One job with a trim, one with a crop: their edits are worth a question too.
  window->AddFiles({Path("e.avi")});
  window->WaitForAdd();
  model.List().Rows()[0].Record.TrimLength = 5000000;
  dialogs.yesNoAnswer = false;
  QTest::mouseClick(btnClear, Qt::LeftButton);
  EXPECT_EQ(dialogs.yesNoQuestions.last(), "Remove the job and its edits from the list?");
  EXPECT_EQ(model.rowCount(), 1);
  window->AddFiles({Path("a.avi")});
  window->WaitForAdd();
  model.List().Rows()[0].Record.TrimLength = 0;
  model.List().Rows()[1].Record.CropLeftEntered = 8;
  QTest::mouseClick(btnClear, Qt::LeftButton);
  EXPECT_EQ(dialogs.yesNoQuestions.last(), "Remove all 2 jobs from the list?");
  EXPECT_EQ(model.rowCount(), 2);
}

TEST_F(MainWindowTest, SkinMenuChecksTheStoredSchemeAndAppliesAChangeOnce) {
  auto window = Window({Path("a.avi"), Path("b.mp4")});
  ASSERT_TRUE(window->WaitForAdd());  // the command line's files
  auto* mnuSkin = Find<QMenu>(*window, "mnuSkin");
  emit mnuSkin->aboutToShow();
  EXPECT_TRUE(Find<QAction>(*window, "mnuSkinDefault")->isChecked());

  THideCounter counter;
  window->installEventFilter(&counter);
  Find<QAction>(*window, "mnuSkinGray")->trigger();
  Find<QAction>(*window, "mnuSkinGray")->trigger();
  EXPECT_EQ(counter.hides, 1);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->SkinIndex(), 1);
  EXPECT_EQ(TIniFile(SettingsFile()).ReadInteger("settings", "skinIndex", -1), 1);
  EXPECT_TRUE(Find<QAction>(*window, "mnuSkinGray")->isChecked());
  EXPECT_FALSE(Find<QAction>(*window, "mnuSkinDefault")->isChecked());
  TJobListModel& model = window->JobModel();
  EXPECT_EQ(model.data(model.index(1, 2), Qt::BackgroundRole).value<QColor>(),
            QColor(0xEC, 0xEC, 0xEC));
  window->removeEventFilter(&counter);

  // A stored index outside the schemes marks "Default".
  TIniFile(SettingsFile()).WriteInteger("settings", "skinIndex", 9);
  emit mnuSkin->aboutToShow();
  EXPECT_TRUE(Find<QAction>(*window, "mnuSkinDefault")->isChecked());
}

TEST_F(MainWindowTest, CloseQuestionNoKeepsEverythingYesClosesAfterTheTeardown) {
  auto window = Window({Path("a.avi")});
  ASSERT_TRUE(window->WaitForAdd());  // the command line's files
  dialogs.exitAnswer = false;
  EXPECT_FALSE(window->close());
  EXPECT_EQ(dialogs.questions, 1);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->JobModel().rowCount(), 1);
  EXPECT_EQ(TIniFile(SettingsFile()).ReadString("settings", "OutPutDir", ""), folder.File("out"));

  QTest::mouseClick(Find<QPushButton>(*window, "btnExit"), Qt::LeftButton);
  EXPECT_EQ(dialogs.questions, 2);
  EXPECT_TRUE(window->isVisible());

  dialogs.exitAnswer = true;
  EXPECT_TRUE(window->close());
  EXPECT_EQ(dialogs.questions, 3);
  EXPECT_FALSE(window->isVisible());

  // An accepted upgrade closes without asking.
  auto second = Window();
  second->CloseWithoutQuestion();
  EXPECT_EQ(dialogs.questions, 3);
  EXPECT_FALSE(second->isVisible());
}

TEST_F(MainWindowTest, OutputFolderLinksAndAboutBox) {
  auto window = Window();
  dialogs.folder = Path("elsewhere");
  QTest::mouseClick(Find<QPushButton>(*window, "btnBrows"), Qt::LeftButton);
  EXPECT_EQ(Find<QLineEdit>(*window, "edDirectory")->text(), Path("elsewhere"));
  // Stored at once.
  EXPECT_EQ(TIniFile(SettingsFile()).ReadString("settings", "OutPutDir", ""),
            folder.File("elsewhere"));
  QTest::mouseClick(Find<QPushButton>(*window, "btnOpen"), Qt::LeftButton);
  EXPECT_EQ(shell.folders, QStringList{Path("elsewhere")});

  Find<QAction>(*window, "mnuHelpHelp")->trigger();
  Find<QAction>(*window, "mnuHelpWebSite")->trigger();
  const TGlobalObject& global = window->GlobalObject();
  ASSERT_EQ(shell.web.size(), 2);
  EXPECT_EQ(shell.web[0].toStdString(), global.HelpUrl());
  EXPECT_EQ(shell.web[1].toStdString(), global.HomeUrl());
  QMenu* related = Find<QMenu>(*window, "mnuRelated");
  ASSERT_FALSE(related->actions().isEmpty());
  related->actions().first()->trigger();
  EXPECT_TRUE(shell.web.last().endsWith("?Qarvo 3GP Video Converter"));

  TfrmAbout about(global, shell, window.get());
  EXPECT_EQ(about.windowTitle(), "About");
  EXPECT_EQ(about.size(), QSize(360, 190));
  EXPECT_EQ(Find<QLabel>(about, "lblAppNameVer")->text(), "Qarvo 3GP Video Converter");
  EXPECT_EQ(Find<QLabel>(about, "lblHomeUrl")->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(Find<QPushButton>(about, "btnOk")->text(), "&Ok");
  about.lblHomeUrlClick();
  EXPECT_EQ(shell.web.last().toStdString(), global.HomeUrl());
}

TEST_F(MainWindowTest, PreferenceAndSettingsOpenFromTheMenusAndAnAcceptedUpgradeCloses) {
  test::TScratchFolder cache("appcache");
  const QByteArray oldCache = qgetenv("XDG_CACHE_HOME");
  qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(cache.Folder()));
  {
    auto window = Window();
    // Made on first use and kept.
    const auto openAndClose = [&](const char* entry, auto dialog) {
      QTimer::singleShot(0, window.get(), [&] { (window.get()->*dialog)()->reject(); });
      Find<QAction>(*window, entry)->trigger();
      return (window.get()->*dialog)();
    };
    QDialog* preference = openAndClose("mnuToolsPreference", &TfrmMain::PreferenceDialog);
    ASSERT_NE(preference, nullptr);
    EXPECT_EQ(preference->windowTitle(), "Preference");
    EXPECT_EQ(openAndClose("mnuToolsPreference", &TfrmMain::PreferenceDialog), preference);
    QDialog* settings = openAndClose("mnuFileSettings", &TfrmMain::SettingsDialog);
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(settings->windowTitle(), "Settings");
    window->CloseWithoutQuestion();
  }

  // A news address with a newer release: Yes opens the download page and closes at once.
  test::TLoopbackHttpServer server;
  server.SetBody("<XMLPackage><count number=\"0\"/><videoversion number=\"9.1\"/></XMLPackage>");
  TIniFile(SettingsFile())
      .WriteString("settings", "newsUrl", server.Url().toString().toStdString());
  dialogs.upgradeAnswer = true;
  auto window = Window();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, 20000));
  EXPECT_EQ(dialogs.upgradeQuestions,
            QStringList{"Do you want to upgrade to Qarvo 3GP Video Converter 9.1 now?"});
  EXPECT_EQ(dialogs.questions, 0);  // no exit question
  ASSERT_FALSE(shell.web.isEmpty());
  EXPECT_EQ(shell.web.last().toStdString(), window->GlobalObject().DownloadUrl());
  EXPECT_EQ(server.Requests(), 1);  // nothing fetched after the Yes
  if (oldCache.isNull())
    qunsetenv("XDG_CACHE_HOME");
  else
    qputenv("XDG_CACHE_HOME", oldCache);
}

class TQuietRun : public IRunMessages, public IAfterRunActions {
 public:
  bool UseDefaultSize() override { return true; }
  void ShowWarning(const std::string&) override {}
  void OpenFolder(const std::string&) override {}
  void PowerOff() override {}
};

// News of a newer release while a run is going: the question waits for the end of the run
// (a Yes closes the main window, which must not happen beneath the modal progress window).
TEST_F(MainWindowTest, AnUpgradeQuestionDuringARunIsAskedAfterTheRun) {
  test::TScratchFolder cache("appcache");
  const QByteArray oldCache = qgetenv("XDG_CACHE_HOME");
  qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(cache.Folder()));
  test::TLoopbackHttpServer server;
  server.SetBody("<XMLPackage><count number=\"0\"/><videoversion number=\"9.1\"/></XMLPackage>");
  server.Hold();
  TIniFile(SettingsFile())
      .WriteString("settings", "newsUrl", server.Url().toString().toStdString());
  // No while the run goes (a Yes there would leave the run without its window), Yes after.
  dialogs.upgradeAnswer = false;
  auto window = Window({QString::fromStdString(EnsureClip("short3s"))});
  ASSERT_TRUE(window->WaitForAdd());  // the command line's files
  TQuietRun quiet;
  window->ConversionRun().SetMessages(&quiet);
  window->ConversionRun().SetAfterRunActions(&quiet);
  bool answeredDuringTheRun = false;
  bool visibleAfterTheAnswer = false;
  // Runs inside the start, which keeps the events flowing while it opens the job.
  QTimer::singleShot(0, window.get(), [&] {
    if (!window->ConversionRun().Running()) return;
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.Requests() >= 1; }, 20000));
    server.Release();
    // Asked at once (the fault), or put off and the news read on.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return !dialogs.upgradeQuestions.isEmpty() || server.Requests() >= 2; }, 20000));
    answeredDuringTheRun = !dialogs.upgradeQuestions.isEmpty();
    visibleAfterTheAnswer = window->isVisible();
    dialogs.upgradeAnswer = true;
  });
  QTest::mouseClick(Find<QPushButton>(*window, "btnStart"), Qt::LeftButton);
  EXPECT_FALSE(answeredDuringTheRun);
  EXPECT_TRUE(visibleAfterTheAnswer);
  EXPECT_FALSE(window->ConversionRun().Running());
  EXPECT_EQ(dialogs.upgradeQuestions,
            QStringList{"Do you want to upgrade to Qarvo 3GP Video Converter 9.1 now?"});
  EXPECT_FALSE(window->isVisible());  // the Yes after the run closed it
  ASSERT_FALSE(shell.web.isEmpty());
  EXPECT_EQ(shell.web.last().toStdString(), window->GlobalObject().DownloadUrl());
  if (oldCache.isNull())
    qunsetenv("XDG_CACHE_HOME");
  else
    qputenv("XDG_CACHE_HOME", oldCache);
}

// A name that is not UTF-8 (Latin-1) keeps its bytes from the command line and from the file
// dialog (which decoded it) to the engine's probe and the conversion; the list shows it with
// replacement characters.
TEST_F(MainWindowTest, ANameThatIsNotUtf8IsAddedAndConvertedByItsBytes) {
  const std::string latin1 = folder.File("clip-\xe9t\xe9.avi");
  std::filesystem::copy_file(EnsureClip("short3s"), latin1);
  auto window = std::make_unique<TfrmMain>();  // the engine's own prober
  window->SetDialogs(&dialogs);
  window->SetShellOpener(&shell);
  window->SetStartupFiles({PathText(latin1)});  // as main() passes its arguments' bytes
  window->show();
  ASSERT_TRUE(window->WaitForAdd());
  TJobListModel& model = window->JobModel();
  ASSERT_EQ(model.rowCount(), 1) << dialogs.warnings.join('\n').toStdString();
  EXPECT_EQ(model.List().Rows()[0].Caption, latin1);
  EXPECT_EQ(model.data(model.index(0, kColSource), Qt::DisplayRole).toString(),
            ShownPath(PathText(latin1)));

  // The dialog's choice is the same file again: found by its bytes, it is already listed.
  dialogs.files = {QString::fromUtf8(latin1)};
  QTest::mouseClick(Find<QPushButton>(*window, "btnAdd"), Qt::LeftButton);
  ASSERT_TRUE(window->WaitForAdd());
  EXPECT_EQ(model.rowCount(), 1);
  ASSERT_EQ(dialogs.warnings.size(), 1);
  EXPECT_TRUE(dialogs.warnings[0].endsWith(QString::fromLatin1(kAlreadyListed)))
      << dialogs.warnings[0].toStdString();

  TQuietRun quiet;
  window->ConversionRun().SetMessages(&quiet);
  window->ConversionRun().SetAfterRunActions(&quiet);
  QTest::mouseClick(Find<QPushButton>(*window, "btnStart"), Qt::LeftButton);
  ASSERT_FALSE(window->ConversionRun().Running());
  std::vector<std::string> written;
  for (const auto& entry : std::filesystem::directory_iterator(folder.File("out")))
    if (entry.file_size() > 0) written.push_back(entry.path().filename().string());
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0].rfind("clip-\xe9t\xe9", 0), 0u) << written[0];
}

TEST(TfrmCover, PictureFilesAndClosingOnceTheMainWindowShows) {
  Application();
  test::TScratchFolder folder("cover");
  TfrmCover builtIn(folder.Folder() + "/");
  EXPECT_TRUE(builtIn.HasBuiltInPicture());
  EXPECT_EQ(builtIn.Picture().size(), QSize(399, 239));

  std::filesystem::create_directories(folder.File("skin"));
  QImage first(30, 20, QImage::Format_RGB32);
  first.fill(Qt::red);
  ASSERT_TRUE(first.save(QString::fromStdString(folder.File("skin/3gpvideocover.jpg")), "JPG"));
  EXPECT_EQ(TfrmCover(folder.Folder() + "/").Picture().size(), QSize(30, 20));
  QImage second(50, 40, QImage::Format_RGB32);
  second.fill(Qt::blue);
  ASSERT_TRUE(second.save(QString::fromStdString(folder.File("skin/videocover.jpg")), "JPG"));
  TfrmCover frmCover(folder.Folder() + "/");
  EXPECT_FALSE(frmCover.HasBuiltInPicture());
  EXPECT_EQ(frmCover.Picture().size(), QSize(50, 40));

  QWidget mainWindow;
  frmCover.WatchMainWindow(&mainWindow);
  frmCover.show();
  EXPECT_EQ(frmCover.size(), QSize(50, 40));
  mainWindow.show();
  // The check runs once a second; generous bound as a safety net only.
  EXPECT_TRUE(QTest::qWaitFor([&] { return !frmCover.isVisible(); }, 10000));
}

}  // namespace
}  // namespace qarvo
