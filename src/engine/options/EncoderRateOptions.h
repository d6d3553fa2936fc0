// The newer formats' rate control as each encoder names it: a constant quality on the
// encoder's own scale and a speed preset become that encoder's private options.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace qarvo {

using TEncoderOptions = std::vector<std::pair<std::string, std::string>>;

// Options for `encoder` (the library's encoder name): `quality` < 0 means none, an empty
// `speed` the encoder's default. Encoders without such controls get none.
//   x264, x265:  crf, preset (x265 also keeps its own console output to errors)
//   SVT-AV1:     crf with no bit rate, preset (a number)
//   libaom AV1:  crf with no bit rate, cpu-used (SVT-AV1 preset numbers carried over)
//   VP9:         crf with no bit rate (constant quality), cpu-used, row threads
//   WebP:        quality
TEncoderOptions EncoderRateOptions(const std::string& encoder, int quality,
                                   const std::string& speed);

// The AV1 encoder the loaded libraries have: SVT-AV1, else libaom's.
std::string AvailableVideoEncoder(const std::string& encoder);

}  // namespace qarvo
