#include "editing/TfrmTrim.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "base/EngineRecords.h"
#include "player/TMediaPlayer.h"
#include "core/CropFrame.h"
#include "core/PreviewText.h"
#include "core/ShortenedPath.h"
#include "editing/DialogControls.h"
#include "editing/TSelectionSlider.h"
#include "jobs/TVideoSurfaceWidget.h"

namespace qarvo {
namespace {

constexpr const char* kZeroTime = "00:00:00";
constexpr const char* kTimeNote = "(HH:MM:SS)";

QString TimeText(int64_t time) { return QString::fromStdString(PreviewPositionText(time)); }

QLineEdit* MakeTimeField(QWidget* parent, const char* name) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(QString::fromLatin1(name));
  field->setReadOnly(true);
  return field;
}

}  // namespace

TfrmTrim::TfrmTrim(std::string libraryFolder, QWidget* parent)
    : QDialog(parent),
      libraryFolder_(std::move(libraryFolder)),
      Player_(std::make_unique<TMediaPlayer>(this)) {
  setObjectName(QStringLiteral("frmTrim"));
  setWindowTitle(QStringLiteral("Trim"));
  setModal(true);
  CreateControls();
  resize(560, 520);
  if (!Player_->AVLibLoaded()) Player_->LoadAVLib(libraryFolder_);
  AttachPlayer();
}

TfrmTrim::~TfrmTrim() {
  Player_->SetOnHook(nullptr);
  // imgPreview goes with the dialog: the player lets go of it first.
  Player_->Stop(true);
}

void TfrmTrim::CreateControls() {
  sourceNameLabel_ = MakeNamedLabel(this, "lblSourceName");
  lengthLabel_ = MakeNamedLabel(this, "lblLength");
  positionLabel_ = MakeNamedLabel(this, "lblPTS");
  surface_ = new TVideoSurfaceWidget(this);
  surface_->setObjectName(QStringLiteral("imgPreview"));
  surface_->setMinimumSize(352, 264);
  surface_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  positionSlider_ = new TSelectionSlider(this);
  positionSlider_->setObjectName(QStringLiteral("trcPreview"));
  playButton_ = MakePlayerButton(this, "imgbtnPlay", "play", TPlayerIconEngine::TShape::Play);
  pauseButton_ = MakePlayerButton(this, "imgbtnpause", "pause", TPlayerIconEngine::TShape::Pause);

  auto* source = new QHBoxLayout;
  source->addWidget(new QLabel(QStringLiteral("Source Name:"), this));
  source->addWidget(sourceNameLabel_, 1);
  source->addWidget(lengthLabel_);
  QHBoxLayout* controls = MakePlayRow(playButton_, pauseButton_, positionSlider_, positionLabel_);

  startEdit_ = MakeTimeField(this, "edtStart");
  endEdit_ = MakeTimeField(this, "edtEnd");
  trimLengthEdit_ = MakeTimeField(this, "edtTrimLength");
  setStartButton_ = MakeNamedButton(this, "btnOk1", QStringLiteral("&Ok"));
  setEndButton_ = MakeNamedButton(this, "btnOk2", QStringLiteral("&Ok"));
  resetButton_ = MakeNamedButton(this, "btnReset", QStringLiteral("&Reset"));
  auto* tabs = new QTabWidget(this);
  tabs->setObjectName(QStringLiteral("pgcTrim"));
  auto* page = new QWidget(tabs);
  auto* grid = new QGridLayout(page);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(6);
  const struct {
    const char* Caption;
    QLineEdit* Field;
    QPushButton* Button;
  } rows[] = {{"Set Start Time:", startEdit_, setStartButton_},
              {"Set End Time:", endEdit_, setEndButton_},
              {"Trim Length:", trimLengthEdit_, resetButton_}};
  int row = 0;
  for (const auto& line : rows) {
    grid->addWidget(new QLabel(QString::fromLatin1(line.Caption), page), row, 0, Qt::AlignRight);
    grid->addWidget(line.Field, row, 1);
    grid->addWidget(new QLabel(QString::fromLatin1(kTimeNote), page), row, 2);
    grid->addWidget(line.Button, row, 3);
    ++row;
  }
  grid->setColumnStretch(1, 1);
  tabs->addTab(page, QStringLiteral("Trim"));

  okButton_ = MakeNamedButton(this, "btnOk", QStringLiteral("Ok"));
  cancelButton_ = MakeNamedButton(this, "btnCancel", QStringLiteral("Cancel"));
  defaultButton_ = MakeNamedButton(this, "btnDefault", QStringLiteral("&Default"));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(6);
  layout->addLayout(source);
  layout->addWidget(surface_, 1);
  layout->addLayout(controls);
  layout->addWidget(tabs);
  layout->addLayout(MakeClosingRow(defaultButton_, okButton_, cancelButton_));

  connect(setStartButton_, &QPushButton::clicked, this, &TfrmTrim::btnOk1Click);
  connect(setEndButton_, &QPushButton::clicked, this, &TfrmTrim::btnOk2Click);
  connect(resetButton_, &QPushButton::clicked, this, &TfrmTrim::btnResetClick);
  connect(defaultButton_, &QPushButton::clicked, this, &TfrmTrim::btnResetClick);
  connect(okButton_, &QPushButton::clicked, this, &TfrmTrim::btnOkClick);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
  connect(playButton_, &QToolButton::clicked, this, &TfrmTrim::imgbtnPlayClick);
  connect(pauseButton_, &QToolButton::clicked, this, &TfrmTrim::imgbtnpauseClick);
  connect(positionSlider_, &TSelectionSlider::SeekRequested, this, &TfrmTrim::trcPreviewSeek);
}

