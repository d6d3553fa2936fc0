// A preset file's text applied to a fresh task; the first line also names a built-in preset,
// which is applied first when it exists.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/EngineError.h"
#include "engine/TCustomTranscoder.h"
#include "engine/options/PresetTable.h"
#include "engine/options/TPresets.h"

#include "FuzzLibraries.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qarvo::fuzz::LoadEngineLibraries();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  qarvo::TCustomTranscoder task;
  qarvo::TPresets presets(task);
  try {
    if (const qarvo::TOptionsPreset* builtIn =
            qarvo::FindBuiltInPreset(text.substr(0, text.find('\n'))))
      presets.ApplyText(builtIn->Name, builtIn->Options);
  } catch (const qarvo::EEngineError&) {
  }
  try {
    presets.ApplyText("fuzz.ffpreset", text);
  } catch (const qarvo::EEngineError&) {
  }
  return 0;
}
