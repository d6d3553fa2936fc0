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

}  // namespace qarvo
