#include "jobs/TfrmProgress.h"

#include <QCheckBox>
#include <QDesktopServices>
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
#include <QUrl>
#include <QVBoxLayout>

#include "base/TBitmap.h"
#include "jobs/PreviewFit.h"
#include "jobs/RunEstimate.h"

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
  mem1 = NamedLabel("mem1", {}, this);
  mem1->setWordWrap(true);
  mem1->setCursor(Qt::PointingHandCursor);
  mem1->setForegroundRole(QPalette::Link);
  mem1->setMinimumHeight(2 * fontMetrics().lineSpacing());
  mem1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  mem1->installEventFilter(this);

  imgPreview = NamedLabel("imgPreview", {}, this);
  imgPreview->setFixedSize(kPreviewWidth, kPreviewHeight);

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
  lblTime = NamedLabel("lblTime", {}, this);
  lblLength = NamedLabel("lblLength", {}, this);
  lblSize = NamedLabel("lblSize", {}, this);
  lblProgress = NamedLabel("lblProgress", {}, this);
  lblSpeed = NamedLabel("lblSpeed", {}, this);
  lblTimeLeft = NamedLabel("lblTimeLeft", {}, this);
  lblRunLeft = NamedLabel("lblRunLeft", {}, this);
  lblOutput = NamedLabel("lblOutput", {}, this);
  lblOutput->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lblOutput->setMinimumWidth(1);
  lblOutput->installEventFilter(this);
  caption("lblTimeCaption", "Current Time:", 0, 0, lblTime, 1);
  caption("lblLengthCaption", "Length:", 0, 2, lblLength, 1);
  caption("lblSizeCaption", "File Size:", 1, 0, lblSize, 1);
  caption("lblProgressCaption", "Progress:", 1, 2, lblProgress, 1);
  caption("lblSpeedCaption", "Speed:", 2, 0, lblSpeed, 3);
  caption("lblTimeLeftCaption", "Time Left:", 3, 0, lblTimeLeft, 1);
  caption("lblRunLeftCaption", "All Jobs:", 3, 2, lblRunLeft, 1);
  caption("lblOutputCaption", "File:", 4, 0, lblOutput, 3);
  lblRunning = NamedLabel("lblRunning", {}, this);
  lblRunning->setMinimumWidth(1);
  lblRunning->setTextFormat(Qt::PlainText);
  lblRunning->setWordWrap(true);  // one line per job; each is elided to fit
  lblRunning->installEventFilter(this);
  caption("lblRunningCaption", "Running:", 5, 0, lblRunning, 3);

  progbarFile = new QProgressBar(this);
  progbarFile->setObjectName(QStringLiteral("progbarFile"));
  progbarFile->setRange(0, 100);
  progbarRun = new QProgressBar(this);
  progbarRun->setObjectName(QStringLiteral("progbarRun"));
  progbarRun->setRange(0, 100);
  progbarRun->setFormat(QStringLiteral("All jobs: %p%"));

  ckOpen = new QCheckBox(QStringLiteral("Open the output folder after conversion"), this);
  ckOpen->setObjectName(QStringLiteral("ckOpen"));
  ckShutDown = new QCheckBox(QStringLiteral("Shut down computer after conversion"), this);
  ckShutDown->setObjectName(QStringLiteral("ckShutDown"));

  imgbtnSnap = new QToolButton(this);
  imgbtnSnap->setObjectName(QStringLiteral("imgbtnSnap"));
  imgbtnSnap->setToolTip(QStringLiteral("Save snapshot picture"));
  imgbtnSnap->setIcon(CameraIcon(palette().color(QPalette::ButtonText)));
  imgbtnSnap->setIconSize(QSize(20, 20));
  btnPause = new QPushButton(QStringLiteral("Pause"), this);
  btnPause->setObjectName(QStringLiteral("btnPause"));
  btnResume = new QPushButton(QStringLiteral("Resume"), this);
  btnResume->setObjectName(QStringLiteral("btnResume"));
  btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  for (QPushButton* button : {btnPause, btnResume, btnCancel}) button->setAutoDefault(false);

  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(6);
  buttons->addWidget(imgbtnSnap);
  buttons->addStretch(1);
  buttons->addWidget(btnPause);
  buttons->addWidget(btnResume);
  buttons->addWidget(btnCancel);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 10, 10, 10);
  layout->setSpacing(6);
  layout->addWidget(mem1);
  layout->addWidget(imgPreview, 0, Qt::AlignHCenter);
  layout->addSpacing(2);
  layout->addLayout(figures);
  layout->addWidget(progbarFile);
  layout->addWidget(progbarRun);
  layout->addSpacing(2);
  layout->addWidget(ckOpen);
  layout->addWidget(ckShutDown);
  layout->addStretch(1);
  layout->addLayout(buttons);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(100);
  tmr1 = new QTimer(this);
  tmr1->setObjectName(QStringLiteral("tmr1"));
  tmr1->setInterval(10000);

  connect(btnPause, &QPushButton::clicked, this, &TfrmProgress::btnPauseClick);
  connect(btnResume, &QPushButton::clicked, this, &TfrmProgress::btnResumeClick);
  connect(btnCancel, &QPushButton::clicked, this, &TfrmProgress::btnCancelClick);
  connect(imgbtnSnap, &QToolButton::clicked, this, &TfrmProgress::SnapshotRequested);
  connect(Timer1, &QTimer::timeout, this, &TfrmProgress::Timer1Timer);
  connect(tmr1, &QTimer::timeout, this, &TfrmProgress::tmr1Timer);
}