void TfrmTrim::AttachPlayer() {
  Player_->SetOnFileOpen([this](TCustomPlayer&, int64_t duration, int, int, int& width,
                                int& height) { PlayerFileOpen(duration, width, height); });
  Player_->SetOnPosition([this](TCustomPlayer&, int64_t pts) { PlayerPosition(pts); });
  Player_->SetOnState([this](TCustomPlayer&, TPlayState state) { PlayerState(state); });
  Player_->SetOnHook([this](TCustomPlayer&, TBitmap& bitmap, int64_t) { PlayerHook(bitmap); });
  Player_->SetHook(true);
}

int TfrmTrim::Execute(TlvFilesRecord* record) {
  // Shown first: the player takes the preview's laid-out size.
  show();
  Prepare(record);
  return exec();
}

void TfrmTrim::Prepare(TlvFilesRecord* record) {
  sourceNameLabel_->clear();
  lengthLabel_->clear();
  positionLabel_->clear();
  for (QLineEdit* field : {startEdit_, endEdit_, trimLengthEdit_}) field->clear();
  positionSlider_->ClearSelection();
  range_.FileOpened(0);
  opened_ = false;
  // A new opening shows the job's effects again, also after an earlier end of playback.
  previewEnded_ = false;
  {
    std::lock_guard lock(hookMutex_);
    record_ = record;
    processor_.Clear();
  }
  if (!Player_->AVLibLoaded() && !Player_->LoadAVLib(libraryFolder_)) return;
  if (!record) return;
  if (!Player_->Open(record->SourceFile, surface_, false)) return;
  opened_ = true;
  sourceNameLabel_->setText(QString::fromStdString(ShortenedPath(record->SourceFile, 50, 44)));
  range_.Restore(*record);
  ShowRange();
  positionSlider_->SetSelection(BarValue(range_.RangeStart()), BarValue(range_.RangeEnd()));
  SetPlaying(true);
}

void TfrmTrim::ShowRange() {
  startEdit_->setText(TimeText(range_.RangeStart()));
  endEdit_->setText(TimeText(range_.RangeEnd()));
  trimLengthEdit_->setText(TimeText(range_.RangeEnd() - range_.RangeStart()));
}

int TfrmTrim::BarValue(int64_t time) const {
  return PreviewBarValue(time, range_.FullLength(), positionSlider_->maximum());
}

void TfrmTrim::SetPlaying(bool playing) {
  playButton_->setEnabled(!playing);
  pauseButton_->setEnabled(playing);
}

// ---- Commands ------------------------------------------------------------------------------

void TfrmTrim::btnOk1Click() {
  if (!opened_ || !range_.TakeStart(Player_->LastPosition())) return;
  startEdit_->setText(TimeText(range_.RangeStart()));
  positionSlider_->SetSelection(positionSlider_->value(), positionSlider_->SelEnd());
}

