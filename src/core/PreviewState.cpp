#include "core/PreviewState.h"

namespace qarvo {

TPlayStep TPreviewState::PlayStep(bool listEmpty, const std::string& selected) const {
  if (paused_ && (selected.empty() || selected == source_)) return TPlayStep::Resume;
  return listEmpty ? TPlayStep::AskForFiles : TPlayStep::OpenFocused;
}

void TPreviewState::Played() {
  stopped_ = false;
  paused_ = false;
}

void TPreviewState::Opened(std::string source) {
  source_ = std::move(source);
  Played();
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
