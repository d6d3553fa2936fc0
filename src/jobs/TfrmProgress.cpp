#include "jobs/TfrmProgress.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "base/TBitmap.h"
#include "jobs/PreviewFit.h"
#include "jobs/RunEstimate.h"
#include "jobs/TDesktopActions.h"

namespace qarvo {
namespace {

const QColor kPreviewBackground(0xA6, 0xCA, 0xF0);

QLabel* NamedLabel(const char* name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);  // paths and news texts are never markup
  return label;
}

// A small camera, drawn in the button's text colour.
QIcon CameraIcon(const QColor& ink) {
  QPixmap pixmap(40, 40);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(ink, 3));
  painter.setBrush(Qt::NoBrush);
  QPainterPath body;
  body.addRoundedRect(QRectF(4, 11, 32, 23), 4, 4);
  painter.drawPath(body);
  painter.drawLine(QPointF(14, 11), QPointF(17, 6));
  painter.drawLine(QPointF(17, 6), QPointF(25, 6));
  painter.drawLine(QPointF(25, 6), QPointF(28, 11));
  painter.drawEllipse(QPointF(20, 22.5), 6.5, 6.5);
  painter.setPen(Qt::NoPen);
  painter.setBrush(ink);
  painter.drawEllipse(QPointF(31, 16), 1.8, 1.8);
  return QIcon(pixmap);
}

}  // namespace

TfrmProgress::TfrmProgress(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmProgress"));
  setWindowTitle(QStringLiteral("Progress"));
  BuildControls();
  resize(kWidth, kHeight);
}

void TfrmProgress::BuildControls() {
  newsLink_ = NamedLabel("mem1", {}, this);
  newsLink_->setWordWrap(true);
  newsLink_->setCursor(Qt::PointingHandCursor);
  newsLink_->setForegroundRole(QPalette::Link);
  newsLink_->setMinimumHeight(2 * fontMetrics().lineSpacing());
  newsLink_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  newsLink_->installEventFilter(this);

  previewImage_ = NamedLabel("imgPreview", {}, this);
  previewImage_->setFixedSize(kPreviewWidth, kPreviewHeight);

  auto* figures = new QGridLayout;
  figures->setHorizontalSpacing(8);
  figures->setVerticalSpacing(4);
  figures->setColumnStretch(1, 1);
  figures->setColumnStretch(3, 1);
  const auto caption = [&](const char* name, const char* text, int row, int column, QLabel* value,
                           int span) {
    QLabel* label = NamedLabel(name, QString::fromLatin1(text), this);
    label->setProperty("role", QStringLiteral("caption"));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    figures->addWidget(label, row, column);
    figures->addWidget(value, row, column + 1, 1, span);
  };
  timeLabel_ = NamedLabel("lblTime", {}, this);
  lengthLabel_ = NamedLabel("lblLength", {}, this);
  sizeLabel_ = NamedLabel("lblSize", {}, this);
  progressLabel_ = NamedLabel("lblProgress", {}, this);
  speedLabel_ = NamedLabel("lblSpeed", {}, this);
  timeLeftLabel_ = NamedLabel("lblTimeLeft", {}, this);
  runLeftLabel_ = NamedLabel("lblRunLeft", {}, this);
  outputLabel_ = NamedLabel("lblOutput", {}, this);
  outputLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  outputLabel_->setMinimumWidth(1);
  outputLabel_->installEventFilter(this);
  caption("lblTimeCaption", "Current Time:", 0, 0, timeLabel_, 1);
  caption("lblLengthCaption", "Length:", 0, 2, lengthLabel_, 1);
  caption("lblSizeCaption", "File Size:", 1, 0, sizeLabel_, 1);
  caption("lblProgressCaption", "Progress:", 1, 2, progressLabel_, 1);
  caption("lblSpeedCaption", "Speed:", 2, 0, speedLabel_, 3);
  caption("lblTimeLeftCaption", "Time Left:", 3, 0, timeLeftLabel_, 1);
  caption("lblRunLeftCaption", "All Jobs:", 3, 2, runLeftLabel_, 1);
  caption("lblOutputCaption", "File:", 4, 0, outputLabel_, 3);
  runningLabel_ = NamedLabel("lblRunning", {}, this);
  runningLabel_->setMinimumWidth(1);
  runningLabel_->setTextFormat(Qt::PlainText);
  runningLabel_->setWordWrap(true);  // one line per job; each is elided to fit
  runningLabel_->installEventFilter(this);
  caption("lblRunningCaption", "Running:", 5, 0, runningLabel_, 3);

  jobBar_ = new QProgressBar(this);
  jobBar_->setObjectName(QStringLiteral("progbarFile"));
  jobBar_->setRange(0, 100);
  runBar_ = new QProgressBar(this);
  runBar_->setObjectName(QStringLiteral("progbarRun"));
  runBar_->setRange(0, 100);
  runBar_->setFormat(QStringLiteral("All jobs: %p%"));

  openFolderCheck_ = new QCheckBox(QStringLiteral("Open the output folder after conversion"), this);
  openFolderCheck_->setObjectName(QStringLiteral("ckOpen"));
  shutDownCheck_ = new QCheckBox(QStringLiteral("Shut down computer after conversion"), this);
  shutDownCheck_->setObjectName(QStringLiteral("ckShutDown"));

  snapshotButton_ = new QToolButton(this);
  snapshotButton_->setObjectName(QStringLiteral("imgbtnSnap"));
  snapshotButton_->setToolTip(QStringLiteral("Save snapshot picture"));
  snapshotButton_->setIcon(CameraIcon(palette().color(QPalette::ButtonText)));
  snapshotButton_->setIconSize(QSize(20, 20));
  pauseButton_ = new QPushButton(QStringLiteral("Pause"), this);
  pauseButton_->setObjectName(QStringLiteral("btnPause"));
  resumeButton_ = new QPushButton(QStringLiteral("Resume"), this);
  resumeButton_->setObjectName(QStringLiteral("btnResume"));
  cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancelButton_->setObjectName(QStringLiteral("btnCancel"));
  for (QPushButton* button : {pauseButton_, resumeButton_, cancelButton_})
    button->setAutoDefault(false);

  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(6);
  buttons->addWidget(snapshotButton_);
  buttons->addStretch(1);
  buttons->addWidget(pauseButton_);
  buttons->addWidget(resumeButton_);
  buttons->addWidget(cancelButton_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 10, 10, 10);
  layout->setSpacing(6);
  layout->addWidget(newsLink_);
  layout->addWidget(previewImage_, 0, Qt::AlignHCenter);
  layout->addSpacing(2);
  layout->addLayout(figures);
  layout->addWidget(jobBar_);
  layout->addWidget(runBar_);
  layout->addSpacing(2);
  layout->addWidget(openFolderCheck_);
  layout->addWidget(shutDownCheck_);
  layout->addStretch(1);
  layout->addLayout(buttons);

  progressTimer_ = new QTimer(this);
  progressTimer_->setObjectName(QStringLiteral("Timer1"));
  progressTimer_->setInterval(100);
  newsTimer_ = new QTimer(this);
  newsTimer_->setObjectName(QStringLiteral("tmr1"));
  newsTimer_->setInterval(10000);

  connect(pauseButton_, &QPushButton::clicked, this, &TfrmProgress::btnPauseClick);
  connect(resumeButton_, &QPushButton::clicked, this, &TfrmProgress::btnResumeClick);
  connect(cancelButton_, &QPushButton::clicked, this, &TfrmProgress::btnCancelClick);
  connect(snapshotButton_, &QToolButton::clicked, this, &TfrmProgress::SnapshotRequested);
  connect(progressTimer_, &QTimer::timeout, this, &TfrmProgress::Timer1Timer);
  connect(newsTimer_, &QTimer::timeout, this, &TfrmProgress::tmr1Timer);
}

