// Option text as profiles and records store it: split into lines, every line dispatched on
// one fresh task. A rejected value is the normal outcome; anything else escaping is a fault.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/EngineError.h"
#include "engine/TCustomTranscoder.h"
#include "engine/task/OptionText.h"

#include "FuzzLibraries.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qarvo::fuzz::LoadEngineLibraries();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  qarvo::TCustomTranscoder task;
  for (const qarvo::TOptionLine& line : qarvo::SplitOptionText(text)) {
    // Loading a named module runs its code by design; that is no parsing of text.
    if (line.Name == "vhook") continue;
    try {
      task.DispatchOption(line.Name, line.Value);
    } catch (const qarvo::EEngineError&) {
    }
  }
  return 0;
}
