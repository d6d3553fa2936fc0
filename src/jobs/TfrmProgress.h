// The progress window of a batch run: the news row, the conversion preview, the run's figures,
// Pause, Resume and Cancel, the after-run choices and the snapshot button.
#pragma once

#include <QDialog>
#include <QImage>
#include <QStringList>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/BatchRun.h"
#include "jobs/NewsRows.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;

namespace qarvo {

class TBitmap;
class TRunEstimate;

class TfrmProgress : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kWidth = 450;
  static constexpr int kHeight = 490;
  static constexpr int kPreviewWidth = 389;
  static constexpr int kPreviewHeight = 210;

  explicit TfrmProgress(QWidget* parent = nullptr);

  // What the window does each time it is shown for a run. The news rows pick the news area's
  // text; the title and newest version complete its links.
  void Prepare(std::vector<TAdInfo> news, std::string appTitle, std::string newestVersion);
  // The conversion preview picture the preview timer paints; owned by the caller.
  void SetPreviewSource(const TBitmap* picture) { picture_ = picture; }
  // A new picture was copied into the source.
  void PreviewChanged() { pictureChanged_ = true; }

  // Jobs at once: the figures and the main bar are the whole run's, so the second bar goes.
  void ShowWholeRun(bool wholeRun);
  void ShowProgress(const TProgressView& view);
  void ShowTaskFinished();
  // Jobs at once: each running job's file and percentage ("[2/4]" numbering among
  // `taskCount`), and the whole run's percentage.
  void ShowRunning(const std::vector<TRunningJob>& jobs, int taskCount, int runPercent);
  void ShowEstimate(const TRunEstimate& estimate);

  bool OpenFolderChecked() const;
  bool ShutDownChecked() const;
  // The picture area as it is on screen (the small snapshot).
  QImage ShownPreview() const { return shown_; }

  // Closes the window at the end of the run, without asking to cancel.
  void Finish();
  // Replaces opening a news link in the web browser.
  void SetLinkOpener(std::function<void(const std::string& url)> opener) {
    linkOpener_ = std::move(opener);
  }

 signals:
  void PauseRequested();
  void ResumeRequested();
  // Cancel, Esc or the window's close button while the run goes on.
  void CancelRequested();
  void SnapshotRequested();

 protected:
  void reject() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void btnPauseClick();
  void btnResumeClick();
  void btnCancelClick();
  void Timer1Timer();
  void tmr1Timer();
  void mem1Click();
  void PaintPreview();
  void ShowOutput();
  void ShowRunningLines();

  QLabel* newsLink_ = nullptr;
  QLabel* previewImage_ = nullptr;
  QLabel* timeLabel_ = nullptr;
  QLabel* lengthLabel_ = nullptr;
  QLabel* sizeLabel_ = nullptr;
  QLabel* progressLabel_ = nullptr;
  QLabel* outputLabel_ = nullptr;
  QLabel* speedLabel_ = nullptr;
  QLabel* timeLeftLabel_ = nullptr;
  QLabel* runLeftLabel_ = nullptr;
  QLabel* runningLabel_ = nullptr;
  QProgressBar* jobBar_ = nullptr;
  QProgressBar* runBar_ = nullptr;
  QPushButton* pauseButton_ = nullptr;
  QPushButton* resumeButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QCheckBox* shutDownCheck_ = nullptr;
  QCheckBox* openFolderCheck_ = nullptr;
  QToolButton* snapshotButton_ = nullptr;
  QTimer* progressTimer_ = nullptr;
  QTimer* newsTimer_ = nullptr;

  const TBitmap* picture_ = nullptr;
  bool pictureChanged_ = false;
  QImage shown_;
  QString output_;
  QStringList running_;
  std::vector<TAdInfo> news_;
  int newsRow_ = -1;
  std::string appTitle_;
  std::string newestVersion_;
  std::mt19937 random_{std::random_device{}()};
  std::function<void(const std::string&)> linkOpener_;
  bool finishing_ = false;
  bool cancelling_ = false;
};

}  // namespace qarvo
