#include "convert/ProgressLine.h"

#include <cstdio>

namespace qarvo {

std::string FormatTime(int64_t us) {
  if (us < 0) us = 0;
  const int64_t ms = us / 1000;
  char text[48];
  std::snprintf(text, sizeof text, "%.2d:%.2d:%.2d.%.3d", static_cast<int>(ms / 3600000),
                static_cast<int>(ms / 60000 % 60), static_cast<int>(ms / 1000 % 60),
                static_cast<int>(ms % 1000));
  return text;
}

std::string ProgressLine(int taskNumber, int taskCount, int64_t currentUs, int64_t totalUs,
                         int64_t sizeBytes, int64_t elapsedUs) {
  std::string line = "[" + std::to_string(taskNumber) + "/" + std::to_string(taskCount) + "]";
  // The length is the container's estimate: the time shown never runs past it.
  if (totalUs > 0 && currentUs > totalUs) currentUs = totalUs;
  if (totalUs > 0) {
    int64_t percent = currentUs * 100 / totalUs;
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    line +=
        " " + std::to_string(percent) + "%  " + FormatTime(currentUs) + " / " + FormatTime(totalUs);
  } else {
    line += "  " + FormatTime(currentUs);
  }
  line += "  " + std::to_string(sizeBytes > 0 ? sizeBytes / 1000 : 0) + " kB";
  // A speed over a short interval is mostly the start-up's noise.
  if (elapsedUs >= kShortestSpeedInterval && currentUs > 0) {
    const double speed = static_cast<double>(currentUs) / static_cast<double>(elapsedUs);
    char text[32];
    std::snprintf(text, sizeof text, "  %.1fx", speed);
    line += text;
    if (totalUs > currentUs && speed > 0)
      line += "  left " + FormatTime(static_cast<int64_t>((totalUs - currentUs) / speed));
  }
  return line;
}

}  // namespace qarvo
