// The fast-start form of a finished output whose container keeps its index (moov) after the
// media data: a stream copy of the part file into a second part file, written by the same
// muxer with the same settings and its own fast-start rewrite, so a player can start before
// the whole file has arrived. The first file is left as it was: when the copy fails, the
// complete file is still there.
#pragma once

#include <memory>

#include "engine/task/TTaskFiles.h"

namespace qarvo {

class TFastStartCopy {
 public:
  explicit TFastStartCopy(const TOpenedOutput& output) : output_(output) {}

  // The containers whose files get their index to the front (MP4, MOV, M4A, 3GP, 3G2 and
  // their kin), when the written file has it after the media data.
  static bool Wanted(const TOpenedOutput& output);
  // Whether the file's top-level boxes have the index ("moov") after the media ("mdat").
  static bool IndexAfterData(int fd);

  // The copy, complete; throws EEngineError (nothing left behind) when it cannot be made.
  std::unique_ptr<TPartFile> Make();

 private:
  const TOpenedOutput& output_;
};

}  // namespace qarvo
