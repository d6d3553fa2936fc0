#include "media/FindCodec.h"

#include "base/StringFormat.h"
#include "media/NameMapping.h"

namespace qarvo {

namespace {

// A codec of the same id from the libraries that is not experimental, or none.
const AVCodec* StableAlternative(AVCodecID id, bool encoder) {
  void* state = nullptr;
  while (const AVCodec* codec = api().av_codec_iterate(&state)) {
    if (codec->id != id || (codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL)) continue;
    if (encoder ? api().av_codec_is_encoder(codec) : api().av_codec_is_decoder(codec)) return codec;
  }
  return nullptr;
}

}  // namespace

TFoundCodec FindCodec(const std::string& name, AVMediaType type, bool encoder, int strict) {
  TFoundCodec found;
  if (name.empty()) return found;
  const char* kind = encoder ? "encoder" : "decoder";
  const std::string wanted = encoder ? TranslateEncoderName(name) : name;
  const AVCodec* codec = encoder ? api().avcodec_find_encoder_by_name(wanted.c_str())
                                 : api().avcodec_find_decoder_by_name(wanted.c_str());
  found.Ok = false;
  if (!codec) {
    found.Error = Format("Unknown %s '%s'", kind, name.c_str());
    return found;
  }
  if (codec->type != type) {
    found.Error = Format("Invalid %s type '%s'", kind, name.c_str());
    return found;
  }
  if ((codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL) && strict > FF_COMPLIANCE_EXPERIMENTAL) {
    found.Error = Format(
        "%s '%s' is experimental and might produce bad results.\r\n"
        "Add '-strict experimental' if you want to use it.",
        kind, name.c_str());
    if (const AVCodec* stable = StableAlternative(codec->id, encoder))
      found.Error += Format("\r\nOr use the non experimental %s '%s'.", kind, stable->name);
    return found;
  }
  found.Ok = true;
  found.Codec = codec;
  found.Id = codec->id;
  return found;
}

}  // namespace qarvo
