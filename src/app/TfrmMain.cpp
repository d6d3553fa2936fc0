#include "app/TfrmMain.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "media/LibraryLoader.h"
#include "player/TMediaPlayer.h"
#include "engine/TConvertEngine.h"
#include "core/AppPaths.h"
#include "core/JobList.h"
#include "core/SettingsKeys.h"
#include "core/SettingsReaders.h"
#include "core/VersionText.h"
#include "app/ColourSchemes.h"
#include "app/ProgramIcon.h"
#include "app/TApplication.h"
#include "app/TDesktopShellOpener.h"
#include "app/TMainDialogs.h"
#include "app/TfrmAbout.h"
#include "editing/TConversionFrameHook.h"
#include "jobs/EncoderAvailability.h"
#include "jobs/PathText.h"
#include "jobs/TAddProgressLine.h"
#include "jobs/TConversionRun.h"
#include "jobs/TEngineJobProber.h"
#include "jobs/TJobAdder.h"
#include "jobs/TJobListModel.h"
#include "jobs/TJobListView.h"
#include "jobs/TPreviewPanel.h"
#include "jobs/TfrmPreviewWindow.h"
#include "profiles/TFormatSelector.h"
#include "profiles/TParameterPanel.h"

namespace qarvo {

namespace {

constexpr int kInitialWidth = 786;
constexpr int kInitialHeight = 522;
// Line height of the 9-point font that size was laid out for; larger letters get a larger
// first size, so the job list stays readable.
constexpr int kDesignFontHeight = 14;

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowIcon(ProgramIcon());
  log_ = new QPlainTextEdit(this);
  log_->setObjectName(QStringLiteral("mmoLog"));
  log_->setReadOnly(true);
  log_->hide();
  FormCreate();
  CreateControls();
  CreateMenus();
}

TfrmMain::~TfrmMain() {
  try {
    Teardown();
  } catch (...) {
    // Only the collapse state was not saved; a destructor has no one to tell.
  }
  // The panel lets go of the player, and the player (drawing on the panel until it has
  // stopped) goes before the panel.
  TeardownPreview();
  player_.reset();
  // The panels borrow the configuration and the run borrows the engine: both go first.
  delete takeCentralWidget();
  conversionRun_.reset();
}

void TfrmMain::FormCreate() {
  globalObject_ = std::make_unique<TGlobalObject>();
  const TPathEnvironment environment = CurrentPathEnvironment();
  ApplyProductConfigurations(*globalObject_, environment);
  // A settings file outside the executable folder needs its folder before the first write.
  PrepareSettingsFolder(globalObject_->SettingsFile());
  setWindowTitle(QString::fromStdString(globalObject_->AppTitle()));

  skinIndex_ = ReadSkinIndex(TIniFile(globalObject_->SettingsFile()));
  ApplyColourScheme(skinIndex_);

  if (auto* application = qobject_cast<TApplication*>(QCoreApplication::instance())) {
    application->SetErrorCaption(QString::fromStdString(globalObject_->AppTitle()));
  }
  engine_ = std::make_unique<TConvertEngine>(this);
  LoadMediaLibraries();

  engineProber_ = std::make_unique<TEngineJobProber>(*engine_, ExecutableFolder() + "LibAV");
  platformDialogs_ =
      std::make_unique<TMainDialogs>(QString::fromStdString(globalObject_->AppTitle()));
  desktopShell_ = std::make_unique<TDesktopShellOpener>();
  prober_ = engineProber_.get();
  dialogs_ = platformDialogs_.get();
  shell_ = desktopShell_.get();
  conversionRun_ = std::make_unique<TConversionRun>(*engine_, *globalObject_, this);
  conversionRun_->SetLinkOpener(
      [this](const std::string& url) { OpenWebAddress(QString::fromStdString(url)); });
  // Tasks with the engine's preview on show it in a window of ours.
  InstallPreviewWindowFactory();
  conversionHook_ = std::make_unique<TConversionFrameHook>();
  conversionRun_->SetConversionHook(conversionHook_.get());
}

void TfrmMain::LoadMediaLibraries() {
  TLibraryLoader& loader = TLibraryLoader::Instance();
  if (loader.Loaded(kPlayerLibraries)) {
    return;
  }
  loader.SetLibPath(ExecutableFolder() + "LibAV");
  // Two steps, so that conversion still works without SDL: only the preview then reports
  // the missing library.
  for (TLibrarySet set : {kEngineLibraries, kPlayerLibraries}) {
    if (!loader.Load(set)) {
      log_->appendPlainText(QString::fromStdString(loader.LastError()));
      return;
    }
  }
}

void TfrmMain::SetJobProber(IJobProber* prober) {
  StopAdding();
  adder_.reset();  // the next Add probes with the new prober
  prober_ = prober ? prober : engineProber_.get();
}
void TfrmMain::SetDialogs(IMainDialogs* dialogs) {
  dialogs_ = dialogs ? dialogs : platformDialogs_.get();
}
void TfrmMain::SetShellOpener(IShellOpener* shell) { shell_ = shell ? shell : desktopShell_.get(); }

void TfrmMain::CreateControls() {
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("pnlMain"));
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(10);
  layout->addWidget(CreateButtonRow());

