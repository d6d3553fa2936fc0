// Which rows of a hooked bitmap the hook changed. The rows it left as they were keep the
// decoded picture's own bytes instead of a round trip through BGR: a watermark then costs
// the conversion of its own rows only, and the rest of the picture reaches the encoder
// exactly as decoded. Telling needs a copy of the bitmap taken before the hook; after a
// picture the hook changed everywhere (colour effects) the copy is skipped for a while.
#pragma once

#include <cstdint>
#include <vector>

#include "base/TBitmap.h"

namespace qarvo {

class THookRowWatch {
 public:
  // Rows [FirstRow, EndRow) in pairs (one 4:2:0 chroma row each), changed or not.
  struct TBand {
    int FirstRow = 0;
    int EndRow = 0;
    bool Changed = false;
  };

  // Pictures not watched after one the hook changed in every row.
  static constexpr int kRestAfterFullChange = 24;

  // Before the hook: whether this picture is watched (never when not `eligible`); copies the
  // bitmap when it is.
  bool Before(const TBitmap& bitmap, bool eligible);
  // After the hook, for a watched picture: the bands covering the whole picture, in order; one
  // changed band when the hook gave the bitmap another size.
  const std::vector<TBand>& After(const TBitmap& bitmap);
  void Reset();

 private:
  std::vector<uint8_t> before_;
  int width_ = 0, height_ = 0, stride_ = 0;  // of the bitmap before the hook
  std::vector<TBand> bands_;
  int resting_ = 0;
};

}  // namespace qarvo
