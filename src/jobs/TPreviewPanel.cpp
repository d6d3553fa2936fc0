#include "jobs/TPreviewPanel.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <filesystem>

#include "base/EngineRecords.h"
#include "base/StringFormat.h"
#include "base/TBitmap.h"
#include "player/TMediaPlayer.h"
#include "core/IniFile.h"
#include "core/PreviewText.h"
#include "core/SettingsKeys.h"
#include "core/SettingsReaders.h"
#include "core/SnapshotFiles.h"
#include "jobs/PreviewFit.h"
#include "jobs/TPlayerIconEngine.h"
#include "jobs/TPositionSlider.h"
#include "jobs/TVideoSurfaceWidget.h"

namespace qarvo {
namespace {

constexpr int kSurfaceWidth = 243;
constexpr int kSurfaceHeight = 171;
// Below the usual height: the window must still open at its size with everything in full.
constexpr int kSurfaceMinimumHeight = 96;
constexpr const char* kZeroTime = "00:00:00";

QToolButton* MakeButton(QWidget* parent, const char* name, const char* hint) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setToolTip(QString::fromLatin1(hint));
  button->setAutoRaise(true);
  button->setIconSize(QSize(16, 16));
  button->setFixedSize(22, 22);
  // Space belongs to the panel (play and pause), not to whichever button has the focus.
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

QLabel* MakeLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(QString::fromLatin1(kZeroTime), parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  return label;
}

// The bitmap's pixels as an image of their own.
QImage ToImage(const TBitmap& bitmap) {
  return QImage(bitmap.Bits(), bitmap.Width(), bitmap.Height(), bitmap.Stride(),
                QImage::Format_BGR888)
      .copy();
}

void ToBitmap(const QImage& image, TBitmap& bitmap) {
  const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
  bitmap.SetSize(bgr.width(), bgr.height());
  for (int row = 0; row < bgr.height(); ++row)
    std::memcpy(bitmap.ScanLine(row), bgr.constScanLine(row), static_cast<size_t>(bgr.width()) * 3);
}

}  // namespace

TPreviewPanel::TPreviewPanel(TMediaPlayer& player, const TGlobalObject& global, QWidget* parent)
    : QWidget(parent), player_(player), global_(global) {
  setObjectName(QStringLiteral("pnlPreview"));
  setFocusPolicy(Qt::ClickFocus);
  CreateControls();
  AttachPlayer();
  Prepare();
}

TPreviewPanel::~TPreviewPanel() {
  if (tornDown_) return;
  // pan1 goes with the panel: the player must have let go of it before.
  DetachPlayer();
  player_.Stop(true);
}

void TPreviewPanel::CreateControls() {
  surface_ = new TVideoSurfaceWidget(this);
  surface_->setObjectName(QStringLiteral("pan1"));
  surface_->setMinimumSize(kSurfaceWidth, kSurfaceMinimumHeight);
  surface_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  surface_->resize(kSurfaceWidth, kSurfaceHeight);

  playButton_ = MakeButton(this, "imgbtnPlay", "play");
  pauseButton_ = MakeButton(this, "imgbtnPAuse", "pause");
  stopButton_ = MakeButton(this, "imgbtnStop", "stop");
  snapshotButton_ = MakeButton(this, "imgbtnSnap", "capture image");
  lengthLabel_ = MakeLabel(this, "lblTime");
  positionLabel_ = MakeLabel(this, "lblPTS");
  // Room for the longest texts from the start, so the column never has to grow.
  lengthLabel_->setMinimumWidth(
      lengthLabel_->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00.000")));
  lengthLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto* separator = new QLabel(QStringLiteral("/"), this);
  separator->setObjectName(QStringLiteral("lblTimeSeparator"));

  positionSlider_ = new TPositionSlider(this);
  positionSlider_->setObjectName(QStringLiteral("trcPreview"));
  positionSlider_->setToolTip(QStringLiteral("position"));
  positionSlider_->setTickInterval(1);
  positionSlider_->setMaximum(kSurfaceWidth);
  volumeSlider_ = new QSlider(Qt::Horizontal, this);
  volumeSlider_->setObjectName(QStringLiteral("trcVolume"));
  volumeSlider_->setToolTip(QStringLiteral("volume"));
  volumeSlider_->setRange(0, kMaxAudioVolume);
  volumeSlider_->setFixedWidth(56);
  lblVolume = new QLabel(this);
  lblVolume->setObjectName(QStringLiteral("lblVolume"));
  lblVolume->setToolTip(volumeSlider_->toolTip());
  muteCheck_ = new QCheckBox(QStringLiteral("Mute"), this);
  muteCheck_->setObjectName(QStringLiteral("ckMute"));
  UpdateIcons();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  layout->addWidget(surface_, 1);
  auto* commands = new QHBoxLayout;
  commands->setSpacing(0);
  for (QToolButton* button : {playButton_, pauseButton_, stopButton_, snapshotButton_})
    commands->addWidget(button);
  commands->addStretch(1);
  commands->addWidget(lengthLabel_);
  commands->addSpacing(2);
  commands->addWidget(separator);
  commands->addSpacing(2);
  commands->addWidget(positionLabel_);
  layout->addLayout(commands);
  auto* bars = new QHBoxLayout;
  bars->setSpacing(4);
  bars->addWidget(positionSlider_, 1);
  bars->addSpacing(2);
  bars->addWidget(lblVolume);
  bars->addWidget(volumeSlider_);
  bars->addWidget(muteCheck_);
  layout->addLayout(bars);

  connect(playButton_, &QToolButton::clicked, this, &TPreviewPanel::Play);
  connect(pauseButton_, &QToolButton::clicked, this, &TPreviewPanel::Pause);
  connect(stopButton_, &QToolButton::clicked, this, &TPreviewPanel::Stop);
  connect(snapshotButton_, &QToolButton::clicked, this, &TPreviewPanel::Snapshot);
  connect(positionSlider_, &TPositionSlider::SeekRequested, this, &TPreviewPanel::trcPreviewSeek);
  connect(volumeSlider_, &QSlider::valueChanged, this, &TPreviewPanel::trcVolumeChange);
  connect(volumeSlider_, &QSlider::sliderReleased, this, &TPreviewPanel::trcVolumeStore);
  connect(volumeSlider_, &QSlider::actionTriggered, this, [this](int action) {
    if (action != QAbstractSlider::SliderMove && action != QAbstractSlider::SliderNoAction)
      QMetaObject::invokeMethod(this, &TPreviewPanel::trcVolumeStore, Qt::QueuedConnection);
  });
  connect(muteCheck_, &QCheckBox::clicked, this, &TPreviewPanel::ckMuteClick);
}

void TPreviewPanel::AttachPlayer() {
  player_.SetOnFileOpen([this](TCustomPlayer&, int64_t duration, int frameWidth, int frameHeight,
                               int& screenWidth, int& screenHeight) {
    PlayerFileOpen(duration, frameWidth, frameHeight, screenWidth, screenHeight);
  });
  player_.SetOnPosition([this](TCustomPlayer&, int64_t pts) { PlayerPosition(pts); });
  player_.SetOnState([this](TCustomPlayer&, TPlayState state) { PlayerState(state); });
}

void TPreviewPanel::Prepare() {
  state_ = TPreviewState();
  UpdateButtons();
  ResetPosition();
  const TIniFile settings(global_.SettingsFile());
  // Shown as stored; nothing is written back until the user moves the bar or clicks the box.
  const QSignalBlocker blockVolume(volumeSlider_);
  const QSignalBlocker blockMute(muteCheck_);
  volumeSlider_->setValue(ReadStartupVolume(settings));
  muteCheck_->setChecked(ReadStartupMute(settings));
  player_.SetAudioVolume(volumeSlider_->value());
  player_.SetMute(muteCheck_->isChecked());
}

void TPreviewPanel::UpdateButtons() {
  const TPreviewButtons buttons = state_.Buttons();
  playButton_->setEnabled(buttons.Play);
  pauseButton_->setEnabled(buttons.Pause);
  stopButton_->setEnabled(buttons.Stop);
  snapshotButton_->setEnabled(buttons.Snapshot);
}

void TPreviewPanel::UpdateIcons() {
  const QPalette colours = palette();
  playButton_->setIcon(TPlayerIconEngine::Icon(TPlayerIconEngine::TShape::Play, colours));
  pauseButton_->setIcon(TPlayerIconEngine::Icon(TPlayerIconEngine::TShape::Pause, colours));
  stopButton_->setIcon(TPlayerIconEngine::Icon(TPlayerIconEngine::TShape::Stop, colours));
  snapshotButton_->setIcon(TPlayerIconEngine::Icon(TPlayerIconEngine::TShape::Snapshot, colours));
  lblVolume->setPixmap(TPlayerIconEngine::Icon(TPlayerIconEngine::TShape::Volume, colours)
                           .pixmap(QSize(14, 14), devicePixelRatioF()));
}

void TPreviewPanel::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::PaletteChange && playButton_) UpdateIcons();
}

