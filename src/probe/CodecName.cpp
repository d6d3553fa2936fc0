#include "probe/CodecName.h"

#include <cctype>

#include "base/StringFormat.h"
#include "media/LibraryApi.h"

namespace qarvo {

namespace {

bool IsBlank(const char* text) {
  if (!text) return true;
  for (; *text; ++text)
    if (!std::isspace(static_cast<unsigned char>(*text))) return false;
  return true;
}

std::string TagText(uint32_t tag) {
  char c[4];
  for (int i = 0; i < 4; ++i) {
    c[i] = static_cast<char>((tag >> (8 * i)) & 0xFF);
    if (c[i] < 32 || c[i] > 126) return Format("0x%04x", tag);
  }
  return Format("%c%c%c%c / 0x%04X", c[0], c[1], c[2], c[3], tag);
}

}  // namespace

std::string CodecName(const AVCodecParameters& codec) {
  if (const AVCodec* decoder = api().avcodec_find_decoder(codec.codec_id)) {
    if (IsBlank(decoder->long_name)) return decoder->name;
    return Format("%s(%s)", decoder->name, decoder->long_name);
  }
  if (codec.codec_id == AV_CODEC_ID_MPEG2TS) return "mpeg2ts";
  // The libraries no longer keep a free-text codec name per stream; the registered name of
  // a known codec id stands in for it.
  if (codec.codec_id != AV_CODEC_ID_NONE) {
    if (const AVCodecDescriptor* descriptor = api().avcodec_descriptor_get(codec.codec_id))
      if (!IsBlank(descriptor->name)) return descriptor->name;
  }
  return TagText(codec.codec_tag);
}

}  // namespace qarvo
