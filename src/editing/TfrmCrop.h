// "Crop": the crop margins of one job, set with a rectangle tracker over a fitted preview of
// the playing source or with four margin boxes. Made anew for every opening; writes the
// record only on Ok.
#pragma once

#include <QDialog>
#include <QImage>
#include <cstdint>
#include <memory>
#include <string>

#include "core/CropRules.h"
#include "core/TlvFilesRecord.h"
#include "editing/TFrameProcessor.h"

class QLabel;
class QPushButton;
class QSpinBox;
class QTimer;

namespace qarvo {

class TBitmap;
class TDialogPlayer;
class TMediaPlayer;
class TRectTracker;

class TfrmCrop : public QDialog {
  Q_OBJECT

 public:
  // The picture area: a 352-pixel-wide preview of a 4:3 source inside its 1-pixel inset.
  static constexpr int kAreaWidth = 354;
  static constexpr int kAreaHeight = 290;
  static constexpr uint32_t kAreaColour = 0xA6CAF0;  // RGB (166, 202, 240)

  explicit TfrmCrop(std::string libraryFolder, QWidget* parent = nullptr);
  ~TfrmCrop() override;

  // The opening on the record's source (null: no job). The record must stay until the
  // dialog has closed. Call it once the dialog is shown.
  void Prepare(TlvFilesRecord* record);
  // Shows, prepares, runs modally; Ok has written the record when the result is Accepted.
  int Execute(TlvFilesRecord* record);

  TMediaPlayer& Player();
  // The fitted picture (PicLeft, PicTop, PicWidth, PicHeight) in the picture area's pixels.
  const TTrackRect& Picture() const { return picture_; }
  TRectTracker& Tracker() const { return *tracker_; }
  // The frame copy the area shows (GUI thread).
  QImage FrameCopy();

  void btnResetClick();
  void btnOkClick();
  void imgbtnPlayClick();
  void imgbtnpauseClick();

 protected:
  void done(int result) override;

 private:
  void CreateControls();
  QSpinBox* MakeMarginBox(const char* name, TMarginBox box);
  void ShowMargins(const TCropMargins& margins);
  TCropMargins BoxMargins() const;
  void PlaceTracker(const TTrackRect& bounds);
  TTrackRect TrackerBounds() const;
  void PaintArea();
  void RectTrackerMouseDown();
  void RectTrackerMouseMove();
  void MarginChanged(TMarginBox box, int value);

  void PlayerFileOpen(int64_t duration, int frameWidth, int frameHeight);
  void PlayerPosition(int64_t pts);
  void PlayerHook(TBitmap& bitmap, const TlvFilesRecord& record);

  TlvFilesRecord* record_ = nullptr;
  int64_t duration_ = 0;
  int sourceWidth_ = 0;
  int sourceHeight_ = 0;
  TTrackRect picture_;
  TCropMargins remembered_;
  int pressTop_ = 0;
  int pressLeft_ = 0;
  bool dragging_ = false;
  bool settingBoxes_ = false;

  // The hook's, under the player's hook lock.
  TFrameProcessor processor_;
  QImage frameCopy_;

  QLabel* pictureLabel_ = nullptr;
  TRectTracker* tracker_ = nullptr;
  QTimer* paintTimer_ = nullptr;
  QLabel* sourceNameLabel_ = nullptr;
  QLabel* lengthLabel_ = nullptr;
  QLabel* positionLabel_ = nullptr;
  QSpinBox* topSpin_ = nullptr;
  QSpinBox* bottomSpin_ = nullptr;
  QSpinBox* leftSpin_ = nullptr;
  QSpinBox* rightSpin_ = nullptr;
  QPushButton* resetButton_ = nullptr;
  QPushButton* defaultButton_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;

  // Last: it goes first, stopping the playback before what the hook uses.
  std::unique_ptr<TDialogPlayer> player_;
};

}  // namespace qarvo
