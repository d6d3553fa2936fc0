// "File infomation": what the media probe finds in a job's source (name, length, container,
// the first video stream and the first audio stream). Opened by the job list's "Video
// Infomation" entry; made on first use and kept.
#pragma once

#include <QDialog>
#include <memory>
#include <string>

class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qarvo {

class TConvertEngine;

class TfrmFileInfo : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kWidth = 420;
  static constexpr int kHeight = 460;

  // `libraryFolder`: where the dialog's engine loads the media libraries from when needed.
  explicit TfrmFileInfo(std::string libraryFolder, QWidget* parent = nullptr);
  ~TfrmFileInfo() override;

  // Fills the dialog for `source` (empty: no job) and shows it modally.
  int ShowFile(const std::string& source);
  // The filling alone (the dialog's show step).
  void LoadFile(const std::string& source);

 protected:
  void done(int result) override;

 private:
  void CreateControls();
  QLineEdit* AddBox(QGridLayout* grid, int row, const char* caption, const char* name);
  void ClearBoxes();
  void ShowFailure(const std::string& message);

  std::string libraryFolder_;
  std::unique_ptr<TConvertEngine> engine_;

  QLabel* sourceNameLabel_ = nullptr;
  QLabel* fileLengthLabel_ = nullptr;
  QLabel* probeErrorLabel_ = nullptr;
  QGroupBox* videoGroup_ = nullptr;
  QGroupBox* audioGroup_ = nullptr;
  QLineEdit* videoFormatEdit_ = nullptr;
  QLineEdit* resolutionEdit_ = nullptr;
  QLineEdit* videoBitRateEdit_ = nullptr;
  QLineEdit* frameRateEdit_ = nullptr;
  QLineEdit* frameCountEdit_ = nullptr;
  QLineEdit* audioFormatEdit_ = nullptr;
  QLineEdit* sampleRateEdit_ = nullptr;
  QLineEdit* channelEdit_ = nullptr;
  QLineEdit* audioBitRateEdit_ = nullptr;
  QPushButton* okButton_ = nullptr;
};

}  // namespace qarvo
