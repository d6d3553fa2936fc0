#include "editing/TDialogPlayer.h"

#include <QToolButton>
#include <algorithm>

#include "base/EngineRecords.h"
#include "base/TBitmap.h"
#include "player/TMediaPlayer.h"
#include "core/PreviewText.h"
#include "editing/DialogControls.h"
#include "editing/TSelectionSlider.h"
#include "jobs/TVideoSurfaceWidget.h"

namespace qarvo {

TDialogPlayer::TDialogPlayer(QWidget* dialog, std::string libraryFolder, const char* surfaceName)
    : libraryFolder_(std::move(libraryFolder)), player_(std::make_unique<TMediaPlayer>(dialog)) {
  CreateControls(dialog, surfaceName);
  if (!player_->AVLibLoaded()) player_->LoadAVLib(libraryFolder_);
  player_->SetOnFileOpen([this](TCustomPlayer&, int64_t duration, int frameWidth, int frameHeight,
                                int& screenWidth, int& screenHeight) {
    PlayerFileOpen(duration, frameWidth, frameHeight, screenWidth, screenHeight);
  });
  player_->SetOnPosition([this](TCustomPlayer&, int64_t pts) { PlayerPosition(pts); });
  player_->SetOnState([this](TCustomPlayer&, TPlayState state) { PlayerState(state); });
  player_->SetOnHook([this](TCustomPlayer&, TBitmap& bitmap, int64_t) { PlayerHook(bitmap); });
  UpdateButtons();
}

TDialogPlayer::~TDialogPlayer() {
  Close();
  player_->SetOnFileOpen(nullptr);
  player_->SetOnPosition(nullptr);
  player_->SetOnState(nullptr);
  player_->SetOnHook(nullptr);
}

void TDialogPlayer::CreateControls(QWidget* dialog, const char* surfaceName) {
  surface_ = new TVideoSurfaceWidget(dialog);
  surface_->setObjectName(QString::fromLatin1(surfaceName));
  bar_ = new TSelectionSlider(dialog);
  bar_->setObjectName(QStringLiteral("trcPreview"));
  playButton_ = MakePlayerButton(dialog, "imgbtnPlay", "play", TPlayerIconEngine::TShape::Play);
  pauseButton_ = MakePlayerButton(dialog, "imgbtnpause", "pause", TPlayerIconEngine::TShape::Pause);
  connect(playButton_, &QToolButton::clicked, this, &TDialogPlayer::Play);
  connect(pauseButton_, &QToolButton::clicked, this, &TDialogPlayer::Pause);
  connect(bar_, &TSelectionSlider::SeekRequested, this, &TDialogPlayer::BarSeek);
}

void TDialogPlayer::UpdateButtons() {
  // Nothing to play without a source the player took.
  const TPreviewButtons buttons =
      opened_ && playable_ ? state_.Buttons() : TPreviewButtons{.Play = false};
  playButton_->setEnabled(buttons.Play);
  pauseButton_->setEnabled(buttons.Pause);
}

// ---- Opening and closing -------------------------------------------------------------------

bool TDialogPlayer::Open(TlvFilesRecord* record) {
  Close();
  bar_->ClearSelection();
  bar_->ShowPosition(0);
  bar_->setEnabled(false);
  source_ = record ? record->SourceFile : std::string();
  if (record) {
    std::lock_guard lock(hookMutex_);
    record_ = record;
  }
  opened_ = playable_ = record && OpenSource();
  if (opened_) {
    state_.Played();
  } else {
    std::lock_guard lock(hookMutex_);
    record_ = nullptr;
  }
  UpdateButtons();
  return opened_;
}

bool TDialogPlayer::OpenSource() {
  if (!player_->AVLibLoaded() && !player_->LoadAVLib(libraryFolder_)) return false;
  player_->SetHook(true);
  if (player_->Open(source_, surface_, false)) return true;
  player_->SetHook(false);
  return false;
}

void TDialogPlayer::Close() {
  player_->SetHook(false);
  {
    std::lock_guard lock(hookMutex_);
    record_ = nullptr;
  }
  player_->Stop(true);
  opened_ = playable_ = false;
  state_ = TPreviewState();
  UpdateButtons();
}

// ---- Commands ------------------------------------------------------------------------------

void TDialogPlayer::Play() {
  if (!opened_ || !playable_) return;
  // After the end the player waits paused at the start, so resuming plays the source again
  // from there; an opening again would reset what the dialog took from the first one.
  if (state_.PlayStep(false) == TPlayStep::Resume || player_->Opened()) {
    player_->Resume();
  } else {
    // Playback ended on its own: the source is opened again.
    reopening_ = true;
    playable_ = OpenSource();
    reopening_ = false;
    if (!playable_) {
      UpdateButtons();
      return;
    }
  }
  state_.Played();
  bar_->setEnabled(state_.Duration() > 0);
  UpdateButtons();
}

void TDialogPlayer::Pause() {
  if (!opened_ || !state_.Pause()) return;
  player_->Pause();
  UpdateButtons();
}

void TDialogPlayer::BarSeek(int value) {
  if (!opened_ || state_.Stopped() || state_.Duration() <= 0) return;
  const int64_t target = PreviewBarTarget(value, bar_->maximum(), state_.Duration());
  const int64_t now = player_->LastPosition();
  player_->Seek(now != kNoTimestamp && target < now ? kSeekBackward : 0, false, target);
}

// ---- Player events (main thread) -----------------------------------------------------------

void TDialogPlayer::PlayerFileOpen(int64_t duration, int frameWidth, int frameHeight,
                                   int& screenWidth, int& screenHeight) {
  screenWidth = surface_->width();
  screenHeight = surface_->height();
  state_.SetDuration(duration);
  // One step per pixel of the bar.
  bar_->setMaximum(std::max(1, bar_->width()));
  bar_->ClearSelection();
  bar_->setEnabled(duration > 0);
  bar_->ShowPosition(0);
  if (!reopening_ && events_.FileOpened) events_.FileOpened(duration, frameWidth, frameHeight);
}

void TDialogPlayer::PlayerPosition(int64_t pts) {
  if (!opened_ || state_.Stopped()) return;
  bar_->ShowPosition(PreviewBarValue(pts, state_.Duration(), bar_->maximum()));
  if (events_.Position) events_.Position(pts);
}

void TDialogPlayer::PlayerState(TPlayState state) {
  if (!opened_) return;
  if (state == TPlayState::psEnd) {
    EndOfFile();
  } else if (state == TPlayState::psStop && !state_.Stopped() && !player_->Opened()) {
    // Playback ended on its own (a failure in the player): Play opens the source again.
    state_.Stop();
    bar_->ShowPosition(0);
    bar_->setEnabled(false);
    UpdateButtons();
  }
}

void TDialogPlayer::EndOfFile() {
  bar_->ShowPosition(0);
  // Paused first: a seek asked for while paused brings its first picture on screen.
  player_->Pause();
  player_->Seek(kSeekAny, false, 0);
  state_.EndReached();
  bar_->ClearSelection();
  bar_->setEnabled(false);
  UpdateButtons();
  if (events_.Ended) events_.Ended();
}

// Video thread.
void TDialogPlayer::PlayerHook(TBitmap& bitmap) {
  std::lock_guard lock(hookMutex_);
  if (record_ && events_.Hook) events_.Hook(bitmap, *record_);
}

}  // namespace qarvo
