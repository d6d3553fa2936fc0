#include "core/PreviewState.h"

namespace qarvo {

TPlayStep TPreviewState::PlayStep(bool listEmpty) const {
  if (paused_) return TPlayStep::Resume;
  return listEmpty ? TPlayStep::AskForFiles : TPlayStep::OpenFocused;
}

void TPreviewState::Played() {
  stopped_ = false;
  paused_ = false;
}

bool TPreviewState::Pause() {
  if (!Playing()) return false;
  paused_ = true;
  return true;
}

bool TPreviewState::Stop() {
  if (stopped_) return false;
  stopped_ = true;
  paused_ = false;
  return true;
}

void TPreviewState::EndReached() {
  stopped_ = true;
  paused_ = false;
}

bool TPreviewState::TakePlayAfterAdding() {
  const bool requested = playAfterAdding_;
  playAfterAdding_ = false;
  return requested;
}

TPreviewButtons TPreviewState::Buttons() const {
  if (stopped_) return {};
  if (paused_) return {.Play = true, .Pause = false, .Stop = true, .Snapshot = true};
  return {.Play = false, .Pause = true, .Stop = true, .Snapshot = true};
}

}  // namespace qarvo