void TfrmProgress::Prepare(std::vector<TAdInfo> news, std::string appTitle,
                           std::string newestVersion) {
  news_ = std::move(news);
  appTitle_ = std::move(appTitle);
  newestVersion_ = std::move(newestVersion);
  finishing_ = false;
  cancelling_ = false;
  resize(kWidth, kHeight);
  for (QLabel* label : {timeLabel_, sizeLabel_, lengthLabel_, progressLabel_, outputLabel_,
                        speedLabel_, timeLeftLabel_, runLeftLabel_, runningLabel_})
    label->clear();
  output_.clear();
  running_.clear();
  openFolderCheck_->setChecked(true);
  pauseButton_->setEnabled(true);
  resumeButton_->setEnabled(false);
  cancelButton_->setEnabled(true);
  pictureChanged_ = false;
  PaintPreview();
  progressTimer_->start();
  jobBar_->setRange(0, 100);
  jobBar_->setValue(0);
  runBar_->setValue(0);
  tmr1Timer();
  newsTimer_->start();
}

void TfrmProgress::ShowProgress(const TProgressView& view) {
  if (view.Percent) {
    jobBar_->setRange(0, 100);
    jobBar_->setValue(*view.Percent);
  } else {
    // Length unknown: a moving bar instead of a percentage that would be made up.
    jobBar_->setRange(0, 0);
  }
  timeLabel_->setText(QString::fromStdString(view.Time));
  lengthLabel_->setText(QString::fromStdString(view.Length));
  sizeLabel_->setText(QString::fromStdString(view.Size));
  progressLabel_->setText(QString::fromStdString(view.Progress));
  output_ = QString::fromStdString(view.Output);
  ShowOutput();
}

// With large fonts even the shortened path may not fit: the middle gives way on screen.
void TfrmProgress::ShowOutput() {
  outputLabel_->setText(outputLabel_->fontMetrics().elidedText(
      output_, Qt::ElideMiddle, outputLabel_->contentsRect().width()));
  outputLabel_->setToolTip(outputLabel_->text() == output_ ? QString() : output_);
}

