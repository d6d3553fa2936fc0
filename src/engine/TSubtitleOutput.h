// The subtitle output path: re-times decoded subtitles and encodes them; DVB subtitles are
// written twice (show and clear).
#pragma once

#include <cstdint>
#include <vector>

#include "engine/LibraryApi.h"

namespace qarvo {

struct TRunState;
struct TOutputStreamState;
struct TInputStreamState;

class TSubtitleOutput {
 public:
  // `pts` is the packet's pts in the source stream's time base.
  void Process(TRunState& run, TOutputStreamState& ost, const TInputStreamState& ist,
               AVSubtitle& subtitle, int64_t pts);

 private:
  std::vector<uint8_t> buffer_;  // encoded subtitle, 1 MiB
};

}  // namespace qarvo