void TPreviewPanel::ResetPosition() {
  positionSlider_->setValue(0);
  positionSlider_->setEnabled(false);
  lengthLabel_->setText(QString::fromLatin1(kZeroTime));
  positionLabel_->setText(QString::fromLatin1(kZeroTime));
}

// ---- Commands ------------------------------------------------------------------------------

void TPreviewPanel::Play() {
  if (tornDown_) return;
  // Paused on another row's source: the selected row is played instead.
  const std::string selected = host_.SelectedSource ? host_.SelectedSource() : std::string();
  switch (state_.PlayStep(host_.ListEmpty ? host_.ListEmpty() : true, selected)) {
    case TPlayStep::Resume:
      state_.Played();
      UpdateButtons();
      player_.Resume();
      return;
    case TPlayStep::AskForFiles:
      if (!LoadLibraries()) return;
      state_.RequestPlayAfterAdding();
      if (host_.AddFiles) host_.AddFiles();
      return;
    case TPlayStep::OpenFocused:
      if (!LoadLibraries()) return;
      OpenFocused();
      return;
  }
}

bool TPreviewPanel::LoadLibraries() {
  if (player_.AVLibLoaded()) return true;
  if (player_.LoadAVLib(host_.LibraryFolder)) return true;
  if (host_.Log) host_.Log(QString::fromStdString(player_.LastErrMsg()));
  return false;
}

