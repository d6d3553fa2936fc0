// Start-up of a fuzz target that calls into the media libraries.
#pragma once

namespace qarvo::fuzz {

// Loads the engine's libraries from the system once, quiets the engine log, and ends the
// process when they cannot be loaded: every input would otherwise fail the same way.
void LoadEngineLibraries();

}  // namespace qarvo::fuzz
