// The encoding presets built into the engine.
#pragma once

#include <string>
#include <vector>

namespace qarvo {

struct TOptionsPreset {
  std::string Name;     // "libx264-medium"
  std::string Options;  // name=value lines separated by line feeds
};

// The 40 presets in table order.
const std::vector<TOptionsPreset>& BuiltInPresets();
// The preset of that name (case ignored), or null.
const TOptionsPreset* FindBuiltInPreset(const std::string& name);

// Lines applied before a libx264 preset's own (empty for other presets). The presets were
// written for libraries that left B-frames, B-pyramid, weighted prediction, the 8x8 transform
// and mixed references off unless a line asked for them; today's encoder turns them on, and
// its High profile output plays on none of the devices the presets are named for. A device
// preset also caps the profile to what its device decodes.
std::string PresetBaseLines(const std::string& presetName);

}  // namespace qarvo