void TfrmProgress::ShowRunning(const std::vector<TRunningJob>& jobs, int taskCount,
                               int runPercent) {
  QStringList lines;
  for (const TRunningJob& job : jobs)
    lines << QStringLiteral("[%1/%2] %3  %4%")
                 .arg(job.Task + 1)
                 .arg(taskCount)
                 .arg(QString::fromStdString(job.Output))
                 .arg(job.Percent);
  running_ = lines;
  ShowRunningLines();
  runBar_->setValue(runPercent);
}

// Each job on its line, its path giving way in the middle as the file's does.
void TfrmProgress::ShowRunningLines() {
  const int width = runningLabel_->contentsRect().width();
  QStringList shown;
  for (const QString& line : running_)
    shown << runningLabel_->fontMetrics().elidedText(line, Qt::ElideMiddle, width);
  const QString text = shown.join(QLatin1Char('\n'));
  if (runningLabel_->text() != text) runningLabel_->setText(text);
  const QString full = running_.join(QLatin1Char('\n'));
  runningLabel_->setToolTip(text == full ? QString() : full);
}

void TfrmProgress::ShowTaskFinished() {
  jobBar_->setRange(0, 100);
  jobBar_->setValue(100);
}

void TfrmProgress::ShowEstimate(const TRunEstimate& estimate) {
  speedLabel_->setText(
      QString::fromStdString(SpeedText(estimate.FramesPerSecond(), estimate.RealTimeFactor())));
  timeLeftLabel_->setText(QString::fromStdString(TimeLeftText(estimate.TaskTimeLeftUs())));
  runLeftLabel_->setText(QString::fromStdString(TimeLeftText(estimate.RunTimeLeftUs())));
}

bool TfrmProgress::OpenFolderChecked() const { return openFolderCheck_->isChecked(); }

bool TfrmProgress::ShutDownChecked() const { return shutDownCheck_->isChecked(); }

void TfrmProgress::Finish() {
  finishing_ = true;
  progressTimer_->stop();
  newsTimer_->stop();
  accept();
}

void TfrmProgress::reject() {
  if (finishing_) {
    QDialog::reject();
    return;
  }
  btnCancelClick();
}

bool TfrmProgress::eventFilter(QObject* watched, QEvent* event) {
  if (watched == newsLink_ && event->type() == QEvent::MouseButtonRelease) mem1Click();
  if (watched == outputLabel_ && event->type() == QEvent::Resize) ShowOutput();
  if (watched == runningLabel_ && event->type() == QEvent::Resize) ShowRunningLines();
  return QDialog::eventFilter(watched, event);
}

void TfrmProgress::btnPauseClick() {
  pauseButton_->setEnabled(false);
  resumeButton_->setEnabled(true);
  emit PauseRequested();
}

void TfrmProgress::btnResumeClick() {
  resumeButton_->setEnabled(false);
  pauseButton_->setEnabled(true);
  emit ResumeRequested();
}

void TfrmProgress::btnCancelClick() {
  if (cancelling_ || finishing_) return;
  cancelling_ = true;
  progressTimer_->stop();
  for (QPushButton* button : {pauseButton_, resumeButton_, cancelButton_})
    button->setEnabled(false);
  emit CancelRequested();
}

void TfrmProgress::Timer1Timer() {
  if (!pictureChanged_) return;
  pictureChanged_ = false;
  PaintPreview();
}

void TfrmProgress::PaintPreview() {
  QImage area(kPreviewWidth, kPreviewHeight, QImage::Format_RGB888);
  area.fill(kPreviewBackground);
  if (picture_ && picture_->Width() > 0 && picture_->Height() > 0) {
    const QImage source(picture_->Bits(), picture_->Width(), picture_->Height(), picture_->Stride(),
                        QImage::Format_BGR888);
    const TFitRect fit = FitPicture(source.width(), source.height(), kPreviewWidth, kPreviewHeight);
    QPainter painter(&area);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(fit.X, fit.Y, fit.Width, fit.Height), source);
  }
  shown_ = area;
  previewImage_->setPixmap(QPixmap::fromImage(area));
}

void TfrmProgress::tmr1Timer() {
  if (news_.empty()) {
    newsRow_ = -1;
    newsLink_->clear();
    return;
  }
  newsRow_ = std::uniform_int_distribution<int>(0, static_cast<int>(news_.size()) - 1)(random_);
  newsLink_->setText(QString::fromStdString(news_[newsRow_].AdText));
}

void TfrmProgress::mem1Click() {
  if (newsRow_ < 0) return;
  const std::string link = NewsLink(news_[newsRow_], appTitle_, newestVersion_);
  if (link.empty()) return;
  if (linkOpener_)
    linkOpener_(link);
  else
    TDesktopActions::OpenWebAddress(QString::fromStdString(link));
}

}  // namespace qarvo
