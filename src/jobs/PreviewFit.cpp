#include "jobs/PreviewFit.h"

#include <cstdint>

namespace qarvo {
namespace {

// numerator / denominator (both positive) to the nearest integer, halves to even; exact, so a
// margin of exactly one half is never pushed either way by floating point.
int RoundHalfEven(int64_t numerator, int64_t denominator) {
  int64_t quotient = numerator / denominator;
  const int64_t twice = 2 * (numerator % denominator);
  if (twice > denominator || (twice == denominator && quotient % 2 != 0)) ++quotient;
  return static_cast<int>(quotient);
}

}  // namespace

TFitRect FitPicture(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight) {
  if (pictureWidth <= 0 || pictureHeight <= 0 || areaWidth <= 0 || areaHeight <= 0) return {};
  const int64_t pw = pictureWidth, ph = pictureHeight, aw = areaWidth, ah = areaHeight;
  // pw / aw >= ph / ah: the picture takes the full width, its height is ph * aw / pw.
  if (pw * ah >= ph * aw) {
    const int top = RoundHalfEven(ah * pw - ph * aw, 2 * pw);
    return {0, top, areaWidth, areaHeight - 2 * top};
  }
  const int left = RoundHalfEven(aw * ph - pw * ah, 2 * ph);
  return {left, 0, areaWidth - 2 * left, areaHeight};
}

}  // namespace qarvo
