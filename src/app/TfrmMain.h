// The main window: the job list, the output panel with the format selector, the parameter
// panels, the place of the preview, the menus and the button row, start-up and teardown.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <array>
#include <memory>

#include "core/GlobalObject.h"
#include "core/IniFile.h"

class QAction;
class QActionGroup;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;

namespace qarvo {

class IJobProber;
class IMainDialogs;
class IShellOpener;
class TConversionFrameHook;
class TConversionRun;
class TConvertEngine;
class TFormatSelector;
class TJobListModel;
class TJobListView;
class TMediaPlayer;
class TParameterPanel;
class TPreviewPanel;
class TfrmAbout;
class TfrmPreference;
class TfrmSettings;
class TUpdateCheck;
class TfrmFileInfo;
class TfrmTrim;
class TfrmCrop;
class TfrmWaterMark;
struct TlvFilesRecord;

class TfrmMain : public QMainWindow {
  Q_OBJECT

 public:
  explicit TfrmMain(QWidget* parent = nullptr);
  ~TfrmMain() override;

  const TGlobalObject& GlobalObject() const { return *globalObject_; }
  int SkinIndex() const { return skinIndex_; }
  TConvertEngine& Engine() { return *engine_; }
  TJobListModel& JobModel() { return *jobModel_; }
  TConversionRun& ConversionRun() { return *conversionRun_; }
  TMediaPlayer& MediaPlayer() { return *player_; }
  TPreviewPanel& Preview() { return *preview_; }

  // Replacements for tests; the window keeps using the given objects, which must outlive it.
  void SetJobProber(IJobProber* prober);
  void SetDialogs(IMainDialogs* dialogs);
  void SetShellOpener(IShellOpener* shell);

  // Files named on the command line, added when the window is first shown.
  void SetStartupFiles(const QStringList& files) { startupFiles_ = files; }
  // The window closes without the exit question (an accepted upgrade).
  void CloseWithoutQuestion();

  // The commands, as the buttons and menus run them.
  void btnAddClick();
  void AddFiles(const QStringList& files);
  void btnRemoveClick();
  void btnClearClick();
  void btnStartClick();
  void btnOpenClick();
  void btnBrowsClick();
  void ChooseSkin(int index);
  void ShowAbout();
  void mnuToolsPreferenceClick();
  void mnuFileSettingsClick();
  // The dialogs, once made (tests).
  TfrmPreference* PreferenceDialog() const { return frmPreference_; }
  TfrmSettings* SettingsDialog() const { return frmSettings_; }
  // Stops the preview (waiting for the player), as Start, Clear and the editing dialogs do.
  void StopPreview();
  // "Video Infomation": the file information dialog for the selected job.
  void ShowFileInfo();
  // The editing dialogs on the selected job, the preview stopped first (TfrmMainEditing.cpp).
  void mnuEditCropClick();
  void mnuEditTrimClick();
  void mnuEditEffectClick();
  TfrmTrim* TrimDialog() const { return frmTrim_; }
  // The crop dialog of the last opening (made anew each time).
  TfrmCrop* CropDialog() const { return frmCrop_; }
  TfrmWaterMark* EffectDialog() const { return frmWaterMark_; }

  // Estimated total output size of the checked jobs ("≈ 24 MB"), empty when hidden.
  QString EstimatedSizeText() const;

 signals:
  // A double-click on a selected row asks the preview to play it.
  void PreviewRequested(int row);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  void FormShow();
  void LoadMediaLibraries();
  void Teardown();
  // The window's size and place and the list's column widths, from and to the settings.
  void RestoreWindowLayout(const TIniFile& settings);
  void SaveWindowLayout();

  void CreateControls();
  QWidget* CreateButtonRow();
  QWidget* CreateOutputPanel();
  void CreateMenus();
  void CreateFileMenu();
  void CreateEditMenu();
  void CreateToolsMenu();
  void CreateLinksMenus();
  void CreateListMenu();
  QAction* AddAction(QMenu* menu, const char* name, const QString& caption,
                     void (TfrmMain::*slot)());

