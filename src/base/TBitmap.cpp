#include "base/TBitmap.h"

namespace qarvo {

void TBitmap::SetSize(int width, int height) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  stride_ = StrideFor(width);
  pixels_.assign(static_cast<size_t>(stride_) * height_, 0);
}

}  // namespace qarvo
