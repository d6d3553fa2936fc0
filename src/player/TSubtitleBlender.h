// Blends bitmap subtitles into a planar YUV 4:2:0 picture: palette colours converted with the
// CCIR 601 studio-range coefficients, each plane blended by the palette's alpha, chroma at half
// resolution (the average of the 2 x 2 pixels it covers).
#pragma once

#include <cstdint>

#include "media/LibraryApi.h"

namespace qarvo {

struct TYuvaColour {
  uint8_t Y = 16, U = 128, V = 128, A = 0;
};

class TSubtitleBlender {
 public:
  // An ARGB palette entry (as the subtitle decoders store it) in studio-range YUV.
  static TYuvaColour FromArgb(uint32_t argb);
  // Blends every bitmap rectangle of the subtitle into the picture (yuv420p); other
  // rectangles (text) are left out.
  static void Blend(AVFrame& picture, const AVSubtitle& subtitle);
  static void BlendRect(AVFrame& picture, const AVSubtitleRect& rect);
};

}  // namespace qarvo
