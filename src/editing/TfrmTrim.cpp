#include "editing/TfrmTrim.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "base/TBitmap.h"
#include "player/TMediaPlayer.h"
#include "core/CropFrame.h"
#include "core/PreviewText.h"
#include "core/ShortenedPath.h"
#include "editing/DialogControls.h"
#include "editing/TDialogPlayer.h"
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

TfrmTrim::TfrmTrim(std::string libraryFolder, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmTrim"));
  setWindowTitle(QStringLiteral("Trim"));
  setModal(true);
  player_ = std::make_unique<TDialogPlayer>(this, std::move(libraryFolder), "imgPreview");
  player_->SetEvents({
      .FileOpened = [this](int64_t duration, int, int) { PlayerFileOpen(duration); },
      .Position = [this](int64_t pts) { PlayerPosition(pts); },
      .Ended = [this] { PlayerEnded(); },
      .Hook = [this](TBitmap& bitmap, const TlvFilesRecord& record) { PlayerHook(bitmap, record); },
  });
  CreateControls();
  resize(560, 520);
}

// imgPreview goes with the dialog: the player lets go of it first.
TfrmTrim::~TfrmTrim() { player_->Close(); }

TMediaPlayer& TfrmTrim::Player() { return player_->Player(); }

bool TfrmTrim::PreviewEnded() const { return player_->Ended(); }

void TfrmTrim::CreateControls() {
  sourceNameLabel_ = MakeNamedLabel(this, "lblSourceName");
  lengthLabel_ = MakeNamedLabel(this, "lblLength");
  positionLabel_ = MakeNamedLabel(this, "lblPTS");
  TVideoSurfaceWidget* surface = player_->Surface();
  surface->setMinimumSize(352, 264);
  surface->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  positionSlider_ = player_->Bar();

  auto* source = new QHBoxLayout;
  source->addWidget(new QLabel(QStringLiteral("Source Name:"), this));
  source->addWidget(sourceNameLabel_, 1);
  source->addWidget(lengthLabel_);
  QHBoxLayout* controls =
      MakePlayRow(player_->PlayButton(), player_->PauseButton(), positionSlider_, positionLabel_);

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
  layout->addWidget(surface, 1);
  layout->addLayout(controls);
  layout->addWidget(tabs);
  layout->addLayout(MakeClosingRow(defaultButton_, okButton_, cancelButton_));

  connect(setStartButton_, &QPushButton::clicked, this, &TfrmTrim::btnOk1Click);
  connect(setEndButton_, &QPushButton::clicked, this, &TfrmTrim::btnOk2Click);
  connect(resetButton_, &QPushButton::clicked, this, &TfrmTrim::btnResetClick);
  connect(defaultButton_, &QPushButton::clicked, this, &TfrmTrim::btnResetClick);
  connect(okButton_, &QPushButton::clicked, this, &TfrmTrim::btnOkClick);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
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
  record_ = record;
  player_->Close();
  processor_.Clear();  // no hook runs once Close has returned
  if (!player_->Open(record)) return;
  sourceNameLabel_->setText(QString::fromStdString(ShortenedPath(record->SourceFile, 50, 44)));
  range_.Restore(*record);
  ShowRange();
  positionSlider_->SetSelection(BarValue(range_.RangeStart()), BarValue(range_.RangeEnd()));
}

void TfrmTrim::ShowRange() {
  startEdit_->setText(TimeText(range_.RangeStart()));
  endEdit_->setText(TimeText(range_.RangeEnd()));
  trimLengthEdit_->setText(TimeText(range_.RangeEnd() - range_.RangeStart()));
}

int TfrmTrim::BarValue(int64_t time) const {
  return PreviewBarValue(time, range_.FullLength(), positionSlider_->maximum());
}

// ---- Commands ------------------------------------------------------------------------------

void TfrmTrim::btnOk1Click() {
  if (!player_->Opened() || !range_.TakeStart(Player().LastPosition())) return;
  startEdit_->setText(TimeText(range_.RangeStart()));
  positionSlider_->SetSelection(positionSlider_->value(), positionSlider_->SelEnd());
}

void TfrmTrim::btnOk2Click() {
  if (!player_->Opened() || !range_.TakeEnd(Player().LastPosition())) return;
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
  // range rather than losing it to zeros. The preview hook reads the record meanwhile.
  if (record_ && player_->Opened()) {
    const auto lock = player_->HookLock();
    range_.Confirm(*record_);
  }
  accept();
}

void TfrmTrim::imgbtnPlayClick() { player_->Play(); }

void TfrmTrim::imgbtnpauseClick() { player_->Pause(); }

void TfrmTrim::done(int result) {
  player_->Close();
  record_ = nullptr;
  QDialog::done(result);
}

// ---- Player events -------------------------------------------------------------------------

void TfrmTrim::PlayerFileOpen(int64_t duration) {
  range_.FileOpened(duration);
  for (QLineEdit* field : {startEdit_, endEdit_, trimLengthEdit_})
    field->setText(QString::fromLatin1(kZeroTime));
  lengthLabel_->setText(QStringLiteral("Duration:    ") + TimeText(duration));
  positionLabel_->setText(QStringLiteral("0.0"));
}

void TfrmTrim::PlayerPosition(int64_t pts) {
  positionLabel_->setText(QStringLiteral("Time:    ") + TimeText(pts));
}

void TfrmTrim::PlayerEnded() {
  lengthLabel_->setText(QString::fromLatin1(kZeroTime));
  positionLabel_->setText(QString::fromLatin1(kZeroTime));
}

// Video thread: the job's stored effects and watermarks, and its crop frame.
void TfrmTrim::PlayerHook(TBitmap& bitmap, const TlvFilesRecord& record) {
  std::string unreadable;
  processor_.Process(bitmap, record, unreadable);
  DrawCropFrame(bitmap, record.CropLeft, record.CropTop, bitmap.Width() - record.CropRight,
                bitmap.Height() - record.CropBottom);
}

}  // namespace qarvo
