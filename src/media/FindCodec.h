// Looks up an encoder or decoder by the name a user or profile gave, with the engine's
// messages for unknown, wrong-kind and experimental codecs.
#pragma once

#include <string>

#include "media/LibraryApi.h"

namespace qarvo {

struct TFoundCodec {
  bool Ok = true;
  const AVCodec* Codec = nullptr;  // none for an empty name
  AVCodecID Id = AV_CODEC_ID_NONE;
  std::string Error;  // set when !Ok
};

// `strict` is the strictness the codec context will run with; an experimental codec needs
// it at -2 or below. Encoder names are translated from the names stored in profiles first.
TFoundCodec FindCodec(const std::string& name, AVMediaType type, bool encoder, int strict);

}  // namespace qarvo
