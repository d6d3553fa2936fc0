// Typed readers of the settings keys whose values have a valid range.
#pragma once

#include <optional>

#include "core/IniFile.h"

namespace qarvo {

// Colour scheme 0..6; anything else, or nothing, is the default scheme 0.
int ReadSkinIndex(const TIniSnapshot& settings);
int ReadSkinIndex(const TIniFile& settings);

// Preview volume at start-up: missing gives 0, a value outside 0..128 gives 64.
int ReadStartupVolume(const TIniSnapshot& settings);
int ReadStartupVolume(const TIniFile& settings);

// Mute box at start-up: checked only for the value 1.
bool ReadStartupMute(const TIniSnapshot& settings);
bool ReadStartupMute(const TIniFile& settings);

// Conversion priority 0..3 (missing gives 1); nothing for a value outside that range.
std::optional<int> ReadPriority(const TIniSnapshot& settings);
std::optional<int> ReadPriority(const TIniFile& settings);

}  // namespace qarvo
