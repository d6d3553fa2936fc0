// Opens a real encoder and encodes a few generated pictures or sound frames, for tests that
// check option sets the engine produces.
#pragma once

#include <string>

#include "media/LibraryObjects.h"

namespace qarvo {

// Opens `ctx` (already configured, codec set by the caller) with `privateOptions` and encodes
// `frames` frames. Returns "" on success, else the failing step with the library text; an
// option left unconsumed in the dictionary is a failure too.
std::string OpenAndEncode(AVCodecContext* ctx, const AVCodec* codec, TDictionary privateOptions,
                          int frames = 5);

// A context for `codec` with the usual picture or sound parameters set.
TCodecContextPtr MakeEncoderContext(const AVCodec* codec, int width = 176, int height = 144);

}  // namespace qarvo
