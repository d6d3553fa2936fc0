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
  std::unique_ptr<TConvertEngine> CCAVC;

  QLabel* lblSourceName = nullptr;
  QLabel* lblFileLength = nullptr;
  QLabel* lblProbeError = nullptr;
  QGroupBox* grpVideo = nullptr;
  QGroupBox* grpAudio = nullptr;
  QLineEdit* edtFormat = nullptr;
  QLineEdit* edtResloution = nullptr;
  QLineEdit* edtBitRate = nullptr;
  QLineEdit* edtFrameRate = nullptr;
  QLineEdit* edtTotalFrame = nullptr;
  QLineEdit* edtAudioForamt = nullptr;
  QLineEdit* edtSampleRate = nullptr;
  QLineEdit* edtChannel = nullptr;
  QLineEdit* edtAudioBitRate = nullptr;
  QPushButton* btnOk = nullptr;
};

}  // namespace qarvo
