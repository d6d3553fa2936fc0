#include "player/TMediaPlayer.h"

#include <algorithm>

namespace qarvo {

void TMediaPlayer::SetAudioVolume(TAudioVolume value) {
  controls_.AudioVolume = std::clamp(value, 0, kMaxAudioVolume);
}

}  // namespace qarvo
