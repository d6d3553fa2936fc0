#include "core/SettingsReaders.h"

#include "core/SettingsKeys.h"

namespace qarvo {

int ReadSkinIndex(const TIniSnapshot& settings) {
  const int index =
      settings.ReadInteger(settings::kSection, settings::kSkinIndex, settings::kSkinIndexDefault);
  return index >= 0 && index < settings::kSkinCount ? index : settings::kSkinIndexDefault;
}

int ReadStartupVolume(const TIniSnapshot& settings) {
  const int volume =
      settings.ReadInteger(settings::kSection, settings::kVolume, settings::kVolumeDefault);
  return volume >= 0 && volume <= settings::kVolumeMax ? volume : settings::kVolumeOutOfRange;
}

bool ReadStartupMute(const TIniSnapshot& settings) {
  return settings.ReadInteger(settings::kSection, settings::kMute, settings::kMuteDefault) == 1;
}

std::optional<int> ReadPriority(const TIniSnapshot& settings) {
  const int priority =
      settings.ReadInteger(settings::kSection, settings::kPriority, settings::kPriorityDefault);
  if (priority < 0 || priority > settings::kPriorityMax) {
    return std::nullopt;
  }
  return priority;
}

int ReadSkinIndex(const TIniFile& settings) { return ReadSkinIndex(settings.Snapshot()); }
int ReadStartupVolume(const TIniFile& settings) { return ReadStartupVolume(settings.Snapshot()); }
bool ReadStartupMute(const TIniFile& settings) { return ReadStartupMute(settings.Snapshot()); }
std::optional<int> ReadPriority(const TIniFile& settings) {
  return ReadPriority(settings.Snapshot());
}

}  // namespace qarvo
