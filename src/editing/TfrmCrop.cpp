#include "editing/TfrmCrop.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <climits>

#include "base/StringFormat.h"
#include "player/TMediaPlayer.h"
#include "core/CropFrame.h"
#include "core/PreviewText.h"
#include "core/ShortenedPath.h"
#include "editing/DialogControls.h"
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

TfrmCrop::TfrmCrop(std::string libraryFolder, QWidget* parent)
    : QDialog(parent),
      libraryFolder_(std::move(libraryFolder)),
      Player_(std::make_unique<TMediaPlayer>(this)) {
  setObjectName(QStringLiteral("frmCrop"));
  setWindowTitle(QStringLiteral("Crop"));
  setModal(true);
  CreateControls();
  if (!Player_->AVLibLoaded()) Player_->LoadAVLib(libraryFolder_);
}

TfrmCrop::~TfrmCrop() {
  DetachPlayer();
  // pnlPlayer goes with the dialog: the player lets go of it first.
  Player_->Stop(true);
}

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
  surface_ = new TVideoSurfaceWidget(this);
  surface_->setObjectName(QStringLiteral("pnlPlayer"));
  surface_->resize(kPanelWidth, kPanelHeight);
  surface_->hide();
  paintTimer_ = new QTimer(this);
  paintTimer_->setInterval(kPaintInterval);
  connect(paintTimer_, &QTimer::timeout, this, &TfrmCrop::PaintArea);

  positionSlider_ = new TSelectionSlider(this);
  positionSlider_->setObjectName(QStringLiteral("trcPreview"));
  playButton_ = MakePlayerButton(this, "imgbtnPlay", "play", TPlayerIconEngine::TShape::Play);
  pauseButton_ = MakePlayerButton(this, "imgbtnpause", "pause", TPlayerIconEngine::TShape::Pause);
  QHBoxLayout* controls = MakePlayRow(playButton_, pauseButton_, positionSlider_, positionLabel_);

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
  connect(playButton_, &QToolButton::clicked, this, &TfrmCrop::imgbtnPlayClick);
  connect(pauseButton_, &QToolButton::clicked, this, &TfrmCrop::imgbtnpauseClick);
  connect(positionSlider_, &TSelectionSlider::SeekRequested, this, &TfrmCrop::trcPreviewSeek);
  connect(tracker_, &TRectTracker::OnMouseDown, this, &TfrmCrop::RectTrackerMouseDown);
  connect(tracker_, &TRectTracker::OnMouseMove, this, &TfrmCrop::RectTrackerMouseMove);
}

void TfrmCrop::AttachPlayer() {
  Player_->SetOnFileOpen(
      [this](TCustomPlayer&, int64_t duration, int frameWidth, int frameHeight, int& width,
             int& height) { PlayerFileOpen(duration, frameWidth, frameHeight, width, height); });
  Player_->SetOnPosition([this](TCustomPlayer&, int64_t pts) { PlayerPosition(pts); });
  Player_->SetOnState([this](TCustomPlayer&, TPlayState state) { PlayerState(state); });
  Player_->SetOnHook([this](TCustomPlayer&, TBitmap& bitmap, int64_t) { PlayerHook(bitmap); });
  Player_->SetHook(true);
}