void TPreviewPanel::OpenFocused() {
  const std::string source = host_.FocusedSource ? host_.FocusedSource() : std::string();
  if (source.empty()) return;
  if (!player_.Open(source, surface_, false)) {
    // The reason goes where the library errors go; the preview stays as it was.
    if (host_.Log) host_.Log(QString::fromStdString(player_.LastErrMsg()));
    return;
  }
  state_.Opened(source);
  UpdateButtons();
  positionSlider_->setEnabled(state_.Duration() > 0);
}

void TPreviewPanel::AddFinished() {
  if (state_.TakePlayAfterAdding() && host_.ListEmpty && !host_.ListEmpty()) Play();
}

void TPreviewPanel::Pause() {
  if (tornDown_ || !state_.Pause()) return;
  player_.Pause();
  UpdateButtons();
}

void TPreviewPanel::Stop() {
  if (tornDown_ || !state_.Stop()) return;
  player_.Stop(true);
  ResetPosition();
  UpdateButtons();
  surface_->Clear();
}

void TPreviewPanel::Snapshot() {
  if (tornDown_) return;
  const TBitmap& frame = player_.CurrentFrame();
  if (frame.Width() <= 0 || frame.Height() <= 0) return;
  // The full picture at its own size; the small one as the panel shows it, fitted into the
  // panel with the picture's own shape.
  const QImage picture = ToImage(frame);
  TBitmap full;
  ToBitmap(picture, full);
  const TFitRect fitted =
      FitPicture(picture.width(), picture.height(), surface_->width(), surface_->height());
  TBitmap small;
  ToBitmap(fitted.Width > 0 && fitted.Height > 0
               ? picture.scaled(fitted.Width, fitted.Height, Qt::IgnoreAspectRatio,
                                Qt::SmoothTransformation)
               : picture,
           small);
  TIniFile settings(global_.SettingsFile());
  const std::vector<std::string> written =
      SaveSnapshots(settings, full, small, [this](const std::string& message) {
        if (host_.Warning) host_.Warning(QString::fromStdString(message));
      });
  if (!written.empty() && host_.OpenFolder)
    host_.OpenFolder(
        QString::fromStdString(std::filesystem::path(written.front()).parent_path().string()));
}

