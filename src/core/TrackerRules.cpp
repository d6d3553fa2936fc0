#include "core/TrackerRules.h"

#include <algorithm>

namespace qarvo {
namespace {

constexpr int kHandle = 5;

bool Inside(int x, int y, int left, int top, int right, int bottom) {
  return x >= left && x < right && y >= top && y < bottom;
}

// A side that moves inwards stops at the smallest size rather than pushing the far side.
void MoveLeftSide(TTrackRect& r, int dx) {
  if (r.Width > kTrackerMinimum || dx <= 0) {
    dx = std::min(dx, std::max(r.Width - kTrackerMinimum, 0));
    r.Left += dx;
    r.Width -= dx;
  }
}

void MoveTopSide(TTrackRect& r, int dy) {
  if (r.Height > kTrackerMinimum || dy <= 0) {
    dy = std::min(dy, std::max(r.Height - kTrackerMinimum, 0));
    r.Top += dy;
    r.Height -= dy;
  }
}

void GrowRight(TTrackRect& r, int dx, int& lastX) {
  r.Width += dx;
  lastX += dx;
}

void GrowBottom(TTrackRect& r, int dy, int& lastY) {
  r.Height += dy;
  lastY += dy;
}

}  // namespace

int MiddleHandle(int size) { return size / 2 - 3 + size % 2; }

TTrackZone HitTest(int w, int h, int x, int y) {
  const int mx = MiddleHandle(w);
  const int my = MiddleHandle(h);
  if (Inside(x, y, 0, 0, kHandle, kHandle)) return TTrackZone::TopLeft;
  if (Inside(x, y, w - kHandle, h - kHandle, w, h)) return TTrackZone::BottomRight;
  if (Inside(x, y, 0, h - kHandle, kHandle, h)) return TTrackZone::BottomLeft;
  if (Inside(x, y, w - kHandle, 0, w, kHandle)) return TTrackZone::TopRight;
  if (Inside(x, y, 0, my, kHandle, my + kHandle)) return TTrackZone::Left;
  if (Inside(x, y, w - kHandle, my, w, my + kHandle)) return TTrackZone::Right;
  if (Inside(x, y, mx, 0, mx + kHandle, kHandle)) return TTrackZone::Top;
  if (Inside(x, y, mx, h - kHandle, mx + kHandle, h)) return TTrackZone::Bottom;
  if (Inside(x, y, 2, 2, w - 2, h - 2)) return TTrackZone::Move;
  return TTrackZone::None;
}

TTrackRect DragStep(TTrackZone zone, TTrackRect r, int dx, int dy, int& lastX, int& lastY) {
  switch (zone) {
    case TTrackZone::Left:
      MoveLeftSide(r, dx);
      break;
    case TTrackZone::Right:
      GrowRight(r, dx, lastX);
      break;
    case TTrackZone::Top:
      MoveTopSide(r, dy);
      break;
    case TTrackZone::Bottom:
      GrowBottom(r, dy, lastY);
      break;
    case TTrackZone::TopLeft:
      MoveLeftSide(r, dx);
      MoveTopSide(r, dy);
      break;
    case TTrackZone::TopRight:
      MoveTopSide(r, dy);
      GrowRight(r, dx, lastX);
      break;
    case TTrackZone::BottomLeft:
      MoveLeftSide(r, dx);
      GrowBottom(r, dy, lastY);
      break;
    case TTrackZone::BottomRight:
      GrowRight(r, dx, lastX);
      GrowBottom(r, dy, lastY);
      break;
    case TTrackZone::Move:
      r.Left += dx;
      r.Top += dy;
      break;
    case TTrackZone::None:
      break;
  }
  // The control's own smallest size.
  r.Width = std::max(r.Width, kTrackerMinimum);
  r.Height = std::max(r.Height, kTrackerMinimum);
  return r;
}

}  // namespace qarvo