void TfrmCrop::DetachPlayer() {
  Player_->SetHook(false);
  Player_->SetOnHook(nullptr);
  Player_->SetOnPosition(nullptr);
  Player_->SetOnState(nullptr);
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
  paused_ = ended_ = true;
  opened_ = false;
  sourceWidth_ = sourceHeight_ = 0;
  picture_ = {};
  {
    std::lock_guard lock(hookMutex_);
    record_ = record;
    frameCopy_ = QImage();
  }
  PaintArea();
  if (!record) {
    SetButtons(false, false);
    return;
  }
  AttachPlayer();
  if (!Player_->AVLibLoaded()) Player_->LoadAVLib(libraryFolder_);
  if (!Player_->Open(record->SourceFile, surface_, false)) {
    SetButtons(false, false);
    return;
  }
  opened_ = true;
  paused_ = ended_ = false;
  SetButtons(false, true);
  const bool video = sourceWidth_ > 0 && sourceHeight_ > 0;
  if (!video) {
    tracker_->hide();
    tracker_->setEnabled(false);
    ShowMargins({});
    for (QSpinBox* box : {topSpin_, bottomSpin_, leftSpin_, rightSpin_}) box->setEnabled(false);
  } else {
    const TFitRect fitted = FitPicture(sourceWidth_, sourceHeight_, kAreaWidth, kAreaHeight);
    picture_ = {fitted.X + 1, fitted.Y + 1, fitted.Width - 2, fitted.Height - 2};
    {
      std::lock_guard lock(hookMutex_);
      frameCopy_ = ToImage(Player_->CurrentFrame());
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

void TfrmCrop::SetButtons(bool play, bool pause) {
  playButton_->setEnabled(play);
  pauseButton_->setEnabled(pause);
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
  std::lock_guard lock(hookMutex_);
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
  if (record_ && opened_) {
    // The preview hook reads the record while the player runs.
    std::lock_guard lock(hookMutex_);
    ConfirmCrop(*record_, BoxMargins(), sourceWidth_, sourceHeight_, picture_);
  }
  accept();
}

// ---- Playback ------------------------------------------------------------------------------

void TfrmCrop::imgbtnPlayClick() {
  if (!record_) return;
  if (paused_ && !ended_) {
    paused_ = false;
    Player_->Resume();
    SetButtons(false, true);
  } else if (ended_) {
    if (Player_->Open(record_->SourceFile, surface_, false)) {
      paused_ = ended_ = false;
      SetButtons(false, true);
    } else {
      SetButtons(false, false);
    }
  }
}

void TfrmCrop::imgbtnpauseClick() {
  if (!opened_) return;
  paused_ = true;
  Player_->Pause();
}

void TfrmCrop::done(int result) {
  ended_ = true;
  paintTimer_->stop();
  DetachPlayer();
  Player_->Stop(true);
  {
    std::lock_guard lock(hookMutex_);
    frameCopy_ = QImage();
    record_ = nullptr;
  }
  QDialog::done(result);
}

void TfrmCrop::trcPreviewSeek(int value) {
  if (!opened_ || duration_ <= 0) return;
  const int64_t target = PreviewBarTarget(value, positionSlider_->maximum(), duration_);
  if (target > 0) Player_->Seek(0, false, target);
}

void TfrmCrop::PlayerFileOpen(int64_t duration, int frameWidth, int frameHeight, int& screenWidth,
                              int& screenHeight) {
  duration_ = duration;
  sourceWidth_ = frameWidth;
  sourceHeight_ = frameHeight;
  screenWidth = surface_->width();
  screenHeight = surface_->height();
  lengthLabel_->setText(QString::fromStdString(PreviewLengthText(duration)));
  positionLabel_->setText(QStringLiteral("0.0"));
  positionSlider_->setMaximum(std::max(1, positionSlider_->width()));
  positionSlider_->ClearSelection();
  positionSlider_->setEnabled(duration > 0);
  positionSlider_->ShowPosition(0);
}

void TfrmCrop::PlayerPosition(int64_t pts) {
  positionLabel_->setText(QString::fromStdString(PreviewLengthText(pts)));
  positionSlider_->ShowPosition(PreviewBarValue(pts, duration_, positionSlider_->maximum()));
}

void TfrmCrop::PlayerState(TPlayState state) {
  if (state == TPlayState::psPause) {
    paused_ = true;
    SetButtons(true, false);
  } else if (state == TPlayState::psEnd) {
    ended_ = true;
    SetButtons(true, false);
    // Paused first, so that the seek brings the start's picture on screen.
    Player_->Pause();
    Player_->Seek(0, false, 0);
  }
}

// Video thread: the job's stored effects, watermarks and crop frame, then a copy for the area.
void TfrmCrop::PlayerHook(TBitmap& bitmap) {
  if (paused_ || ended_) return;
  std::lock_guard lock(hookMutex_);
  if (!record_) return;
  const TCanvasLock canvas(bitmap);
  std::string unreadable;
  processor_.Process(bitmap, *record_, unreadable);
  DrawCropFrame(bitmap, record_->CropLeft, record_->CropTop, bitmap.Width() - record_->CropRight,
                bitmap.Height() - record_->CropBottom);
  frameCopy_ = ToImage(bitmap);
}

}  // namespace qarvo
