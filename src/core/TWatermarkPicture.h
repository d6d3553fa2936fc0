// A watermark picture as the frame processing blends it: 24-bit pixels and, for pictures that
// carry their own transparency, one opacity byte per pixel.
#pragma once

#include <cstdint>
#include <vector>

#include "base/TBitmap.h"

namespace qarvo {

struct TWatermarkPicture {
  TBitmap Picture;
  // Width × height bytes, row by row, 0 transparent to 255 opaque; empty for an opaque picture.
  std::vector<uint8_t> Alpha;
  // The picture over white where it is transparent: what the multiplying style uses, so that
  // a transparent pixel leaves the frame as it is. Empty for an opaque picture.
  TBitmap OverWhite;
};

}  // namespace qarvo
