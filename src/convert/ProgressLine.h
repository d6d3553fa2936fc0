// The live progress line of one job.
#pragma once

#include <cstdint>
#include <string>

namespace qarvo {

// "%.2d:%.2d:%.2d.%.3d" of a time in µs; negative times show as 0.
std::string FormatTime(int64_t us);

// Wall time (µs) a job must have run before its speed and time left are shown.
inline constexpr int64_t kShortestSpeedInterval = 1000000;

// "[2/3] 45%  00:00:01.350 / 00:00:03.000  123 kB  2.1x  left 00:00:02.000" (kB: 1000
// bytes); without a known length the percent, length and time left are left out, and the
// time never passes a known length. `elapsedUs` is the wall time the job has run, for speed
// and time left; below kShortestSpeedInterval neither is shown.
std::string ProgressLine(int taskNumber, int taskCount, int64_t currentUs, int64_t totalUs,
                         int64_t sizeBytes, int64_t elapsedUs);

}  // namespace qarvo
