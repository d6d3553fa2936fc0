#include "core/CropFrame.h"

#include <algorithm>

namespace qarvo {
namespace {

constexpr int kPen = 2;

void Fill(TBitmap& picture, int left, int top, int right, int bottom) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, picture.Width());
  bottom = std::min(bottom, picture.Height());
  for (int y = top; y < bottom; ++y) {
    uint8_t* pixel = picture.ScanLine(y) + 3 * left;
    for (int x = left; x < right; ++x, pixel += 3) {
      pixel[0] = 0;
      pixel[1] = 128;
      pixel[2] = 0;
    }
  }
}

}  // namespace

void DrawCropFrame(TBitmap& picture, int left, int top, int right, int bottom) {
  if (right <= left || bottom <= top) return;
  Fill(picture, left, top, right, top + kPen);
  Fill(picture, left, bottom - kPen, right, bottom);
  Fill(picture, left, top, left + kPen, bottom);
  Fill(picture, right - kPen, top, right, bottom);
}

}  // namespace qarvo
