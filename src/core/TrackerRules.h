// The rectangle tracker's handles and drags without widgets: which handle a point holds,
// and the bounds after one step of a drag. Points are in the tracker's own pixels.
#pragma once

#include "core/CropRules.h"

namespace qarvo {

enum class TTrackZone {
  None,
  TopLeft,
  BottomRight,
  BottomLeft,
  TopRight,
  Left,
  Right,
  Top,
  Bottom,
  Move
};

// Where each handle starts along a side of `size` pixels: the middle handle's offset.
int MiddleHandle(int size);
// The first zone that holds (x, y) in a tracker of width × height.
TTrackZone HitTest(int width, int height, int x, int y);

// One step of a drag by (dx, dy) from the last mouse point. `lastX`/`lastY` follow the mouse
// where the tracker grows towards it (right and bottom sides); the left and top sides do not
// move while the frame is at its smallest and the drag would shrink it further.
TTrackRect DragStep(TTrackZone zone, TTrackRect bounds, int dx, int dy, int& lastX, int& lastY);

}  // namespace qarvo
