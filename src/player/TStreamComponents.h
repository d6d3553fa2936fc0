// Opening and closing the decoders of the chosen streams, with their queues, threads and the
// sound device.
#pragma once

#include <memory>

namespace qarvo {

struct TPlayerState;

class TStreamComponents {
 public:
  // False when the stream's decoder (or, for audio, the sound device) cannot be opened: the
  // stream is then not played.
  static bool Open(const std::shared_ptr<TPlayerState>& state, int streamIndex);
  // Closes every open component; safe to call again.
  static void CloseAll(TPlayerState& state);

 private:
  static void CloseVideo(TPlayerState& state);
  static void CloseAudio(TPlayerState& state);
  static void CloseSubtitle(TPlayerState& state);
};

}  // namespace qarvo
