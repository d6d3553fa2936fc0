// The encoder alone: a source's decoded pictures fed straight to a video encoder, without the
// engine in between, as the yardstick for what a conversion's picture path and its speed lose.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "media/LibraryApi.h"

namespace qarvo {

struct TDirectEncoding {
  std::string Encoder;  // library encoder name ("libx264")
  // The encoder's options by the library's names, generic and private alike
  // ({"b", "1000000"}, {"preset", "fast"}).
  std::vector<std::pair<std::string, std::string>> Options;
  AVPixelFormat PixelFormat = AV_PIX_FMT_YUV420P;  // converted to when the pictures differ
  int Threads = 0;                                 // 0: the encoder's automatic count
};

// Encodes the first video stream of `source` into `output` (its container chosen by the file
// name) at the source's size and frame rate; returns the pictures encoded. Throws
// std::runtime_error naming the failing call.
int EncodeDirect(const std::string& source, const std::string& output,
                 const TDirectEncoding& settings);

}  // namespace qarvo
