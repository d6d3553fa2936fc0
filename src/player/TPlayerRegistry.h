// The one player of the process that is playing: the demuxer's interrupt check and the
// sound device are process-wide, so an Open on any player first stops this one.
#pragma once

namespace qarvo {

class TCustomPlayer;

class TPlayerRegistry {
 public:
  static TCustomPlayer* Current();
  static void SetCurrent(TCustomPlayer* player);
  // Forgets player when it is the current one.
  static void Release(TCustomPlayer* player);
};

}  // namespace qarvo