void TPreviewPanel::Teardown() {
  if (tornDown_) return;
  tornDown_ = true;
  DetachPlayer();
  player_.Stop(false);
}

void TPreviewPanel::DetachPlayer() {
  player_.SetOnFileOpen(nullptr);
  player_.SetOnPosition(nullptr);
  player_.SetOnState(nullptr);
}

void TPreviewPanel::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
    if (state_.Playing())
      Pause();
    else
      Play();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

// ---- Player events (main thread) -----------------------------------------------------------

void TPreviewPanel::PlayerFileOpen(int64_t duration, int frameWidth, int frameHeight,
                                   int& screenWidth, int& screenHeight) {
  if (host_.Log) {
    host_.Log(QString::fromStdString(player_.MediaProbe().FileInfoText()));
    host_.Log(QString::fromStdString(Format("duration: %f, frame size: %dx%d",
                                            static_cast<double>(duration) / 1e6, frameWidth,
                                            frameHeight)));
  }
  screenWidth = surface_->width();
  screenHeight = surface_->height();
  state_.SetDuration(duration);
  positionLabel_->setText(QString::fromStdString(PreviewLengthText(duration)));
  positionSlider_->setMaximum(std::max(1, positionSlider_->width()));
  positionSlider_->ShowPosition(0);
}

void TPreviewPanel::PlayerPosition(int64_t pts) {
  if (state_.Stopped()) return;
  lengthLabel_->setText(QString::fromStdString(PreviewPositionText(pts)));
  positionSlider_->ShowPosition(
      PreviewBarValue(pts, state_.Duration(), positionSlider_->maximum()));
}

void TPreviewPanel::PlayerState(TPlayState state) {
  if (state == TPlayState::psEnd) {
    EndOfFile();
  } else if (state == TPlayState::psStop && !state_.Stopped() && !player_.Opened()) {
    // Playback ended on its own (a failure in the player): the panel must not stay "playing".
    state_.Stop();
    ResetPosition();
    UpdateButtons();
    surface_->Clear();
  }
}

void TPreviewPanel::EndOfFile() {
  positionSlider_->setValue(0);
  // Paused first: a seek asked for while paused brings its first picture on screen, while a
  // pause that lands after a running seek could keep the start's picture from being decoded.
  player_.Pause();
  player_.Seek(kSeekAny, false, 0);
  state_.EndReached();
  UpdateButtons();
  ResetPosition();
}

void TPreviewPanel::trcPreviewSeek(int value) {
  if (state_.Stopped() || state_.Duration() <= 0) return;
  const int64_t target = PreviewBarTarget(value, positionSlider_->maximum(), state_.Duration());
  const int64_t now = player_.LastPosition();
  player_.Seek(now != kNoTimestamp && target < now ? kSeekBackward : 0, false, target);
}

void TPreviewPanel::trcVolumeChange(int value) { player_.SetAudioVolume(value); }

void TPreviewPanel::trcVolumeStore() {
  TIniFile settings(global_.SettingsFile());
  settings.WriteInteger(settings::kSection, settings::kVolume, volumeSlider_->value());
}

void TPreviewPanel::ckMuteClick(bool checked) {
  player_.SetMute(checked);
  TIniFile settings(global_.SettingsFile());
  settings.WriteInteger(settings::kSection, settings::kMute, checked ? 1 : 0);
}

}  // namespace qarvo
