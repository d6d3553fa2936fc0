#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTreeView>
#include <filesystem>

#include "core/AppPaths.h"
#include "core/IniFile.h"
#include "app/FolderMedium.h"
#include "app/IMainDialogs.h"
#include "app/IShellOpener.h"
#include "app/TfmDirectory.h"
#include "app/TfrmPreference.h"

#include "AppTestApplication.h"
#include "support/ScratchFolder.h"

namespace qarvo {
namespace {

class TChooserDialogs : public IMainDialogs {
 public:
  bool AskExit(QWidget*) override { return false; }
  bool AskYesNo(QWidget*, const QString&) override { return false; }
  void ShowWarning(QWidget*, const QString&) override {}
  QStringList ChooseFiles(QWidget*, const QStringList&) override { return {}; }
  QString ChooseFolder(QWidget*, const QString& current) override {
    shownAt << current;
    return folder;
  }
  bool AskUpgrade(QWidget*, const QString&) override { return false; }
  QString folder;
  QStringList shownAt;
};

class TRecordingShell : public IShellOpener {
 public:
  void OpenWebAddress(const QString& address) override { web << address; }
  void OpenFolder(const QString& folder) override { folders << folder; }
  QStringList web, folders;
};

template <typename T>
T& Find(QWidget& parent, const char* name) {
  T* found = parent.findChild<T*>(QString::fromLatin1(name));
  if (!found) throw std::runtime_error(std::string("no control ") + name);
  return *found;
}

class PreferenceTest : public ::testing::Test {
 protected:
  PreferenceTest() {
    global.SetSettingsFile(settingsFile);
    global.SetAppTitle("Qarvo 3GP Video Converter");
  }
  void Click(const char* name) {
    QTest::mouseClick(&Find<QAbstractButton>(dialog, name), Qt::LeftButton);
  }
  bool Checked(const char* name) { return Find<QCheckBox>(dialog, name).isChecked(); }

  TApplication& application = test::AppApplication();  // before any widget
  test::TScratchFolder folder{"preference"};
  std::string settingsFile = folder.File("settings.ini");
  TGlobalObject global;
  TChooserDialogs dialogs;
  TRecordingShell shell;
  TfrmPreference dialog{global, dialogs, shell};
};

TEST_F(PreferenceTest, ControlsFollowEachOtherAndThePairsKeepOneChecked) {
  test::WriteText(settingsFile, "[settings]\nSnapOutPutDir=" + folder.Folder() +
                                    "\nsnapSmallSize=0\nsnapBmp=0\njpgCmp=45\npriority=3\n");
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), "Preference");
  EXPECT_EQ(dialog.size(), QSize(480, 390).expandedTo(dialog.minimumSizeHint()));
  EXPECT_EQ(dialog.width(), 480);
  EXPECT_EQ(Find<QLineEdit>(dialog, "edtSnapDirectory").text().toStdString(), folder.Folder());
  EXPECT_TRUE(Find<QLineEdit>(dialog, "edtSnapDirectory").isReadOnly());
  EXPECT_TRUE(Checked("chkFullSize"));
  EXPECT_FALSE(Checked("chkSmallSize"));
  EXPECT_FALSE(Checked("chkBmp"));
  EXPECT_TRUE(Checked("chkJpg"));
  EXPECT_TRUE(Find<QRadioButton>(dialog, "rbLowest").isChecked());
  EXPECT_TRUE(Checked("chkUseAllCores"));
  EXPECT_EQ(Find<QComboBox>(dialog, "cmbSimultaneousJobs").currentText(), "Automatic");
  EXPECT_EQ(Find<QComboBox>(dialog, "cmbSimultaneousJobs").count(), 9);
  auto& spedCmp = Find<QSpinBox>(dialog, "spedCmp");
  auto& trcCmp = Find<QSlider>(dialog, "trcCmp");
  EXPECT_EQ(spedCmp.value(), 45);
  EXPECT_EQ(trcCmp.value(), 45);
  EXPECT_EQ(spedCmp.toolTip().split('\n').size(), 8);
  EXPECT_TRUE(spedCmp.toolTip().split('\n')[3].isEmpty());

  // The only checked box of each pair cannot be unchecked; the other can be checked.
  Click("chkFullSize");
  EXPECT_TRUE(Checked("chkFullSize"));
  Click("chkJpg");
  EXPECT_TRUE(Checked("chkJpg"));
  Click("chkSmallSize");
  Click("chkFullSize");
  EXPECT_FALSE(Checked("chkFullSize"));
  EXPECT_TRUE(Checked("chkSmallSize"));
  // JPG off (BMP on first) disables the quality controls; on again enables them.
  Click("chkBmp");
  Click("chkJpg");
  EXPECT_FALSE(Checked("chkJpg"));
  EXPECT_FALSE(spedCmp.isEnabled());
  EXPECT_FALSE(trcCmp.isEnabled());
  Click("chkJpg");
  EXPECT_TRUE(spedCmp.isEnabled());