  jobModel_ = new TJobListModel(this);
  jobModel_->SetSchemeIndex(skinIndex_);
  jobList_ = new TJobListView(central);
  jobList_->SetJobModel(jobModel_);
  jobList_->setMinimumHeight(120);
  connect(jobList_, &TJobListView::FilesDropped, this, &TfrmMain::AddFiles);
  connect(jobList_, &TJobListView::DeletePressed, this, &TfrmMain::btnRemoveClick);
  connect(jobList_, &QAbstractItemView::doubleClicked, this, [this] { lvFilesDblClick(); });
  connect(jobList_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { jobListMenu_->popup(jobList_->viewport()->mapToGlobal(at)); });
  connect(jobModel_, &TJobListModel::JobsChanged, this, &TfrmMain::JobsChanged);

  auto* jobs = new QHBoxLayout;
  jobs->setSpacing(10);
  auto* listColumn = new QVBoxLayout;
  listColumn->setSpacing(4);
  listColumn->addWidget(jobList_, 1);
  listColumn->addWidget(CreateAddLine(central));
  jobs->addLayout(listColumn, 1);
  jobs->addWidget(CreatePreview(central), 0);
  layout->addLayout(jobs, 1);

  // The panel owns the Default button that the output row shows beside the format.
  parameterPanel_ = new TParameterPanel(*globalObject_, central);
  parameterPanel_->setObjectName(QStringLiteral("pnlParameters"));
  parameterPanel_->SetEncoderAvailability(LoadedLibrariesHaveEncoder);
  layout->addWidget(CreateOutputPanel());
  layout->addWidget(parameterPanel_);
  connect(formatSelector_, &TFormatSelector::FormatChanged, this, &TfrmMain::FormatChanged);
  connect(parameterPanel_, &TParameterPanel::ProfileChanged, this, &TfrmMain::JobsChanged);
  setCentralWidget(central);
}

