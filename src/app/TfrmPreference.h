// The Preferences dialog: snapshot folder, sizes, file types and JPEG quality, the work
// priority, and how conversions use the processor. The rules live in core/Preferences.
#pragma once

#include <QDialog>

#include "core/GlobalObject.h"
#include "core/Preferences.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;

namespace qarvo {

class IMainDialogs;
class IShellOpener;

class TfrmPreference : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kWidth = 480;
  static constexpr int kHeight = 390;

  TfrmPreference(const TGlobalObject& global, IMainDialogs& dialogs, IShellOpener& shell,
                 QWidget* parent = nullptr);

  // What the controls show now.
  TPreferences Shown() const;

  void btnOpenClick();
  void btnBrowsClick();
  void btnDefaultClick();
  void btnOkClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* CreateSnapshotGroup();
  QWidget* CreatePriorityGroup();
  QWidget* CreateProcessorGroup();
  void FormShow();
  void ShowValues(const TPreferences& values);
  void PairClick(QCheckBox* clicked, QCheckBox* other);
  void chkJpgClick();
  void EnableQuality();

  const TGlobalObject& global_;
  IMainDialogs& dialogs_;
  IShellOpener& shell_;
  QLineEdit* snapshotFolderEdit_ = nullptr;
  QPushButton* openFolderButton_ = nullptr;
  QPushButton* browseButton_ = nullptr;
  QCheckBox* smallSizeCheck_ = nullptr;
  QCheckBox* fullSizeCheck_ = nullptr;
  QCheckBox* bmpCheck_ = nullptr;
  QCheckBox* jpegCheck_ = nullptr;
  QSpinBox* jpegQualitySpin_ = nullptr;
  QSlider* jpegQualitySlider_ = nullptr;
  QCheckBox* keepEverySnapshotCheck_ = nullptr;
  QButtonGroup* priorityGroup_ = nullptr;
  QCheckBox* useAllCoresCheck_ = nullptr;
  QComboBox* simultaneousJobsCombo_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QPushButton* defaultButton_ = nullptr;
};

}  // namespace qarvo
