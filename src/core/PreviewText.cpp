#include "core/PreviewText.h"

#include <algorithm>

#include "base/StringFormat.h"

namespace qarvo {

std::string PreviewPositionText(int64_t pts) {
  pts = std::max<int64_t>(pts, 0);
  const int64_t seconds = pts / 1000000;
  return Format("%.2d:%.2d:%.2d.%.3d", static_cast<int>(seconds / 60 / 60),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60),
                static_cast<int>(pts % 1000000 * 1000 / 1000000));
}

std::string PreviewLengthText(int64_t duration) {
  const int64_t seconds = (std::max<int64_t>(duration, 0) + 500000) / 1000000;
  return Format("%d:%.2d:%.2d", static_cast<int>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
}

int PreviewBarValue(int64_t pts, int64_t duration, int maximum) {
  if (duration <= 0 || maximum <= 0) return 0;
  pts = std::clamp<int64_t>(pts, 0, duration);
  // A day of microseconds times a bar a million pixels wide still fits in 64 bits.
  return static_cast<int>(pts * maximum / duration);
}

int64_t PreviewBarTarget(int value, int maximum, int64_t duration) {
  if (duration <= 0 || maximum <= 0) return 0;
  return std::clamp<int64_t>(duration * std::clamp(value, 0, maximum) / maximum, 0, duration);
}

}  // namespace qarvo
