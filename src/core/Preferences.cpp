#include "core/Preferences.h"

#include <algorithm>

#include "core/AppPaths.h"
#include "core/SettingsKeys.h"
#include "core/SettingsReaders.h"

namespace qarvo {

namespace {

// Written under this spelling; names compare without regard to case.
constexpr const char* kSnapOutPutDirStored = "snapOutPutDir";

bool IsOne(const TIniSnapshot& settings, const char* key) {
  return settings.ReadInteger(settings::kSection, key, 1) == 1;
}

}  // namespace

TPreferences ReadPreferences(const TIniFile& file) {
  const TIniSnapshot settings = file.Snapshot();
  TPreferences values;
  values.SnapFolder =
      settings.ReadString(settings::kSection, settings::kSnapOutPutDir, DefaultOutputFolder());
  values.FullSize = IsOne(settings, settings::kSnapFullSize);
  values.SmallSize = IsOne(settings, settings::kSnapSmallSize);
  values.Bmp = IsOne(settings, settings::kSnapBmp);
  values.Jpg = IsOne(settings, settings::kSnapJpg);
  if (!values.FullSize && !values.SmallSize) values.FullSize = true;
  if (!values.Bmp && !values.Jpg) values.Bmp = true;
  values.JpgQuality = std::clamp(
      settings.ReadInteger(settings::kSection, settings::kJpgCmp, settings::kJpgCmpDefault),
      kJpgQualityMin, kJpgQualityMax);
  values.Priority = ReadPriority(settings).value_or(settings::kPriorityDefault);
  values.KeepEverySnapshot = settings.ReadInteger(settings::kSection, settings::kKeepEverySnapshot,
                                                  settings::kKeepEverySnapshotDefault) == 1;
  values.UseAllCores = settings.ReadInteger(settings::kSection, settings::kUseAllCores,
                                            settings::kUseAllCoresDefault) == 1;
  const int jobs = settings.ReadInteger(settings::kSection, settings::kSimultaneousJobs,
                                        settings::kSimultaneousJobsDefault);
  values.SimultaneousJobs = jobs >= 0 && jobs <= settings::kSimultaneousJobsMax
                                ? jobs
                                : settings::kSimultaneousJobsDefault;
  return values;
}

TPreferences DefaultPreferences() {
  TPreferences values;
  values.SnapFolder = DefaultOutputFolder();
  values.Bmp = true;
  values.Jpg = false;
  values.FullSize = true;
  values.SmallSize = false;
  values.Priority = settings::kPriorityDefault;
  values.JpgQuality = kDefaultButtonQuality;
  values.KeepEverySnapshot = settings::kKeepEverySnapshotDefault;
  values.UseAllCores = settings::kUseAllCoresDefault;
  values.SimultaneousJobs = settings::kSimultaneousJobsDefault;
  return values;
}

void StorePreferences(TIniFile& settings, const TPreferences& values) {
  const auto flag = [](bool on) { return std::string(on ? "1" : "0"); };
  TIniValues written{
      {kSnapOutPutDirStored, values.SnapFolder.empty() ? DefaultOutputFolder() : values.SnapFolder},
      {settings::kSnapBmp, flag(values.Bmp)},
      {settings::kSnapJpg, flag(values.Jpg)},
      {settings::kSnapFullSize, flag(values.FullSize)},
      {settings::kSnapSmallSize, flag(values.SmallSize)}};
  if (FollowedQuality(values.JpgQuality))
    written.emplace_back(settings::kJpgCmp, std::to_string(values.JpgQuality));
  written.emplace_back(settings::kPriority, std::to_string(values.Priority));
  written.emplace_back(settings::kKeepEverySnapshot, flag(values.KeepEverySnapshot));
  written.emplace_back(settings::kUseAllCores, flag(values.UseAllCores));
  written.emplace_back(settings::kSimultaneousJobs, std::to_string(values.SimultaneousJobs));
  settings.WriteValues(settings::kSection, written);
}

bool PairRuleState(bool clickedState, bool otherChecked) { return clickedState || !otherChecked; }

std::optional<int> FollowedQuality(int value) {
  if (value < kJpgQualityMin || value > kJpgQualityMax) return std::nullopt;
  return value;
}

}  // namespace qarvo