QWidget* TfrmMain::CreateButtonRow() {
  auto* row = new QWidget(this);
  row->setObjectName(QStringLiteral("pnlButtons"));
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(6);
  // The menu bar keeps Alt+F, E, T, R and H: the buttons take other letters.
  addButton_ = MakeButton(row, "btnAdd", tr("&Add"));
  removeButton_ = MakeButton(row, "btnRemove", tr("Re&move"));
  clearButton_ = MakeButton(row, "btnClear", tr("&Clear"));
  editButton_ = MakeButton(row, "BtnEdit", tr("E&dit"));
  startButton_ = MakeButton(row, "btnStart", tr("&Start"));
  exitButton_ = MakeButton(row, "btnExit", tr("E&xit"));
  for (QPushButton* button : {addButton_, removeButton_, clearButton_, editButton_})
    layout->addWidget(button);
  layout->addStretch(1);
  layout->addWidget(startButton_);
  layout->addWidget(exitButton_);
  connect(addButton_, &QPushButton::clicked, this, &TfrmMain::btnAddClick);
  connect(removeButton_, &QPushButton::clicked, this, &TfrmMain::btnRemoveClick);
  connect(clearButton_, &QPushButton::clicked, this, &TfrmMain::btnClearClick);
  connect(editButton_, &QPushButton::clicked, this, &TfrmMain::BtnEditClick);
  connect(startButton_, &QPushButton::clicked, this, &TfrmMain::btnStartClick);
  connect(exitButton_, &QPushButton::clicked, this, &QWidget::close);
  return row;
}

QWidget* TfrmMain::CreateOutputPanel() {
  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("pnlOutput"));
  auto* layout = new QGridLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setHorizontalSpacing(6);
  layout->setVerticalSpacing(6);
  auto* lblFormat = new QLabel(QStringLiteral("Output Format:"), panel);
  lblFormat->setObjectName(QStringLiteral("lblOutputFormat"));
  auto* lblDirectory = new QLabel(QStringLiteral("Output Directory:"), panel);
  lblDirectory->setObjectName(QStringLiteral("lblOutputDirectory"));
  for (QLabel* label : {lblFormat, lblDirectory})
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  formatSelector_ = new TFormatSelector(*globalObject_, panel);
  formatSelector_->setObjectName(QStringLiteral("pnlFormatSelector"));
  outputFolderEdit_ = new QLineEdit(panel);
  outputFolderEdit_->setObjectName(QStringLiteral("edDirectory"));
  outputFolderEdit_->setReadOnly(true);
  openFolderButton_ = MakeButton(panel, "btnOpen", QStringLiteral("Open"));
  browseButton_ = MakeButton(panel, "btnBrows", QStringLiteral("Brows"));
  // No letter of its own: a second Alt+S would make the first one ambiguous.
  outputStartButton_ = MakeButton(panel, "btnStartOutput", tr("Start"));
  estimatedSizeLabel_ = new QLabel(panel);
  estimatedSizeLabel_->setObjectName(QStringLiteral("lblEstimatedSize"));
  estimatedSizeLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  estimatedSizeLabel_->setToolTip(
      QStringLiteral("Estimated total size of the checked jobs' outputs"));
  estimatedSizeLabel_->hide();

  layout->addWidget(lblFormat, 0, 0);
  layout->addWidget(formatSelector_, 0, 1, 1, 2);
  layout->addWidget(parameterPanel_->DefaultButton(), 0, 3);
  layout->addWidget(estimatedSizeLabel_, 0, 4);
  layout->addWidget(lblDirectory, 1, 0);
  layout->addWidget(outputFolderEdit_, 1, 1);
  layout->addWidget(openFolderButton_, 1, 2);
  layout->addWidget(browseButton_, 1, 3);
  layout->addWidget(outputStartButton_, 1, 4);
  layout->setColumnStretch(1, 1);
  connect(openFolderButton_, &QPushButton::clicked, this, &TfrmMain::btnOpenClick);
  connect(browseButton_, &QPushButton::clicked, this, &TfrmMain::btnBrowsClick);
  connect(outputStartButton_, &QPushButton::clicked, this, &TfrmMain::btnStartClick);
  return panel;
}

void TfrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shown_ && !event->spontaneous()) {
    shown_ = true;
    FormShow();
  }
}

