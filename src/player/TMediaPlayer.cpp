#include "player/TMediaPlayer.h"

#include <algorithm>

namespace qarvo {

void TMediaPlayer::SetAudioVolume(TAudioVolume value) {
  controls_.AudioVolume = std::clamp(value, 0, kMaxAudioVolume);
}

void TMediaPlayer::SetAspectRatio(float value) {
  if (controls_.AspectRatio.exchange(value) != value) AspectRatioChanged();
}

}  // namespace qarvo
