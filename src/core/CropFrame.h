// The crop frame the editing previews draw over each picture.
#pragma once

#include "base/TBitmap.h"

namespace qarvo {

// A 2-pixel green (0, 128, 0) outline from (left, top) to (right, bottom), the far edges
// exclusive, not filled; what lies outside the picture is cut off.
void DrawCropFrame(TBitmap& picture, int left, int top, int right, int bottom);

}  // namespace qarvo
