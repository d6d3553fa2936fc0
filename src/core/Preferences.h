// What the Preferences dialog shows and stores, without its widgets: reading the settings,
// the Default values, storing on Ok, and the rules that tie its controls together.
#pragma once

#include <optional>
#include <string>

#include "core/IniFile.h"

namespace qarvo {

struct TPreferences {
  std::string SnapFolder;
  bool SmallSize = false;
  bool FullSize = false;
  bool Bmp = false;
  bool Jpg = false;
  int JpgQuality = 0;
  int Priority = 0;  // 0 idle, 1 normal, 2 lower, 3 lowest
  bool KeepEverySnapshot = false;
  bool UseAllCores = true;
  int SimultaneousJobs = 0;  // 0 = automatic
  bool operator==(const TPreferences&) const = default;
};

inline constexpr int kJpgQualityMin = 1;
inline constexpr int kJpgQualityMax = 100;
inline constexpr int kDefaultButtonQuality = 20;

// The values the dialog shows when it opens. A pair whose two keys are both off (a file
// edited by hand) shows its first box checked, so that at least one of them stays checked.
TPreferences ReadPreferences(const TIniFile& settings);
// What "&Default" shows; nothing is stored.
TPreferences DefaultPreferences();
// "&Ok": every value in one replacement of the file; an empty folder stores the default
// folder, a quality outside 1..100 keeps the stored one.
void StorePreferences(TIniFile& settings, const TPreferences& values);

// Of two check boxes of which one must stay checked: the state the clicked box ends with.
bool PairRuleState(bool clickedState, bool otherChecked);
// A quality control's value passed to the other control; nothing outside 1..100.
std::optional<int> FollowedQuality(int value);

}  // namespace qarvo
