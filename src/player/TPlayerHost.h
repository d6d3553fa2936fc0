// What the playback engine calls back into the component that owns it.
#pragma once

#include <cstdint>

#include "media/LibraryApi.h"
#include "player/PlayerTypes.h"
#include "player/TPlayerControls.h"
#include "player/TVideoSurface.h"

namespace qarvo {

class TPlayerHost {
 public:
  virtual ~TPlayerHost() = default;
  virtual TPlayerControls& Controls() = 0;
  // After each refresh that showed a picture (or the waveform) and at the video end marker;
  // the component reads the engine's clocks and reports position and end of file.
  virtual void PositionUpdate() = 0;
  // psPause when a file opened paused has its first pictures; psEnd comes from PositionUpdate.
  virtual void ReportState(TPlayState state) = 0;
  // On the video thread, for every picture about to be queued for display while Hook is on:
  // picture is the filtered frame, overlay the YUV 4:2:0 copy that will be shown (writable),
  // ptsSeconds its time in the stream. The component converts, calls OnHook and writes the
  // result back into overlay.
  virtual void HookPicture(const AVFrame& picture, uint8_t* const overlay[3],
                           const int overlayPitch[3], double ptsSeconds) = 0;
};

}  // namespace qarvo
