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
  lblSourceName = MakeNamedLabel(this, "lblSourceName");
  lblLength = MakeNamedLabel(this, "lblLength");
  lblPTS = MakeNamedLabel(this, "lblPTS");
  imgPreview = new QLabel(this);
  imgPreview->setObjectName(QStringLiteral("imgPreview"));
  // Entered margins are pixels of this area: its size must not change between openings.
  imgPreview->setFixedSize(kAreaWidth, kAreaHeight);
  RectTracker = new TRectTracker(imgPreview);
  RectTracker->setObjectName(QStringLiteral("RectTracker"));
  RectTracker->hide();
  pnlPlayer = new TVideoSurfaceWidget(this);
  pnlPlayer->setObjectName(QStringLiteral("pnlPlayer"));
  pnlPlayer->resize(kPanelWidth, kPanelHeight);
  pnlPlayer->hide();
  tmrPaint = new QTimer(this);
  tmrPaint->setInterval(kPaintInterval);
  connect(tmrPaint, &QTimer::timeout, this, &TfrmCrop::PaintArea);

  trcPreview = new TSelectionSlider(this);
  trcPreview->setObjectName(QStringLiteral("trcPreview"));
  imgbtnPlay = MakePlayerButton(this, "imgbtnPlay", "play", TPlayerIconEngine::TShape::Play);
  imgbtnpause = MakePlayerButton(this, "imgbtnpause", "pause", TPlayerIconEngine::TShape::Pause);
  QHBoxLayout* controls = MakePlayRow(imgbtnPlay, imgbtnpause, trcPreview, lblPTS);

  spedUp = MakeMarginBox("spedUp", TMarginBox::Up);
  spedDown = MakeMarginBox("spedDown", TMarginBox::Down);
  spedLeft = MakeMarginBox("spedLeft", TMarginBox::Left);
  spedRight = MakeMarginBox("spedRight", TMarginBox::Right);
  auto* group = new QGroupBox(QStringLiteral("Crop Size"), this);
  group->setObjectName(QStringLiteral("grpCropSize"));
  auto* grid = new QGridLayout(group);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(6);
  const struct {
    const char* Caption;
    QSpinBox* Box;
  } boxes[] = {{"Up", spedUp}, {"Down", spedDown}, {"Left", spedLeft}, {"Right", spedRight}};
  int row = 0;
  for (const auto& line : boxes) {
    grid->addWidget(new QLabel(QString::fromLatin1(line.Caption), group), row, 0, Qt::AlignRight);
    grid->addWidget(line.Box, row, 1);
    ++row;
  }
  btnReset = MakeNamedButton(group, "btnReset", QStringLiteral("Reset"));
  grid->addWidget(btnReset, row, 0, 1, 2);
  grid->setRowStretch(row + 1, 1);

  btnDefault = MakeNamedButton(this, "btnDefault", QStringLiteral("Default"));
  btnOk = MakeNamedButton(this, "btnOk", QStringLiteral("Ok"));
  btnCancel = MakeNamedButton(this, "btnCancel", QStringLiteral("Cancel"));

  auto* source = new QHBoxLayout;
  source->addWidget(lblSourceName, 1);
  source->addWidget(lblLength);
  auto* picture = new QVBoxLayout;
  picture->addWidget(imgPreview);
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
  layout->addLayout(MakeClosingRow(btnDefault, btnOk, btnCancel));

  connect(btnReset, &QPushButton::clicked, this, &TfrmCrop::btnResetClick);
  connect(btnDefault, &QPushButton::clicked, this, &TfrmCrop::btnResetClick);
  connect(btnOk, &QPushButton::clicked, this, &TfrmCrop::btnOkClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(imgbtnPlay, &QToolButton::clicked, this, &TfrmCrop::imgbtnPlayClick);
  connect(imgbtnpause, &QToolButton::clicked, this, &TfrmCrop::imgbtnpauseClick);
  connect(trcPreview, &TSelectionSlider::SeekRequested, this, &TfrmCrop::trcPreviewSeek);
  connect(RectTracker, &TRectTracker::OnMouseDown, this, &TfrmCrop::RectTrackerMouseDown);
  connect(RectTracker, &TRectTracker::OnMouseMove, this, &TfrmCrop::RectTrackerMouseMove);
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
  lblSourceName->clear();
  lblLength->clear();
  lblPTS->clear();
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
  if (!Player_->Open(record->SourceFile, pnlPlayer, false)) {
    SetButtons(false, false);
    return;
  }
  opened_ = true;
  paused_ = ended_ = false;
  SetButtons(false, true);
  const bool video = sourceWidth_ > 0 && sourceHeight_ > 0;
  if (!video) {
    RectTracker->hide();
    RectTracker->setEnabled(false);
    ShowMargins({});
    for (QSpinBox* box : {spedUp, spedDown, spedLeft, spedRight}) box->setEnabled(false);
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
    pressTop_ = RectTracker->y();
    pressLeft_ = RectTracker->x();
    RectTracker->show();
    RectTracker->setEnabled(true);
    for (QSpinBox* box : {spedUp, spedDown, spedLeft, spedRight}) box->setEnabled(true);
  }
  lblSourceName->setText(QString::fromStdString(ShortenedPath(record->SourceFile, 50, 44)));
  lblLength->setText(
      QString::fromStdString(Format("%d.%.3d Second", static_cast<int>(duration_ / 1000000),
                                    static_cast<int>(duration_ % 1000000 / 1000))));
  tmrPaint->start();
}

