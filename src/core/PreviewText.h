// Texts and numbers of the preview panel: its two time labels and its position bar.
#pragma once

#include <cstdint>
#include <string>

namespace qarvo {

// The playing position: hours, minutes, seconds and milliseconds ("01:02:03.456"); the
// microseconds below a millisecond are cut, not rounded. Negative positions show as 0.
std::string PreviewPositionText(int64_t pts);

// The file's length rounded to whole seconds, hours without leading zeros ("1:02:04").
std::string PreviewLengthText(int64_t duration);

// The position bar's value for a position, 0..maximum; 0 for an unknown length.
int PreviewBarValue(int64_t pts, int64_t duration, int maximum);
// The position a bar value stands for, 0..duration.
int64_t PreviewBarTarget(int value, int maximum, int64_t duration);

}  // namespace qarvo
