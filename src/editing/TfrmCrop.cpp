#include "editing/TfrmCrop.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <climits>

#include "base/StringFormat.h"
#include "base/TBitmap.h"
#include "player/TMediaPlayer.h"
#include "core/CropFrame.h"
#include "core/PreviewText.h"
#include "core/ShortenedPath.h"
#include "editing/DialogControls.h"
#include "editing/TDialogPlayer.h"
#include "editing/TRectTracker.h"
#include "editing/TSelectionSlider.h"
#include "jobs/PreviewFit.h"
#include "jobs/TVideoSurfaceWidget.h"

namespace qarvo {
namespace {

constexpr int kPaintInterval = 100;  // ms
constexpr int kPanelWidth = 160;
constexpr int kPanelHeight = 120;

QImage ToImage(const TBitmap& bitmap) {
  if (bitmap.Width() <= 0 || bitmap.Height() <= 0) return {};
  return QImage(bitmap.Bits(), bitmap.Width(), bitmap.Height(), bitmap.Stride(),
                QImage::Format_BGR888)
      .copy();
}

}  // namespace

TfrmCrop::TfrmCrop(std::string libraryFolder, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmCrop"));
  setWindowTitle(QStringLiteral("Crop"));
  setModal(true);
  // The player draws into a small hidden panel; the area shows the hook's copies.
  player_ = std::make_unique<TDialogPlayer>(this, std::move(libraryFolder), "pnlPlayer");
  player_->SetEvents({
      .FileOpened = [this](int64_t duration, int frameWidth,
                           int frameHeight) { PlayerFileOpen(duration, frameWidth, frameHeight); },
      .Position = [this](int64_t pts) { PlayerPosition(pts); },
      .Ended = nullptr,
      .Hook = [this](TBitmap& bitmap, const TlvFilesRecord& record) { PlayerHook(bitmap, record); },
  });
  CreateControls();
}

// pnlPlayer goes with the dialog: the player lets go of it first.
TfrmCrop::~TfrmCrop() { player_->Close(); }

TMediaPlayer& TfrmCrop::Player() { return player_->Player(); }

QSpinBox* TfrmCrop::MakeMarginBox(const char* name, TMarginBox box) {
  auto* spin = new QSpinBox(this);
  spin->setObjectName(QString::fromLatin1(name));
  spin->setRange(INT_MIN / 4, INT_MAX / 4);
  spin->setSingleStep(1);
  spin->setAccelerated(false);
  connect(spin, &QSpinBox::valueChanged, this,
          [this, box](int value) { MarginChanged(box, value); });
  return spin;
}

void TfrmCrop::CreateControls() {
  sourceNameLabel_ = MakeNamedLabel(this, "lblSourceName");
  lengthLabel_ = MakeNamedLabel(this, "lblLength");
  positionLabel_ = MakeNamedLabel(this, "lblPTS");
  pictureLabel_ = new QLabel(this);
  pictureLabel_->setObjectName(QStringLiteral("imgPreview"));
  // Entered margins are pixels of this area: its size must not change between openings.
  pictureLabel_->setFixedSize(kAreaWidth, kAreaHeight);
  tracker_ = new TRectTracker(pictureLabel_);
  tracker_->setObjectName(QStringLiteral("RectTracker"));
  tracker_->hide();
  player_->Surface()->resize(kPanelWidth, kPanelHeight);
  player_->Surface()->hide();
  paintTimer_ = new QTimer(this);
  paintTimer_->setInterval(kPaintInterval);
  connect(paintTimer_, &QTimer::timeout, this, &TfrmCrop::PaintArea);

  QHBoxLayout* controls =
      MakePlayRow(player_->PlayButton(), player_->PauseButton(), player_->Bar(), positionLabel_);

  topSpin_ = MakeMarginBox("spedUp", TMarginBox::Up);
  bottomSpin_ = MakeMarginBox("spedDown", TMarginBox::Down);
  leftSpin_ = MakeMarginBox("spedLeft", TMarginBox::Left);
  rightSpin_ = MakeMarginBox("spedRight", TMarginBox::Right);
  auto* group = new QGroupBox(QStringLiteral("Crop Size"), this);
  group->setObjectName(QStringLiteral("grpCropSize"));
  auto* grid = new QGridLayout(group);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(6);
  const struct {
    const char* Caption;
    QSpinBox* Box;
  } boxes[] = {{"Up", topSpin_}, {"Down", bottomSpin_}, {"Left", leftSpin_}, {"Right", rightSpin_}};
  int row = 0;
  for (const auto& line : boxes) {
    grid->addWidget(new QLabel(QString::fromLatin1(line.Caption), group), row, 0, Qt::AlignRight);
    grid->addWidget(line.Box, row, 1);
    ++row;
  }
  resetButton_ = MakeNamedButton(group, "btnReset", QStringLiteral("Reset"));
  grid->addWidget(resetButton_, row, 0, 1, 2);
  grid->setRowStretch(row + 1, 1);

  defaultButton_ = MakeNamedButton(this, "btnDefault", QStringLiteral("Default"));
  okButton_ = MakeNamedButton(this, "btnOk", QStringLiteral("Ok"));
  cancelButton_ = MakeNamedButton(this, "btnCancel", QStringLiteral("Cancel"));

  auto* source = new QHBoxLayout;
  source->addWidget(sourceNameLabel_, 1);
  source->addWidget(lengthLabel_);
  auto* picture = new QVBoxLayout;
  picture->addWidget(pictureLabel_);
  picture->addLayout(controls);
  auto* middle = new QHBoxLayout;
  middle->setSpacing(10);
  middle->addLayout(picture);
  middle->addWidget(group, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(6);
  layout->addLayout(source);
  layout->addLayout(middle, 1);
  layout->addLayout(MakeClosingRow(defaultButton_, okButton_, cancelButton_));

  connect(resetButton_, &QPushButton::clicked, this, &TfrmCrop::btnResetClick);
  connect(defaultButton_, &QPushButton::clicked, this, &TfrmCrop::btnResetClick);
  connect(okButton_, &QPushButton::clicked, this, &TfrmCrop::btnOkClick);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
  connect(tracker_, &TRectTracker::OnMouseDown, this, &TfrmCrop::RectTrackerMouseDown);
  connect(tracker_, &TRectTracker::OnMouseMove, this, &TfrmCrop::RectTrackerMouseMove);
}

int TfrmCrop::Execute(TlvFilesRecord* record) {
  show();
  Prepare(record);
  return exec();
}

void TfrmCrop::Prepare(TlvFilesRecord* record) {
  sourceNameLabel_->clear();
  lengthLabel_->clear();
  positionLabel_->clear();
  sourceWidth_ = sourceHeight_ = 0;
  picture_ = {};
  record_ = record;
  player_->Close();
  frameCopy_ = QImage();  // no hook runs once Close has returned
  PaintArea();
  if (!player_->Open(record)) return;
  const bool video = sourceWidth_ > 0 && sourceHeight_ > 0;
  if (!video) {
    tracker_->hide();
    tracker_->setEnabled(false);
    ShowMargins({});
    for (QSpinBox* box : {topSpin_, bottomSpin_, leftSpin_, rightSpin_}) box->setEnabled(false);
  } else {
    const TFitRect fitted = FitPicture(sourceWidth_, sourceHeight_, kAreaWidth, kAreaHeight);
    picture_ = {fitted.X + 1, fitted.Y + 1, fitted.Width - 2, fitted.Height - 2};
    QImage first = ToImage(Player().CurrentFrame());
    {
      const auto lock = player_->HookLock();
      frameCopy_ = std::move(first);
    }
    PaintArea();
    const TCropMargins entered{record->CropTopEntered, record->CropBottomEntered,
                               record->CropLeftEntered, record->CropRightEntered};
    ShowMargins(entered);
    remembered_ = entered;
    PlaceTracker(TrackerForMargins(picture_, entered));
    pressTop_ = tracker_->y();
    pressLeft_ = tracker_->x();
    tracker_->show();
    tracker_->setEnabled(true);
    for (QSpinBox* box : {topSpin_, bottomSpin_, leftSpin_, rightSpin_}) box->setEnabled(true);
  }
  sourceNameLabel_->setText(QString::fromStdString(ShortenedPath(record->SourceFile, 50, 44)));
  lengthLabel_->setText(
      QString::fromStdString(Format("%d.%.3d Second", static_cast<int>(duration_ / 1000000),
                                    static_cast<int>(duration_ % 1000000 / 1000))));
  paintTimer_->start();
}

void TfrmCrop::ShowMargins(const TCropMargins& margins) {
  settingBoxes_ = true;
  topSpin_->setValue(margins.Up);
  bottomSpin_->setValue(margins.Down);
  leftSpin_->setValue(margins.Left);
  rightSpin_->setValue(margins.Right);
  settingBoxes_ = false;
}

TCropMargins TfrmCrop::BoxMargins() const {
  return {topSpin_->value(), bottomSpin_->value(), leftSpin_->value(), rightSpin_->value()};
}

void TfrmCrop::PlaceTracker(const TTrackRect& bounds) {
  tracker_->setGeometry(bounds.Left, bounds.Top, bounds.Width, bounds.Height);
}

TTrackRect TfrmCrop::TrackerBounds() const {
  const QRect bounds = tracker_->geometry();
  return {bounds.x(), bounds.y(), bounds.width(), bounds.height()};
}

QImage TfrmCrop::FrameCopy() {
  const auto lock = player_->HookLock();
  return frameCopy_;
}

void TfrmCrop::PaintArea() {
  QImage area(kAreaWidth, kAreaHeight, QImage::Format_RGB32);
  area.fill(QColor::fromRgb(kAreaColour));
  const QImage frame = FrameCopy();
  if (!frame.isNull() && sourceWidth_ > 0 && sourceHeight_ > 0) {
    const TFitRect fitted = FitPicture(frame.width(), frame.height(), kAreaWidth, kAreaHeight);
    QPainter painter(&area);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(fitted.X, fitted.Y, fitted.Width, fitted.Height), frame);
  }
  pictureLabel_->setPixmap(QPixmap::fromImage(area));
}

// ---- Tracker and margin boxes --------------------------------------------------------------

void TfrmCrop::RectTrackerMouseDown() {
  pressTop_ = tracker_->y();
  pressLeft_ = tracker_->x();
}

void TfrmCrop::RectTrackerMouseMove() {
  if (tracker_->DragZone() == TTrackZone::None) return;
  dragging_ = true;
  const TTrackRect snapped =
      SnapTracker(TrackerBounds(), picture_, leftSpin_->value(), pressLeft_, pressTop_);
  PlaceTracker(snapped);
  const TCropMargins margins = MarginsOfTracker(picture_, snapped);
  ShowMargins(margins);
  remembered_ = margins;
  dragging_ = false;
}

void TfrmCrop::MarginChanged(TMarginBox box, int value) {
  if (dragging_ || settingBoxes_ || picture_.Width <= 0) return;
  int press = box == TMarginBox::Up || box == TMarginBox::Down ? pressTop_ : pressLeft_;
  const TMarginChange change =
      ChangeMargin(picture_, TrackerBounds(), box, value, BoxMargins(), remembered_, press);
  if (change.Value != value) {
    QSpinBox* spin = box == TMarginBox::Up     ? topSpin_
                     : box == TMarginBox::Down ? bottomSpin_
                     : box == TMarginBox::Left ? leftSpin_
                                               : rightSpin_;
    settingBoxes_ = true;
    spin->setValue(change.Value);
    settingBoxes_ = false;
  }
  if (!change.Accepted) return;
  (box == TMarginBox::Up || box == TMarginBox::Down ? pressTop_ : pressLeft_) = press;
  PlaceTracker(change.Tracker);
}

void TfrmCrop::btnResetClick() {
  if (picture_.Width <= 0) return;
  ShowMargins({});
  remembered_ = {};
  PlaceTracker(picture_);
  pressTop_ = picture_.Top;
  pressLeft_ = picture_.Left;
}

void TfrmCrop::btnOkClick() {
  // Without a preview the margins cannot be measured: the job keeps the crop it had.
  if (record_ && player_->Opened()) {
    // The preview hook reads the record while the player runs.
    const auto lock = player_->HookLock();
    ConfirmCrop(*record_, BoxMargins(), sourceWidth_, sourceHeight_, picture_);
  }
  accept();
}

// ---- Playback ------------------------------------------------------------------------------

void TfrmCrop::imgbtnPlayClick() { player_->Play(); }

void TfrmCrop::imgbtnpauseClick() { player_->Pause(); }

void TfrmCrop::done(int result) {
  paintTimer_->stop();
  player_->Close();
  frameCopy_ = QImage();
  record_ = nullptr;
  QDialog::done(result);
}

void TfrmCrop::PlayerFileOpen(int64_t duration, int frameWidth, int frameHeight) {
  duration_ = duration;
  sourceWidth_ = frameWidth;
  sourceHeight_ = frameHeight;
  lengthLabel_->setText(QString::fromStdString(PreviewLengthText(duration)));
  positionLabel_->setText(QStringLiteral("0.0"));
}

void TfrmCrop::PlayerPosition(int64_t pts) {
  positionLabel_->setText(QString::fromStdString(PreviewLengthText(pts)));
}

// Video thread: the job's stored effects, watermarks and crop frame, then a copy for the area.
void TfrmCrop::PlayerHook(TBitmap& bitmap, const TlvFilesRecord& record) {
  std::string unreadable;
  processor_.Process(bitmap, record, unreadable);
  DrawCropFrame(bitmap, record.CropLeft, record.CropTop, bitmap.Width() - record.CropRight,
                bitmap.Height() - record.CropBottom);
  frameCopy_ = ToImage(bitmap);
}

}  // namespace qarvo
