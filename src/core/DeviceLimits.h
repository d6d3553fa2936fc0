// What each device of the current catalogue plays, from its maker's published limits: the
// video codec's profile and level, the largest picture (either way round) and frame rate,
// and the video bit-rate ceiling.
#pragma once

#include <string>
#include <vector>

namespace qarvo {

struct TDeviceLimits {
  std::string Name;   // the definition's "Device=" value
  std::string Shown;  // as the adjustment messages name the device
  std::string Codec;  // "h264" or "hevc"
  // H.264: 77 Main, 100 High; HEVC: 1 Main, 2 Main 10 (the streams' profile numbers).
  int Profile = 0;
  // H.264: level x 10 (41 for 4.1); HEVC: level x 30 (153 for 5.1), as the streams state it.
  int Level = 0;
  int LongSide = 0, ShortSide = 0;  // largest picture, landscape or portrait
  double FrameRate = 0.0;           // highest frame rate
  int MaxKbps = 0;                  // video bit-rate ceiling
};

const std::vector<TDeviceLimits>& DeviceTable();
// The row named `name` (ignoring case); null when none is.
const TDeviceLimits* FindDeviceLimits(const std::string& name);

// H.264 level limits: macroblocks per picture and per second.
struct TH264LevelLimits {
  int Level;
  long long FrameMacroblocks, MacroblockRate;
};
// The limits of an H.264 level (level x 10); null for a level the standard has not.
const TH264LevelLimits* FindH264Level(int level);

}  // namespace qarvo
