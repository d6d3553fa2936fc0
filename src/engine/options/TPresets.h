// Presets (options apre, vpre, spre, fpre): a named list of codec options from the built-in
// table or from a file of name=value lines.
#pragma once

#include <string>

namespace qarvo {

class TTaskContext;

class TPresets {
 public:
  explicit TPresets(TTaskContext& task) : task_(task) {}

  // Looks the value up (built-in by name, then codec name + "-" + value; a file otherwise,
  // always for fpre) and applies its lines. Lines applied before a failing one stay applied.
  void Apply(const std::string& optionName, const std::string& value);
  // Applies the lines of a preset text; `presetName` names the preset in messages.
  void ApplyText(const std::string& presetName, const std::string& text);

 private:
  TTaskContext& task_;
};

}  // namespace qarvo
