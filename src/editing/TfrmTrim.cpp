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
  lblSourceName = MakeNamedLabel(this, "lblSourceName");
  lblLength = MakeNamedLabel(this, "lblLength");
  lblPTS = MakeNamedLabel(this, "lblPTS");
  imgPreview = new TVideoSurfaceWidget(this);
  imgPreview->setObjectName(QStringLiteral("imgPreview"));
  imgPreview->setMinimumSize(352, 264);
  imgPreview->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  trcPreview = new TSelectionSlider(this);
  trcPreview->setObjectName(QStringLiteral("trcPreview"));
  imgbtnPlay = MakePlayerButton(this, "imgbtnPlay", "play", TPlayerIconEngine::TShape::Play);
  imgbtnpause = MakePlayerButton(this, "imgbtnpause", "pause", TPlayerIconEngine::TShape::Pause);

  auto* source = new QHBoxLayout;
  source->addWidget(new QLabel(QStringLiteral("Source Name:"), this));
  source->addWidget(lblSourceName, 1);
  source->addWidget(lblLength);
  QHBoxLayout* controls = MakePlayRow(imgbtnPlay, imgbtnpause, trcPreview, lblPTS);

  edtStart = MakeTimeField(this, "edtStart");
  edtEnd = MakeTimeField(this, "edtEnd");
  edtTrimLength = MakeTimeField(this, "edtTrimLength");
  btnOk1 = MakeNamedButton(this, "btnOk1", QStringLiteral("&Ok"));
  btnOk2 = MakeNamedButton(this, "btnOk2", QStringLiteral("&Ok"));
  btnReset = MakeNamedButton(this, "btnReset", QStringLiteral("&Reset"));
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
  } rows[] = {{"Set Start Time:", edtStart, btnOk1},
              {"Set End Time:", edtEnd, btnOk2},
              {"Trim Length:", edtTrimLength, btnReset}};
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

  btnOk = MakeNamedButton(this, "btnOk", QStringLiteral("Ok"));
  btnCancel = MakeNamedButton(this, "btnCancel", QStringLiteral("Cancel"));
  btnDefault = MakeNamedButton(this, "btnDefault", QStringLiteral("&Default"));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(6);
  layout->addLayout(source);
  layout->addWidget(imgPreview, 1);
  layout->addLayout(controls);
  layout->addWidget(tabs);
  layout->addLayout(MakeClosingRow(btnDefault, btnOk, btnCancel));

  connect(btnOk1, &QPushButton::clicked, this, &TfrmTrim::btnOk1Click);
  connect(btnOk2, &QPushButton::clicked, this, &TfrmTrim::btnOk2Click);
  connect(btnReset, &QPushButton::clicked, this, &TfrmTrim::btnResetClick);
  connect(btnDefault, &QPushButton::clicked, this, &TfrmTrim::btnResetClick);
  connect(btnOk, &QPushButton::clicked, this, &TfrmTrim::btnOkClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(imgbtnPlay, &QToolButton::clicked, this, &TfrmTrim::imgbtnPlayClick);
  connect(imgbtnpause, &QToolButton::clicked, this, &TfrmTrim::imgbtnpauseClick);
  connect(trcPreview, &TSelectionSlider::SeekRequested, this, &TfrmTrim::trcPreviewSeek);
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
  lblSourceName->clear();
  lblLength->clear();
  lblPTS->clear();
  for (QLineEdit* field : {edtStart, edtEnd, edtTrimLength}) field->clear();
  trcPreview->ClearSelection();
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
  if (!Player_->Open(record->SourceFile, imgPreview, false)) return;
  opened_ = true;
  lblSourceName->setText(QString::fromStdString(ShortenedPath(record->SourceFile, 50, 44)));
  range_.Restore(*record);
  ShowRange();
  trcPreview->SetSelection(BarValue(range_.RangeStart()), BarValue(range_.RangeEnd()));
  SetPlaying(true);
}

void TfrmTrim::ShowRange() {
  edtStart->setText(TimeText(range_.RangeStart()));
  edtEnd->setText(TimeText(range_.RangeEnd()));
  edtTrimLength->setText(TimeText(range_.RangeEnd() - range_.RangeStart()));
}

int TfrmTrim::BarValue(int64_t time) const {
  return PreviewBarValue(time, range_.FullLength(), trcPreview->maximum());
}

void TfrmTrim::SetPlaying(bool playing) {
  imgbtnPlay->setEnabled(!playing);
  imgbtnpause->setEnabled(playing);
}

// ---- Commands ------------------------------------------------------------------------------

void TfrmTrim::btnOk1Click() {
  if (!opened_ || !range_.TakeStart(Player_->LastPosition())) return;
  edtStart->setText(TimeText(range_.RangeStart()));
  trcPreview->SetSelection(trcPreview->value(), trcPreview->SelEnd());
}

void TfrmTrim::btnOk2Click() {
  if (!opened_ || !range_.TakeEnd(Player_->LastPosition())) return;
  edtEnd->setText(TimeText(range_.RangeEnd()));
  if (range_.LengthShown())
    edtTrimLength->setText(TimeText(range_.RangeEnd() - range_.RangeStart()));
  trcPreview->SetSelection(trcPreview->SelStart(), trcPreview->value());
}

void TfrmTrim::btnResetClick() {
  range_.Reset();
  edtStart->setText(QString::fromLatin1(kZeroTime));
  edtEnd->setText(TimeText(range_.FullLength()));
  edtTrimLength->setText(TimeText(range_.FullLength()));
  trcPreview->SetSelection(trcPreview->minimum(), trcPreview->maximum());
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
  trcPreview->setEnabled(range_.FullLength() > 0);
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
  Player_->Seek(0, false, PreviewBarTarget(value, trcPreview->maximum(), range_.FullLength()));
}

// ---- Player events -------------------------------------------------------------------------

void TfrmTrim::PlayerFileOpen(int64_t duration, int& screenWidth, int& screenHeight) {
  screenWidth = imgPreview->width();
  screenHeight = imgPreview->height();
  range_.FileOpened(duration);
  for (QLineEdit* field : {edtStart, edtEnd, edtTrimLength})
    field->setText(QString::fromLatin1(kZeroTime));
  lblLength->setText(QStringLiteral("Duration:    ") + TimeText(duration));
  lblPTS->setText(QStringLiteral("0.0"));
  trcPreview->setMaximum(std::max(1, trcPreview->width()));
  trcPreview->ClearSelection();
  trcPreview->setEnabled(duration > 0);
  trcPreview->ShowPosition(0);
}

void TfrmTrim::PlayerPosition(int64_t pts) {
  lblPTS->setText(QStringLiteral("Time:    ") + TimeText(pts));
  trcPreview->ShowPosition(BarValue(pts));
}

void TfrmTrim::PlayerState(TPlayState state) {
  if (state != TPlayState::psEnd) return;
  trcPreview->ShowPosition(0);
  // Paused first, so that the seek brings the start's picture on screen.
  Player_->Pause();
  Player_->Seek(kSeekAny, false, 0);
  previewEnded_ = true;
  SetPlaying(false);
  trcPreview->ClearSelection();
  trcPreview->setEnabled(false);
  lblLength->setText(QString::fromLatin1(kZeroTime));
  lblPTS->setText(QString::fromLatin1(kZeroTime));
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
