// Sends one frame (or the end of the stream) to an output stream's encoder and writes every
// packet that comes out, with the statistics the report and the pass-1 log need.
#pragma once

#include <cstdint>

#include "media/LibraryApi.h"

namespace qarvo {

struct TRunState;
struct TOutputStreamState;

class TStreamEncoder {
 public:
  // `frame` null drains the encoder. Returns the bytes of the packets written. Raises
  // "Video encoding failed" / "Audio encoding failed".
  static int64_t Encode(TRunState& run, TOutputStreamState& ost, const AVFrame* frame);
  // True for a first-pass encoder that took pictures: it may write none.
  static bool CountsAsWritten(const TOutputStreamState& ost);

 private:
  static void WriteStats(TOutputStreamState& ost);
};

}  // namespace qarvo
