// The crop dialog's geometry without widgets: the tracker over the fitted picture, the four
// entered margins in preview pixels, and the margins in source pixels a confirmation stores.
#pragma once

#include <cstdint>

#include "core/TlvFilesRecord.h"

namespace qarvo {

// A rectangle in dialog pixels: the tracker's bounds or the picture's rectangle.
struct TTrackRect {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  friend bool operator==(const TTrackRect&, const TTrackRect&) = default;
};

struct TCropMargins {
  int Up = 0, Down = 0, Left = 0, Right = 0;
  friend bool operator==(const TCropMargins&, const TCropMargins&) = default;
};

enum class TMarginBox { Up, Down, Left, Right };

// The smallest width and height of the tracker.
inline constexpr int kTrackerMinimum = 10;

// The tracker's bounds for entered margins over the picture.
TTrackRect TrackerForMargins(const TTrackRect& picture, const TCropMargins& margins);
// The margins the tracker's bounds leave on each side; none is negative.
TCropMargins MarginsOfTracker(const TTrackRect& picture, const TTrackRect& tracker);

// The tracker after the user moved or resized it, put back over the picture: a left edge
// dragged onto or past the picture's left edge returns to the left margin `leftMargin`, a
// top edge past the top stops at the top; a frame pushed past the right or bottom edge
// returns to where it was at the press (`pressLeft`, `pressTop`), reaching to that edge.
TTrackRect SnapTracker(TTrackRect tracker, const TTrackRect& picture, int leftMargin, int pressLeft,
                       int pressTop);

// The margin boxes' rules. `remembered` holds the margins of the last accepted change.
struct TMarginChange {
  bool Accepted = false;  // false: the box returns to its remembered value
  int Value = 0;          // what the box shows afterwards
  TTrackRect Tracker;     // the tracker afterwards
};
// Box `box` now shows `value`, the other boxes `boxes`. A frame already at its smallest
// does not shrink further; a negative margin is 0, and no margin makes the frame smaller
// than its smallest size. On acceptance `remembered` takes the box's pair (up and down, or
// left and right) and `press` the new top (or left).
TMarginChange ChangeMargin(const TTrackRect& picture, const TTrackRect& tracker, TMarginBox box,
                           int value, TCropMargins boxes, TCropMargins& remembered, int& press);

// An entered margin in source pixels: scaled by source / preview size, rounded to the
// nearest integer (halves to even), then made even towards zero. 0 without a preview size.
int SourceMargin(int entered, int sourceSize, int previewSize);

// Ok: the entered margins, the source margins and the zoom ("lbox" stays, anything else
// becomes "full").
void ConfirmCrop(TlvFilesRecord& record, const TCropMargins& entered, int sourceWidth,
                 int sourceHeight, const TTrackRect& picture);

}  // namespace qarvo
