#include "engine/hook/THookRowWatch.h"

#include <algorithm>
#include <cstring>

namespace qarvo {

bool THookRowWatch::Before(const TBitmap& bitmap, bool eligible) {
  if (!eligible) return false;
  if (resting_ > 0) {
    --resting_;
    return false;
  }
  width_ = bitmap.Width();
  height_ = bitmap.Height();
  stride_ = bitmap.Stride();
  const size_t size = static_cast<size_t>(stride_) * height_;
  before_.resize(size);
  std::memcpy(before_.data(), bitmap.Bits(), size);
  return true;
}

const std::vector<THookRowWatch::TBand>& THookRowWatch::After(const TBitmap& bitmap) {
  bands_.clear();
  if (bitmap.Width() != width_ || bitmap.Height() != height_ || bitmap.Stride() != stride_) {
    bands_.push_back({0, bitmap.Height(), true});
    return bands_;
  }
  const size_t bytes = static_cast<size_t>(bitmap.Width()) * 3;
  const auto rowChanged = [&](int row) {
    const uint8_t* before = before_.data() + static_cast<size_t>(row) * stride_;
    return std::memcmp(bitmap.ScanLine(row), before, bytes) != 0;
  };
  for (int row = 0; row < bitmap.Height(); row += 2) {
    const int end = std::min(row + 2, bitmap.Height());
    const bool changed = rowChanged(row) || (end > row + 1 && rowChanged(row + 1));
    if (!bands_.empty() && bands_.back().Changed == changed)
      bands_.back().EndRow = end;
    else
      bands_.push_back({row, end, changed});
  }
  if (bands_.size() == 1 && bands_.front().Changed) resting_ = kRestAfterFullChange;
  return bands_;
}

void THookRowWatch::Reset() {
  before_.clear();
  before_.shrink_to_fit();
  bands_.clear();
  resting_ = 0;
}

}  // namespace qarvo
