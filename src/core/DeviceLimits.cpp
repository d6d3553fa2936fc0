#include "core/DeviceLimits.h"

#include <algorithm>
#include <cctype>

namespace qarvo {

const std::vector<TDeviceLimits>& DeviceTable() {
  // Android's platform media table guarantees H.264 Main profile HD (1080p at 30 frames,
  // 20 Mbit/s) on phones and tablets alike; Apple's phones and tablets play H.264 High at
  // level 4.2 (1080p at 60); the Apple TV 4K plays HEVC Main 10 up to 2160p at 60 frames; the
  // streaming sticks, consoles and TVs publish H.264 High at level 4.1 (1080p30) or 4.2
  // (1080p60) for files from a stick or a home server.
  static const std::vector<TDeviceLimits> table{
      {"android-phone", "Android phones", "h264", 77, 40, 1920, 1080, 30.0, 20000},
      {"android-tablet", "Android tablets", "h264", 77, 40, 1920, 1080, 30.0, 20000},
      {"iphone", "iPhone and iPad", "h264", 100, 42, 1920, 1080, 60.0, 25000},
      {"appletv4k", "Apple TV 4K", "hevc", 2, 153, 3840, 2160, 60.0, 40000},
      {"chromecast", "Chromecast and Google TV", "h264", 100, 42, 1920, 1080, 60.0, 20000},
      {"firetv", "Fire TV", "h264", 100, 42, 1920, 1080, 60.0, 20000},
      {"roku", "Roku", "h264", 100, 41, 1920, 1080, 30.0, 20000},
      {"playstation", "PlayStation 4 and 5", "h264", 100, 42, 1920, 1080, 60.0, 25000},
      {"xbox", "Xbox One and Series", "h264", 100, 42, 1920, 1080, 60.0, 25000},
      {"smarttv", "smart TVs playing from a USB stick", "h264", 100, 41, 1920, 1080, 30.0, 20000},
      // Browsers and chat apps play what phones decode in hardware: High at level 4.2.
      {"web", "web browsers and chat apps", "h264", 100, 42, 1920, 1080, 60.0, 20000},
  };
  return table;
}

const TDeviceLimits* FindDeviceLimits(const std::string& name) {
  const auto same = [&](const std::string& other) {
    return other.size() == name.size() &&
           std::equal(other.begin(), other.end(), name.begin(), [](char a, char b) {
             return std::tolower(static_cast<unsigned char>(a)) ==
                    std::tolower(static_cast<unsigned char>(b));
           });
  };
  for (const TDeviceLimits& device : DeviceTable())
    if (same(device.Name)) return &device;
  return nullptr;
}

const TH264LevelLimits* FindH264Level(int level) {
  static const TH264LevelLimits levels[] = {
      {10, 99, 1485},     {11, 396, 3000},     {12, 396, 6000},     {13, 396, 11880},
      {20, 396, 11880},   {21, 792, 19800},    {22, 1620, 20250},   {30, 1620, 40500},
      {31, 3600, 108000}, {32, 5120, 216000},  {40, 8192, 245760},  {41, 8192, 245760},
      {42, 8704, 522240}, {50, 22080, 589824}, {51, 36864, 983040}, {52, 36864, 2073600}};
  for (const TH264LevelLimits& l : levels)
    if (l.Level == level) return &l;
  return nullptr;
}

}  // namespace qarvo
