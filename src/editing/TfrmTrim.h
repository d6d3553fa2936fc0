// "Trim": the kept time range of one job, taken from the playing preview. Made on first use
// and kept by the main window; each opening works on the record of the selected job and
// writes it only on Ok.
#pragma once

#include <QDialog>
#include <cstdint>
#include <memory>
#include <string>

#include "core/TTrimRange.h"
#include "core/TlvFilesRecord.h"
#include "editing/TFrameProcessor.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace qarvo {

class TBitmap;
class TDialogPlayer;
class TMediaPlayer;
class TSelectionSlider;

class TfrmTrim : public QDialog {
  Q_OBJECT

 public:
  // `libraryFolder`: where the player loads the media libraries from when they are not yet.
  explicit TfrmTrim(std::string libraryFolder, QWidget* parent = nullptr);
  ~TfrmTrim() override;

  // The opening: plays the record's source (null: no job, nothing opens). The record must
  // stay until the dialog has closed.
  void Prepare(TlvFilesRecord* record);
  // Prepare, then modal; Ok has written the record when the result is Accepted.
  int Execute(TlvFilesRecord* record);

  TMediaPlayer& Player();
  const TTrimRange& Range() const { return range_; }
  // Played to the end and not played again since.
  bool PreviewEnded() const;

  // The buttons' handlers (tests call them as the clicks do).
  void btnOk1Click();
  void btnOk2Click();
  void btnResetClick();
  void btnOkClick();
  void imgbtnPlayClick();
  void imgbtnpauseClick();

 protected:
  void done(int result) override;

 private:
  void CreateControls();
  void ShowRange();
  void PlayerFileOpen(int64_t duration);
  void PlayerPosition(int64_t pts);
  void PlayerEnded();
  void PlayerHook(TBitmap& bitmap, const TlvFilesRecord& record);
  int BarValue(int64_t time) const;

  TTrimRange range_;
  TlvFilesRecord* record_ = nullptr;
  TFrameProcessor processor_;  // the hook's, under the player's hook lock

  TSelectionSlider* positionSlider_ = nullptr;
  QLabel* sourceNameLabel_ = nullptr;
  QLabel* lengthLabel_ = nullptr;
  QLabel* positionLabel_ = nullptr;
  QLineEdit* startEdit_ = nullptr;
  QLineEdit* endEdit_ = nullptr;
  QLineEdit* trimLengthEdit_ = nullptr;
  QPushButton* setStartButton_ = nullptr;
  QPushButton* setEndButton_ = nullptr;
  QPushButton* resetButton_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QPushButton* defaultButton_ = nullptr;

  // Last: it goes first, stopping the playback before what the hook uses.
  std::unique_ptr<TDialogPlayer> player_;
};

}  // namespace qarvo