void TfrmCrop::SetButtons(bool play, bool pause) {
  imgbtnPlay->setEnabled(play);
  imgbtnpause->setEnabled(pause);
}

void TfrmCrop::ShowMargins(const TCropMargins& margins) {
  settingBoxes_ = true;
  spedUp->setValue(margins.Up);
  spedDown->setValue(margins.Down);
  spedLeft->setValue(margins.Left);
  spedRight->setValue(margins.Right);
  settingBoxes_ = false;
}

TCropMargins TfrmCrop::BoxMargins() const {
  return {spedUp->value(), spedDown->value(), spedLeft->value(), spedRight->value()};
}

void TfrmCrop::PlaceTracker(const TTrackRect& bounds) {
  RectTracker->setGeometry(bounds.Left, bounds.Top, bounds.Width, bounds.Height);
}

TTrackRect TfrmCrop::TrackerBounds() const {
  const QRect bounds = RectTracker->geometry();
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
  imgPreview->setPixmap(QPixmap::fromImage(area));
}

// ---- Tracker and margin boxes --------------------------------------------------------------

void TfrmCrop::RectTrackerMouseDown() {
  pressTop_ = RectTracker->y();
  pressLeft_ = RectTracker->x();
}

void TfrmCrop::RectTrackerMouseMove() {
  if (RectTracker->DragZone() == TTrackZone::None) return;
  dragging_ = true;
  const TTrackRect snapped =
      SnapTracker(TrackerBounds(), picture_, spedLeft->value(), pressLeft_, pressTop_);
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
    QSpinBox* spin = box == TMarginBox::Up     ? spedUp
                     : box == TMarginBox::Down ? spedDown
                     : box == TMarginBox::Left ? spedLeft
                                               : spedRight;
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
    if (Player_->Open(record_->SourceFile, pnlPlayer, false)) {
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
  tmrPaint->stop();
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
  const int64_t target = PreviewBarTarget(value, trcPreview->maximum(), duration_);
  if (target > 0) Player_->Seek(0, false, target);
}

void TfrmCrop::PlayerFileOpen(int64_t duration, int frameWidth, int frameHeight, int& screenWidth,
                              int& screenHeight) {
  duration_ = duration;
  sourceWidth_ = frameWidth;
  sourceHeight_ = frameHeight;
  screenWidth = pnlPlayer->width();
  screenHeight = pnlPlayer->height();
  lblLength->setText(QString::fromStdString(PreviewLengthText(duration)));
  lblPTS->setText(QStringLiteral("0.0"));
  trcPreview->setMaximum(std::max(1, trcPreview->width()));
  trcPreview->ClearSelection();
  trcPreview->setEnabled(duration > 0);
  trcPreview->ShowPosition(0);
}

void TfrmCrop::PlayerPosition(int64_t pts) {
  lblPTS->setText(QString::fromStdString(PreviewLengthText(pts)));
  trcPreview->ShowPosition(PreviewBarValue(pts, duration_, trcPreview->maximum()));
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
