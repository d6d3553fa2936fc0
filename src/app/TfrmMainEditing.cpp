// The editing dialogs of the main window: trim, crop, effects and watermarks on the selected
// job, each opened with the preview stopped.
#include "core/AppPaths.h"
#include "core/JobList.h"
#include "app/TfrmMain.h"
#include "editing/TfrmCrop.h"
#include "editing/TfrmTrim.h"
#include "editing/TfrmWaterMark.h"
#include "jobs/TJobListModel.h"
#include "jobs/TJobListView.h"

namespace qarvo {

int TfrmMain::EditedRow() {
  TJobList& list = jobModel_->List();
  if (list.Empty()) return -1;
  if (list.Selected() < 0) jobList_->setCurrentIndex(jobModel_->index(0, 0));
  return list.Selected() >= 0 ? list.Selected() : 0;
}

void TfrmMain::mnuEditCropClick() {
  StopPreview();
  delete frmCrop_;
  frmCrop_ = new TfrmCrop(ExecutableFolder() + "LibAV", this);
  const int row = EditedRow();
  TlvFilesRecord* record = row >= 0 ? &jobModel_->List().Rows()[row].Record : nullptr;
  if (frmCrop_->Execute(record) == QDialog::Accepted && row >= 0) {
    jobModel_->RowChanged(row);
    JobsChanged();
  }
}

void TfrmMain::mnuEditTrimClick() {
  StopPreview();
  if (!frmTrim_) frmTrim_ = new TfrmTrim(ExecutableFolder() + "LibAV", this);
  const int row = EditedRow();
  TlvFilesRecord* record = row >= 0 ? &jobModel_->List().Rows()[row].Record : nullptr;
  if (frmTrim_->Execute(record) == QDialog::Accepted && row >= 0) {
    jobModel_->RowChanged(row);
    JobsChanged();
  }
}

void TfrmMain::mnuEditEffectClick() {
  StopPreview();
  // Only with a selected job.
  const int row = jobModel_->List().Selected();
  if (row < 0) return;
  delete frmWaterMark_;
  frmWaterMark_ = new TfrmWaterMark(ExecutableFolder() + "LibAV", this);
  if (frmWaterMark_->Execute(&jobModel_->List().Rows()[row].Record) == QDialog::Accepted) {
    jobModel_->RowChanged(row);
    JobsChanged();
  }
}

}  // namespace qarvo
