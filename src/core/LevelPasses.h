// The two per-byte passes the colour effects reduce to, in a vector form for processors that
// have the instructions and a portable one for the others; both give the same bytes.
#pragma once

#include <array>
#include <cstdint>

#include "base/TBitmap.h"

namespace qarvo {

using TLevelTable = std::array<uint8_t, 256>;

// Every byte of the picture through `levels`.
void ApplyLevels(TBitmap& picture, const TLevelTable& levels);

// Saturation as distance from each pixel's grey, then `levels` on each channel:
// v' = levels[clamp(l − S(l) + S(v), 0, 255)] with l = ⌊(b + g + r) / 3⌋ and
// S(x) = ⌊saturation · (x + 1) / 256⌋, saturation clamped to 0..1024.
void ApplySaturatedLevels(TBitmap& picture, int saturation, const TLevelTable& levels);

void ApplyLevelsPortable(TBitmap& picture, const TLevelTable& levels);
void ApplySaturatedLevelsPortable(TBitmap& picture, int saturation, const TLevelTable& levels);

// Whether this processor runs the vector forms (64-byte byte permutes).
bool HasVectorLevels();

// The vector forms; callers check HasVectorLevels() first.
void ApplyLevelsVector(TBitmap& picture, const TLevelTable& levels);
void ApplySaturatedLevelsVector(TBitmap& picture, int saturation, const TLevelTable& levels);

}  // namespace qarvo