  // The bar sets the box, the box the bar; a typed 150 never reaches the bar.
  trcCmp.setValue(70);
  EXPECT_EQ(spedCmp.value(), 70);
  spedCmp.setValue(12);
  EXPECT_EQ(trcCmp.value(), 12);
  spedCmp.selectAll();
  QTest::keyClicks(&spedCmp, "150");
  EXPECT_LE(spedCmp.value(), 100);
  EXPECT_NE(trcCmp.value(), 150);
  EXPECT_EQ(trcCmp.value(), spedCmp.value());

  // Open shows the stored folder; Brows stores the chosen folder at once.
  Click("btnOpen");
  EXPECT_EQ(shell.folders, QStringList{QString::fromStdString(folder.Folder())});
  dialogs.folder = QString::fromStdString(folder.File("snaps"));
  Click("btnBrows");
  EXPECT_EQ(dialogs.shownAt, QStringList{QString::fromStdString(folder.Folder())});
  EXPECT_EQ(TIniFile(settingsFile).ReadString("settings", "SnapOutPutDir", ""),
            folder.File("snaps"));
  EXPECT_EQ(Find<QLineEdit>(dialog, "edtSnapDirectory").text().toStdString(), folder.File("snaps"));
  dialog.reject();
}

TEST_F(PreferenceTest, DefaultThenCancelStoresNothingDefaultThenOkStoresTheDefaults) {
  test::WriteText(settingsFile,
                  "[settings]\nSnapOutPutDir=/snaps\njpgCmp=45\npriority=0\n"
                  "keepEverySnapshot=1\nuseAllCores=0\nsimultaneousJobs=4\n");
  const std::string before = test::ReadText(settingsFile);
  dialog.show();
  EXPECT_TRUE(Checked("chkKeepEverySnapshot"));
  EXPECT_EQ(Find<QComboBox>(dialog, "cmbSimultaneousJobs").currentText(), "4");
  Click("btnDefault");
  EXPECT_EQ(Find<QLineEdit>(dialog, "edtSnapDirectory").text().toStdString(),
            DefaultOutputFolder());
  EXPECT_TRUE(Find<QRadioButton>(dialog, "rbNormal").isChecked());
  EXPECT_FALSE(Find<QSpinBox>(dialog, "spedCmp").isEnabled());
  Click("btnCancel");
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(test::ReadText(settingsFile), before);

  // Shown again: the stored values, not the Default ones.
  dialog.show();
  EXPECT_EQ(Find<QSpinBox>(dialog, "spedCmp").value(), 45);
  EXPECT_TRUE(Find<QRadioButton>(dialog, "rbIdle").isChecked());
  Click("btnDefault");
  Click("btnOk");
  EXPECT_FALSE(dialog.isVisible());
  const TIniFile settings(settingsFile);
  EXPECT_EQ(settings.ReadInteger("settings", "jpgCmp", 0), 20);
  EXPECT_EQ(settings.ReadInteger("settings", "snapBmp", -1), 1);
  EXPECT_EQ(settings.ReadInteger("settings", "snapJpg", -1), 0);
  EXPECT_EQ(settings.ReadInteger("settings", "snapFullSize", -1), 1);
  EXPECT_EQ(settings.ReadInteger("settings", "snapSmallSize", -1), 0);
  EXPECT_EQ(settings.ReadInteger("settings", "Priority", -1), 1);
  EXPECT_EQ(settings.ReadString("settings", "snapOutPutDir", ""), DefaultOutputFolder());
  EXPECT_EQ(settings.ReadInteger("settings", "keepEverySnapshot", -1), 0);
  EXPECT_EQ(settings.ReadInteger("settings", "useAllCores", -1), 1);
  EXPECT_EQ(settings.ReadInteger("settings", "simultaneousJobs", -1), 0);
}

// A folder that takes no new file, for the superuser too: the immutable attribute where the
// file system and the privileges allow it, else no write permission (enough for other users).
class TLockedFolder {
 public:
  explicit TLockedFolder(std::string folder) : folder_(std::move(folder)) {
    if (SetImmutable(true)) {
      immutable_ = true;
    } else if (::geteuid() != 0) {
      std::filesystem::permissions(folder_, std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::remove);
    }
    const std::string probe = folder_ + "/probe";
    const int fd = ::open(probe.c_str(), O_CREAT | O_WRONLY, 0600);
    locked_ = fd < 0;
    if (fd >= 0) {
      ::close(fd);
      ::unlink(probe.c_str());
    }
  }
  ~TLockedFolder() {
    if (immutable_) SetImmutable(false);
    std::filesystem::permissions(folder_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add);
  }
  bool Locked() const { return locked_; }

 private:
  bool SetImmutable(bool on) const {
    const int fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
      flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
      done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
  }

  std::string folder_;
  bool immutable_ = false;
  bool locked_ = false;
};

