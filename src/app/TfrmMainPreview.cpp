// The main window's preview panel, its player and the file information dialog.
#include <QPlainTextEdit>
#include <algorithm>

#include "player/TMediaPlayer.h"
#include "core/AppPaths.h"
#include "core/JobList.h"
#include "app/IMainDialogs.h"
#include "app/IShellOpener.h"
#include "app/TfrmMain.h"
#include "jobs/TJobListModel.h"
#include "jobs/TJobListView.h"
#include "jobs/TPreviewPanel.h"
#include "jobs/TfrmFileInfo.h"

namespace qarvo {
namespace {

// The width of `pan1` as the window opens.
constexpr int kPreviewWidth = 243;

}  // namespace

QWidget* TfrmMain::CreatePreview(QWidget* parent) {
  player_ = std::make_unique<TMediaPlayer>(this);
  preview_ = new TPreviewPanel(*player_, *globalObject_, parent);
  // The column keeps its width; larger fonts widen it so that no text is cut.
  preview_->setFixedWidth(std::max(kPreviewWidth, preview_->minimumSizeHint().width()));
  preview_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  TPreviewPanel::THost host;
  host.ListEmpty = [this] { return jobModel_->List().Empty(); };
  host.FocusedSource = [this] { return FocusedSource(); };
  host.SelectedSource = [this] {
    const TJobList& list = jobModel_->List();
    const int row = list.Selected();
    return row >= 0 && row < list.Count() ? list.Rows()[row].Record.SourceFile : std::string();
  };
  host.AddFiles = [this] { btnAddClick(); };
  host.Log = [this](const QString& line) { log_->appendPlainText(line); };
  host.Warning = [this](const QString& text) { dialogs_->ShowWarning(this, text); };
  host.OpenFolder = [this](const QString& folder) { shell_->OpenFolder(folder); };
  host.LibraryFolder = ExecutableFolder() + "LibAV";
  preview_->SetHost(std::move(host));
  connect(this, &TfrmMain::PreviewRequested, preview_, [this] { preview_->Play(); });
  return preview_;
}

void TfrmMain::PreparePreview() { preview_->Prepare(); }

void TfrmMain::TeardownPreview() { preview_->Teardown(); }

void TfrmMain::StopPreview() { preview_->Stop(); }

std::string TfrmMain::FocusedSource() {
  TJobList& list = jobModel_->List();
  if (list.Empty()) return {};
  if (list.Selected() < 0) jobList_->setCurrentIndex(jobModel_->index(0, 0));
  jobList_->setFocus();
  const int row = list.Selected() >= 0 ? list.Selected() : 0;
  return list.Rows()[row].Record.SourceFile;
}

void TfrmMain::ShowFileInfo() {
  const TJobList& list = jobModel_->List();
  const int row = list.Selected();
  if (row < 0 || row >= list.Count()) return;
  if (!frmFileInfo_) frmFileInfo_ = new TfrmFileInfo(ExecutableFolder() + "LibAV", this);
  frmFileInfo_->ShowFile(list.Rows()[row].Record.SourceFile);
}

}  // namespace qarvo