void TfrmTrim::btnOk2Click() {
  if (!opened_ || !range_.TakeEnd(Player_->LastPosition())) return;
  endEdit_->setText(TimeText(range_.RangeEnd()));
  if (range_.LengthShown())
    trimLengthEdit_->setText(TimeText(range_.RangeEnd() - range_.RangeStart()));
  positionSlider_->SetSelection(positionSlider_->SelStart(), positionSlider_->value());
}

void TfrmTrim::btnResetClick() {
  range_.Reset();
  startEdit_->setText(QString::fromLatin1(kZeroTime));
  endEdit_->setText(TimeText(range_.FullLength()));
  trimLengthEdit_->setText(TimeText(range_.FullLength()));
  positionSlider_->SetSelection(positionSlider_->minimum(), positionSlider_->maximum());
}

void TfrmTrim::btnOkClick() {
  // A source that did not open has no length to measure a range against: the job keeps its
  // range rather than losing it to zeros.
  {
    std::lock_guard lock(hookMutex_);
    if (record_ && opened_) range_.Confirm(*record_);
  }
  accept();
}

void TfrmTrim::imgbtnPlayClick() {
  if (!opened_) return;
  previewEnded_ = false;
  Player_->Resume();
  positionSlider_->setEnabled(range_.FullLength() > 0);
  SetPlaying(true);
}

void TfrmTrim::imgbtnpauseClick() {
  if (!opened_) return;
  Player_->Pause();
  SetPlaying(false);
}

void TfrmTrim::done(int result) {
  {
    std::lock_guard lock(hookMutex_);
    record_ = nullptr;
  }
  Player_->Stop(false);
  QDialog::done(result);
}

void TfrmTrim::trcPreviewSeek(int value) {
  if (!opened_ || range_.FullLength() <= 0) return;
  Player_->Seek(0, false, PreviewBarTarget(value, positionSlider_->maximum(), range_.FullLength()));
}

// ---- Player events -------------------------------------------------------------------------

void TfrmTrim::PlayerFileOpen(int64_t duration, int& screenWidth, int& screenHeight) {
  screenWidth = surface_->width();
  screenHeight = surface_->height();
  range_.FileOpened(duration);
  for (QLineEdit* field : {startEdit_, endEdit_, trimLengthEdit_})
    field->setText(QString::fromLatin1(kZeroTime));
  lengthLabel_->setText(QStringLiteral("Duration:    ") + TimeText(duration));
  positionLabel_->setText(QStringLiteral("0.0"));
  positionSlider_->setMaximum(std::max(1, positionSlider_->width()));
  positionSlider_->ClearSelection();
  positionSlider_->setEnabled(duration > 0);
  positionSlider_->ShowPosition(0);
}

void TfrmTrim::PlayerPosition(int64_t pts) {
  positionLabel_->setText(QStringLiteral("Time:    ") + TimeText(pts));
  positionSlider_->ShowPosition(BarValue(pts));
}

void TfrmTrim::PlayerState(TPlayState state) {
  if (state != TPlayState::psEnd) return;
  positionSlider_->ShowPosition(0);
  // Paused first, so that the seek brings the start's picture on screen.
  Player_->Pause();
  Player_->Seek(kSeekAny, false, 0);
  previewEnded_ = true;
  SetPlaying(false);
  positionSlider_->ClearSelection();
  positionSlider_->setEnabled(false);
  lengthLabel_->setText(QString::fromLatin1(kZeroTime));
  positionLabel_->setText(QString::fromLatin1(kZeroTime));
}

// Video thread: the job's stored effects and watermarks, and its crop frame.
void TfrmTrim::PlayerHook(TBitmap& bitmap) {
  if (previewEnded_) return;
  std::lock_guard lock(hookMutex_);
  if (!record_) return;
  const TCanvasLock canvas(bitmap);
  std::string unreadable;
  processor_.Process(bitmap, *record_, unreadable);
  DrawCropFrame(bitmap, record_->CropLeft, record_->CropTop, bitmap.Width() - record_->CropRight,
                bitmap.Height() - record_->CropBottom);
}

}  // namespace qarvo