void TfrmProgress::Prepare(std::vector<TAdInfo> news, std::string appTitle,
                           std::string newestVersion) {
  news_ = std::move(news);
  appTitle_ = std::move(appTitle);
  newestVersion_ = std::move(newestVersion);
  finishing_ = false;
  cancelling_ = false;
  resize(kWidth, kHeight);
  for (QLabel* label : {lblTime, lblSize, lblLength, lblProgress, lblOutput, lblSpeed, lblTimeLeft,
                        lblRunLeft, lblRunning})
    label->clear();
  output_.clear();
  running_.clear();
  ckOpen->setChecked(true);
  btnPause->setEnabled(true);
  btnResume->setEnabled(false);
  btnCancel->setEnabled(true);
  pictureChanged_ = false;
  PaintPreview();
  Timer1->start();
  progbarFile->setRange(0, 100);
  progbarFile->setValue(0);
  progbarRun->setValue(0);
  tmr1Timer();
  tmr1->start();
}

void TfrmProgress::ShowProgress(const TProgressView& view) {
  if (view.Percent) {
    progbarFile->setRange(0, 100);
    progbarFile->setValue(*view.Percent);
  } else {
    // Length unknown: a moving bar instead of a percentage that would be made up.
    progbarFile->setRange(0, 0);
  }
  lblTime->setText(QString::fromStdString(view.Time));
  lblLength->setText(QString::fromStdString(view.Length));
  lblSize->setText(QString::fromStdString(view.Size));
  lblProgress->setText(QString::fromStdString(view.Progress));
  output_ = QString::fromStdString(view.Output);
  ShowOutput();
}

// With large fonts even the shortened path may not fit: the middle gives way on screen.
void TfrmProgress::ShowOutput() {
  lblOutput->setText(lblOutput->fontMetrics().elidedText(output_, Qt::ElideMiddle,
                                                         lblOutput->contentsRect().width()));
  lblOutput->setToolTip(lblOutput->text() == output_ ? QString() : output_);
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
  progbarRun->setValue(runPercent);
}

// Each job on its line, its path giving way in the middle as the file's does.
void TfrmProgress::ShowRunningLines() {
  const int width = lblRunning->contentsRect().width();
  QStringList shown;
  for (const QString& line : running_)
    shown << lblRunning->fontMetrics().elidedText(line, Qt::ElideMiddle, width);
  const QString text = shown.join(QLatin1Char('\n'));
  if (lblRunning->text() != text) lblRunning->setText(text);
  const QString full = running_.join(QLatin1Char('\n'));
  lblRunning->setToolTip(text == full ? QString() : full);
}

void TfrmProgress::ShowTaskFinished() {
  progbarFile->setRange(0, 100);
  progbarFile->setValue(100);
}

void TfrmProgress::ShowEstimate(const TRunEstimate& estimate) {
  lblSpeed->setText(
      QString::fromStdString(SpeedText(estimate.FramesPerSecond(), estimate.RealTimeFactor())));
  lblTimeLeft->setText(QString::fromStdString(TimeLeftText(estimate.TaskTimeLeftUs())));
  lblRunLeft->setText(QString::fromStdString(TimeLeftText(estimate.RunTimeLeftUs())));
}

bool TfrmProgress::OpenFolderChecked() const { return ckOpen->isChecked(); }

bool TfrmProgress::ShutDownChecked() const { return ckShutDown->isChecked(); }

void TfrmProgress::Finish() {
  finishing_ = true;
  Timer1->stop();
  tmr1->stop();
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
  if (watched == mem1 && event->type() == QEvent::MouseButtonRelease) mem1Click();
  if (watched == lblOutput && event->type() == QEvent::Resize) ShowOutput();
  if (watched == lblRunning && event->type() == QEvent::Resize) ShowRunningLines();
  return QDialog::eventFilter(watched, event);
}

void TfrmProgress::btnPauseClick() {
  btnPause->setEnabled(false);
  btnResume->setEnabled(true);
  emit PauseRequested();
}

void TfrmProgress::btnResumeClick() {
  btnResume->setEnabled(false);
  btnPause->setEnabled(true);
  emit ResumeRequested();
}

void TfrmProgress::btnCancelClick() {
  if (cancelling_ || finishing_) return;
  cancelling_ = true;
  Timer1->stop();
  for (QPushButton* button : {btnPause, btnResume, btnCancel}) button->setEnabled(false);
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
  imgPreview->setPixmap(QPixmap::fromImage(area));
}

void TfrmProgress::tmr1Timer() {
  if (news_.empty()) {
    newsRow_ = -1;
    mem1->clear();
    return;
  }
  newsRow_ = std::uniform_int_distribution<int>(0, static_cast<int>(news_.size()) - 1)(random_);
  mem1->setText(QString::fromStdString(news_[newsRow_].AdText));
}

void TfrmProgress::mem1Click() {
  if (newsRow_ < 0) return;
  const std::string link = NewsLink(news_[newsRow_], appTitle_, newestVersion_);
  if (link.empty()) return;
  if (linkOpener_)
    linkOpener_(link);
  else
    QDesktopServices::openUrl(QUrl(QString::fromStdString(link)));
}

}  // namespace qarvo
