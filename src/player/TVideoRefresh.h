// The play thread's side of the picture output: showing queued pictures when their time has
// come (dropping late ones), the surface's size and aspect-ratio rule, subtitle blending, the
// waveform for files without video, and the picture last shown (for snapshots).
#pragma once

#include <memory>
#include <mutex>

#include "media/LibraryObjects.h"
#include "player/TVideoSurface.h"
#include "player/TWaveformDisplay.h"

namespace qarvo {

struct TPlayerState;
struct TVideoPicture;

class TVideoRefresh {
 public:
  TVideoRefresh(TPlayerState& state, TVideoSurface& surface);

  // A refresh (consume) or an expose / resize while paused (no consume).
  void Refresh(bool consume);
  // Fits the surface to the screen size, the video's or 640 x 480; force reopens it anyway.
  void OpenSurface(bool force);
  // Shows the current picture again in the current surface (after a resize or aspect change).
  void Redraw();
  // The picture on screen (a new reference) and its pts; null when none.
  TFramePtr Shown(double& ptsSeconds) const;

  // Where a picture of the given display aspect goes on a surface of the given size.
  static TDisplayRect FitRect(int surfaceWidth, int surfaceHeight, double aspect);

 private:
  void RefreshVideo(bool consume);
  void ExpireSubtitles(double videoPts);
  // Blends the due subtitle into the picture (once) and returns a new reference to it; called
  // with the picture queue's lock held.
  TFramePtr TakeForDisplay(TVideoPicture& picture);
  void ShowFrame(const AVFrame& frame);
  void DisplayWaveform();
  double DisplayAspect(const AVFrame& frame) const;

  TPlayerState& state_;
  TVideoSurface& surface_;
  TWaveformDisplay waveform_;
  mutable std::mutex shownMutex_;  // guards shown_ and shownPts_
  TFramePtr shown_;
  double shownPts_ = 0.0;
};

}  // namespace qarvo
