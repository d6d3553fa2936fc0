// Option composition fills the engine's own input and output records (plain C++, no media
// headers), so what the application decides reaches the engine field for field.
#pragma once

#include "base/EngineRecords.h"

namespace qarvo {

using TComposedInput = TInputOptions;
using TComposedOutput = TOutputOptions;

}  // namespace qarvo
