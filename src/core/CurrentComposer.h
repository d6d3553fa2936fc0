// Option composition for the current formats ("Encoding=current"): today's encoders with
// their own rate control, the picture fitted into a box and into the device's limits, sound
// the device plays. What had to change to fit a device is told in plain words.
#pragma once

#include <string>
#include <vector>

#include "core/ComposedOptions.h"
#include "core/FormatProfile.h"
#include "core/TSourceFacts.h"
#include "core/TlvFilesRecord.h"

namespace qarvo {

void ComposeCurrentFormat(const TFormatProfile& profile, const TlvFilesRecord& job,
                          const TSourceFacts& source, TComposedOutput& output,
                          TComposedInput& input, std::vector<std::string>& adjustments);

// The picture a current format writes: the upright, cropped source with square pixels,
// fitted into the `box` (either way round; 0 x 0: none) and `device` box, never enlarged,
// sides even. `limited` tells whether the device box made it smaller than the box alone.
struct TFittedPicture {
  int Width = 0, Height = 0;
  bool Limited = false;
};
TFittedPicture FitPicture(int shownWidth, int shownHeight, int boxLong, int boxShort,
                          int deviceLong, int deviceShort);

// The frame rate a device plays for a source rate: halved until it fits (60 -> 30,
// 59.94 -> 29.97), or the device's own when halving lands far below it.
double FittedFrameRate(double rate, double most);

}  // namespace qarvo
