#include "core/CropRules.h"

#include <algorithm>
#include <cmath>

namespace qarvo {

TTrackRect TrackerForMargins(const TTrackRect& picture, const TCropMargins& margins) {
  return {picture.Left + margins.Left, picture.Top + margins.Up,
          picture.Width - margins.Right - margins.Left, picture.Height - margins.Down - margins.Up};
}

TCropMargins MarginsOfTracker(const TTrackRect& picture, const TTrackRect& tracker) {
  TCropMargins margins;
  margins.Up = std::max(0, tracker.Top - picture.Top);
  margins.Down = std::max(0, picture.Height + picture.Top - tracker.Height - tracker.Top);
  margins.Left = std::max(0, tracker.Left - picture.Left);
  margins.Right = std::max(0, picture.Width + picture.Left - tracker.Width - tracker.Left);
  return margins;
}

TTrackRect SnapTracker(TTrackRect t, const TTrackRect& picture, int leftMargin, int pressLeft,
                       int pressTop) {
  if (t.Left <= picture.Left) t.Left = picture.Left + leftMargin;
  if (t.Top <= picture.Top) t.Top = picture.Top;
  // The inner frame (2 pixels inside the bounds) decides whether an edge is past the picture.
  const auto rightPast = [&] { return t.Left + t.Width - 2 - picture.Left > picture.Width; };
  const auto bottomPast = [&] { return t.Top + t.Height - 2 - picture.Top > picture.Height; };
  if (rightPast() && bottomPast()) {
    t.Top = pressTop;
    t.Left = pressLeft;
    t.Width = picture.Left + picture.Width - t.Left;
    t.Height = picture.Top + picture.Height - t.Top;
  }
  if (rightPast()) {
    t.Left = pressLeft;
    t.Width = picture.Left + picture.Width - t.Left;
  }
  if (bottomPast()) {
    t.Top = pressTop;
    t.Height = picture.Top + picture.Height - t.Top;
  }
  return t;
}

TMarginChange ChangeMargin(const TTrackRect& picture, const TTrackRect& tracker, TMarginBox box,
                           int value, TCropMargins boxes, TCropMargins& remembered, int& press) {
  const bool vertical = box == TMarginBox::Up || box == TMarginBox::Down;
  int& changed = box == TMarginBox::Up     ? boxes.Up
                 : box == TMarginBox::Down ? boxes.Down
                 : box == TMarginBox::Left ? boxes.Left
                                           : boxes.Right;
  const int before = box == TMarginBox::Up     ? remembered.Up
                     : box == TMarginBox::Down ? remembered.Down
                     : box == TMarginBox::Left ? remembered.Left
                                               : remembered.Right;
  const int size = vertical ? tracker.Height : tracker.Width;
  if (size <= kTrackerMinimum && value >= before) return {false, before, tracker};
  // The other side's margin and the smallest frame bound this one (typed values included).
  const int other = vertical ? (box == TMarginBox::Up ? boxes.Down : boxes.Up)
                             : (box == TMarginBox::Left ? boxes.Right : boxes.Left);
  const int room =
      (vertical ? picture.Height : picture.Width) - std::max(other, 0) - kTrackerMinimum;
  changed = std::clamp(value, 0, std::max(room, 0));
  TTrackRect t = tracker;
  if (vertical) {
    boxes.Up = std::max(boxes.Up, 0);
    boxes.Down = std::max(boxes.Down, 0);
    t.Top = picture.Top + boxes.Up;
    t.Height = picture.Height + picture.Top - boxes.Down - t.Top;
    remembered.Up = boxes.Up;
    remembered.Down = boxes.Down;
    press = t.Top;
  } else {
    boxes.Left = std::max(boxes.Left, 0);
    boxes.Right = std::max(boxes.Right, 0);
    t.Left = picture.Left + boxes.Left;
    t.Width = picture.Width + picture.Left - boxes.Right - t.Left;
    remembered.Left = boxes.Left;
    remembered.Right = boxes.Right;
    press = t.Left;
  }
  return {true, changed, t};
}

int SourceMargin(int entered, int sourceSize, int previewSize) {
  if (previewSize <= 0 || sourceSize <= 0) return 0;
  const double scaled = static_cast<double>(entered) * sourceSize / previewSize;
  const auto rounded = static_cast<int64_t>(std::nearbyint(scaled));  // halves to even
  return static_cast<int>(rounded / 2 * 2);
}

void ConfirmCrop(TlvFilesRecord& record, const TCropMargins& entered, int sourceWidth,
                 int sourceHeight, const TTrackRect& picture) {
  record.CropTopEntered = entered.Up;
  record.CropLeftEntered = entered.Left;
  record.CropBottomEntered = entered.Down;
  record.CropRightEntered = entered.Right;
  record.CropTop = SourceMargin(entered.Up, sourceHeight, picture.Height);
  record.CropBottom = SourceMargin(entered.Down, sourceHeight, picture.Height);
  record.CropLeft = SourceMargin(entered.Left, sourceWidth, picture.Width);
  record.CropRight = SourceMargin(entered.Right, sourceWidth, picture.Width);
  record.Zoom = record.Zoom == "lbox" ? "lbox" : "full";
}

}  // namespace qarvo
