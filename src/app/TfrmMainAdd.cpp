// Add: the open dialog, and the background probing that turns files into rows.
#include <QEvent>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

#include "base/MainThread.h"
#include "core/ErrorMessage.h"
#include "app/IMainDialogs.h"
#include "app/TfrmMain.h"
#include "jobs/PathText.h"
#include "jobs/TAddProgressLine.h"
#include "jobs/TConversionRun.h"
#include "jobs/TJobAdder.h"
#include "jobs/TJobListModel.h"
#include "jobs/TJobListView.h"
#include "jobs/TPreviewPanel.h"

namespace qarvo {
namespace {

// Rows probed meanwhile join the list at most this often: each joining names every row's
// output again.
constexpr int kAddFlushMs = 100;

// The open dialog's filters in Qt's syntax: "Description (*.a *.b)". A description that
// names its patterns already ("AVI files (*.avi)") gives them in Qt's form in their place.
QStringList OpenDialogNameFilters() {
  QStringList filters;
  for (const TFileFilter& filter : OpenDialogFilters()) {
    QString description = QString::fromLatin1(filter.Description);
    if (description.endsWith(QLatin1Char(')')))
      description = description.left(description.lastIndexOf(QStringLiteral(" (")));
    QStringList patterns = QString::fromLatin1(filter.Patterns).split(';', Qt::SkipEmptyParts);
    patterns.removeDuplicates();
    filters << QStringLiteral("%1 (%2)").arg(description, patterns.join(' '));
  }
  return filters;
}

}  // namespace

TAddProgressLine* TfrmMain::CreateAddLine(QWidget* parent) {
  addLine_ = new TAddProgressLine(this, parent);
  connect(addLine_, &TAddProgressLine::StopRequested, this, &TfrmMain::StopAdding);
  addFlushTimer_ = new QTimer(this);
  addFlushTimer_->setSingleShot(true);
  addFlushTimer_->setInterval(kAddFlushMs);
  connect(addFlushTimer_, &QTimer::timeout, this, &TfrmMain::FlushAddedRows);
  return addLine_;
}

TJobAdder& TfrmMain::Adder() {
  if (!adder_) {
    adder_ = std::make_unique<TJobAdder>(*prober_);
    connect(adder_.get(), &TJobAdder::Probed, this, &TfrmMain::AddProbed);
    connect(adder_.get(), &TJobAdder::Finished, this, &TfrmMain::AddEnded);
  }
  return *adder_;
}

bool TfrmMain::Adding() const { return adder_ && adder_->Busy(); }

bool TfrmMain::WaitForAdd(int timeoutMs) {
  return TMainThread::WaitPumping([this] { return !Adding(); },
                                  std::chrono::milliseconds(timeoutMs));
}

void TfrmMain::btnAddClick() {
  if (!prober_->LoadLibraries()) return;
  const QStringList chosen = dialogs_->ChooseFiles(this, OpenDialogNameFilters());
  // The dialog decoded the names itself: each is found again with its bytes.
  QStringList files;
  for (const QString& name : chosen) {
    if (const std::optional<std::string> bytes = RecoverPathBytes(name))
      files << PathText(*bytes);
    else
      addRefused_.push_back({name.toStdString(), kUnreadableName});
  }
  if (!files.isEmpty())
    AddFiles(files);
  else if (!addRefused_.empty() && !Adding())
    AddEnded(false);
  else
    preview_->AddFinished();
}

void TfrmMain::AddFiles(const QStringList& files) {
  if (!prober_->LoadLibraries()) return;
  if (!Adding()) {
    prober_->ClearTasks();
    TIniFile settings(globalObject_->SettingsFile());
    addZoom_ = TJobList::NewRowZoom(settings, TIniFile(globalObject_->FormatFile()));
  }
  std::vector<std::string> probe;
  for (const QString& name : files) {
    const std::string file = PathBytes(name);
    std::error_code error;
    if (std::filesystem::is_directory(file, error)) continue;
    std::string reason = jobModel_->List().RefusalBeforeProbe(file);
    if (reason.empty() && !addQueued_.insert(file).second) reason = kAlreadyListed;
    if (!reason.empty())
      addRefused_.push_back({file, reason});
    else
      probe.push_back(file);
  }
  if (probe.empty() && !Adding()) {
    AddEnded(false);
    return;
  }
  Adder().Enqueue(probe);
  addLine_->ShowProgress(adder_->Done(), adder_->Total());
}

void TfrmMain::AddProbed(const QString& file, bool accepted, qint64 durationUs,
                         const QString& reason) {
  const std::string name = PathBytes(file);
  if (accepted)
    addedRows_.push_back(TJobList::NewRow(name, durationUs, addZoom_));
  else
    addRefused_.push_back({name, PlainJobMessage(PathBytes(reason), name, {})});
  addLine_->ShowProgress(adder_->Done(), adder_->Total());
  if (!addFlushTimer_->isActive()) addFlushTimer_->start();
}

void TfrmMain::FlushAddedRows() {
  // A run converts the list's rows: they stay as they are until it has ended.
  if (addedRows_.empty() || conversionRun_->Running()) return;
  TIniFile settings(globalObject_->SettingsFile());
  const TIniFile definitions(globalObject_->FormatFile());
  std::vector<TJobRow> rows = std::move(addedRows_);
  addedRows_.clear();
  for (const TJobRow& row : rows) addQueued_.erase(row.Caption);
  jobModel_->Append(std::move(rows), settings, definitions);
  startButton_->setEnabled(true);
  jobList_->setFocus();
}

void TfrmMain::StopAdding() {
  if (adder_) adder_->Stop();
}

void TfrmMain::AddEnded(bool) {
  addFlushTimer_->stop();
  FlushAddedRows();
  // Rows held back by a run join the list when it ends; what was dropped is forgotten.
  addQueued_.clear();
  for (const TJobRow& row : addedRows_) addQueued_.insert(row.Caption);
  addLine_->Finish();
  if (!addRefused_.empty()) {
    ShowAddWarning(QString::fromStdString(RefusedFilesMessage(addRefused_)));
    addRefused_.clear();
  }
  preview_->AddFinished();
  emit AddFinished();
}

void TfrmMain::ShowAddWarning(const QString& text) {
  if (splash_ && splash_->isVisible()) {
    heldWarning_ = heldWarning_.isEmpty() ? text : heldWarning_ + QStringLiteral("\n\n") + text;
    return;
  }
  dialogs_->ShowWarning(this, text);
}

void TfrmMain::HoldWarningsWhileShown(QWidget* splash) {
  splash_ = splash;
  if (splash) splash->installEventFilter(this);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == splash_ && event->type() == QEvent::Hide && !heldWarning_.isEmpty()) {
    const QString text = heldWarning_;
    heldWarning_.clear();
    // After the splash has gone from the screen.
    QTimer::singleShot(0, this, [this, text] { dialogs_->ShowWarning(this, text); });
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace qarvo
