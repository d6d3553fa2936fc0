// The name a stream's codec is shown under.
#pragma once

#include <string>

extern "C" {
#include <libavcodec/codec_par.h>
}

namespace qarvo {

// The decoder's name with its long name in parentheses ("h264(H.264 / AVC / ...)"); without
// a decoder the codec's registered name, or its four-character tag ("XVID / 0x44495658").
std::string CodecName(const AVCodecParameters& codec);

}  // namespace qarvo
