// "Watermark": the picture effects, the text watermark and the picture watermark of one job,
// shown live on the playing source with the values in the controls. Made anew for every
// opening; writes the record only on Ok.
#pragma once

#include <QDialog>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "player/PlayerTypes.h"
#include "core/EffectRules.h"
#include "core/TlvFilesRecord.h"
#include "editing/TFrameProcessor.h"

class QCheckBox;
class QComboBox;
class QFontComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class QToolButton;

namespace qarvo {

class TMediaPlayer;
class TSelectionSlider;
class TVideoSurfaceWidget;

class TfrmWaterMark : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kWidth = 786;
  static constexpr int kHeight = 605;

  explicit TfrmWaterMark(std::string libraryFolder, QWidget* parent = nullptr);
  ~TfrmWaterMark() override;

  // The opening on the record's source. The record must stay until the dialog has closed.
  // Call it once the dialog is shown.
  void Prepare(TlvFilesRecord* record);
  // Shows, prepares, runs modally; Ok has written the record when the result is Accepted.
  int Execute(TlvFilesRecord* record);

  // "&Brows" asks this for a picture file (tests answer themselves); empty: cancelled.
  void SetFileChooser(std::function<QString(QWidget*)> chooser) {
    chooseFile_ = std::move(chooser);
  }

  TMediaPlayer& Player() { return *Player_; }
  // What the controls hold now.
  TEffectValues Values() const;
  // The positions computed for the last previewed picture.
  TWatermarkPositions LastPositions();
  // Pictures the preview has processed.
  int64_t PicturesProcessed() const { return processed_.load(); }

  void btnOkClick();
  void btnResetClick();
  void btnClearTextClick();
  void btnClearImageClick();
  void btnBrowsClick();
  void imgbtnPlayClick();
  void imgbtnpauseClick();

 protected:
  void done(int result) override;

 private:
  void CreateControls();
  QWidget* CreateEffectTab();
  QWidget* CreateTextTab();
  QWidget* CreateImageTab();
  QWidget* CreatePreviewGroups();
  QSlider* AddEffectRow(QGridLayout* grid, int row, const char* caption, const char* bar,
                        const char* box, TValueRange range, QSpinBox*& spin);
  QSlider* AddPositionRow(QGridLayout* grid, int row, const char* caption, const char* bar,
                          const char* box, TValueRange range, const char* unit);
  void FillColourBox();
  void SelectColour(uint32_t colour);
  uint32_t SelectedColour() const;
  void ShowValues(const TEffectValues& values);
  void edtFontChange();
  void UpdateTextFont();
  void edtAddImageChange();
  void ValuesChanged();
  void AttachPlayer();
  void DetachPlayer();
  void SetButtons(bool play, bool pause);

  void PlayerFileOpen(int64_t duration, int& screenWidth, int& screenHeight);
  void PlayerPosition(int64_t pts);
  void PlayerState(TPlayState state);
  void PlayerHook(TBitmap& bitmap);
  void trcPreviewSeek(int value);

  std::string libraryFolder_;
  std::unique_ptr<TMediaPlayer> Player_;
  std::function<QString(QWidget*)> chooseFile_;
  TlvFilesRecord* record_ = nullptr;
  bool opened_ = false;
  bool showing_ = false;  // controls being filled: no change handling
  int64_t duration_ = 0;

  // Shared with the player's video thread.
  std::mutex hookMutex_;  // guards everything down to processed_
  TlvFilesRecord base_;   // the job's record as it opened (its crop frame)
  TEffectValues values_;
  TWatermarkPositions last_;
  TFrameProcessor processor_;
  std::atomic<int64_t> processed_{0};

  QTabWidget* pgcEffects = nullptr;
  QSlider* trcBrightness = nullptr;
  QSlider* trcContrast = nullptr;
  QSlider* trcSaturation = nullptr;
  QSlider* trcExposure = nullptr;
  QSlider* trcAutoadjust = nullptr;
  QSpinBox* spedtBrightness = nullptr;
  QSpinBox* spedtContrast = nullptr;
  QSpinBox* spedtSaturation = nullptr;
  QSpinBox* spedtExposure = nullptr;
  QSpinBox* spedtAutoadjust = nullptr;
  QCheckBox* chkProcessText = nullptr;
  QCheckBox* chkProcessImage = nullptr;
  QRadioButton* rbAudioAdjust = nullptr;
  QPushButton* btnReset = nullptr;

  QLineEdit* edtFont = nullptr;
  QFontComboBox* suiFontCmb = nullptr;
  QComboBox* suiFontSizeCmb = nullptr;
  QComboBox* suiColorBoxcmb = nullptr;
  QCheckBox* chkBold = nullptr;
  QCheckBox* chkItalic = nullptr;
  QCheckBox* chkUnderline = nullptr;
  QCheckBox* chkStrikeOut = nullptr;
  QSlider* trcTextHoriz = nullptr;
  QSlider* trcTextVert = nullptr;
  QSlider* trcTextTran = nullptr;
  QPushButton* btnClearText = nullptr;

  QLineEdit* edtAddImage = nullptr;
  QPushButton* btnBrows = nullptr;
  QSlider* trcImageHoriz = nullptr;
  QSlider* trcImageVert = nullptr;
  QSlider* trcImageAlpha = nullptr;
  QRadioButton* rbStyle1 = nullptr;
  QRadioButton* rbStyle2 = nullptr;
  QPushButton* btnClearImage = nullptr;

  TVideoSurfaceWidget* imgPreview = nullptr;
  QLabel* imgOutput = nullptr;
  TSelectionSlider* trcPreview = nullptr;
  QToolButton* imgbtnPlay = nullptr;
  QToolButton* imgbtnpause = nullptr;
  QLabel* lblPTS = nullptr;
  QLabel* lblLength = nullptr;
  QPushButton* btnOk = nullptr;
  QPushButton* btnCancel = nullptr;
};

}  // namespace qarvo
