// "Watermark": the picture effects, the text watermark and the picture watermark of one job,
// shown live on the playing source with the values in the controls. Made anew for every
// opening; writes the record only on Ok.
#pragma once

#include <QDialog>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

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

namespace qarvo {

class TBitmap;
class TDialogPlayer;
class TMediaPlayer;

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

  TMediaPlayer& Player();
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

  void PlayerFileOpen(int64_t duration);
  void PlayerPosition(int64_t pts);
  void PlayerEnded();
  void PlayerHook(TBitmap& bitmap);

  std::function<QString(QWidget*)> chooseFile_;
  TlvFilesRecord* record_ = nullptr;
  bool showing_ = false;  // controls being filled: no change handling

  // Shared with the player's video thread, under its hook lock down to processed_.
  TlvFilesRecord base_;  // the job's record as it opened (its crop frame)
  TEffectValues values_;
  TWatermarkPositions last_;
  TFrameProcessor processor_;
  std::atomic<int64_t> processed_{0};

  QTabWidget* effectTabs_ = nullptr;
  QSlider* brightnessSlider_ = nullptr;
  QSlider* contrastSlider_ = nullptr;
  QSlider* saturationSlider_ = nullptr;
  QSlider* exposureSlider_ = nullptr;
  QSlider* autoadjustSlider_ = nullptr;
  QSpinBox* brightnessSpin_ = nullptr;
  QSpinBox* contrastSpin_ = nullptr;
  QSpinBox* saturationSpin_ = nullptr;
  QSpinBox* exposureSpin_ = nullptr;
  QSpinBox* autoadjustSpin_ = nullptr;
  QCheckBox* textCheck_ = nullptr;
  QCheckBox* pictureCheck_ = nullptr;
  QRadioButton* autoAdjustRadio_ = nullptr;
  QPushButton* resetButton_ = nullptr;

  QLineEdit* fontEdit_ = nullptr;
  QFontComboBox* fontCombo_ = nullptr;
  QComboBox* fontSizeCombo_ = nullptr;
  QComboBox* textColourCombo_ = nullptr;
  QCheckBox* boldCheck_ = nullptr;
  QCheckBox* italicCheck_ = nullptr;
  QCheckBox* underlineCheck_ = nullptr;
  QCheckBox* strikeOutCheck_ = nullptr;
  QSlider* textHorizontalSlider_ = nullptr;
  QSlider* textVerticalSlider_ = nullptr;
  QSlider* textOpacitySlider_ = nullptr;
  QPushButton* clearTextButton_ = nullptr;

  QLineEdit* pictureFileEdit_ = nullptr;
  QPushButton* browseButton_ = nullptr;
  QSlider* pictureHorizontalSlider_ = nullptr;
  QSlider* pictureVerticalSlider_ = nullptr;
  QSlider* pictureOpacitySlider_ = nullptr;
  QRadioButton* textStyleRadio_ = nullptr;
  QRadioButton* pictureStyleRadio_ = nullptr;
  QPushButton* clearPictureButton_ = nullptr;

  QLabel* pictureLabel_ = nullptr;
  QLabel* positionLabel_ = nullptr;
  QLabel* lengthLabel_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;

  // Last: it goes first, stopping the playback before what the hook uses.
  std::unique_ptr<TDialogPlayer> player_;
};

}  // namespace qarvo
