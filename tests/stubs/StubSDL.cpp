// A stand-in SDL exporting every entry point the loader binds except SDL_RenderPresent, so a
// player-set load fails at binding after the engine's libraries are already in place.
#include "media/LibraryEntryPoints.h"

#define SDL_RenderPresent SDL_RenderPresent_left_out
#define QARVO_STUB_ENTRY(name) \
  extern "C" __attribute__((visibility("default"))) int name() { return 0; }
QARVO_SDL_FUNCTIONS(QARVO_STUB_ENTRY)
