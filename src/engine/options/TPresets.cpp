#include "engine/options/TPresets.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "base/EngineError.h"
#include "base/StringFormat.h"
#include "engine/options/PresetTable.h"
#include "engine/options/TOptionDispatcher.h"
#include "engine/task/OptionText.h"
#include "engine/task/TTaskContext.h"

namespace qarvo {

namespace {

// The whole file as bytes; false when it is not a readable file.
bool ReadFile(const std::string& path, std::string& text) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream content;
  content << file.rdbuf();
  text = content.str();
  return !file.bad();
}

}  // namespace

void TPresets::Apply(const std::string& optionName, const std::string& value) {
  if (optionName.empty() || value.empty()) return;
  if (optionName != "fpre") {
    const TOptionsPreset* preset = FindBuiltInPreset(value);
    const TTaskOptions& o = task_.Options;
    const std::string& codec = optionName == "vpre"   ? o.VideoCodecName
                               : optionName == "apre" ? o.AudioCodecName
                                                      : o.SubtitleCodecName;
    if (!preset && !codec.empty()) preset = FindBuiltInPreset(codec + "-" + value);
    if (preset) {
      // Without libx264 the preset's own lines report what has nowhere to go.
      const std::string base = PresetBaseLines(preset->Name);
      if (!base.empty() && (codec.empty() || LowerCase(codec) == "libx264"))
        ApplyText(preset->Name, base);
      ApplyText(preset->Name, preset->Options);
      return;
    }
  }
  std::string text;
  if (!ReadFile(value, text)) throw EEngineError(Format("Preset \"%s\" not found", value.c_str()));
  ApplyText(value, text);
}

void TPresets::ApplyText(const std::string& presetName, const std::string& text) {
  std::istringstream lines(NormaliseLineBreaks(TrimOption(text), false));
  std::string line;
  while (std::getline(lines, line)) {
    line = TrimOption(line);
    if (line.empty()) continue;
    const size_t equals = line.find('=');
    const std::string name = equals == std::string::npos ? line : line.substr(0, equals);
    const std::string value = equals == std::string::npos ? std::string() : line.substr(equals + 1);
    if (name.empty() || value.empty())
      throw EEngineError(Format("%s: Invalid syntax: \"%s\"", presetName.c_str(), line.c_str()));
    const std::string lower = LowerCase(name);
    if (lower == "acodec" || lower == "vcodec" || lower == "scodec") {
      TOptionDispatcher(task_).Dispatch(lower, value);
    } else if (!TOptionDispatcher(task_).GenericSet(name, value)) {
      throw EEngineError(Format("%s: Invalid option or argument: \"%s\", parsed as \"%s\" = \"%s\"",
                                presetName.c_str(), line.c_str(), name.c_str(), value.c_str()));
    }
  }
}

}  // namespace qarvo