  void mnuEditPopup();
  void pmFilesPopup();
  // The editing entries of both menus: shown, and enabled when a row is selected.
  void ShowEditEntries(bool enabled);
  void mnuSkinPopup();
  void BtnEditClick();
  void lvFilesDblClick();
  void edDirectoryChange();
  void FormatChanged(int code);
  void JobsChanged();
  void CheckAll();
  void UncheckAll();
  void ReverseCheck();
  void CheckFocused();
  void UncheckFocused();
  void OpenWebAddress(const QString& address);
  void StartUpdateCheck();
  void UpdateCheckFinished();
  void UpgradeAccepted();
  // The upgrade question that came during a run, asked once it has ended.
  void AskDeferredUpgrade();
  // The preview panel and its player (TfrmMainPreview.cpp).
  QWidget* CreatePreview(QWidget* parent);
  void PreparePreview();
  void TeardownPreview();
  std::string FocusedSource();
  // The selected row (row 0 selected when none is), -1 on an empty list.
  int EditedRow();

  std::unique_ptr<TGlobalObject> globalObject_;
  std::unique_ptr<TConvertEngine> engine_;
  std::unique_ptr<TMediaPlayer> player_;
  std::unique_ptr<IJobProber> engineProber_;
  std::unique_ptr<IMainDialogs> platformDialogs_;
  std::unique_ptr<IShellOpener> desktopShell_;
  IJobProber* prober_ = nullptr;
  IMainDialogs* dialogs_ = nullptr;
  IShellOpener* shell_ = nullptr;
  // Outlives the run, which borrows it.
  std::unique_ptr<TConversionFrameHook> conversionHook_;
  std::unique_ptr<TConversionRun> conversionRun_;
  int skinIndex_ = 0;
  bool shown_ = false;
  bool tornDown_ = false;
  bool closeWithoutQuestion_ = false;
  QStringList startupFiles_;
  QString deferredUpgradeQuestion_;

  // Never shown: collects the start-up library errors.
  QPlainTextEdit* log_ = nullptr;
  TJobListModel* jobModel_ = nullptr;
  TJobListView* jobList_ = nullptr;
  TPreviewPanel* preview_ = nullptr;
  TFormatSelector* formatSelector_ = nullptr;
  TParameterPanel* parameterPanel_ = nullptr;
  QLineEdit* outputFolderEdit_ = nullptr;
  QLabel* estimatedSizeLabel_ = nullptr;
  QPushButton* addButton_ = nullptr;
  QPushButton* removeButton_ = nullptr;
  QPushButton* clearButton_ = nullptr;
  QPushButton* editButton_ = nullptr;
  QPushButton* startButton_ = nullptr;
  QPushButton* exitButton_ = nullptr;
  QPushButton* openFolderButton_ = nullptr;
  QPushButton* browseButton_ = nullptr;
  QPushButton* outputStartButton_ = nullptr;

  QMenu* editMenu_ = nullptr;
  QMenu* schemeMenu_ = nullptr;
  QMenu* jobListMenu_ = nullptr;
  QActionGroup* skinGroup_ = nullptr;
  std::array<QAction*, 7> skinActions_{};
  // Edit menu: the editing entries, then the five check commands.
  std::vector<QAction*> editEntries_;
  std::vector<QAction*> checkEntries_;
  std::vector<QAction*> listRowEntries_;  // list menu: the entries that need a selected row
  std::vector<QAction*> laterEntries_;    // their dialogs come later: kept disabled
  TfrmAbout* frmAbout_ = nullptr;
  TfrmPreference* frmPreference_ = nullptr;
  TfrmSettings* frmSettings_ = nullptr;
  TUpdateCheck* updateCheck_ = nullptr;
  TfrmFileInfo* frmFileInfo_ = nullptr;
  TfrmTrim* frmTrim_ = nullptr;
  TfrmCrop* frmCrop_ = nullptr;
  TfrmWaterMark* frmWaterMark_ = nullptr;
};

}  // namespace qarvo