void TfrmMain::FormShow() {
  TIniFile settings(globalObject_->SettingsFile());
  RestoreWindowLayout(settings);
  PreparePreview();
  formatSelector_->Build();
  const int code = formatSelector_->CurrentCode();
  parameterPanel_->LoadFormat(code >= 0 ? code : settings::kFormatCodeDefaultInt);
  // Shown before the change handler listens: start-up writes nothing.
  outputFolderEdit_->setText(QString::fromStdString(
      settings.ReadString(settings::kSection, settings::kOutPutDir, DefaultOutputFolder())));
  connect(outputFolderEdit_, &QLineEdit::textChanged, this, &TfrmMain::edDirectoryChange);
  globalObject_->SetVersionText(BuildVersionText());
  setWindowTitle(QString::fromStdString(globalObject_->AppTitle() + globalObject_->VersionText()));
  JobsChanged();
  if (!startupFiles_.isEmpty()) {
    QStringList paths;
    for (const QString& file : startupFiles_) {
      std::error_code error;
      const std::filesystem::path absolute = std::filesystem::absolute(PathBytes(file), error);
      paths << (error ? file : PathText(absolute.lexically_normal().string()));
    }
    startupFiles_.clear();
    jobList_->DropPaths(paths);
  }
  StartUpdateCheck();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  if (!closeWithoutQuestion_ && !dialogs_->AskExit(this)) {
    event->ignore();
    return;
  }
  SaveWindowLayout();
  Teardown();
  event->accept();
}

void TfrmMain::RestoreWindowLayout(const TIniFile& settings) {
  const QByteArray geometry = QByteArray::fromBase64(QByteArray::fromStdString(
      settings.ReadString(settings::kSection, settings::kWindowGeometry, "")));
  if (geometry.isEmpty() || !restoreGeometry(geometry)) {
    const double scale =
        std::max(1.0, static_cast<double>(fontMetrics().height()) / kDesignFontHeight);
    resize(qRound(kInitialWidth * scale), qRound(kInitialHeight * scale));
  }
  std::vector<int> widths;
  const QString stored = QString::fromStdString(
      settings.ReadString(settings::kSection, settings::kJobColumnWidths, ""));
  for (const QString& width : stored.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
    bool number = false;
    const int value = width.trimmed().toInt(&number);
    if (!number || value <= 0) return;  // not ours: the first widths stay
    widths.push_back(value);
  }
  jobList_->SetColumnWidths(widths);
}

void TfrmMain::SaveWindowLayout() {
  QStringList widths;
  for (int width : jobList_->ColumnWidths()) widths << QString::number(width);
  const std::string geometry = saveGeometry().toBase64().toStdString();
  const std::string columns = widths.join(QLatin1Char(',')).toStdString();
  try {
    TIniFile settings(globalObject_->SettingsFile());
    // Written only when changed, as every other key.
    if (settings.ReadString(settings::kSection, settings::kWindowGeometry, "") == geometry &&
        settings.ReadString(settings::kSection, settings::kJobColumnWidths, "") == columns)
      return;
    settings.WriteValues(settings::kSection, {{settings::kWindowGeometry, geometry},
                                              {settings::kJobColumnWidths, columns}});
  } catch (const std::exception&) {
    // The layout is not worth keeping the window open for; the settings file's own
    // failure shows at its next real change.
  }
}

void TfrmMain::CloseWithoutQuestion() {
  closeWithoutQuestion_ = true;
  close();
}

void TfrmMain::Teardown() {
  if (tornDown_) return;
  tornDown_ = true;
  // No late event may reach a closing window.
  engine_->SetOnCustomHook(nullptr);
  engine_->SetOnProgress(nullptr);
  engine_->SetOnTerminate(nullptr);
  engine_->Stop(true);
  TeardownPreview();
  // Last: a settings file that cannot be written raises its error with the rest done.
  formatSelector_->SaveCollapseState();
}

// ---- Commands ----------------------------------------------------------------------------

void TfrmMain::btnRemoveClick() {
  if (jobModel_->Remove() && jobModel_->List().Empty()) StopPreview();
}

