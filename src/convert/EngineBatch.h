// The conversion engine and its probe behind the headless front end's engine interface.
#pragma once

#include <memory>

#include "convert/ConvertRunner.h"

namespace qarvo {

// An engine whose events reach the caller's thread through Pump().
std::unique_ptr<IHeadlessEngine> MakeEngineBatch();

}  // namespace qarvo
