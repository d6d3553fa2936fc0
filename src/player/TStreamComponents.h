// Opening and closing the decoders of the chosen streams, with their queues, threads and the
// sound device.
#pragma once

#include <atomic>
#include <memory>

namespace qarvo {

struct TPlayerState;

class TStreamComponents {
 public:
  // False when the stream's decoder (or, for audio, the sound device) cannot be opened: the
  // stream is then not played.
  static bool Open(const std::shared_ptr<TPlayerState>& state, int streamIndex);
  // Stops the decoding threads and the sound device and closes the decoders; safe to call
  // again. readerEnded: the read thread has ended (or is the caller), so the stream indices
  // and discard flags it reads are reset too; otherwise they are left to it.
  static void CloseAll(TPlayerState& state, bool readerEnded);

 private:
  static void CloseVideo(TPlayerState& state, bool readerEnded);
  static void CloseAudio(TPlayerState& state, bool readerEnded);
  static void CloseSubtitle(TPlayerState& state, bool readerEnded);
  static void ReleaseStream(TPlayerState& state, std::atomic<int>& index);
};

}  // namespace qarvo