void TfrmMain::btnClearClick() {
  const TJobList& list = jobModel_->List();
  if (list.ClearNeedsQuestion()) {
    const QString question = list.Count() == 1
                                 ? tr("Remove the job and its edits from the list?")
                                 : tr("Remove all %1 jobs from the list?").arg(list.Count());
    if (!dialogs_->AskYesNo(this, question)) return;
  }
  StopAdding();
  if (jobModel_->Clear(*prober_)) StopPreview();
}

void TfrmMain::btnStartClick() {
  if (!parameterPanel_->CommitFrameSize()) return;
  std::vector<TJobRow>& rows = jobModel_->List().Rows();
  // With nothing checked the run only warns: the preview plays on.
  if (std::any_of(rows.begin(), rows.end(), [](const TJobRow& row) { return row.Checked; }))
    StopPreview();
  conversionRun_->Start(rows, [this](int row) { jobModel_->RowChanged(row); });
  // A folder the run had to replace, after its warning, is the one the box shows now.
  const TIniFile settings(globalObject_->SettingsFile());
  const QString folder = QString::fromStdString(
      settings.ReadString(settings::kSection, settings::kOutPutDir, DefaultOutputFolder()));
  if (folder != outputFolderEdit_->text()) outputFolderEdit_->setText(folder);
  for (int row = 0; row < jobModel_->rowCount(); ++row) jobModel_->RowChanged(row);
  JobsChanged();
  FlushAddedRows();  // rows a background Add probed during the run
  AskDeferredUpgrade();
}

void TfrmMain::btnOpenClick() {
  const TIniFile settings(globalObject_->SettingsFile());
  const std::string folder =
      settings.ReadString(settings::kSection, settings::kOutPutDir, DefaultOutputFolder());
  if (outputFolderEdit_->text().size() > 2) shell_->OpenFolder(QString::fromStdString(folder));
}

void TfrmMain::btnBrowsClick() {
  const QString folder = dialogs_->ChooseFolder(this, outputFolderEdit_->text());
  if (!folder.isEmpty()) outputFolderEdit_->setText(folder);
}

void TfrmMain::edDirectoryChange() {
  TIniFile settings(globalObject_->SettingsFile());
  settings.WriteString(settings::kSection, settings::kOutPutDir,
                       outputFolderEdit_->text().toStdString());
  JobsChanged();
}

void TfrmMain::lvFilesDblClick() {
  const int row = jobModel_->List().Selected();
  if (row >= 0) emit PreviewRequested(row);
}

void TfrmMain::FormatChanged(int code) {
  parameterPanel_->LoadFormat(code);
  JobsChanged();
}

// Destination names and the size estimate follow the checks, the format, its profile and
// the folder.
void TfrmMain::JobsChanged() {
  TIniFile settings(globalObject_->SettingsFile());
  const TIniFile definitions(globalObject_->FormatFile());
  jobModel_->RefreshDestinations(settings, definitions);
  const QString size = EstimatedSizeText();
  estimatedSizeLabel_->setText(size);
  estimatedSizeLabel_->setVisible(!size.isEmpty());
}

QString TfrmMain::EstimatedSizeText() const {
  if (jobModel_->List().Empty()) return {};
  const TIniFile settings(globalObject_->SettingsFile());
  const TIniFile definitions(globalObject_->FormatFile());
  const auto bytes = jobModel_->List().EstimatedOutputBytes(settings, definitions);
  if (!bytes) return {};
  return QString::fromStdString(ApproximateSizeText(*bytes));
}

void TfrmMain::CheckAll() { jobModel_->CheckAll(true); }
void TfrmMain::UncheckAll() { jobModel_->CheckAll(false); }
void TfrmMain::ReverseCheck() { jobModel_->ReverseCheck(); }
void TfrmMain::CheckFocused() { jobModel_->CheckSelected(true); }
void TfrmMain::UncheckFocused() { jobModel_->CheckSelected(false); }

}  // namespace qarvo
