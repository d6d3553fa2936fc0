// A stand-in swscale exporting every entry point the loader binds except sws_scale. Each
// returns the library version, so only the missing entry point can make binding fail.
#include <libswscale/version_major.h>

#include "media/LibraryEntryPoints.h"

#define sws_scale sws_scale_left_out
#define QARVO_STUB_ENTRY(name)                                        \
  extern "C" __attribute__((visibility("default"))) unsigned name() { \
    return LIBSWSCALE_VERSION_MAJOR << 16;                            \
  }
QARVO_SWSCALE_FUNCTIONS(QARVO_STUB_ENTRY)
