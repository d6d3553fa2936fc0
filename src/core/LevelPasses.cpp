#include "core/LevelPasses.h"

#include <algorithm>
#include <vector>

namespace qarvo {
namespace {

int SaturationStep(int saturation, int x) { return (saturation * (x + 1)) >> 8; }

// The portable saturation pass as table look-ups: Out holds levels[clamp(k)] for every
// reachable k, so each pixel costs seven look-ups and two additions.
class TSaturationTables {
 public:
  TSaturationTables(int saturation, const TLevelTable& levels) {
    for (int x = 0; x < 256; ++x) s_[x] = SaturationStep(saturation, x);
    std::array<int, 768> grey{};
    for (int l = 0; l < 256; ++l) grey[3 * l] = grey[3 * l + 1] = grey[3 * l + 2] = l - s_[l];
    const int lowest = *std::min_element(grey.begin(), grey.end()) + s_[0];
    const int highest = *std::max_element(grey.begin(), grey.end()) + s_[255];
    // NOLINTNEXTLINE(bugprone-misplaced-widening-cast): the span is at most 3 * 255 + 1
    out_.resize(static_cast<size_t>(highest - lowest + 1));
    for (int k = lowest; k <= highest; ++k) out_[k - lowest] = levels[std::clamp(k, 0, 255)];
    // Folding the lowest index into the grey table keeps the pixel loop free of offsets.
    for (int i = 0; i < 768; ++i) grey_[i] = grey[i] - lowest;
  }

  void Apply(TBitmap& picture) const {
    const int width = picture.Width();
    const int* s = s_.data();
    const int* grey = grey_.data();
    const uint8_t* out = out_.data();
    for (int row = 0; row < picture.Height(); ++row) {
      uint8_t* p = picture.ScanLine(row);
      for (int x = 0; x < width; ++x, p += 3) {
        const int base = grey[p[0] + p[1] + p[2]];
        p[0] = out[base + s[p[0]]];
        p[1] = out[base + s[p[1]]];
        p[2] = out[base + s[p[2]]];
      }
    }
  }

 private:
  std::array<int, 256> s_{};
  std::array<int, 768> grey_{};
  std::vector<uint8_t> out_;
};

// Saturation 255 and 256 move every channel by the same amount whatever the grey: then each
// byte maps on its own, through one table. False for the other saturations.
bool ByteWiseLevels(int saturation, const TLevelTable& levels, TLevelTable& byteWise) {
  const int shift = 0 - SaturationStep(saturation, 0);
  for (int l = 1; l < 256; ++l)
    if (l - SaturationStep(saturation, l) != shift) return false;
  for (int v = 0; v < 256; ++v)
    byteWise[v] = levels[std::clamp(shift + SaturationStep(saturation, v), 0, 255)];
  return true;
}

// The choice both forms share: the saturations that move every channel alike go through one
// table, the others through the saturation pass.
void SaturatedLevels(TBitmap& picture, int saturation, const TLevelTable& levels, bool vector) {
  saturation = std::clamp(saturation, 0, 1024);
  TLevelTable byteWise;
  if (!ByteWiseLevels(saturation, levels, byteWise)) {
    if (vector)
      ApplySaturatedLevelsVector(picture, saturation, levels);
    else
      TSaturationTables(saturation, levels).Apply(picture);
  } else if (vector) {
    ApplyLevelsVector(picture, byteWise);
  } else {
    ApplyLevelsPortable(picture, byteWise);
  }
}

}  // namespace

void ApplyLevelsPortable(TBitmap& picture, const TLevelTable& levels) {
  const int bytes = picture.Width() * 3;
  const uint8_t* t = levels.data();
  for (int row = 0; row < picture.Height(); ++row) {
    uint8_t* p = picture.ScanLine(row);
    for (int i = 0; i < bytes; ++i) p[i] = t[p[i]];
  }
}

void ApplySaturatedLevelsPortable(TBitmap& picture, int saturation, const TLevelTable& levels) {
  SaturatedLevels(picture, saturation, levels, false);
}

void ApplyLevels(TBitmap& picture, const TLevelTable& levels) {
  if (HasVectorLevels())
    ApplyLevelsVector(picture, levels);
  else
    ApplyLevelsPortable(picture, levels);
}

void ApplySaturatedLevels(TBitmap& picture, int saturation, const TLevelTable& levels) {
  SaturatedLevels(picture, saturation, levels, HasVectorLevels());
}

}  // namespace qarvo
