// Supplies the sound of a generated clip in the encoder's sample format and frame size.
#pragma once

#include <cstdint>
#include <vector>

#include "media/LibraryObjects.h"

#include "support/TestTone.h"

namespace qarvo {

class TAudioClipSource {
 public:
  // `encoder` is the opened audio encoder; `samples` sample frames in all.
  TAudioClipSource(const AVCodecContext& encoder, const TToneSpec& tone, int64_t samples);

  // The next frame, or nullptr after the last; valid until the next call.
  const AVFrame* Next();

 private:
  const AVCodecContext& encoder_;
  TToneSpec tone_;
  int64_t samples_;
  int64_t position_ = 0;
  int frameSize_;
  std::vector<int16_t> rendered_;  // interleaved s16, one frame's worth
  TSwrContextPtr converter_;       // when the encoder takes another sample format
  TFramePtr current_;
};

}  // namespace qarvo
