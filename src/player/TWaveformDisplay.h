// The picture shown for files without video: the sound being heard now as a waveform, one
// band per channel, rendered as a YUV 4:2:0 picture of the surface's size.
#pragma once

#include <cstdint>
#include <vector>

#include "media/LibraryObjects.h"

namespace qarvo {

class TWaveformDisplay {
 public:
  static constexpr int kAlignWindow = 1000;
  static constexpr uint8_t kBlack = 16;
  static constexpr uint8_t kWhite = 235;

  // Draws `samples` (interleaved, `channels` per frame; the newest kAlignWindow + width frames)
  // into a width x height picture and returns it; null when the size is unusable.
  const AVFrame* Render(const std::vector<int16_t>& samples, int channels, int width, int height);
  // Index (in frames) of the steep zero crossing the drawing starts at, within the first
  // `window` frames of the samples.
  static int AlignedStart(const std::vector<int16_t>& samples, int channels, int window);

 private:
  bool Prepare(int width, int height);
  void VerticalLine(int x, int y0, int y1);
  void HorizontalLine(int y);

  TFramePtr picture_;
};

}  // namespace qarvo
