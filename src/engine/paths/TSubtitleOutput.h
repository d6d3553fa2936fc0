// The subtitle output path: re-times decoded subtitles and encodes them; DVB subtitles are
// written twice (show and clear). A clear packet that would come after the next subtitle's
// show packet is dropped, so the stream's times keep increasing.
#pragma once

#include <cstdint>
#include <vector>

#include "media/LibraryObjects.h"

namespace qarvo {

struct TRunState;
struct TOutputStreamState;
struct TInputStreamState;

class TSubtitleOutput {
 public:
  // `pts` is the packet's pts in the source stream's time base.
  void Process(TRunState& run, TOutputStreamState& ost, const TInputStreamState& ist,
               AVSubtitle& subtitle, int64_t pts);
  // End of the stream: the last clear packet.
  void Flush(TOutputStreamState& ost);

 private:
  std::vector<uint8_t> buffer_;  // encoded subtitle, 1 MiB
  TPacketPtr pendingClear_;      // DVB clear packet not yet written
};

}  // namespace qarvo
