// Whether the loaded media libraries provide an encoder, by the name a profile stores; the
// function the main window hands to the parameter panel.
#pragma once

#include <string>

namespace qarvo {

// True while the engine's libraries are not loaded: nothing is known to be missing then.
bool LoadedLibrariesHaveEncoder(const std::string& profileEncoder);

}  // namespace qarvo
