// The drawing surface the player shows its pictures on, given to Open in place of a window.
//
// The application's preview panels implement it over a widget; without one the player opens
// its own window. Every call is made on the player's play thread, never while the picture
// queue is locked; the picture passed to Show is only valid during the call, so a surface
// copies (or converts) what it keeps.
#pragma once

#include <cstdint>

namespace qarvo {

// A planar YUV 4:2:0 picture: planes Y, U, V, chroma at half width and height.
struct TYuvPicture {
  const uint8_t* Plane[3] = {nullptr, nullptr, nullptr};
  int Pitch[3] = {0, 0, 0};
  int Width = 0;
  int Height = 0;
  // Colour matrix of the source: true for BT.709, false for BT.601.
  bool Bt709 = false;
};

// Where on the surface the picture goes (the player's aspect-ratio rule); the rest is black.
struct TDisplayRect {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
};

// What a surface tells the player; the player turns these into its play thread's resize and
// expose events. May be called from any thread.
class TVideoSurfaceListener {
 public:
  virtual ~TVideoSurfaceListener() = default;
  virtual void SurfaceResized(int width, int height) = 0;
  virtual void SurfaceExposed() = 0;
};

class TVideoSurface {
 public:
  virtual ~TVideoSurface() = default;
  // The client size of the surface now (the player's screen size when still unset).
  virtual void ClientSize(int& width, int& height) const = 0;
  // Makes the surface width x height (the player's "video mode"); false when it cannot.
  virtual bool SetMode(int width, int height) = 0;
  // Shows the picture scaled into rect; the surface outside rect is black.
  virtual void Show(const TYuvPicture& picture, const TDisplayRect& rect) = 0;
  // Shows the last picture again (expose while paused).
  virtual void Redraw() = 0;
  // Set by the player while a file is open, cleared (nullptr) before it closes.
  virtual void SetListener(TVideoSurfaceListener* listener) = 0;
};

}  // namespace qarvo
