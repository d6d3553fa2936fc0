// Error reporting shared by the test-media generator and its readers.
#pragma once

#include <string>

namespace qarvo {

// The library's own text for an error code.
std::string AvErrorText(int code);

// Throws std::runtime_error "<call>: <library text>" when code is negative; returns code.
int CheckAv(int code, const std::string& call);

// Loads the engine's library set once; throws std::runtime_error with the loader's text.
void LoadMediaLibraries();

}  // namespace qarvo
