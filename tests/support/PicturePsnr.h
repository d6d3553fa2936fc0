// How close a file's pictures are to another's: the peak signal-to-noise ratio over every
// sample of every picture, as the quality tests and benchmarks measure encoders.
#pragma once

#include <functional>
#include <string>

#include "media/LibraryApi.h"

namespace qarvo {

// Decodes the first video stream of `path` and hands every picture, in output order, to
// `take` with the stream it came from. Throws std::runtime_error naming the failing call.
void ForEachPicture(const std::string& path,
                    const std::function<void(AVFrame& picture, const AVStream& stream)>& take);

// PSNR in dB of the pictures of `distorted` against those of `reference`, pooled over all
// pictures and the three planes of 8-bit 4:2:0 (other formats are converted to it first).
// The files must hold pictures of the same size and the same number of them; throws
// std::runtime_error otherwise. Identical pictures give 100.
double PicturePsnr(const std::string& reference, const std::string& distorted);

}  // namespace qarvo
