// Supplies the pictures of a generated clip in the encoder's pixel format.
#pragma once

#include <cstdint>

#include "media/LibraryObjects.h"

namespace qarvo {

class TVideoClipSource {
 public:
  // `encoder` is the opened video encoder; `frames` pictures at its frame rate, with the
  // corner marker when `marker` is set, sensor grain when `grain` is, and the position pattern
  // in place of the scene when `pattern` is.
  TVideoClipSource(const AVCodecContext& encoder, int64_t frames, bool marker = false,
                   bool grain = false, bool pattern = false);

  // The next picture, or nullptr after the last; valid until the next call.
  const AVFrame* Next();

 private:
  TFramePtr NewFrame(AVPixelFormat format) const;
  void Draw(AVFrame& frame) const;

  int width_;
  int height_;
  AVPixelFormat format_;
  double frameRate_;
  int64_t ticks_;            // encoder clock units per picture
  AVRational rate_, clock_;  // picture rate and encoder time base
  int64_t frames_;
  int64_t index_ = 0;
  bool marker_;
  bool grain_;
  bool pattern_;
  TFramePtr drawn_;  // yuv420p picture when the encoder takes another format
  TSwsContextPtr scaler_;
  TFramePtr current_;
};

}  // namespace qarvo