TEST(TfmDirectory, FoldersOnlyStartsAtTheConfiguredFolderAndRefusesReadOnlyMedia) {
  test::AppApplication();
  test::TScratchFolder folder("chooser");
  std::filesystem::create_directories(folder.File("out/disc"));
  test::WriteText(folder.File("out/file.txt"), "x");
  const QString out = QString::fromStdString(folder.File("out"));
  const QString disc = QString::fromStdString(folder.File("out/disc"));
  std::filesystem::create_directories(folder.File("locked"));
  const TLockedFolder lock(folder.File("locked"));
  const QString unwritable = lock.Locked() ? QString::fromStdString(folder.File("locked")) : "";

  TfmDirectory chooser("Qarvo 3GP Video Converter");
  QStringList messages;
  chooser.SetMessenger(
      [&](const QString& caption, const QString& text) { messages << caption + "|" + text; });
  chooser.SetMediumProbe([&](const QString& path) {
    return path == disc ? TFolderMedium{QStringLiteral("iso9660"), false} : MediumOf(path);
  });
  chooser.Prepare(QString::fromStdString(folder.File("missing")));
  EXPECT_EQ(chooser.SelectedFolder(), QDir::homePath());
  chooser.Prepare(out);
  chooser.show();
  EXPECT_EQ(chooser.windowTitle(), "Brows");
  EXPECT_EQ(chooser.size(), QSize(322, 351));
  EXPECT_EQ(Find<QLabel>(chooser, "lblPrompt").text(), "Please select an output directory:");
  EXPECT_EQ(chooser.SelectedFolder(), out);
  EXPECT_TRUE(Find<QPushButton>(chooser, "btnOk").isEnabled());
  // The tree lists the sub-folder and never the file.
  auto& tree = Find<QTreeView>(chooser, "tvFolders");
  auto* model = qobject_cast<QFileSystemModel*>(tree.model());
  ASSERT_NE(model, nullptr);
  const QModelIndex outIndex = model->index(out);
  ASSERT_TRUE(QTest::qWaitFor([&] { return model->rowCount(outIndex) > 0; }, 10000));
  EXPECT_EQ(model->rowCount(outIndex), 1);
  EXPECT_EQ(model->fileName(model->index(0, 0, outIndex)), "disc");

  // A folder on a disc: the message, the chooser stays open with its selection.
  chooser.SelectFolder(disc);
  QTest::mouseClick(&Find<QPushButton>(chooser, "btnOk"), Qt::LeftButton);
  ASSERT_EQ(messages.size(), 1);
  EXPECT_EQ(messages[0],
            "Qarvo 3GP Video Converter|Output folder cannot be located in "
            "CD-ROM.Please select another folder.");
  EXPECT_TRUE(chooser.isVisible());
  EXPECT_TRUE(chooser.Result().isEmpty());
  EXPECT_EQ(chooser.SelectedFolder(), disc);
  // A writable folder on a real medium is taken.
  chooser.SelectFolder(out);
  QTest::mouseClick(&Find<QPushButton>(chooser, "btnOk"), Qt::LeftButton);
  EXPECT_FALSE(chooser.isVisible());
  EXPECT_EQ(chooser.Result(), out);
  EXPECT_EQ(messages.size(), 1);
  // Cancel gives nothing.
  chooser.Prepare(out);
  chooser.show();
  QTest::mouseClick(&Find<QPushButton>(chooser, "btnCancel"), Qt::LeftButton);
  EXPECT_TRUE(chooser.Result().isEmpty());

  // A folder no file can be written to: a plain message, the chooser stays open.
  chooser.Prepare(out);
  chooser.show();
  for (const QString& locked : {QStringLiteral("/proc"), unwritable}) {
    if (locked.isEmpty()) continue;  // no way to lock a folder for this user here
    chooser.SelectFolder(locked);
    ASSERT_EQ(chooser.SelectedFolder(), locked);
    QTest::mouseClick(&Find<QPushButton>(chooser, "btnOk"), Qt::LeftButton);
    EXPECT_TRUE(chooser.isVisible()) << locked.toStdString();
    EXPECT_TRUE(chooser.Result().isEmpty());
    EXPECT_EQ(messages.last(), "Qarvo 3GP Video Converter|No files can be written to " + locked +
                                   ". Please select another folder.");
  }
  EXPECT_FALSE(FolderTakesFiles(QStringLiteral("/proc")));
  EXPECT_TRUE(FolderTakesFiles(out));
  EXPECT_TRUE(QDir(out).entryList(QDir::Files | QDir::Hidden).contains("file.txt"));
  EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden).size(), 1);  // the probe is gone
  chooser.btnCancelClick();

  // The decision itself: disc file systems and read-only mounts.
  EXPECT_TRUE(IsReadOnlyMedium({QStringLiteral("UDF"), false}));
  EXPECT_TRUE(IsReadOnlyMedium({QStringLiteral("ext4"), true}));
  EXPECT_FALSE(IsReadOnlyMedium({QStringLiteral("ext4"), false}));
  EXPECT_FALSE(IsReadOnlyMedium(MediumOf(out)));
}

}  // namespace
}  // namespace qarvo
