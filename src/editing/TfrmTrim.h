// "Trim": the kept time range of one job, taken from the playing preview. Made on first use
// and kept by the main window; each opening works on the record of the selected job and
// writes it only on Ok.
#pragma once

#include <QDialog>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "player/PlayerTypes.h"
#include "core/TTrimRange.h"
#include "core/TlvFilesRecord.h"
#include "editing/TFrameProcessor.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace qarvo {

class TMediaPlayer;
class TSelectionSlider;
class TVideoSurfaceWidget;

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

  TMediaPlayer& Player() { return *Player_; }
  const TTrimRange& Range() const { return range_; }
  bool PreviewEnded() const { return previewEnded_; }

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
  void AttachPlayer();
  void ShowRange();
  void SetPlaying(bool playing);
  void PlayerFileOpen(int64_t duration, int& screenWidth, int& screenHeight);
  void PlayerPosition(int64_t pts);
  void PlayerState(TPlayState state);
  void PlayerHook(TBitmap& bitmap);
  void trcPreviewSeek(int value);
  int BarValue(int64_t time) const;

  std::string libraryFolder_;
  std::unique_ptr<TMediaPlayer> Player_;
  TTrimRange range_;
  bool opened_ = false;
  // Read on the player's video thread.
  std::atomic<bool> previewEnded_{false};
  std::mutex hookMutex_;  // guards record_ and processor_ against the video thread
  TlvFilesRecord* record_ = nullptr;
  TFrameProcessor processor_;

  TVideoSurfaceWidget* surface_ = nullptr;
  TSelectionSlider* positionSlider_ = nullptr;
  QToolButton* playButton_ = nullptr;
  QToolButton* pauseButton_ = nullptr;
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
};

}  // namespace qarvo
